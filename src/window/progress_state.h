// The progress dialog's bookkeeping apart from any toolkit: the bar's range, step and
// position, the percent label, the cancel flag the owner polls, and whether the dialog
// disabled its owner.
#pragma once

#include <optional>
#include <string>

#include "core/user_texts.h"

namespace orvik {

class ProgressState {
 public:
  // The label's text in the dialog template, shown until the first progress call.
  static constexpr const char* kInitialLabel = text::kProgressInitialLabel;

  // What a progress call did: the bar's position before it, and the new label text when
  // the label must be rewritten (nothing when it already reads so).
  struct Update {
    int previous = 0;
    std::optional<std::string> label;
  };

  // The dialog is being opened over an owner. Returns true when the widget must disable
  // the owner (it exists and is enabled); the bar starts at `lower` with the template label.
  bool Create(bool ownerExists, bool ownerEnabled);
  // The dialog is closing, or its creation failed. Returns true when the widget must enable
  // the owner again: only when this dialog was the one that disabled it.
  bool Destroy();
  bool OwnerDisabled() const { return ownerDisabled; }

  void SetRange(int lower, int upper);
  void SetStep(int step) { step_ = step; }
  int Lower() const { return lower_; }
  int Upper() const { return upper_; }
  int StepSize() const { return step_; }
  int Pos() const { return pos_; }
  const std::string& Label() const { return label_; }

  // The bar stays within the range (SetPos, OffsetPos clamp, StepIt wraps round), while the
  // label follows the position asked for: 150 % of the range reads "50%".
  Update SetPos(int pos);
  Update OffsetPos(int delta);
  Update StepIt();

  void PressCancel() { cancelled = true; }
  // Returns whether cancel was pressed since the last call, and forgets it.
  bool CheckCancelButton();

  // "N%" for `pos` in lower..upper; wraps every range except that the full range reads 100%.
  static std::string PercentText(int pos, int lower, int upper);

 private:
  Update Apply(int newBarPos, int labelPos);

  int lower_ = 0;
  int upper_ = 100;
  int step_ = 10;
  int pos_ = 0;
  std::string label_ = kInitialLabel;
  bool cancelled = false;
  bool ownerDisabled = false;
};

}  // namespace orvik
