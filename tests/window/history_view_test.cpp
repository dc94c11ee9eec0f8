// The update-history window's model and --history's lines: order, cells, the song list of
// one update and the export for a "new songs" poster.
#include "window/history_view.h"

#include <gtest/gtest.h>

#include "core/user_texts.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;

HistoryEntry Entry(std::string time, HistoryKind kind, std::vector<int> added,
                   std::vector<int> removed, std::string outcome = "ok") {
  HistoryEntry e;
  e.time = std::move(time);
  e.kind = kind;
  e.updateCode = added.empty() ? "" : "UPD-" + std::to_string(added.size());
  e.added = std::move(added);
  e.removed = std::move(removed);
  e.outcome = std::move(outcome);
  return e;
}

// Oldest first, as the file holds them; the clock went back before the third one.
std::vector<HistoryEntry> Sample() {
  return {Entry("2026-12-01 10:00:00", HistoryKind::Update, {7, 12345}, {}),
          Entry("2026-12-02 10:00:00", HistoryKind::Removal, {}, {501, 77}),
          Entry("2026-11-30 09:00:00", HistoryKind::Update, {}, {}, "디스크 공간 부족: D:\\곡"),
          Entry("2026-12-03 03:00:00", HistoryKind::Verify, {}, {42})};
}

TEST(HistoryView, ListsNewestFirstInFileOrderWithTheirCells) {
  const HistoryView view(Sample());
  ASSERT_EQ(view.RowCount(), 4u);
  EXPECT_EQ(view.Entry(0).kind, HistoryKind::Verify);
  EXPECT_EQ(view.Entry(1).time, "2026-11-30 09:00:00");  // written after the removal
  EXPECT_EQ(view.Entry(3).time, "2026-12-01 10:00:00");

  EXPECT_EQ(HistoryView::ColumnTitles().size(), view.Cells(0).size());
  EXPECT_EQ(view.Cells(3),
            (std::vector<std::string>{"2026-12-01 10:00:00", text::kHistoryKindUpdate, "UPD-2", "2",
                                      "0", text::kHistoryOutcomeOk}));
  EXPECT_EQ(view.Cells(2)[1], text::kHistoryKindRemoval);
  EXPECT_EQ(view.Cells(2)[2], "-");
  EXPECT_EQ(view.Cells(1)[5], "디스크 공간 부족: D:\\곡");  // a failure shows why
}

TEST(HistoryView, SongLinesAreStoreNumbersWithRemovalsMarked) {
  const HistoryView view(Sample());
  EXPECT_EQ(view.SongLines(3), (std::vector<std::string>{"00007", "12345"}));
  EXPECT_EQ(view.SongLines(2),
            (std::vector<std::string>{std::string("00501") + text::kHistorySongRemoved,
                                      std::string("00077") + text::kHistorySongRemoved}));
  EXPECT_EQ(view.SongLines(0),
            (std::vector<std::string>{std::string("00042") + text::kHistorySongSetAside}));
  EXPECT_TRUE(view.SongLines(1).empty());

  EXPECT_TRUE(view.CanExport(3));
  for (std::size_t row : {0u, 1u, 2u, 4u}) EXPECT_FALSE(view.CanExport(row)) << row;
}

TEST(HistoryView, ExportsTheNewSongsAsTextOrCsvByTheFileName) {
  const HistoryEntry update = Sample()[0];
  EXPECT_EQ(ExportText(update, ExportFormat::Text), "00007\r\n12345\r\n");
  EXPECT_EQ(ExportText(update, ExportFormat::Csv),
            std::string("\xEF\xBB\xBF") + text::kHistorySongsTitle + "\r\n00007\r\n12345\r\n");
  EXPECT_EQ(ExportFormatFor("a/new.CSV"), ExportFormat::Csv);
  EXPECT_EQ(ExportFormatFor("a/new.txt"), ExportFormat::Text);
  EXPECT_EQ(ExportFormatFor("a/new"), ExportFormat::Text);
  EXPECT_EQ(DefaultExportName(update, ExportFormat::Csv), "new_songs_2026-12-01.csv");

  test::TempDir dir;
  const fs::path korean = dir.path() / platform::PathFromUtf8("새 곡 목록.csv");
  ASSERT_TRUE(ExportNewSongs(korean, update));
  EXPECT_EQ(test::ReadTextFile(korean), ExportText(update, ExportFormat::Csv));
  EXPECT_FALSE(ExportNewSongs(dir.path() / "missing" / "new.txt", update));
}

TEST(HistoryView, ConsoleLinesEndWithTheNewestOneLineEach) {
  auto entries = Sample();
  entries[2].outcome = "first\r\nsecond";
  entries[0].bytesDownloaded = 123456;
  const auto lines = HistoryConsoleLines(entries, 2);
  ASSERT_EQ(lines.size(), 3u);  // the newest two; only the verify has a song line
  EXPECT_TRUE(lines[0].starts_with("2026-11-30 09:00:00  update  -  +0 -0")) << lines[0];
  EXPECT_TRUE(lines[0].ends_with("first  second")) << lines[0];
  EXPECT_TRUE(lines[1].starts_with("2026-12-03 03:00:00  verify")) << lines[1];
  EXPECT_EQ(lines[2], "    -00042");

  const auto all = HistoryConsoleLines(entries, 100);
  ASSERT_EQ(all.size(), 7u);
  EXPECT_NE(all[0].find("123456 bytes"), std::string::npos) << all[0];
  EXPECT_EQ(all[1], "    00007 12345");
  EXPECT_EQ(HistoryConsoleLines({}, 5), std::vector<std::string>{text::kHistoryEmpty});
}

}  // namespace
}  // namespace orvik
