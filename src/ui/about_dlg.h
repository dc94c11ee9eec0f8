// The About box: icon, product name, version line and an OK button.
#pragma once

#include <QDialog>

namespace orvik::ui {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent);

  static QString VersionLine();
};

}  // namespace orvik::ui
