#include "ui/about_dlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/last_update.h"
#include "core/midi_port_check.h"
#include "core/version.h"
#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "ui/skin_resources.h"
#include "core/user_texts.h"

namespace orvik::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  InitSkinResources();
  setWindowTitle(QString::fromUtf8(text::kAboutTitle));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icon/orvik.png")).pixmap(32, 32));
  icon->setFixedSize(32, 32);
  auto* name = new QLabel(QString::fromUtf8(text::kAboutName), this);
  auto* version = new QLabel(VersionLine(), this);
  // For the technician: where this launcher lives, when it last brought songs and which
  // MIDI outputs the system has.
  const std::filesystem::path moduleDir = platform::GetModuleDirectory();
  auto* folder = new QLabel(
      QString::fromUtf8(text::kAboutFolder) + QString::fromStdString(platform::PathToUtf8(moduleDir)),
      this);
  folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* lastUpdate = new QLabel(LastUpdateLine(moduleDir), this);
  auto* midi = new QLabel(QString::fromStdString(MidiOutputsLine(platform::ListMidiOutputs())), this);
  midi->setWordWrap(true);
  auto* ok = new QPushButton(QString::fromUtf8(text::kBoxOk), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  texts->addWidget(folder);
  texts->addWidget(lastUpdate);
  texts->addWidget(midi);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  top->addSpacing(12);
  top->addWidget(ok, 0, Qt::AlignTop);
  setLayout(top);
  setFixedSize(sizeHint().expandedTo(QSize(340, 90)));
}

QString CAboutDlg::VersionLine() {
  return QStringLiteral("Orvik ") + QString::fromUtf8(kOrvikVersion);
}

QString CAboutDlg::LastUpdateLine(const std::filesystem::path& moduleDir) {
  const auto last = LoadLastUpdate(moduleDir);
  if (!last) return QString::fromUtf8(text::kAboutNoUpdate);
  return QString::fromUtf8(text::kAboutLastUpdate) + QString::fromStdString(last->localTime) +
         QStringLiteral(" (") + QString::number(last->songsAdded) +
         QString::fromUtf8(text::kAboutSongsAdded);
}

}  // namespace orvik::ui
