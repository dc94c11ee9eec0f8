// The store manifest as untrusted input, and as part of the store's transaction: after an
// install, a kill at any point of the move, a roll-back or a removal it describes exactly
// the songs in the store.
#include "update/store_manifest.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "update/package_extractor.h"
#include "update/store_journal.h"
#include "update/store_move.h"
#include "update/store_verify.h"
#include "update/update_test_hooks.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

using test::Tree;

std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// A manifest's text with a new closing line: what a careful forger would write.
std::string Reseal(std::string text) {
  text.erase(text.rfind("end "));
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) ++count;
  char end[64];
  std::snprintf(end, sizeof end, "end %zu %08x\n", count - 2, Crc(text));
  return text + end;
}

StoreManifest Sample() {
  StoreManifest m;
  m.store = fs::path("/srv/songs");
  m.Record({{"K1000/01234.sgd", 50000, 0x1234abcdu}, {"K1000/01233.sgd", 4, 7u}},
           {"U1", 1700000000});
  m.Record({{"K1000/01234.sgd", 60000, 0xffffffffu}, {"K20000/20001.sgd", 9, std::nullopt}},
           {"code with spaces\n", 1700000100});
  return m;
}

TEST(StoreManifest, RecordsReplacementsAndRoundTrips) {
  StoreManifest m = Sample();
  ASSERT_EQ(m.Entries().size(), 3u);
  const ManifestEntry* replaced = m.Find("K1000/01234.sgd");
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->size, 60000u);
  EXPECT_EQ(m.Updates()[replaced->update].code, "code with spaces\n");
  EXPECT_EQ(m.Find("K1000/01233.sgd")->crc32, 7u);
  EXPECT_FALSE(m.Find("K20000/20001.sgd")->crc32);  // unverified stays so
  EXPECT_FALSE(m.Find("K1000/0123"));

  const auto back = ParseManifest(SerializeManifest(m));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->store, m.store);
  ASSERT_EQ(back->Entries().size(), 3u);
  for (const auto& e : m.Entries()) {
    const ManifestEntry* b = back->Find(e.path);
    ASSERT_TRUE(b) << e.path;
    EXPECT_EQ(b->size, e.size);
    EXPECT_EQ(b->crc32, e.crc32);
    EXPECT_EQ(back->Updates()[b->update].code, m.Updates()[e.update].code);
    EXPECT_EQ(back->Updates()[b->update].time, m.Updates()[e.update].time);
  }

  // Dropping every song of an update drops the update from the file too.
  EXPECT_EQ(m.Drop({"K1000/01233.sgd", "not/listed.sgd"}), 1u);
  const auto dropped = ParseManifest(SerializeManifest(m));
  ASSERT_TRUE(dropped);
  EXPECT_EQ(dropped->Entries().size(), 2u);
  EXPECT_EQ(dropped->Updates().size(), 1u);
}

TEST(StoreManifest, StaysSmallForAThousandBlocksOfSongs) {
  StoreManifest m;
  std::vector<ManifestEntry> entries;
  for (int n = 1; n <= 100000; ++n) {
    char path[32];
    std::snprintf(path, sizeof path, "K%d000/%05d.sgd", n / 1000, n);
    entries.push_back({path, 50000u + n, static_cast<std::uint32_t>(n * 2654435761u)});
  }
  m.Record(std::move(entries), {"U1", 1});
  const std::string text = SerializeManifest(m);
  EXPECT_LT(text.size() / 100000.0, 28.0) << "bytes per song";  // full paths would take 37
  const auto back = ParseManifest(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Entries().size(), 100000u);
  EXPECT_EQ(back->Find("K99000/99999.sgd")->size, 50000u + 99999);
}

TEST(StoreManifest, ADamagedOrForgedFileIsNeverTaken) {
  const std::string good = SerializeManifest(Sample());
  ASSERT_TRUE(ParseManifest(good));
  // Any flipped byte and any cut is caught by the closing checksum.
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x20);
    EXPECT_FALSE(ParseManifest(bad)) << at;
    EXPECT_FALSE(ParseManifest(good.substr(0, at))) << at;
  }
  // Sealed again by hand: a path outside the store, or out of order, is still refused.
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"0 K1000/01233.sgd", "0 ../01233.sgd"},
           {"0 K1000/01233.sgd", "0 /etc/passwd"},
           {"0 K1000/01233.sgd", "0 C:/x.sgd"},
           {"0 K1000/01233.sgd", "0 K1000/../../x.sgd"},
           {"0 K1000/01233.sgd", "0 K9000/01233.sgd"},
           {" 4 0 ", " 4 7 "},  // no such update
       }) {
    std::string bad = good;
    const auto at = bad.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bad.replace(at, from.size(), to);
    std::string why;
    EXPECT_FALSE(ParseManifest(Reseal(bad), &why)) << to;
    EXPECT_FALSE(why.empty());
  }
}

class ManifestStoreTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path module = dir / "module";
  fs::path store = dir / "songs";
  fs::path archive = dir / "1234567890.zip";

  void SetUp() override {
    fs::create_directories(module);
    test::WriteTextFile(store / "K0000" / "00001.sgd", "old1");
  }
  ExtractReport Install(const Tree& songs, const std::string& code) {
    test::WriteTextFile(archive, test::StoredZip(songs));
    ExtractOptions options;
    options.updateCode = code;
    return InstallPackage(archive, store, module, {}, {}, options);
  }
  StoreManifest Manifest() {
    const ManifestLoad load = LoadStoreManifest(module, store);
    EXPECT_NE(load.state, ManifestLoad::State::Rebuilt) << load.logLine;
    return load.manifest;
  }
  // The manifest lists exactly `songs` with the CRC-32s of their contents.
  void ExpectManifest(const Tree& songs) {
    const StoreManifest m = Manifest();
    EXPECT_EQ(m.Entries().size(), songs.size());
    for (const auto& [path, content] : songs) {
      const ManifestEntry* e = m.Find(path);
      ASSERT_TRUE(e) << path;
      EXPECT_EQ(e->size, content.size()) << path;
      EXPECT_EQ(e->crc32, Crc(content)) << path;
    }
  }
};

TEST_F(ManifestStoreTest, AnInstallRecordsThePackagesCrcs) {
  ASSERT_EQ(Install({{"K1000/01234.sgd", "first"}, {"K2000/02000.sgd", "two"}}, "U1").result,
            ExtractResult::Ok);
  ASSERT_EQ(Install({{"K1000/01234.sgd", "second version"}}, "U2").result, ExtractResult::Ok);
  ExpectManifest({{"K1000/01234.sgd", "second version"}, {"K2000/02000.sgd", "two"}});
  const StoreManifest m = Manifest();
  EXPECT_EQ(m.Updates()[m.Find("K1000/01234.sgd")->update].code, "U2");
  EXPECT_EQ(m.Updates()[m.Find("K2000/02000.sgd")->update].code, "U1");
  EXPECT_FALSE(fs::exists(NextManifestPath(module)));
}

// A kill at any point of the move, then a start: the manifest describes the store as the
// recovery left it, forward or back, and a verify finds nothing wrong.
TEST_F(ManifestStoreTest, AKilledUpdateLeavesTheManifestRight) {
  const Tree before{{"K1000/01234.sgd", "first"}};
  const Tree update{{"K1000/01234.sgd", "second version"}, {"K4000/04000.sgd", "four"}};
  for (std::size_t kill : {0u, 1u, 2u, 3u}) {
    for (bool stagingLost : {false, true}) {
      fs::remove_all(store);
      fs::remove_all(module);
      fs::create_directories(module);
      SetUp();
      ASSERT_EQ(Install(before, "U1").result, ExtractResult::Ok);
      {
        test_hooks::ScopedKillAfterFiles hook(kill);
        const ExtractReport killed = Install(update, "U2");
        ASSERT_EQ(killed.result, ExtractResult::Stopped)
            << "kill " << kill << ": " << killed.detail << " (7-Zip exit code " << killed.exitCode
            << ")";
      }
      const auto journal = ReadStoreJournal(module);
      ASSERT_TRUE(journal);
      const bool back = stagingLost && kill < 2;
      if (back) fs::remove(journal->staging / "K4000" / "04000.sgd");
      const Recovery outcome = FinishOpenJournal(module, store).outcome;
      EXPECT_EQ(outcome, back ? Recovery::RolledBack : Recovery::RolledForward);
      ExpectManifest(back ? before : update);
      EXPECT_FALSE(fs::exists(NextManifestPath(module)));
      const VerifyResult verified = VerifyStore(module, store);
      EXPECT_TRUE(verified.damaged.empty()) << kill << stagingLost;
    }
  }
}

TEST_F(ManifestStoreTest, RemovalsAndStrayNextFilesAreForgotten) {
  ASSERT_EQ(Install({{"K1000/01234.sgd", "a"}, {"K1000/01235.sgd", "b"}}, "U1").result,
            ExtractResult::Ok);
  fs::remove(store / "K1000" / "01234.sgd");
  EXPECT_TRUE(ForgetStoreFiles(module, store,
                               {store / "K1000" / "01234.sgd", dir / "elsewhere" / "x.sgd"}));
  ExpectManifest({{"K1000/01235.sgd", "b"}});

  // A next file with no journal is an update that never began to move.
  test::WriteTextFile(NextManifestPath(module), "stale");
  EXPECT_EQ(FinishOpenJournal(module, store).outcome, Recovery::None);
  EXPECT_FALSE(fs::exists(NextManifestPath(module)));
  ExpectManifest({{"K1000/01235.sgd", "b"}});
}

TEST_F(ManifestStoreTest, ADamagedManifestIsRebuiltUnverified) {
  ASSERT_EQ(Install({{"K1000/01234.sgd", "abc"}}, "U1").result, ExtractResult::Ok);
  std::string text = test::ReadTextFile(StoreManifestPath(module));
  text[text.size() / 2] ^= 1;
  test::WriteTextFile(StoreManifestPath(module), text);

  const ManifestLoad load = LoadStoreManifest(module, store);
  EXPECT_EQ(load.state, ManifestLoad::State::Rebuilt);
  EXPECT_NE(load.logLine.find("unverified"), std::string::npos);
  ASSERT_EQ(load.manifest.Entries().size(), 2u);
  for (const auto& e : load.manifest.Entries()) EXPECT_FALSE(e.crc32) << e.path;
  EXPECT_EQ(load.manifest.Find("K1000/01234.sgd")->size, 3u);
  EXPECT_EQ(LoadStoreManifest(module, store).state, ManifestLoad::State::Loaded);

  // Another song folder's manifest describes nothing here.
  const fs::path other = dir / "other";
  fs::create_directories(other);
  EXPECT_EQ(LoadStoreManifest(module, other).state, ManifestLoad::State::OtherStore);
}

}  // namespace
}  // namespace orvik
