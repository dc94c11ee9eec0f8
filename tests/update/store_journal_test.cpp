// The journal as untrusted input, and the start-up recovery: nothing outside the store and
// the update's own work folders is ever touched, and nothing is removed that the launcher
// cannot show it placed.
#include "update/store_journal.h"

#include <gtest/gtest.h>

#include <map>

#include "core/user_texts.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "update/line_value.h"
#include "update/package_extractor.h"
#include "update/pending_result.h"
#include "update/store_move.h"
#include "update/update_test_hooks.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

using test::ReadTree;
using test::Tree;

// A path as a journal line holds it.
std::string U8(const fs::path& p) { return EscapeLineValue(platform::PathToUtf8(p)); }

TEST(LineValue, EveryByteRoundTripsOnOneLine) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string escaped = EscapeLineValue(all + "\\n\\\\");
  EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(UnescapeLineValue(escaped), all + "\\n\\\\");
  for (const char* bad : {"\\", "a\\q", "\\x4", "\\xzz"})
    EXPECT_FALSE(UnescapeLineValue(bad)) << bad;
}

class JournalTextTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path module = dir / "module";
  std::string store = U8(dir / "songs");
  std::string staging = U8(dir / "songs.unpacking-0123456789abcdef-0");
  std::string backup = U8(dir / "songs.replaced-0123456789abcdef-0");

  // A journal's text with one line replaced (or added before the end).
  std::string Text(const std::string& key, const std::string& line) const {
    std::vector<std::pair<std::string, std::string>> lines{
        {"header", "orvik store journal 2"}, {"phase", "phase moving"},
        {"store", "store " + store},         {"staging", "staging " + staging},
        {"backup", "backup " + backup},      {"code", "code U1"},
        {"file", "file 4 K1000/01234.sgd"}};
    bool replaced = false;
    std::string text;
    for (auto& [k, l] : lines) {
      if (k == key && !replaced) {
        l = line;
        replaced = true;
      }
      if (!l.empty()) text += l + "\n";
    }
    if (!replaced) text += line + "\n";
    return text + "end\n";
  }
  std::optional<StoreJournal> Parse(const std::string& text) const {
    return ParseJournal(text, module);
  }
};

TEST_F(JournalTextTest, AWrittenJournalReadsBackAsItself) {
  StoreJournal j;
  j.phase = StoreJournal::Phase::Moving;
  j.store = dir / "songs";
  j.staging = platform::PathFromUtf8(staging);
  j.backup = module / "package.replaced-0123456789abcdef-12";  // the store's parent took none
  j.updateCode = "U-1\nline two\\ and\ttab";
  j.files = {{"K1000/01234.sgd", 7}, {platform::PathFromUtf8("K2000/노래 한 곡.sgd"), 0}};
  fs::create_directories(module);
  ASSERT_TRUE(WriteStoreJournal(module, j));
  const auto back = ReadStoreJournal(module);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->store, j.store);
  EXPECT_EQ(back->staging, j.staging);
  EXPECT_EQ(back->backup, j.backup);
  EXPECT_EQ(back->updateCode, j.updateCode);
  ASSERT_EQ(back->files.size(), 2u);
  EXPECT_EQ(back->files[1].relative, j.files[1].relative);
  EXPECT_EQ(back->files[0].size, 7u);

  // A journal written before values were escaped still reads.
  const auto raw = [&](const char* name) { return platform::PathToUtf8(dir / name); };
  const auto v1 = Parse("orvik store journal 1\nphase moving\nstore " + raw("songs") +
                        "\nstaging " + raw("songs.unpacking-0123456789abcdef-0") + "\nbackup " +
                        raw("songs.replaced-0123456789abcdef-0") + "\ncode U\\1\nend\n");
  ASSERT_TRUE(v1);
  EXPECT_EQ(v1->updateCode, "U\\1");
  // One that would not read back is never written.
  j.files.push_back({"../outside.sgd", 1});
  EXPECT_FALSE(WriteStoreJournal(module, j));
}

TEST_F(JournalTextTest, FileEntriesLeavingTheStoreMakeItUnreadable) {
  ASSERT_TRUE(Parse(Text("file", "file 4 K1000/01234.sgd")));
  for (const std::string name :
       {"../x.sgd", "K1000/../../x.sgd", "/etc/passwd", "C:/Windows/x", "c:x", "\\\\server\\x",
        "\\x", "a\\..\\..\\x", "K1000/.. /x", "K1000//x", "./x", "K1000/./x", "K1000/",
        ".orvik-work-folder", "", "a\\x00b", "bad\xff.sgd"}) {
    EXPECT_FALSE(Parse(Text("file", "file 4 " + name))) << name;
  }
  for (const std::string size : {"x", "-1", "4x", " 4", "99999999999999999999999"})
    EXPECT_FALSE(Parse(Text("file", "file " + size + " K1000/01234.sgd"))) << size;
}

TEST_F(JournalTextTest, FoldersOtherThanTheUpdatesOwnMakeItUnreadable) {
  const std::string other = U8(dir / "photos");
  const std::string tag = "-0123456789abcdef-0";
  const std::vector<std::pair<std::string, std::string>> hostile{
      {"staging", "staging " + other},                                 // any folder
      {"backup", "backup " + U8(dir / "songs")},                       // the store itself
      {"staging", "staging " + U8(dir / "songs.unpacking")},           // no tag
      {"staging", "staging " + U8(dir / ("songs.unpacking-0123-0"))},  // short tag
      {"staging", "staging " + U8(dir / ("songs.unpacking" + tag + "x"))},
      {"staging", "staging " + U8(dir / "elsewhere" / ("songs.unpacking" + tag))},  // not beside
      {"staging", "staging " + U8(dir / ("photos.unpacking" + tag))},  // another folder's
      {"staging", "staging " + U8(dir / "songs" / ("songs.unpacking" + tag))},
      {"staging", "staging " + U8(dir / ("songs.unpacking" + tag) / "..")},
      {"backup", "backup " + U8(dir / "songs.replaced-fedcba9876543210-0")},  // two updates
      {"backup", "backup " + U8(dir / ("songs.unpacking" + tag))},            // the wrong kind
      {"store", "store songs"},                                               // relative
      {"store", "store " + U8(dir.path().root_path())},                       // a root
      {"store", ""},
      {"staging", ""},
      {"phase", "phase finished"},
      {"phase", ""},
      {"code", "code \\q"},
      {"more", "store " + store},   // a second store
      {"more", "delete " + other},  // unknown line
      {"header", "orvik store journal 3"}};
  for (const auto& [key, line] : hostile) EXPECT_FALSE(Parse(Text(key, line))) << line;

  // Torn or padded texts.
  const std::string whole = Text("code", "code U1");
  EXPECT_FALSE(Parse(whole.substr(0, whole.size() - 1)));
  EXPECT_FALSE(Parse(whole + "file 1 x\n"));
  EXPECT_FALSE(Parse(""));
  // The module folder's own place for work folders holds for that module folder only.
  EXPECT_TRUE(Parse(Text("staging", "staging " + U8(module / ("package.unpacking" + tag)))));
  EXPECT_FALSE(Parse(Text("staging", "staging " + U8(dir / "m2" / ("package.unpacking" + tag)))));
}

// A package installed into dir/songs and stopped dead after `kill` files, as a kill would.
class RecoveryTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path module = dir / "module";
  fs::path store = dir / "songs";
  const Tree old{{"K0000/00001.sgd", "old1"}, {"K1000/01234.sgd", "old1234"}};
  const Tree updated{{"K0000/00001.sgd", "new1"},
                     {"K1000/01234.sgd", "new1234"},
                     {"K1000/01500.sgd", "new1500"},
                     {"K4000/04000.sgd", "new4000"}};

  StoreJournal InstallKilledAfter(std::size_t kill) {
    fs::create_directories(module);
    for (const auto& [name, content] : old) test::WriteTextFile(store / name, content);
    const fs::path archive = module / "1234567890.zip";
    test::WriteTextFile(archive, test::StoredZip(updated));
    ExtractOptions options;
    options.updateCode = "U1";
    test_hooks::ScopedKillAfterFiles killed(kill);
    EXPECT_EQ(InstallPackage(archive, store, module, {}, {}, options).result,
              ExtractResult::Stopped);
    fs::remove(archive);
    return *ReadStoreJournal(module);
  }
  Tree After3() const {  // the first three placed, the fourth still staged
    Tree t = updated;
    t.erase("K4000/04000.sgd");
    return t;
  }
};

TEST_F(RecoveryTest, WorkFoldersATechnicianDeletedLeaveEverySongInPlace) {
  const StoreJournal j = InstallKilledAfter(3);
  ASSERT_EQ(ReadTree(store), After3());
  fs::remove_all(j.staging);
  fs::remove_all(j.backup);

  const StoreRecovery r = FinishOpenJournal(module, store);
  EXPECT_EQ(r.outcome, Recovery::LeftInPlace);
  EXPECT_EQ(ReadTree(store), After3());  // new ones whole, nothing deleted
  EXPECT_EQ(r.statusText, text::kRecoveryLeftInPlace);
  EXPECT_NE(r.logLine.find("gone"), std::string::npos) << r.logLine;
  EXPECT_FALSE(fs::exists(StoreJournalPath(module)));
  EXPECT_TRUE(ReadPendingResults(module).empty());  // not the whole package: nothing reported
}

TEST_F(RecoveryTest, AWorkFolderWithoutItsMarkerIsNeitherUsedNorRemoved) {
  const StoreJournal j = InstallKilledAfter(3);
  test::WriteTextFile(j.staging / kWorkFolderMarker, "someone else's\n");

  const StoreRecovery r = FinishOpenJournal(module, store);
  EXPECT_EQ(r.outcome, Recovery::LeftInPlace);
  // The backups (this update's) are put back; the new song stays, as nothing proves it new.
  Tree expected = old;
  expected["K1000/01500.sgd"] = "new1500";
  EXPECT_EQ(ReadTree(store), expected);
  EXPECT_EQ(r.count.putBack, 2u);
  EXPECT_EQ(r.count.removed, 0u);
  EXPECT_TRUE(fs::exists(j.staging / "K4000" / "04000.sgd"));
  EXPECT_FALSE(fs::exists(j.backup));
}

TEST_F(RecoveryTest, AJournalOfAnotherSongFolderIsSetAsideUntouched) {
  const StoreJournal j = InstallKilledAfter(3);
  // The module folder copied to a PC whose song folder is another one.
  const fs::path otherModule = dir / "copied";
  const fs::path otherStore = dir / "other";
  test::WriteTextFile(otherStore / "K1000" / "01500.sgd", "theirs");
  fs::create_directories(otherModule);
  fs::copy_file(StoreJournalPath(module), StoreJournalPath(otherModule));
  const Tree staged = ReadTree(j.staging), backedUp = ReadTree(j.backup);

  const StoreRecovery r = FinishOpenJournal(otherModule, otherStore);
  EXPECT_EQ(r.outcome, Recovery::OtherStore);
  EXPECT_FALSE(r.statusText.empty());
  EXPECT_EQ(ReadTree(store), After3());
  EXPECT_EQ(ReadTree(otherStore), (Tree{{"K1000/01500.sgd", "theirs"}}));
  EXPECT_EQ(ReadTree(j.staging), staged);
  EXPECT_EQ(ReadTree(j.backup), backedUp);
  EXPECT_FALSE(fs::exists(StoreJournalPath(otherModule)));
  EXPECT_TRUE(fs::exists(fs::path(StoreJournalPath(otherModule)) += ".other-store"));

  // The same folder given another way is the same store.
  EXPECT_EQ(FinishOpenJournal(module, dir / "module" / ".." / "songs" / "").outcome,
            Recovery::RolledForward);
  EXPECT_EQ(ReadTree(store), updated);
}

TEST_F(RecoveryTest, AHandEditedJournalTouchesNothing) {
  const StoreJournal j = InstallKilledAfter(3);
  test::WriteTextFile(dir / "photos" / "a.jpg", "photo");
  test::WriteTextFile(dir / "outside.sgd", "keep");
  const std::string original = test::ReadTextFile(StoreJournalPath(module));
  const auto edit = [&](const std::string& from, const std::string& to) {
    std::string text = original;
    text.replace(text.find(from), from.size(), to);
    test::WriteTextFile(StoreJournalPath(module), text);
  };
  for (const auto& [from, to] :
       {std::pair{"staging " + U8(j.staging), "staging " + U8(dir / "photos")},
        std::pair{"backup " + U8(j.backup), "backup " + U8(dir / "photos")},
        std::pair{std::string("file 7 K1000/01500.sgd"), std::string("file 4 ../outside.sgd")},
        std::pair{std::string("file 7 K1000/01500.sgd"), std::string("file 5 ../photos/a.jpg")}}) {
    edit(from, to);
    const StoreRecovery r = FinishOpenJournal(module, store);
    EXPECT_EQ(r.outcome, Recovery::Unreadable) << to;
    EXPECT_EQ(ReadTree(dir / "photos"), (Tree{{"a.jpg", "photo"}}));
    EXPECT_EQ(test::ReadTextFile(dir / "outside.sgd"), "keep");
    EXPECT_EQ(ReadTree(store), After3());
    EXPECT_TRUE(fs::is_directory(j.staging));
  }
  // Each set aside under its own name, none lost.
  EXPECT_TRUE(fs::exists(fs::path(StoreJournalPath(module)) += ".unreadable"));
  EXPECT_TRUE(fs::exists(fs::path(StoreJournalPath(module)) += ".unreadable-4"));
}

TEST_F(RecoveryTest, AMissingSongFolderKeepsTheJournalForLater) {
  InstallKilledAfter(3);
  const fs::path unmounted = dir / "not-mounted";
  fs::rename(store, unmounted);
  EXPECT_EQ(FinishOpenJournal(module, store).outcome, Recovery::StoreMissing);
  EXPECT_TRUE(fs::exists(StoreJournalPath(module)));
  EXPECT_EQ(FinishOpenJournal(module, {}).outcome, Recovery::StoreMissing);
  fs::rename(unmounted, store);
  EXPECT_EQ(FinishOpenJournal(module, store).outcome, Recovery::RolledForward);
  EXPECT_EQ(ReadTree(store), updated);
  EXPECT_EQ(ReadPendingResults(module), std::vector<PendingResult>{{"U1"}});
}

}  // namespace
}  // namespace orvik
