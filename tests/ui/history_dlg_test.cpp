// The Qt history window draws the model: rows newest first, the selected update's songs,
// export only where there is something new. Its picture is written as a test artefact.
#include "ui/history_dlg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "core/update_history.h"
#include "support/temp_dir.h"

namespace orvik::test {
namespace {

HistoryEntry Entry(const char* time, HistoryKind kind, std::vector<int> added,
                   std::vector<int> removed, const char* outcome = "ok") {
  HistoryEntry e;
  e.time = time;
  e.kind = kind;
  e.updateCode = added.empty() ? "" : "20261207-0042";
  e.added = std::move(added);
  e.removed = std::move(removed);
  e.bytesDownloaded = 52428800;
  e.outcome = outcome;
  return e;
}

TEST(HistoryDialog, ShowsTheUpdatesNewestFirstAndTheSongsOfTheSelectedOne) {
  TempDir module;
  for (const auto& e :
       {Entry("2026-12-01 10:00:00", HistoryKind::Update, {7, 12345, 12346}, {}),
        Entry("2026-12-03 03:00:00", HistoryKind::Verify, {}, {42}),
        Entry("2026-12-05 11:30:00", HistoryKind::Update, {}, {}, "디스크 공간 부족: D:\\곡"),
        Entry("2026-12-07 14:03:05", HistoryKind::Update, {501, 502, 88001}, {})})
    ASSERT_TRUE(AppendHistory(module.path(), e));

  ui::CHistoryDlg dlg(module.path());
  dlg.show();
  QTreeWidget* updates = dlg.UpdateList();
  ASSERT_EQ(updates->topLevelItemCount(), 4);
  EXPECT_EQ(updates->topLevelItem(0)->text(0).toStdString(), "2026-12-07 14:03:05");
  EXPECT_EQ(updates->currentItem(), updates->topLevelItem(0));
  ASSERT_EQ(dlg.SongList()->count(), 3);
  EXPECT_EQ(dlg.SongList()->item(2)->text().toStdString(), "88001");
  EXPECT_TRUE(dlg.ExportButton()->isEnabled());

  QDir().mkpath(ORVIK_SCREENSHOT_DIR);
  EXPECT_TRUE(dlg.grab().toImage().save(QStringLiteral(ORVIK_SCREENSHOT_DIR "/history.png")));

  updates->setCurrentItem(updates->topLevelItem(1));  // the failed one: nothing to export
  EXPECT_EQ(dlg.SongList()->count(), 0);
  EXPECT_FALSE(dlg.ExportButton()->isEnabled());
  EXPECT_FALSE(dlg.ExportTo(module / "none.txt"));
  EXPECT_FALSE(std::filesystem::exists(module / "none.txt"));

  updates->setCurrentItem(updates->topLevelItem(3));
  ASSERT_TRUE(dlg.ExportTo(module / "poster.txt"));
  EXPECT_EQ(ReadTextFile(module / "poster.txt"), "00007\r\n12345\r\n12346\r\n");
}

TEST(HistoryDialog, WithoutAHistoryNothingIsExported) {
  TempDir module;
  ui::CHistoryDlg dlg(module.path());
  EXPECT_EQ(dlg.UpdateList()->topLevelItemCount(), 0);
  EXPECT_FALSE(dlg.ExportButton()->isEnabled());
}

}  // namespace
}  // namespace orvik::test
