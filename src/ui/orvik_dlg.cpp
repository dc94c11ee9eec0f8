#include "ui/orvik_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

#include "core/client_id.h"
#include "core/launcher_settings.h"
#include "platform/module_dir.h"

namespace orvik {

COrvikDlg::COrvikDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orvik"));
  auto* layout = new QVBoxLayout(this);
  m_programList = new QComboBox(this);
  m_programList->setObjectName(QStringLiteral("1024"));
  layout->addWidget(m_programList);
  layout->addWidget(new QLabel(QString::fromUtf8("Tunova 실행"), this));
}

COrvikDlg::~COrvikDlg() { SaveSettings(m_state); }

int COrvikDlg::DoModal() {
  OnInitDialog();
  return exec();
}

void COrvikDlg::OnInitDialog() {
  m_state.moduleDir = platform::GetModuleDirectory();
  m_state.m_clientId = LoadClientId(m_state.moduleDir);
  const ProgramList list = LoadSettings(m_state);
  for (const auto& entry : list.entries) m_programList->addItem(QString::fromStdString(entry));
  m_programList->setCurrentIndex(list.selected);
  connect(m_programList, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { OnProgramSelected(m_state, text.toStdString()); });
  // The tool options are restored at this point of the start-up; reading the use flag
  // keeps its key in the file as that start-up does.
  GetConfigFlag(m_state, ctl::kUseConfigBox);
}

}  // namespace orvik
