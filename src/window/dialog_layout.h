// The dialogs' controls in dialog-template units, in one table for both front ends: the Qt
// window places its widgets from it, and a test holds the Win32 resource script (whose
// templates the system lays out itself) to it, rectangle by rectangle and caption by caption.
#pragma once

#include <span>

namespace orvik::layout {

enum class Kind { Progress, Label, RightLabel, CheckBox, Combo, PushButton, DefaultButton, Icon };

struct Control {
  int id;            // -1: a static text nothing refers to
  Kind kind;
  const char* text;  // the caption (user_texts.h); null: filled in when the dialog opens
  int x, y, width, height;
  bool shown;
};

struct Dialog {
  int id;  // the template's number
  const char* caption;
  int width, height;
  std::span<const Control> controls;  // in the template's order (the tab order)
};

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;  // in the main window: the Escape key's hidden target

// Controls of the progress dialog and the About box.
inline constexpr int kProgressBar = 1003;
inline constexpr int kProgressPercent = 1004;
inline constexpr int kProgressStatus = 1005;
inline constexpr int kAboutVersion = 1100;
inline constexpr int kAboutFolder = 1101;
inline constexpr int kAboutLastUpdate = 1102;
inline constexpr int kAboutMidiOutputs = 1103;
// The static "실행될 프로그램" of the main window; image button 1032 takes the number over.
inline constexpr int kProgramCaption = 1032;
// The legacy "make song list" button; nothing refers to it by number.
inline constexpr int kLegacyMakeList = 1027;

const Dialog& MainDialog();      // template 102
const Dialog& ProgressDialog();  // template 103
const Dialog& AboutDialog();     // template 100

// The control `id` of `dialog` of the given kind; null when there is none.
const Control* Find(const Dialog& dialog, int id, Kind kind);

}  // namespace orvik::layout
