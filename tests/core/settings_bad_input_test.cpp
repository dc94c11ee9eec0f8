// setting.env as found in the field: damaged, huge, or impossible to write.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <random>

#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/settings_table.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

// Saving what was read and reading it again gives the same table, and the saved text is
// a fixed point: nothing well-formed is lost or altered by a round trip.
void ExpectStableRoundTrip(std::string_view bytes) {
  SettingsTable first;
  first.Parse(bytes);
  const std::string saved = first.Serialize();
  SettingsTable second;
  second.Parse(saved);
  ASSERT_EQ(second.Entries(), first.Entries());
  ASSERT_EQ(second.Serialize(), saved);
}

TEST(SettingsBadInput, RandomBytesRoundTripStably) {
  std::mt19937 rng(20240611);
  const std::string alphabet = "[]=. \t\r\n\v\f\0abcZ=";
  for (int round = 0; round < 1500; ++round) {
    std::string bytes(rng() % 300, '\0');
    for (auto& b : bytes)
      b = rng() % 3 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(round);
    ExpectStableRoundTrip(bytes);
  }
}

TEST(SettingsBadInput, NulBytesLongLinesAndNoFinalLineEnd) {
  const std::string longValue(1 << 20, 'v');
  const std::string text = std::string("[settings]\nservice=tunova\0PRO\n", 31) +
                           "\x01\xff\xfe garbage without equals\n" + "big=" + longValue +
                           "\n[last]\nno_line_end=1";
  SettingsTable t;
  t.Parse(text);
  EXPECT_EQ(t.Get("settings.service"), std::string("tunova\0PRO", 10));
  EXPECT_EQ(t.Get("settings.big"), longValue);
  EXPECT_EQ(t.Get("last.no_line_end"), "1");
  EXPECT_EQ(t.Entries().size(), 3u);
  ExpectStableRoundTrip(text);

  // A NUL inside the service text is no known key: it stays, and gets no program list.
  LauncherState state;
  const auto list = LoadSettingsFromBytes(state, text);
  EXPECT_EQ(state.ServiceKey(), std::string("tunova\0PRO", 10));
  EXPECT_TRUE(list.entries.empty());
}

TEST(SettingsBadInput, ThousandsOfEntriesSurviveASave) {
  test::TempDir dir;
  std::string text;
  for (int s = 0; s < 50; ++s) {
    text += "[section" + std::to_string(s) + "]\r\n";
    for (int e = 0; e < 100; ++e)
      text += "key" + std::to_string(e) + "=" + std::to_string(s * e) + "\r\n";
  }
  test::WriteTextFile(dir / "setting.env", text);
  LauncherState state;
  state.moduleDir = dir.path();
  LoadSettings(state);
  ASSERT_TRUE(SaveSettings(state));
  SettingsTable reread;
  ASSERT_TRUE(LoadSettingsFile(dir / "setting.env", reread));
  EXPECT_EQ(reread.Entries().size(), 5000u + 2u);  // plus settings.run and settings.service
  EXPECT_EQ(reread.Get("section49.key99"), std::to_string(49 * 99));
}

#ifndef _WIN32
// A file-size limit makes the write fail part-way, as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST(SettingsBadInput, FailedSaveKeepsThePreviousFileWhole) {
  test::TempDir dir;
  const std::string previous = "[settings]\r\nservice=tunovaHL\r\n";
  test::WriteTextFile(dir / "setting.env", previous);
  LauncherState state;
  state.moduleDir = dir.path();
  LoadSettings(state);
  state.settings.Set("run.tunovaHL", std::string(64 * 1024, 'p'));
  {
    FileSizeLimit limit(4096);
    EXPECT_FALSE(SaveSettings(state));
  }
  EXPECT_EQ(test::ReadTextFile(dir / "setting.env"), previous);
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename(), "setting.env");  // the partial temporary is gone
  EXPECT_TRUE(SaveSettings(state));                 // and a later save works again
}
#endif

TEST(SettingsBadInput, UnwritableModuleFolderIsSilent) {
  test::TempDir dir;
  test::WriteTextFile(dir / "file", "x");
  LauncherState state;
  state.moduleDir = dir / "file";  // its "folder" is a regular file
  EXPECT_TRUE(LoadSettings(state).entries.empty());
  EXPECT_FALSE(SaveSettings(state));
  EXPECT_EQ(test::ReadTextFile(dir / "file"), "x");
}

}  // namespace
}  // namespace orvik
