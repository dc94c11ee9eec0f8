#include "library/inventory.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>

#include "core/fake_processes.h"
#include "library/song_list.h"
#include "library/song_listing.h"
#include "platform/path_text.h"
#include "platform/system_codepage.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;
using test::RecordingPort;
using test::TempDir;
using test::WriteTextFile;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  WriteTextFile(file, "");
}

// What the inventory told, in order: "counting", the counts, "not found".
struct InventoryLog : InventoryListener {
  void OnCounting() override { told.push_back("counting"); }
  void OnCounted(int songs) override { told.push_back(std::to_string(songs)); }
  void OnFolderNotFound() override { told.push_back("not found"); }
  std::vector<std::string> told;
};

class Inventory : public ::testing::Test {
 protected:
  fs::path Store() const { return dir.path() / "store"; }
  fs::path Module() const { return dir.path() / "module"; }
  std::string Listing() const { return ReadTextFile(Module() / "songs.txt"); }
  std::string LastCount() const { return log.told.empty() ? "" : log.told.back(); }

  void SetUp() override { fs::create_directories(Module()); }

  TempDir dir;
  InventoryLog log;
  LauncherState state;
};

TEST_F(Inventory, WalkOrderIsFilesFirstThenFoldersByNameWithoutCase) {
  const fs::path s = Store();
  for (const char* f : {"b.sgd", "A.SGD", "_x.sgd", "c.txt", "K1000/01000.sgd", "k0000/00002.sgd",
                        "k0000/00001.sgd", "K0000/sub/00008.sgd", "K0000/00003.sgd",
                        "Pop/00007.sgd", "Karaoke/00009.sgd", "가요/K0000/00010.sgd"}) {
    Touch(s / platform::PathFromUtf8(f));
  }
  fs::create_directories(s / "folder.sgd");  // a folder is no song file
  RefreshSongInventory(s, Module(), log, state);
  // The listing names files with the platform's separator.
  const auto p = [&](std::string rel) {
    std::replace(rel.begin(), rel.end(), '/', static_cast<char>(fs::path::preferred_separator));
    return platform::PathToUtf8(s) + static_cast<char>(fs::path::preferred_separator) + rel +
           "\r\n";
  };
  // Names compare upper-cased, as NTFS orders them: "_" sorts after the letters.
  const std::string files = p("A.SGD") + p("b.sgd") + p("_x.sgd");
  const std::string rest = p("K1000/01000.sgd") + p("Karaoke/00009.sgd") + p("Pop/00007.sgd") +
                           p("가요/K0000/00010.sgd");
#ifdef _WIN32
  // One folder: names differing in case only are the same name there.
  // In the system code page there (its own test checks the bytes).
  std::string expected;
  ASSERT_TRUE(platform::AppendInSystemCodePage(
      files + p("k0000/00001.sgd") + p("k0000/00002.sgd") + p("k0000/00003.sgd") +
          p("k0000/sub/00008.sgd") + rest,
      expected));
  EXPECT_EQ(Listing(), expected);
  std::lock_guard lock(state.mutex);
  EXPECT_EQ(state.m_storedSongIds, "1,2,3,1000,9,10");
#else
  EXPECT_EQ(Listing(), files + p("K0000/00003.sgd") + p("K0000/sub/00008.sgd") +
                           p("k0000/00001.sgd") + p("k0000/00002.sgd") + rest);
  std::lock_guard lock(state.mutex);
  EXPECT_EQ(state.m_storedSongIds, "3,1,2,1000,9,10");
#endif
  EXPECT_EQ(state.m_storedSongCount, 6);
}

TEST_F(Inventory, CountsByTheRulesAndShowsTheLabel) {
  const fs::path s = Store();
  for (const char* f : {"K1000/01234.sgd", "K1000/01234.SGD", "K2000/01234.sgd", "k0000/00007.sgd",
                        "K0000/abc.sgd", "K0000/my song 5.sgd", "K0000/노래.sgd"}) {
    Touch(s / platform::PathFromUtf8(f));
  }
  RefreshSongInventory(s / "", Module(), log, state);  // a trailing separator changes nothing
  EXPECT_EQ(log.told, (std::vector<std::string>{"counting", "5"}));
  {
    std::lock_guard lock(state.mutex);
    EXPECT_EQ(state.m_storedSongCount, 5);
#ifdef _WIN32
    EXPECT_EQ(state.m_storedSongIds, "7,0,0,0,1234");  // K0000 and k0000 are one folder there
#else
    EXPECT_EQ(state.m_storedSongIds, "0,0,0,7,1234");
#endif
  }
  const std::string doubled(2, static_cast<char>(fs::path::preferred_separator));
  EXPECT_EQ(Listing().find(platform::PathToUtf8(s) + doubled), std::string::npos);

  // Counting the written file again gives the same result as counting during the walk.
  LauncherState again;
  EXPECT_TRUE(CountListedSongs(Module() / "songs.txt", log, again));
  EXPECT_EQ(again.m_storedSongIds, state.m_storedSongIds);
}

TEST_F(Inventory, MissingSongFolderShowsZeroAndSaysSo) {
  WriteTextFile(Module() / "songs.txt", "/old/K0000/00001.sgd\r\n");
  state.m_storedSongCount = 5;
  state.m_storedSongIds = "1,2,3,4,5";
  RefreshSongInventory(dir.path() / "none", Module(), log, state);
  EXPECT_EQ(log.told, (std::vector<std::string>{"counting", "0", "not found"}));
  EXPECT_EQ(state.m_storedSongCount, 0);
  EXPECT_EQ(state.m_storedSongIds, "");
  EXPECT_FALSE(fs::exists(Module() / "songs.txt"));
}

TEST_F(Inventory, NoSongFolderLeavesTheLabelAlone) {
  state.m_storedSongCount = 5;
  state.m_storedSongIds = "1";
  RefreshSongInventory("", Module(), log, state);
  EXPECT_TRUE(log.told.empty());
  EXPECT_EQ(state.m_storedSongCount, 0);
  EXPECT_EQ(state.m_storedSongIds, "");
}

TEST_F(Inventory, EmptyStoreAndUnwritableListingStillCount) {
  fs::create_directories(Store());
  RefreshSongInventory(Store(), Module(), log, state);
  EXPECT_EQ(LastCount(), "0");
  EXPECT_EQ(Listing(), "");

  Touch(Store() / "K0000/00001.sgd");
  RefreshSongInventory(Store(), dir.path() / "no-module-dir", log, state);
  EXPECT_EQ(LastCount(), "1");
}

#ifndef _WIN32  // links need rights on Windows; folder rights work differently there
TEST_F(Inventory, LinkLoopsAreNotFollowedAndLinkedFilesCount) {
  const fs::path s = Store();
  Touch(s / "K0000/00001.sgd");
  Touch(dir.path() / "elsewhere/00002.sgd");
  fs::create_directory_symlink(s, s / "K0000/loop");
  fs::create_directory_symlink(s / "K0000", s / "K9000");
  fs::create_symlink(dir.path() / "elsewhere/00002.sgd", s / "K0000/00002.sgd");
  fs::create_symlink(dir.path() / "gone.sgd", s / "K0000/00003.sgd");  // dangling
  RefreshSongInventory(s, Module(), log, state);
  EXPECT_EQ(state.m_storedSongIds, "1,2");
}

TEST_F(Inventory, UnreadableSubfolderIsSkipped) {
  const fs::path s = Store();
  Touch(s / "K0000/00001.sgd");
  Touch(s / "K1000/01001.sgd");
  Touch(s / "K2000/02001.sgd");
  ::chmod(s.parent_path().c_str(), 0755);
  ::chmod((s / "K1000").c_str(), 0);
  if (::geteuid() != 0) {
    RefreshSongInventory(s, Module(), log, state);
    EXPECT_EQ(state.m_storedSongIds, "1,2001");
    return;
  }
  // Root reads every folder; the walk runs in a child that gives up root.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
    std::string ids;
    WriteSongListing(s, "/dev/null", [&](std::string_view line) {
      ids += std::string(line.substr(line.rfind('/') + 1)) + ";";
    });
    ::_exit(ids == "00001.sgd;02001.sgd;" ? 0 : 91);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

TEST_F(Inventory, CountListedSongsLeavesEverythingWhenTheFileIsMissing) {
  state.m_storedSongCount = 3;
  EXPECT_FALSE(CountListedSongs(Module() / "none.txt", log, state));
  EXPECT_TRUE(log.told.empty());
  EXPECT_EQ(state.m_storedSongCount, 3);

  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  const std::string line = sep + "s" + sep + "K0000" + sep + "00001.sgd\r\n";
  WriteTextFile(Module() / "list.txt", line + line);
  EXPECT_TRUE(CountListedSongs(Module() / "list.txt", log, state));
  EXPECT_EQ(LastCount(), "1");
  EXPECT_EQ(state.m_storedSongIds, "1");
}

TEST(SongList, InactiveThenOneSecondThenTheListProgramShown) {
  test::FakeProcesses fake;
  RecordingPort port;
  LauncherState state;
  LaunchContext ctx{fake, port, state.m_toolOptions};
  ctx.wait = [&](int ms) { fake.log.push_back("sleep " + std::to_string(ms)); };
  MakeSongList(ctx, state, "/opt/tunova/list");
  MakeSongList(ctx, state, "/opt/tunova/list");
  EXPECT_FALSE(state.m_isActive);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"sleep 1000", "start /opt/tunova/list",
                                                "sleep 1000", "start /opt/tunova/list"}));
  EXPECT_TRUE(fake.requests[0].show);
  EXPECT_FALSE(fake.requests[0].elevated);
  EXPECT_EQ(fake.log.size(), 4u);  // not waited for

  fake.existing = {};
  MakeSongList(ctx, state, "/opt/tunova/list");
  EXPECT_EQ(port.Messages().size(), 1u);  // RunProgram's own message only
}

}  // namespace
}  // namespace orvik
