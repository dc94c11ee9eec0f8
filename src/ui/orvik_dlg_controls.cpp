// Creation of the main window's controls: the template's controls in dialog units, the
// skin's image buttons and panel pictures in pixels.
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "window/control_ids.h"
#include "ui/image_button.h"
#include "ui/orvik_dlg.h"
#include "ui/rolling_banner.h"
#include "window/dialog_layout.h"
#include "window/skin_buttons.h"

namespace orvik::ui {

namespace {

constexpr int kPanelPictures[] = {161, 162, 164, 165, 166, 167, 168};

// A font whose cell (ascent + descent) is `cellHeight` pixels, as the native font height
// asks for; Qt's pixel size is the em size, which is smaller.
QFont CellHeightFont(const QString& family, int cellHeight) {
  QFont font(family);
  font.setPixelSize(cellHeight);
  const int cell = QFontMetrics(font).height();
  if (cell > 0 && cell != cellHeight) font.setPixelSize(cellHeight * cellHeight / cell);
  return font;
}

QLabel* MakeLabel(const QString& text, Qt::Alignment align, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  // Native static texts start at the top of their rectangle.
  label->setAlignment(align | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

// Some template rectangles are a few pixels lower than a line of their font at this scale;
// they grow downwards so that no descender is cut off.
void FitLabelHeight(QLabel* label) {
  const int line = QFontMetrics(label->font()).height();
  if (label->height() < line) label->resize(label->width(), line);
}

// One control of the template, placed, with its caption and its first visibility.
QWidget* NewTemplateControl(const layout::Control& c, QWidget* parent) {
  const QString text = QString::fromUtf8(c.text ? c.text : "");
  QWidget* widget = nullptr;
  switch (c.kind) {
    case layout::Kind::Progress: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      widget = bar;
      break;
    }
    case layout::Kind::Label:
    case layout::Kind::Icon:
    case layout::Kind::RightLabel:
      widget = MakeLabel(text, c.kind == layout::Kind::RightLabel ? Qt::AlignRight : Qt::AlignLeft,
                         parent);
      break;
    case layout::Kind::CheckBox:
      widget = new QCheckBox(text, parent);
      break;
    case layout::Kind::Combo: {
      auto* combo = new QComboBox(parent);
      combo->setMaxVisibleItems(3);
      widget = combo;
      break;
    }
    case layout::Kind::PushButton:
    case layout::Kind::DefaultButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      widget = button;
      break;
    }
  }
  const QRect place = COrvikDlg::kUnits.ToPixels(c.x, c.y, c.width, c.height);
  widget->setGeometry(place);
  // The template's height includes the drop-down list; the closed box keeps its own.
  if (c.kind == layout::Kind::Combo) widget->resize(place.width(), widget->sizeHint().height());
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    FitLabelHeight(label);
    if (c.id == ctl::kStatusLine || c.id == ctl::kByteProgressLabel) label->setWordWrap(true);
  }
  widget->setVisible(c.shown);
  return widget;
}

}  // namespace

void COrvikDlg::CreateTemplateControls() {
  for (const layout::Control& c : layout::MainDialog().controls) {
    if (c.id == layout::kCancel) continue;  // the Win32 dialog's Escape target only
    QWidget* widget = NewTemplateControl(c, this);
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      connect(box, &QCheckBox::clicked, this, [this, id = c.id](bool checked) {
        Forward([id, checked](WindowEvents& logic) { logic.OnCheckBoxClicked(id, checked); });
      });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, id = c.id](int) {
        const std::string chosen = combo->currentText().toStdString();
        Forward([id, chosen](WindowEvents& logic) { logic.OnListSelectionChanged(id, chosen); });
      });
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      connect(button, &QPushButton::clicked, this,
              [this, id = c.id] { Forward([id](WindowEvents& logic) { logic.OnCommand(id); }); });
    }
    // Two statics are not reachable by id: one has none, the other shares its number with
    // a service button.
    if (c.id == -1) {
      storedCaption_ = static_cast<QLabel*>(widget);
    } else if (c.id == layout::kProgramCaption && c.kind == layout::Kind::Label) {
      programCaption_ = static_cast<QLabel*>(widget);
    } else {
      controls_[c.id] = widget;
    }
  }

  const QFont counts = CellHeightFont(QStringLiteral("Arial"), 24);
  for (int id : {ctl::kStoredCountLabel, ctl::kUpdateCountLabel}) {
    auto* label = static_cast<QLabel*>(controls_[id]);
    label->setFont(counts);
    FitLabelHeight(label);
  }
}

void COrvikDlg::CreateImageButtons() {
  for (const auto& b : kSkinButtons) {
    auto* button = new CImageButton(b.id, this);
    button->SetUp(b);
    button->Place(b.x, b.y, b.width, b.height);
    button->Show(b.shown);
    connect(button, &CImageButton::Clicked, this,
            [this](int id) { Forward([id](WindowEvents& logic) { logic.OnCommand(id); }); });
    imageButtons_[b.id] = button;
    controls_[b.id] = button;
  }
  imageButtons_[ctl::kServiceTunova]->SetChecked(true);
}

void COrvikDlg::CreateBanner() {
  banner_ = new CRollingBanner(this);
  banner_->SetBannerRect(0, 0, kClientWidth, kBannerHeight);
  banner_->SetInterval(kBannerPeriodMs);
  connect(banner_, &CRollingBanner::Clicked, this, [this](int index) {
    PostWindowMessage(WM_BANNER_CLICKED, static_cast<std::uintptr_t>(index), 0);
  });
}

void COrvikDlg::LoadPanelPictures() {
  for (int id : kPanelPictures) panels_[id].LoadFromResource(id);
}

}  // namespace orvik::ui
