#include "update/package_extractor.h"
#include "update/pending_result.h"
#include "update/store_journal.h"
#include "update/store_manifest.h"
#include "update/store_move.h"
#include "update/update_test_hooks.h"
#include "update/zip_directory.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <map>

#include "core/user_texts.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

using test::ReadTree;
using test::Tree;

void MakeZip(const fs::path& zip, const Tree& entries) {
  test::WriteTextFile(zip, test::StoredZip(entries));
}

class InstallPackageTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path store = dir / "songs";
  fs::path archive = dir / "1234567890.zip";
  std::vector<int> percents;

  void SetUp() override {
    test::WriteTextFile(store / "K0000" / "00001.sgd", "old1");
    test::WriteTextFile(store / "K1000" / "01234.sgd", "old1234");
  }
  ExtractReport Install() {
    return InstallPackage(archive, store, dir.path(), [&](int p) { percents.push_back(p); });
  }
  void ExpectStoreUntouched() {
    EXPECT_EQ(ReadTree(store), (Tree{{"K0000/00001.sgd", "old1"}, {"K1000/01234.sgd", "old1234"}}));
    ExpectNoWorkFolders();
  }
  // No staging or backup folder, and no journal, is left behind (the manifest is kept).
  void ExpectNoWorkFolders() {
    for (const auto& e : fs::directory_iterator(dir.path()))
      EXPECT_TRUE(e.path() == store || e.path() == archive ||
                  e.path() == StoreManifestPath(dir.path()))
          << e.path();
  }
};

TEST_F(InstallPackageTest, InstallsNewAndOverwritesExistingSongs) {
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}, {"K2000/02001.sgd", "new2001"}});
  const auto report = Install();
  ASSERT_EQ(report.result, ExtractResult::Ok) << report.detail;
  EXPECT_EQ(report.filesInstalled, 2u);
  EXPECT_EQ(ReadTree(store), (Tree{{"K0000/00001.sgd", "old1"},
                                   {"K1000/01234.sgd", "new1234"},
                                   {"K2000/02001.sgd", "new2001"}}));
  EXPECT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(fs::exists(archive));  // deleting it is the caller's decision
}

TEST_F(InstallPackageTest, SpacesInPathsWork) {
  store = dir / "my songs";
  test::WriteTextFile(store / "K0000" / "00001.sgd", "old1");
  test::WriteTextFile(store / "K1000" / "01234.sgd", "old1234");
  archive = dir / "a package.zip";
  MakeZip(archive, {{"K3000/03000.sgd", "x"}});
  ASSERT_EQ(Install().result, ExtractResult::Ok);
  EXPECT_EQ(test::ReadTextFile(store / "K3000" / "03000.sgd"), "x");
}

TEST_F(InstallPackageTest, DamagedArchivesLeaveTheStoreAsItWas) {
  MakeZip(archive, {{"K1000/01234.sgd", std::string(200000, 'n')}, {"K2000/02001.sgd", "x"}});
  const std::string whole = test::ReadTextFile(archive);

  test::WriteTextFile(archive, whole.substr(0, whole.size() / 2));  // truncated download
  EXPECT_EQ(Install().result, ExtractResult::ArchiveBroken);
  ExpectStoreUntouched();

  test::WriteTextFile(archive, "this is not a zip at all");
  EXPECT_EQ(Install().result, ExtractResult::ArchiveBroken);
  ExpectStoreUntouched();

  test::WriteTextFile(archive, "");
  EXPECT_EQ(Install().result, ExtractResult::ArchiveBroken);
  ExpectStoreUntouched();

  fs::remove(archive);
  EXPECT_EQ(Install().result, ExtractResult::NoArchive);
  ExpectStoreUntouched();
}

TEST_F(InstallPackageTest, EntriesLeavingTheStoreRefuseTheWholePackage) {
  for (const std::string evil :
       {"../evil.sgd", "/abs/K1000/00001.sgd", "K1000/../../x.sgd", "..\\win.sgd"}) {
    fs::remove(archive);
    MakeZip(archive, {{"K1000/01234.sgd", "new"}, {evil, "evil"}});
    const auto report = Install();
    EXPECT_EQ(report.result, ExtractResult::UnsafeEntry) << evil;
    ExpectStoreUntouched();
    EXPECT_FALSE(fs::exists(dir / "evil.sgd"));
    EXPECT_FALSE(fs::exists(dir / "x.sgd"));
  }
}

TEST_F(InstallPackageTest, AFileThatCannotBePlacedTakesBackEverythingPlaced) {
  // Files are placed in path order; a file where block folder K9000 should be makes the
  // later ones fail after K1000's song was replaced. (Tests run as root: no permissions.)
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}, {"K9000/09000.sgd", "new"}});
  test::WriteTextFile(store / "K9000", "not a folder");
  auto report = Install();
  EXPECT_EQ(report.result, ExtractResult::StoreNotWritable);
  EXPECT_NE(report.detail.find("09000.sgd"), std::string::npos);
  EXPECT_EQ(test::ReadTextFile(store / "K1000" / "01234.sgd"), "old1234");
  fs::remove(store / "K9000");
  ExpectStoreUntouched();

  // A folder where a song file should go is never replaced (nor deleted) by the song.
  fs::create_directories(store / "K9000" / "09000.sgd" / "keep");
  report = Install();
  EXPECT_EQ(report.result, ExtractResult::StoreNotWritable);
  EXPECT_TRUE(fs::is_directory(store / "K9000" / "09000.sgd" / "keep"));
  EXPECT_EQ(test::ReadTextFile(store / "K1000" / "01234.sgd"), "old1234");
  fs::remove_all(store / "K9000");
  ExpectStoreUntouched();
}

TEST_F(InstallPackageTest, LinksInThePackageRefuseIt) {
  // A link entry could point anywhere; a package of songs never needs one.
  test::WriteTextFile(archive,
                      test::StoredZip({{"K1000/01234.sgd", "new"}, {"K2000", "/etc"}}, {"K2000"}));
  const auto names = ReadZipEntryNames(archive);
  ASSERT_TRUE(names);
  EXPECT_TRUE(std::any_of(names->begin(), names->end(),
                          [](const ZipEntryName& e) { return e.name == "K2000" && e.isLink; }));
  EXPECT_EQ(Install().result, ExtractResult::UnsafeEntry);
  ExpectStoreUntouched();
}

TEST_F(InstallPackageTest, OtherArchiveFormatsAreVettedBy7Zip) {
  // Not a zip inside: the zip reader declines and 7-Zip's own listing vets the names.
  test::TempDir src;
  test::WriteTextFile(src / "K3000" / "03000.sgd", "seven");
  // 7-Zip stores the named folder's own name and what is below it.
  ASSERT_EQ(
      platform::RunAndCapture({platform::PathToUtf8(*FindSevenZip({})), "a", "-t7z",
                               platform::PathToUtf8(archive), platform::PathToUtf8(src / "K3000")},
                              [](std::string_view) {}),
      0);
  EXPECT_FALSE(ReadZipEntryNames(archive));
  ASSERT_EQ(Install().result, ExtractResult::Ok);
  EXPECT_EQ(test::ReadTextFile(store / "K3000" / "03000.sgd"), "seven");
}

TEST(SevenZipProgressParser, ReadsPercentagesSplitAcrossChunks) {
  SevenZipProgressParser parser;
  std::vector<int> seen;
  const auto sink = [&](int p) { seen.push_back(p); };
  parser.Feed("Extracting archive: x.zip\n  0%\b\b\b\b    \b\b\b\b  4", sink);
  parser.Feed("2% 12 - K1000/01234.sgd\b\b\b\b\b\b\b 42% 13", sink);
  parser.Feed("\b\b\b\b100%\nEverything is Ok\n", sink);
  EXPECT_EQ(seen, (std::vector<int>{0, 42, 100}));
}

TEST(IsSafeEntryName, AcceptsStorePathsOnly) {
  EXPECT_TRUE(IsSafeEntryName("K1000/01234.sgd"));
  EXPECT_TRUE(IsSafeEntryName("K1000\\01234.sgd"));
  EXPECT_TRUE(IsSafeEntryName("a..b/c.sgd"));
  for (const char* bad : {"", "/etc/passwd", "\\x.sgd", "C:\\x.sgd", "c:x", "..", "../x",
                          "K1000/../../x", "a\\..\\..\\b", "a/.. /x", "a/. ./x", "a/.../x"})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

// A stored zip of one entry whose Unicode Path extra field (0x7075) names another path.
std::string ZipWithUnicodePath(const std::string& name, const std::string& unicodeName) {
  auto put = [](std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string extra;
  put(extra, 0x7075, 2);
  put(extra, static_cast<std::uint32_t>(5 + unicodeName.size()), 2);
  put(extra, 1, 1);
  put(extra, 0, 4);  // CRC of the header name; 7-Zip's check is not what is tested here
  extra += unicodeName;
  std::string zip;
  put(zip, 0x04034b50, 4);
  put(zip, 20, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
  put(zip, 0, 4), put(zip, 0, 4);
  put(zip, static_cast<std::uint32_t>(name.size()), 2);
  put(zip, static_cast<std::uint32_t>(extra.size()), 2);
  zip += name + extra;
  const auto central = static_cast<std::uint32_t>(zip.size());
  put(zip, 0x02014b50, 4);
  put(zip, 20, 2), put(zip, 20, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4);
  put(zip, 0, 4), put(zip, 0, 4), put(zip, 0, 4);
  put(zip, static_cast<std::uint32_t>(name.size()), 2);
  put(zip, static_cast<std::uint32_t>(extra.size()), 2);
  put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
  zip += name + extra;
  const auto size = static_cast<std::uint32_t>(zip.size()) - central;
  put(zip, 0x06054b50, 4);
  put(zip, 0, 4), put(zip, 1, 2), put(zip, 1, 2), put(zip, size, 4), put(zip, central, 4);
  put(zip, 0, 2);
  return zip;
}

TEST_F(InstallPackageTest, TheUnicodePathFieldIsVettedToo) {
  test::WriteTextFile(archive, ZipWithUnicodePath("K1000/01234.sgd", "../evil.sgd"));
  EXPECT_EQ(Install().result, ExtractResult::UnsafeEntry);
  ExpectStoreUntouched();
}

// A kill at any point of the move, then a start: every song is its old or its new version,
// whole, none is missing, no work folder stays, and the result is owed exactly once.
TEST_F(InstallPackageTest, AKillInTheMoveIsFinishedAtTheNextStart) {
  const Tree updated{{"K0000/00001.sgd", "new1"},
                     {"K1000/01234.sgd", "new1234"},
                     {"K1000/01500.sgd", "new1500"},
                     {"K4000/04000.sgd", "new4000"}};
  MakeZip(archive, updated);
  for (std::size_t kill : {0u, 1u, 2u, 4u, 5u}) {
    for (bool stagingLost : {false, true}) {
      SetUp();  // the old store again
      for (const char* gone : {"K1000/01500.sgd", "K4000/04000.sgd"}) fs::remove(store / gone);
      ExtractOptions options;
      options.updateCode = "U1";
      {
        test_hooks::ScopedKillAfterFiles killed(kill);
        ASSERT_EQ(InstallPackage(archive, store, dir.path(), {}, {}, options).result,
                  ExtractResult::Stopped);
      }
      const auto journal = ReadStoreJournal(dir.path());
      ASSERT_TRUE(journal) << kill;
      // A staged file that did not survive (a power cut before it reached the disk).
      const bool rollBack = stagingLost && kill < 2;
      if (rollBack) fs::remove(journal->staging / "K1000" / "01500.sgd");
      // And a copy across volumes cut short beside a song (only the move makes them).
      if (kill < 5) test::WriteTextFile(store / "K1000" / ".01234.sgd.orvik999-0", "cut");

      EXPECT_EQ(FinishOpenJournal(dir.path(), store).outcome,
                rollBack ? Recovery::RolledBack : Recovery::RolledForward);
      const Tree old{{"K0000/00001.sgd", "old1"}, {"K1000/01234.sgd", "old1234"}};
      EXPECT_EQ(ReadTree(store), rollBack ? old : updated) << kill << stagingLost;
      EXPECT_EQ(ReadPendingResults(dir.path()),
                rollBack ? std::vector<PendingResult>{} : std::vector<PendingResult>{{"U1"}});
      fs::remove(PendingResultPath(dir.path()));
      ExpectNoWorkFolders();
      fs::remove_all(store);
    }
  }
}

// Two launchers (or one after a crash) never share a work folder, and never remove one
// they did not record.
TEST_F(InstallPackageTest, WorkFoldersAreTheUpdatesOwn) {
  fs::create_directories(dir / "songs.unpacking");
  test::WriteTextFile(dir / "songs.replaced" / "K1000" / "01234.sgd", "someone's");
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}});
  ASSERT_EQ(Install().result, ExtractResult::Ok);
  EXPECT_EQ(test::ReadTextFile(dir / "songs.replaced" / "K1000" / "01234.sgd"), "someone's");
  EXPECT_TRUE(fs::is_directory(dir / "songs.unpacking"));
}

TEST_F(InstallPackageTest, AMissingSongFolderIsNeverCreated) {
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}});
  fs::remove_all(store);
  EXPECT_EQ(Install().result, ExtractResult::NoSongFolder);
  EXPECT_FALSE(fs::exists(store));
}

// Linux only: a small volume of its own is a tmpfs mount.
#ifndef _WIN32
// The store on a volume of its own (a small tmpfs): files are copied in under temporary
// names and renamed over, so a volume that fills up keeps no partial song.
class CrossVolumeTest : public InstallPackageTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small volume needs root";
    fs::create_directories(store);
    const std::string cmd = "mount -t tmpfs -o size=256k orvik-test '" + store.string() + "'";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "tmpfs cannot be mounted here";
    mounted_ = true;
    InstallPackageTest::SetUp();
  }
  void TearDown() override {
    if (mounted_) std::system(("umount '" + store.string() + "'").c_str());
  }
  bool mounted_ = false;
};

TEST_F(CrossVolumeTest, AFullVolumeSaysSoAndKeepsTheStore) {
  MakeZip(archive, {{"K0000/00001.sgd", "new1"}, {"K1000/01234.sgd", std::string(400000, 'n')}});
  // Known before unpacking: the package's unpacked size against the store's free room.
  auto report = Install();
  EXPECT_EQ(report.result, ExtractResult::NoSpace);
  EXPECT_GT(report.neededBytes, 400000u);
  EXPECT_LT(report.freeBytes, 256u * 1024);
  EXPECT_EQ(
      DiskSpaceShortText(report),
      std::string(text::kDiskSpaceShort) + platform::PathToUtf8(store) + " (1 MB 필요, 0 MB 남음)");
  ExpectStoreUntouched();
  {
    // And when the volume fills up during the move anyway (another program wrote meanwhile).
    test_hooks::ScopedFreeSpace plenty(std::uint64_t{1} << 40);
    report = Install();
  }
  EXPECT_EQ(report.result, ExtractResult::NoSpace);
  ExpectStoreUntouched();  // no truncated song, no temporary file

  fs::remove(archive);
  MakeZip(archive, {{"K0000/00001.sgd", "new1"}, {"K2000/02000.sgd", "new2000"}});
  ASSERT_EQ(Install().result, ExtractResult::Ok);
  EXPECT_EQ(ReadTree(store), (Tree{{"K0000/00001.sgd", "new1"},
                                   {"K1000/01234.sgd", "old1234"},
                                   {"K2000/02000.sgd", "new2000"}}));
}

// The store and its work folders on one small volume: 7-Zip itself runs out of room.
class FullVolumeTest : public InstallPackageTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small volume needs root";
    fs::create_directories(volume_);
    const std::string cmd = "mount -t tmpfs -o size=256k orvik-test '" + volume_.string() + "'";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "tmpfs cannot be mounted here";
    mounted_ = true;
    store = volume_ / "songs";
    InstallPackageTest::SetUp();
  }
  void TearDown() override {
    if (mounted_) std::system(("umount '" + volume_.string() + "'").c_str());
  }
  fs::path volume_ = dir / "volume";
  bool mounted_ = false;
};

TEST_F(FullVolumeTest, SevenZipRunningOutOfRoomIsAFullDiskNotADamagedPackage) {
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}, {"K2000/02001.sgd", std::string(400000, 'n')}});
  test_hooks::ScopedFreeSpace lie(std::uint64_t{1} << 40);  // the check before unpacking passes
  const auto report = Install();
  EXPECT_EQ(report.result, ExtractResult::NoSpace) << report.detail;
  EXPECT_EQ(ReadTree(store), (Tree{{"K0000/00001.sgd", "old1"}, {"K1000/01234.sgd", "old1234"}}));
  for (const auto& e : fs::directory_iterator(volume_)) EXPECT_EQ(e.path(), store);
  EXPECT_FALSE(fs::exists(StoreJournalPath(dir.path())));
  EXPECT_TRUE(fs::exists(archive));
}
#endif

TEST_F(InstallPackageTest, TooLittleRoomStopsBeforeUnpackingAndSaysHowMuch) {
  MakeZip(archive, {{"K1000/01234.sgd", std::string(3 << 20, 'n')}});
  test_hooks::ScopedFreeSpace almostFull(std::uint64_t{1} << 20);
  const auto report = Install();
  ASSERT_EQ(report.result, ExtractResult::NoSpace);
  EXPECT_EQ(
      DiskSpaceShortText(report),
      std::string(text::kDiskSpaceShort) + platform::PathToUtf8(store) + " (4 MB 필요, 1 MB 남음)");
  ExpectStoreUntouched();
}

TEST_F(InstallPackageTest, ADamagedEntryIsTheArchivesFaultAndNothingElseIs) {
  MakeZip(archive, {{"K1000/01234.sgd", std::string(5000, 'n')}});
  std::string bytes = test::ReadTextFile(archive);
  bytes[100] = 'X';  // inside the stored data: the directory reads, the CRC fails
  test::WriteTextFile(archive, bytes);
  EXPECT_EQ(Install().result, ExtractResult::ArchiveBroken);
  ExpectStoreUntouched();

#ifndef _WIN32
  // A sound archive that 7-Zip could not write out (a local fault) keeps its name.
  MakeZip(archive, {{"K1000/01234.sgd", "new1234"}});
  const fs::path fake = dir / "bin" / "7zz";
  ExtractOptions options;
  options.sevenZip = fake;
  for (const auto& [message, expected] :
       {std::pair{"ERROR: Permission denied", ExtractResult::StoreNotWritable},
        std::pair{"ERROR: No space left on device : K1000/01234.sgd", ExtractResult::NoSpace}}) {
    test::WriteTextFile(fake, std::string("#!/bin/sh\nif [ \"$1\" = x ]; then echo '") + message +
                                  "'; exit 2; fi\nexec 7zz \"$@\"\n");
    fs::permissions(fake, fs::perms::owner_all);
    const auto report = InstallPackage(archive, store, dir.path(), {}, {}, options);
    EXPECT_EQ(report.result, expected) << message;
    EXPECT_EQ(ReadTree(store), (Tree{{"K0000/00001.sgd", "old1"}, {"K1000/01234.sgd", "old1234"}}));
  }
  fs::remove_all(dir / "bin");
  ExpectStoreUntouched();
#endif
}

}  // namespace
}  // namespace orvik
