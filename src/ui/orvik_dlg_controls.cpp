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
#include "window/skin_buttons.h"

namespace orvik::ui {

namespace {

// The legacy "make song list" button of the template; nothing refers to it by number.
constexpr int kLegacyMakeList = 1027;

enum class Kind { Progress, Label, RightLabel, CheckBox, Combo, PushButton };

struct TemplateControl {
  int id;
  Kind kind;
  const char* text;
  int x, y, width, height;  // dialog units
  bool shown;
};

// Window template 102 as the window uses it. The legacy buttons have no place of their own
// (they are never shown); they sit in one row out of the way.
constexpr TemplateControl kTemplate[] = {
    // The status line and the byte label have two lines each and share the row, so the
    // launcher's longest texts (a failure with its folder, the speed and time left) show
    // whole; the progress bar sits below them.
    {ctl::kProgressBar, Kind::Progress, "", 13, 257, 327, 6, true},
    {ctl::kByteProgressLabel, Kind::RightLabel, "0%", 210, 235, 129, 21, true},
    {ctl::kStatusLine, Kind::Label, "프로그램", 14, 235, 192, 21, true},
    {ctl::kStoredCountLabel, Kind::Label, "0곡", 112, 291, 61, 13, true},
    {ctl::kUpdateCaption, Kind::Label, "업데이트 곡 수", 183, 275, 52, 11, true},
    {ctl::kUpdateCountLabel, Kind::Label, "0곡", 182, 291, 61, 13, true},
    {ctl::kUseConfigBox, Kind::CheckBox, "가상음원 체크", 15, 328, 57, 10, true},
    {ctl::kLoopMidiBox, Kind::CheckBox, "Loop MIDI", 84, 328, 47, 10, true},
    {ctl::kKvSynthBox, Kind::CheckBox, "KV Synth", 134, 328, 46, 10, true},
    {ctl::kCantataBox, Kind::CheckBox, "칸타빌레(설정파일)", 181, 328, 73, 10, true},
    {ctl::kProgramList, Kind::Combo, "", 269, 326, 70, 30, true},
    {ctl::kListButtonLegacy, Kind::PushButton, "리스트 만들기", 249, 63, 56, 18, false},
    {ctl::kRunCaptionButton, Kind::PushButton, "튜노바 실행", 269, 272, 69, 36, false},
    {ctl::kLegacyTunovaHL, Kind::PushButton, "Tunova H/L", 10, 10, 50, 14, false},
    {ctl::kLegacyTunovaUSB, Kind::PushButton, "TunovaUSB", 62, 10, 50, 14, false},
    {ctl::kLegacyTunova, Kind::PushButton, "▶ Tunova", 114, 10, 50, 14, false},
    {ctl::kLegacyTunovaPRO, Kind::PushButton, "TunovaPro", 166, 10, 50, 14, false},
    {ctl::kLegacyTunovaNEW, Kind::PushButton, " TunovaNew", 218, 10, 50, 14, false},
    {kLegacyMakeList, Kind::PushButton, "곡리스트 만들기", 270, 10, 60, 14, false},
};

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
  for (const auto& c : kTemplate) {
    const QRect place = kUnits.ToPixels(c.x, c.y, c.width, c.height);
    const QString text = QString::fromUtf8(c.text);
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
        widget = MakeLabel(text, Qt::AlignLeft, this);
        break;
      case Kind::RightLabel:
        widget = MakeLabel(text, Qt::AlignRight, this);
        break;
      case Kind::CheckBox: {
        auto* box = new QCheckBox(text, this);
        connect(box, &QCheckBox::clicked, this, [this, id = c.id](bool checked) {
          Forward([id, checked](WindowEvents& logic) { logic.OnCheckBoxClicked(id, checked); });
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
      case Kind::PushButton: {
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
    controls_[c.id] = widget;
  }

  storedCaption_ = MakeLabel(QString::fromUtf8("저장된 곡 수"), Qt::AlignLeft, this);
  storedCaption_->setGeometry(kUnits.ToPixels(111, 276, 52, 11));
  FitLabelHeight(storedCaption_);
  // Shares its number with a service button, so it is not reachable by id.
  programCaption_ = MakeLabel(QString::fromUtf8("실행될 프로그램"), Qt::AlignLeft, this);
  programCaption_->setGeometry(kUnits.ToPixels(269, 313, 52, 11));
  FitLabelHeight(programCaption_);

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
    if (b.disabled) {
      button->SetFaces(b.normal, b.down, b.disabled);
    } else {
      button->SetFaces(b.normal, b.down);
    }
    button->SetBackColor(ImageButtonState::kMainWindowBackColor);
    button->SetMode(true, b.radio);
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
