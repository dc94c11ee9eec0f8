// Verify and heal: every kind of damage is found and set aside exactly, sound songs are never
// touched, and a kill or a cancel in the middle loses no song.
#include "update/store_verify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/update_history.h"
#include "library/song_store.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "update/package_extractor.h"
#include "update/store_manifest.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

using test::ReadTree;
using test::Tree;

std::string Song(int n) { return std::string(1000 + n, static_cast<char>('a' + n % 26)); }

class VerifyTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path module = dir / "module";
  fs::path store = dir / "songs";
  Tree installed;

  // Ten songs installed from a package, so the manifest holds their CRC-32s.
  void SetUp() override {
    fs::create_directories(module);
    fs::create_directories(store);
    for (int n = 1; n <= 10; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "K%d000/%05d.sgd", n / 4, n * 1000 / 4 + n);
      installed[name] = Song(n);
    }
    test::WriteTextFile(dir / "p.zip", test::StoredZip(installed));
    ExtractOptions options;
    options.updateCode = "U1";
    ASSERT_EQ(InstallPackage(dir / "p.zip", store, module, {}, {}, options).result,
              ExtractResult::Ok);
  }
  std::string Name(int i) const { return std::next(installed.begin(), i)->first; }
  fs::path File(int i) const { return store / Name(i); }

  // Every kind of damage, one song each; what each should be found as.
  std::map<std::string, Damage> DamageSongs() {
    std::map<std::string, Damage> expected;
    test::WriteTextFile(File(0), Song(1).substr(0, 10));  // truncated
    expected[Name(0)] = Damage::SizeDiffers;
    test::WriteTextFile(File(1), std::string(installed[Name(1)].size(), '\0'));  // zeroed
    expected[Name(1)] = Damage::CrcDiffers;
    std::string flipped = installed[Name(2)];
    flipped[flipped.size() / 2] ^= 0x01;
    test::WriteTextFile(File(2), flipped);
    expected[Name(2)] = Damage::CrcDiffers;
    fs::remove(File(3));
    expected[Name(3)] = Damage::Missing;
    fs::remove(File(4));
    test::WriteTextFile(File(4) / "inside.txt", "a folder in its place");
    expected[Name(4)] = Damage::NotAFile;
    expected[Name(5)] = Damage::Unreadable;  // by the test seam
    test::WriteTextFile(File(6), "");
    expected[Name(6)] = Damage::Empty;
    // Songs the manifest does not list: only an empty one is damaged.
    test::WriteTextFile(store / "K9000" / "09001.sgd", "");
    expected["K9000/09001.sgd"] = Damage::Empty;
    test::WriteTextFile(store / "K9000" / "09002.sgd", "sound, unlisted");
    test::WriteTextFile(store / "K9000" / "notes.txt", "");  // not a song
    return expected;
  }
  VerifyOptions Options() {
    VerifyOptions options;
    options.unreadableForTest = {Name(5)};
    return options;
  }
};

TEST_F(VerifyTest, ASoundStoreIsLeftAlone) {
  const Tree before = ReadTree(store);
  const VerifyResult r = VerifyStore(module, store);
  EXPECT_TRUE(r.storeFound);
  EXPECT_EQ(r.songsChecked, 10u);
  EXPECT_EQ(r.unverified, 0u);
  EXPECT_TRUE(r.damaged.empty());
  EXPECT_TRUE(r.quarantine.empty());
  EXPECT_EQ(ReadTree(store), before);
  EXPECT_FALSE(fs::exists(QuarantineRoot(store)));
}

TEST_F(VerifyTest, EveryDamageIsFoundAndSetAsideExactly) {
  const auto expected = DamageSongs();
  const Tree damagedStore = ReadTree(store);
  const VerifyResult r = VerifyStore(module, store, Options());

  std::map<std::string, Damage> found;
  for (const auto& d : r.damaged) {
    found[d.path] = d.damage;
    EXPECT_TRUE(d.setAside) << d.path;
  }
  EXPECT_EQ(found, expected);
  EXPECT_EQ(r.unverified, 2u);  // the two unlisted songs

  // Each moved song is in the quarantine under its own path, byte for byte; sound songs and
  // other files stay; nothing else went anywhere.
  ASSERT_FALSE(r.quarantine.empty());
  EXPECT_EQ(r.quarantine.parent_path(), QuarantineRoot(store));
  Tree expectStore = damagedStore, expectAside;
  for (const auto& [path, damage] : expected) {
    if (damage == Damage::Missing) continue;
    if (damage == Damage::NotAFile) {
      expectAside[path + "/inside.txt"] = damagedStore.at(path + "/inside.txt");
      expectStore.erase(path + "/inside.txt");
    } else {
      expectAside[path] = damagedStore.at(path);
      expectStore.erase(path);
    }
  }
  EXPECT_EQ(ReadTree(store), expectStore);
  EXPECT_EQ(ReadTree(r.quarantine), expectAside);
  // The list beside the folder names each song and why.
  const std::string list = test::ReadTextFile(fs::path(r.quarantine).concat(".txt"));
  for (const auto& [path, damage] : expected)
    EXPECT_NE(list.find(std::string(DamageText(damage)) + "\t" + path), std::string::npos)
        << path;

  // The manifest forgot them; the next check finds the store sound.
  const StoreManifest m = LoadStoreManifest(module, store).manifest;
  for (const auto& [path, damage] : expected) EXPECT_FALSE(m.Find(path)) << path;
  EXPECT_EQ(m.Entries().size(), 3u);
  EXPECT_TRUE(VerifyStore(module, store).damaged.empty());

  const auto summary = VerifySummary(r);
  ASSERT_EQ(summary.size(), 1 + expected.size());
  EXPECT_NE(summary[1].find(": "), std::string::npos);

  // Both checks have their line in the history: the songs set aside, then a sound store.
  const auto history = ReadHistory(module);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].kind, HistoryKind::Verify);
  EXPECT_EQ(history[0].songsChecked, r.songsChecked);
  std::vector<int> numbers;
  for (const auto& [path, damage] : expected)
    numbers.push_back(*SongNumberOfFile(platform::PathFromUtf8(path)));
  std::vector<int> aside = history[0].removed;
  std::sort(aside.begin(), aside.end());
  EXPECT_EQ(aside, numbers);
  EXPECT_NE(history[0].outcome.find(DamageText(Damage::CrcDiffers)), std::string::npos);
  EXPECT_TRUE(history[1].Succeeded());
  EXPECT_TRUE(history[1].removed.empty());
}

// A kill after any number of moves: every damaged song is whole in the store or in the
// quarantine, never lost; the next verify finishes the job and the store is then sound.
TEST_F(VerifyTest, AKillInTheQuarantineMoveLosesNothing) {
  const auto expected = DamageSongs();
  const Tree damagedStore = ReadTree(store);
  for (std::size_t kill = 0; kill <= 3; ++kill) {
    SCOPED_TRACE(kill);
    VerifyOptions options = Options();
    options.killAfterMoves = kill;
    const VerifyResult killed = VerifyStore(module, store, options);
    EXPECT_TRUE(killed.killed);
    Tree everywhere = ReadTree(store);
    for (const auto& e : fs::recursive_directory_iterator(QuarantineRoot(store))) {
      const bool list = e.path().parent_path() == QuarantineRoot(store);
      if (!e.is_regular_file() || list) continue;
      const auto rel = e.path().lexically_relative(killed.quarantine);
      if (rel.begin()->string() == "..") continue;
      EXPECT_TRUE(everywhere.emplace(rel.generic_string(), test::ReadTextFile(e.path())).second)
          << "twice: " << rel;
    }
    EXPECT_EQ(everywhere, damagedStore);
    fs::remove_all(QuarantineRoot(store));
    // Put back what moved, for the next kill point.
    for (const auto& [path, content] : damagedStore) test::WriteTextFile(store / path, content);
  }
  const VerifyResult r = VerifyStore(module, store, Options());
  EXPECT_FALSE(r.killed);
  EXPECT_EQ(r.damaged.size(), expected.size());
  EXPECT_TRUE(r.AllSetAside());
  EXPECT_TRUE(VerifyStore(module, store).damaged.empty());
}

TEST_F(VerifyTest, ACancelSetsAsideWhatWasFoundSoFar) {
  DamageSongs();
  std::stop_source stop;
  VerifyOptions options = Options();
  // The songs are checked in path order: the first two are damaged.
  options.onProgress = [&](const VerifyProgress& p) {
    EXPECT_LE(p.bytesChecked, p.bytesTotal);
    if (p.songsChecked == 2) stop.request_stop();
  };
  options.stop = stop.get_token();
  const VerifyResult r = VerifyStore(module, store, options);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.songsChecked, 2u);
  ASSERT_EQ(r.damaged.size(), 2u);
  EXPECT_TRUE(r.AllSetAside());
  EXPECT_FALSE(fs::exists(File(0)));
  EXPECT_TRUE(fs::exists(File(2)));  // not reached: still in the store
}

TEST_F(VerifyTest, NoSongFolderIsSaidAndNothingMade) {
  const VerifyResult r = VerifyStore(module, dir / "not-mounted");
  EXPECT_FALSE(r.storeFound);
  EXPECT_FALSE(fs::exists(dir / "not-mounted"));
  EXPECT_FALSE(fs::exists(QuarantineRoot(dir / "not-mounted")));
}

}  // namespace
}  // namespace orvik
