// Creation of the main window's controls: the template's controls in dialog units, the
// skin's image buttons and panel pictures in pixels.
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "core/control_ids.h"
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

}  // namespace

void COrvikDlg::CreateTemplateControls() {
  using layout::Kind;
  for (const layout::Control& c : layout::MainDialog().controls) {
    if (c.id == layout::kCancel) continue;  // the Win32 dialog's Escape target only
    const QRect place = kUnits.ToPixels(c.x, c.y, c.width, c.height);
    const QString text = QString::fromUtf8(c.text ? c.text : "");
    QWidget* widget = nullptr;
    switch (c.kind) {
      case Kind::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        widget = bar;
        break;
      }
      case Kind::Label:
      case Kind::Icon:
        widget = MakeLabel(text, Qt::AlignLeft, this);
        break;
      case Kind::RightLabel:
        widget = MakeLabel(text, Qt::AlignRight, this);
        break;
      case Kind::CheckBox: {
        auto* box = new QCheckBox(text, this);
        connect(box, &QCheckBox::clicked, this, [this, id = c.id](bool checked) {
          MirrorUpdate(id, [checked](ControlMirror& m) { m.checked = checked; });
          Forward([id](WindowEvents& logic) { logic.OnCommand(id); });
        });
        widget = box;
        break;
      }
      case Kind::Combo: {
        auto* combo = new QComboBox(this);
        combo->setMaxVisibleItems(3);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, id = c.id](int) {
          const std::string chosen = combo->currentText().toStdString();
          Forward([id, chosen](WindowEvents& logic) { logic.OnListSelectionChanged(id, chosen); });
        });
        widget = combo;
        break;
      }
      case Kind::PushButton:
      case Kind::DefaultButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this,
                [this, id = c.id] { Forward([id](WindowEvents& logic) { logic.OnCommand(id); }); });
        widget = button;
        break;
      }
    }
    widget->setGeometry(place);
    if (c.kind == Kind::Combo) {
      // The template's height includes the drop-down list; the closed box keeps its own.
      widget->resize(place.width(), widget->sizeHint().height());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      FitLabelHeight(label);
      if (c.id == ctl::kStatusLine || c.id == ctl::kByteProgressLabel) label->setWordWrap(true);
    }
    widget->setVisible(c.shown);
    // Two statics are not reachable by id: one has none, the other shares its number with
    // a service button.
    if (c.id == -1) {
      storedCaption_ = static_cast<QLabel*>(widget);
      continue;
    }
    if (c.id == layout::kProgramCaption && c.kind == Kind::Label) {
      programCaption_ = static_cast<QLabel*>(widget);
      continue;
    }
    controls_[c.id] = widget;
    mirror_[c.id] = ControlMirror{false, c.shown, true};
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
    connect(button, &CImageButton::CheckedByMouse, this, [this](int id, bool checked) {
      MirrorUpdate(id, [checked](ControlMirror& m) { m.checked = checked; });
    });
    connect(button, &CImageButton::Clicked, this,
            [this](int id) { Forward([id](WindowEvents& logic) { logic.OnCommand(id); }); });
    imageButtons_[b.id] = button;
    controls_[b.id] = button;
    mirror_[b.id] = ControlMirror{false, b.shown, true};
  }
  imageButtons_[ctl::kServiceTunova]->SetChecked(true);
  mirror_[ctl::kServiceTunova].checked = true;
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
