#include "core/settings_table.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/temp_dir.h"

namespace orvik {
namespace {

TEST(SettingsTable, ParsesSectionsTrimsAndKeepsUnknownKeys) {
  SettingsTable t;
  t.Parse(
      "top=1\r\n[settings]\r\n service = tunovaHL \r\nrun=a\nrun=b\n[ settings ]\nx=1=2\n"
      "junk line\n[other]\nk=v");
  EXPECT_EQ(t.Get("settings.service"), "tunovaHL");
  EXPECT_EQ(t.Get("settings.run"), "b");
  EXPECT_EQ(t.Get(" settings .x"), "1=2");
  EXPECT_EQ(t.Get(".top"), "1");
  EXPECT_EQ(t.Get("other.k"), "v");  // last line without a line end
  EXPECT_EQ(t.Serialize(),
            // " settings " sorts before the empty-named section (blank < '.')
            "[ settings ]\r\nx=1=2\r\n\r\n[]\r\ntop=1\r\n[other]\r\nk=v\r\n\r\n[settings]\r\n"
            "run=b\r\nservice=tunovaHL\r\n");
}

TEST(SettingsTable, PlainLookupLeavesTableAloneIndexedInserts) {
  SettingsTable t;
  EXPECT_EQ(t.Get("songs.tunova", "dflt"), "dflt");
  EXPECT_FALSE(t.Has("songs.tunova"));
  EXPECT_EQ(t.GetOrInsert("config.useConfig"), "");
  EXPECT_EQ(t.Serialize(), "[config]\r\nuseConfig=\r\n");
}

TEST(SettingsTable, SaveIsAtomicAndFailureKeepsOldFile) {
  test::TempDir dir;
  const auto file = dir / "setting.env";
  SettingsTable t;
  t.Set("settings.service", "tunova");
  ASSERT_TRUE(SaveSettingsFile(file, t));
  EXPECT_EQ(test::ReadTextFile(file), "[settings]\r\nservice=tunova\r\n");

#ifndef _WIN32  // a read-only folder on Windows still takes new files
  SettingsTable bigger;
  bigger.Set("settings.service", "tunovaPRO");
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::geteuid() != 0) {  // root writes anyway
    EXPECT_FALSE(SaveSettingsFile(file, bigger));
    EXPECT_EQ(test::ReadTextFile(file), "[settings]\r\nservice=tunova\r\n");
  }
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
#endif
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename(), "setting.env");  // no temporary left behind
}

TEST(SettingsTable, AByteOrderMarkIsReadPastAndWrittenBack) {
  SettingsTable t;
  t.Parse("\xEF\xBB\xBF[songs]\r\ntunova=/srv/songs\r\n");
  EXPECT_EQ(t.Get("songs.tunova"), "/srv/songs");
  EXPECT_EQ(t.Serialize(), "\xEF\xBB\xBF[songs]\r\ntunova=/srv/songs\r\n");
}

// The operator's file stays what it is: its permission bits, a link to it, and a file
// nobody may write (which is not saved at all).
TEST(SettingsTable, SaveKeepsTheFilesModeLinkAndReadOnlyChoice) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  SettingsTable t;
  t.Set("settings.service", "tunova");
  const auto file = dir / "setting.env";
  test::WriteTextFile(file, "old");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(SaveSettingsFile(file, t));
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  t.Set("settings.service", "tunovaHL");
  EXPECT_FALSE(SaveSettingsFile(file, t));
  EXPECT_EQ(test::ReadTextFile(file), "[settings]\r\nservice=tunova\r\n");

  const auto real = dir / "shared" / "setting.env";
  test::WriteTextFile(real, "old");
  const auto link = dir / "linked.env";
  fs::create_symlink("shared/setting.env", link);
  ASSERT_TRUE(SaveSettingsFile(link, t));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::ReadTextFile(real), "[settings]\r\nservice=tunovaHL\r\n");
}

}  // namespace
}  // namespace orvik

namespace orvik {
namespace {

TEST(SettingsTable, SectionNameWithDotReadsBackAsTheSameKeys) {
  SettingsTable t;
  t.Parse("[a. b=c]\nx=1\n[a]\n b.d = 2\n");
  EXPECT_EQ(t.Get("a. b=c.x"), "1");
  EXPECT_EQ(t.Get("a.b.d"), "2");
  const std::string saved = t.Serialize();
  EXPECT_EQ(saved, "[a. b=c]\r\nx=1\r\n\r\n[a]\r\nb.d=2\r\n");
  SettingsTable back;
  back.Parse(saved);
  EXPECT_EQ(back.Entries(), t.Entries());
}

}  // namespace
}  // namespace orvik
