// The main window. For now a plain dialog that carries the launcher's start and end: it
// loads the client id and the settings when it opens and saves the settings when destroyed.
#pragma once

#include <QDialog>

#include "core/launcher_state.h"

class QComboBox;

namespace orvik {

class COrvikDlg : public QDialog {
 public:
  explicit COrvikDlg(QWidget* parent = nullptr);
  ~COrvikDlg() override;

  int DoModal();

 private:
  void OnInitDialog();

  LauncherState m_state;
  QComboBox* m_programList = nullptr;
};

}  // namespace orvik
