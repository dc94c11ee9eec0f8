// The update-history window of the Qt front end: the updates newest first, the song numbers
// of the selected one, and "내보내기" for its new songs. It only draws window/history_view.
#pragma once

#include <QDialog>
#include <filesystem>

#include "window/history_view.h"

class QListWidget;
class QPushButton;
class QTreeWidget;

namespace orvik::ui {

class CHistoryDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CHistoryDlg(const std::filesystem::path& moduleDir, QWidget* parent = nullptr);

  QTreeWidget* UpdateList() const { return updates_; }
  QListWidget* SongList() const { return songs_; }
  QPushButton* ExportButton() const { return export_; }
  // Writes the selected row's new songs to `file`; false (and a box) when it could not.
  bool ExportTo(const std::filesystem::path& file);

 private:
  void ShowRow(int row);
  void AskAndExport();

  HistoryView view_;
  QTreeWidget* updates_ = nullptr;
  QListWidget* songs_ = nullptr;
  QPushButton* export_ = nullptr;
};

}  // namespace orvik::ui
