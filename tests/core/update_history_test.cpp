// The update history file: what a spreadsheet and a later run read back after hostile
// values, a crash in the middle of a line, hand edits and rotation.
#include "core/update_history.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/last_update.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;

HistoryEntry Update(int n, std::string outcome = "ok") {
  HistoryEntry e;
  e.time = "2026-12-07 14:03:" + std::string(n < 10 ? "0" : "") + std::to_string(n % 60);
  e.updateCode = "U" + std::to_string(n);
  e.added = {n, n + 1000, 12345};
  e.bytesDownloaded = 1048576ull * 5000 + static_cast<unsigned>(n);  // past 32 bits
  e.downloadMs = 1500;
  e.unpackMs = 250;
  e.outcome = std::move(outcome);
  return e;
}

// Values a service or a failure text could carry into the file.
std::vector<HistoryEntry> Hostile() {
  HistoryEntry quotes = Update(1, "say \"hi\", then \"\"leave\"\"");
  quotes.updateCode = "A,B\"C";
  HistoryEntry breaks = Update(2, "line one\r\nline two\nline three\r");
  breaks.updateCode = "\"";
  HistoryEntry korean = Update(3, "디스크 공간 부족: D:\\노래방\\곡 (12 MB 필요, 3 MB 남음)");
  korean.kind = HistoryKind::Removal;
  korean.added.clear();
  korean.removed = {7, 99999};
  HistoryEntry verify;
  verify.time = "2026-12-08 03:00:00";
  verify.kind = HistoryKind::Verify;
  verify.removed = {42};
  verify.songsChecked = 100000;
  verify.checkMs = 61234;
  verify.outcome = ",";
  HistoryEntry empty = Update(4, "");
  empty.updateCode.clear();
  empty.added.clear();
  return {quotes, breaks, korean, verify, empty};
}

void AppendRaw(const fs::path& file, const std::string& bytes) {
  std::FILE* out = platform::OpenFileStream(file, "ab");
  ASSERT_NE(out, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

class UpdateHistoryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  fs::path module_ = dir_.path();
};

TEST_F(UpdateHistoryTest, HostileValuesComeBackExactlyFromABomFileWithRfc4180Quoting) {
  const auto entries = Hostile();
  for (const auto& e : entries) ASSERT_TRUE(AppendHistory(module_, e));
  EXPECT_EQ(ReadHistory(module_), entries);

  const std::string bytes = test::ReadTextFile(HistoryFile(module_));
  ASSERT_TRUE(
      bytes.starts_with("\xEF\xBB\xBF"
                        "time,kind,update_code,"));
  EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 3), std::string::npos);  // one BOM, at the start
  // Quotes doubled inside a quoted field; a line break inside quotes; lines end in CRLF.
  EXPECT_NE(
      bytes.find(
          R"("A,B""C",3,0,1 1001 12345,,5242880001,1500,250,0,0,"say ""hi"", then """"leave""""")"
          "\r\n"),
      std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find("\"line one\r\nline two\nline three\r\"\r\n"), std::string::npos);
  EXPECT_EQ(history_csv::Field("plain text 123"), "plain text 123");
}

// Every place a crash can cut the last line: it is skipped on reading, and the next line is
// appended whole after the cut instead of being glued to the torn one.
TEST_F(UpdateHistoryTest, ALineTornAnywhereIsSkippedAndCutBeforeTheNextAppend) {
  const auto good = Hostile();
  for (const auto& e : good) ASSERT_TRUE(AppendHistory(module_, e));
  const std::string before = test::ReadTextFile(HistoryFile(module_));
  const HistoryEntry torn = Hostile()[1];  // a quoted line break to be cut inside
  const std::string line = history_csv::Line(torn);
  const HistoryEntry next = Update(9);
  for (std::size_t cut = 1; cut < line.size(); ++cut) {
    test::WriteTextFile(HistoryFile(module_), before + line.substr(0, cut));
    ASSERT_EQ(ReadHistory(module_), good) << "cut at " << cut;
    ASSERT_TRUE(AppendHistory(module_, next));
    auto expected = good;
    expected.push_back(next);
    ASSERT_EQ(ReadHistory(module_), expected) << "cut at " << cut;
  }
}

TEST_F(UpdateHistoryTest, AFileTornInItsHeaderStartsAgain) {
  fs::create_directories(HistoryFile(module_).parent_path());
  for (const std::string& start : {std::string("\xEF\xBB"), std::string("\xEF\xBB\xBFtime,ki")}) {
    test::WriteTextFile(HistoryFile(module_), start);
    ASSERT_TRUE(AppendHistory(module_, Update(1)));
    EXPECT_EQ(ReadHistory(module_), std::vector<HistoryEntry>{Update(1)});
    EXPECT_TRUE(test::ReadTextFile(HistoryFile(module_)).starts_with("\xEF\xBB\xBFtime,kind,"));
  }
}

// Hand edits and lines from elsewhere are left out; the lines around them stay.
TEST_F(UpdateHistoryTest, LinesThatDoNotParseAreLeftOut) {
  ASSERT_TRUE(AppendHistory(module_, Update(1)));
  for (const char* wrong :
       {"2026-12-07 14:03:05,update,U,1,0,5,,0,0,0,0,0\r\n",       // a column short
        "2026-12-07 14:03:05,upgrade,U,1,0,5,,0,0,0,0,0,ok\r\n",   // unknown kind
        "2026-12-07 14:03:05,update,U,2,0,5,,0,0,0,0,0,ok\r\n",    // count disagrees
        "2026-12-07 14:03:05,update,U,1,0,-5,,0,0,0,0,0,ok\r\n",   // not a song number
        "2026-12-07 14:03:05,update,U,1,0,5,,1e3,0,0,0,0,ok\r\n",  // not a byte count
        ",update,U,1,0,5,,0,0,0,0,0,ok\r\n",                       // no time
        "\r\n"}) {
    AppendRaw(HistoryFile(module_), wrong);
  }
  ASSERT_TRUE(AppendHistory(module_, Update(2)));
  EXPECT_EQ(ReadHistory(module_), (std::vector<HistoryEntry>{Update(1), Update(2)}));
}

// Rotated by renames like the log: the newest lines survive in order, older files drop off.
TEST_F(UpdateHistoryTest, RotatesIntoFourOlderFilesAndReadsThemInOrder) {
  constexpr std::uintmax_t kLimit = 700;
  std::vector<HistoryEntry> all;
  for (int n = 1; n <= 60; ++n) {
    all.push_back(Update(n));
    ASSERT_TRUE(AppendHistory(module_, all.back(), kLimit));
  }
  for (int g = 0; g < kHistoryFilesKept; ++g) {
    ASSERT_TRUE(fs::exists(HistoryFile(module_, g))) << g;
    EXPECT_LE(fs::file_size(HistoryFile(module_, g)), kLimit) << g;
    EXPECT_TRUE(test::ReadTextFile(HistoryFile(module_, g)).starts_with("\xEF\xBB\xBFtime,"));
  }
  EXPECT_FALSE(fs::exists(HistoryFile(module_, kHistoryFilesKept)));
  const auto read = ReadHistory(module_);
  ASSERT_GT(read.size(), 10u);
  ASSERT_LT(read.size(), all.size());
  EXPECT_TRUE(std::equal(read.begin(), read.end(), all.end() - static_cast<long>(read.size())));
  EXPECT_EQ(HistoryFile(module_, 1).filename(), "history.1.csv");
}

// The About box's line: the newest update that went through, else the old file.
TEST_F(UpdateHistoryTest, TheLastUpdateComesFromTheHistoryThenFromTheOldFile) {
  EXPECT_FALSE(LoadLastUpdate(module_));
  test::WriteTextFile(LastUpdateFile(module_), "time=2025-01-02 03:04\nadded=27\n");
  ASSERT_TRUE(LoadLastUpdate(module_));
  EXPECT_EQ(LoadLastUpdate(module_)->localTime, "2025-01-02 03:04");
  EXPECT_EQ(LoadLastUpdate(module_)->songsAdded, 27);

  ASSERT_TRUE(AppendHistory(module_, Update(5)));
  HistoryEntry removal = Hostile()[2];
  ASSERT_TRUE(AppendHistory(module_, removal));
  ASSERT_TRUE(AppendHistory(module_, Update(7, "압축 해제 실패")));
  const auto last = LoadLastUpdate(module_);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->localTime, "2026-12-07 14:03");
  EXPECT_EQ(last->songsAdded, 3);
}

TEST_F(UpdateHistoryTest, AnEntryWithoutATimeIsStampedNow) {
  HistoryEntry e = Update(1);
  e.time.clear();
  ASSERT_TRUE(AppendHistory(module_, e));
  const auto read = ReadHistory(module_);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].time.size(), 19u);
  EXPECT_EQ(read[0].time[4], '-');
  EXPECT_EQ(read[0].time[13], ':');
}

}  // namespace
}  // namespace orvik
