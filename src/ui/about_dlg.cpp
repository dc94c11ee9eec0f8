#include "ui/about_dlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "core/last_update.h"
#include "core/midi_port_check.h"
#include "core/version.h"
#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "core/user_texts.h"
#include "ui/dialog_units.h"
#include "ui/orvik_dlg.h"
#include "ui/skin_resources.h"
#include "window/dialog_layout.h"

namespace orvik::ui {

namespace {

// The About template uses the main window's font, so its units are the main window's.
constexpr DialogUnits kUnits = COrvikDlg::kUnits;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  InitSkinResources();
  const layout::Dialog& dialog = layout::AboutDialog();
  setWindowTitle(QString::fromUtf8(dialog.caption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kUnits.ToPixels(0, 0, dialog.width, dialog.height).size());

  // For the technician: where this launcher lives and when it last brought songs.
  const std::filesystem::path moduleDir = platform::GetModuleDirectory();
  const QString folder = QString::fromUtf8(text::kAboutFolder) +
                         QString::fromStdString(platform::PathToUtf8(moduleDir));
  for (const layout::Control& c : dialog.controls) {
    const QRect place = kUnits.ToPixels(c.x, c.y, c.width, c.height);
    QWidget* widget = nullptr;
    if (c.kind == layout::Kind::Icon) {
      auto* icon = new QLabel(this);
      icon->setPixmap(QIcon(QStringLiteral(":/icon/orvik.png")).pixmap(place.size()));
      widget = icon;
    } else if (c.kind == layout::Kind::DefaultButton) {
      auto* ok = new QPushButton(QString::fromUtf8(c.text), this);
      ok->setDefault(true);
      connect(ok, &QPushButton::clicked, this, &QDialog::accept);
      widget = ok;
    } else {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      QString text = QString::fromUtf8(c.text ? c.text : "");
      if (c.id == layout::kAboutVersion) text = VersionLine();
      if (c.id == layout::kAboutLastUpdate) text = LastUpdateLine(moduleDir);
      if (c.id == layout::kAboutMidiOutputs) {
        text = QString::fromStdString(MidiOutputsLine(platform::ListMidiOutputs()));
        label->setWordWrap(true);
      }
      if (c.id == layout::kAboutFolder) {
        // A long folder keeps its start and its end, as the native path ellipsis does.
        text = label->fontMetrics().elidedText(folder, Qt::ElideMiddle, place.width());
        label->setToolTip(folder);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      }
      label->setText(text);
      widget = label;
    }
    widget->setGeometry(place);
    if (auto* label = qobject_cast<QLabel*>(widget); label && c.kind != layout::Kind::Icon) {
      const int line = label->fontMetrics().height();
      if (label->height() < line) label->resize(label->width(), line);
    }
  }
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
