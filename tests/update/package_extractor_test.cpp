#include "update/package_extractor.h"
#include "update/zip_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

using Tree = std::map<std::string, std::string>;  // relative path -> content

Tree ReadTree(const fs::path& root) {
  Tree tree;
  if (!fs::exists(root)) return tree;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file())
      tree[e.path().lexically_relative(root).generic_string()] = test::ReadTextFile(e.path());
  return tree;
}

// Adds each entry under exactly the given name (7-Zip takes the name of stdin data as is).
void MakeZip(const fs::path& zip, const Tree& entries) {
  const auto sevenZip = FindSevenZip({});
  ASSERT_TRUE(sevenZip);
  for (const auto& [name, content] : entries) {
    test::TempDir tmp;
    test::WriteTextFile(tmp / "data", content);
    const std::string cmd = "'" + sevenZip->string() + "' a -tzip '" + zip.string() + "' -si'" +
                            name + "' < '" + (tmp / "data").string() + "' > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
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
    // No staging or backup folder is left behind.
    for (const auto& e : fs::directory_iterator(dir.path()))
      EXPECT_TRUE(e.path() == store || e.path() == archive) << e.path();
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
  test::TempDir src;
  test::WriteTextFile(src / "K1000" / "01234.sgd", "new");
  fs::create_symlink("/etc", src / "K2000");
  const std::string cmd = "cd '" + src.path().string() + "' && '" + FindSevenZip({})->string() +
                          "' a -tzip -snl '" + archive.string() + "' K1000 K2000 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
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
  const std::string cmd = "cd '" + src.path().string() + "' && '" + FindSevenZip({})->string() +
                          "' a -t7z '" + archive.string() + "' K3000 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
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
                          "K1000/../../x", "a\\..\\..\\b"})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

}  // namespace
}  // namespace orvik
