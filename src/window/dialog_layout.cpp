#include "window/dialog_layout.h"

#include "window/control_ids.h"
#include "core/user_texts.h"

namespace orvik::layout {
namespace {

using K = Kind;

// The legacy buttons have no place of their own (they are never shown); they sit in one row
// out of the way. The status line and the byte label have two lines each and share the row,
// so the longest texts (a failure with its folder, the speed and time left) show whole.
constexpr Control kMain[] = {
    {ctl::kProgressBar, K::Progress, "", 13, 257, 327, 6, true},
    {ctl::kByteProgressLabel, K::RightLabel, text::kByteLabelInitial, 210, 235, 129, 21, true},
    {ctl::kStatusLine, K::Label, text::kStatusLineInitial, 14, 235, 192, 21, true},
    {-1, K::Label, text::kStoredCountCaption, 111, 276, 52, 11, true},
    {ctl::kStoredCountLabel, K::Label, text::kSongCountInitial, 112, 291, 61, 13, true},
    {ctl::kUpdateCaption, K::Label, text::kUpdateCountCaption, 183, 275, 52, 11, true},
    {ctl::kUpdateCountLabel, K::Label, text::kSongCountInitial, 182, 291, 61, 13, true},
    {ctl::kUseConfigBox, K::CheckBox, text::kUseConfigBox, 15, 328, 57, 10, true},
    {ctl::kLoopMidiBox, K::CheckBox, text::kLoopMidiBox, 84, 328, 47, 10, true},
    {ctl::kKvSynthBox, K::CheckBox, text::kKvSynthBox, 134, 328, 46, 10, true},
    {ctl::kCantataBox, K::CheckBox, text::kCantataBox, 181, 328, 73, 10, true},
    {ctl::kProgramList, K::Combo, "", 269, 326, 70, 30, true},
    {kProgramCaption, K::Label, text::kProgramCaption, 269, 313, 52, 11, true},
    {ctl::kListButtonLegacy, K::PushButton, text::kListButtonLegacy, 249, 63, 56, 18, false},
    {ctl::kRunCaptionButton, K::PushButton, text::kRunCaptionButton, 269, 272, 69, 36, false},
    {ctl::kLegacyTunovaHL, K::PushButton, text::kLegacyTunovaHL, 10, 10, 50, 14, false},
    {ctl::kLegacyTunovaUSB, K::PushButton, text::kLegacyTunovaUSB, 62, 10, 50, 14, false},
    {ctl::kLegacyTunova, K::PushButton, text::kLegacyTunova, 114, 10, 50, 14, false},
    {ctl::kLegacyTunovaPRO, K::PushButton, text::kLegacyTunovaPRO, 166, 10, 50, 14, false},
    {ctl::kLegacyTunovaNEW, K::PushButton, text::kLegacyTunovaNEW, 218, 10, 50, 14, false},
    {kLegacyMakeList, K::PushButton, text::kLegacyMakeList, 270, 10, 60, 14, false},
    {kCancel, K::PushButton, "", 0, 0, 1, 1, false},
};

constexpr Control kProgress[] = {
    {kProgressStatus, K::Label, "", 13, 7, 158, 8, true},
    // Wider than the design's 18 units, which clip "100%".
    {kProgressPercent, K::Label, text::kProgressInitialLabel, 85, 23, 26, 8, true},
    {kProgressBar, K::Progress, "", 15, 38, 154, 13, true},
    {kCancel, K::DefaultButton, text::kBoxCancel, 67, 63, 50, 22, true},
};

constexpr Control kAbout[] = {
    {-1, K::Icon, nullptr, 11, 11, 20, 20, true},
    {-1, K::Label, text::kAboutName, 42, 10, 160, 10, true},
    {kAboutVersion, K::Label, nullptr, 42, 22, 160, 10, true},
    {kAboutFolder, K::Label, nullptr, 42, 34, 210, 10, true},
    {kAboutLastUpdate, K::Label, nullptr, 42, 46, 210, 10, true},
    {kAboutMidiOutputs, K::Label, nullptr, 42, 58, 210, 20, true},
    {kOk, K::DefaultButton, text::kBoxOk, 210, 8, 42, 16, true},
};

}  // namespace

const Dialog& MainDialog() {
  static const Dialog dialog{102, " ", 355, 350, kMain};
  return dialog;
}

const Dialog& ProgressDialog() {
  static const Dialog dialog{103, text::kProgressTitle, 187, 92, kProgress};
  return dialog;
}

const Dialog& AboutDialog() {
  static const Dialog dialog{100, text::kAboutTitle, 260, 84, kAbout};
  return dialog;
}

const Control* Find(const Dialog& dialog, int id, Kind kind) {
  for (const Control& c : dialog.controls)
    if (c.id == id && c.kind == kind) return &c;
  return nullptr;
}

}  // namespace orvik::layout
