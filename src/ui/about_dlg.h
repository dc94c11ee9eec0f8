// The About box: icon, product name, version line, module folder, last song update and
// an OK button.
#pragma once

#include <QDialog>
#include <filesystem>

namespace orvik::ui {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent);

  static QString VersionLine();
  // "마지막 곡 업데이트: <time> (<n>곡 추가)", from the module folder's record.
  static QString LastUpdateLine(const std::filesystem::path& moduleDir);
};

}  // namespace orvik::ui
