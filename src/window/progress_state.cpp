#include "window/progress_state.h"

#include <algorithm>
#include <cstdint>

namespace orvik {

bool ProgressState::Create(bool ownerExists, bool ownerEnabled) {
  pos_ = lower_;
  label_ = kInitialLabel;
  const bool disable = ownerExists && ownerEnabled;
  // Opening again while the owner is still ours to enable keeps that duty.
  if (disable) ownerDisabled = true;
  return disable;
}

bool ProgressState::Destroy() {
  const bool enable = ownerDisabled;
  ownerDisabled = false;
  return enable;
}

void ProgressState::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  pos_ = std::clamp(pos_, std::min(lower, upper), std::max(lower, upper));
}

ProgressState::Update ProgressState::SetPos(int pos) {
  return Apply(std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_)), pos);
}

ProgressState::Update ProgressState::OffsetPos(int delta) {
  const int wanted = pos_ + delta;
  return Apply(std::clamp(wanted, std::min(lower_, upper_), std::max(lower_, upper_)), wanted);
}

ProgressState::Update ProgressState::StepIt() {
  const int wanted = pos_ + step_;
  const int low = std::min(lower_, upper_);
  const int high = std::max(lower_, upper_);
  int bar = wanted;
  if (high == low) {
    bar = low;
  } else if (bar > high) {
    bar = low + (bar - low) % (high - low);
  } else if (bar < low) {
    bar = high - (low - bar) % (high - low);
  }
  return Apply(bar, wanted);
}

ProgressState::Update ProgressState::Apply(int newBarPos, int labelPos) {
  Update update;
  update.previous = pos_;
  pos_ = newBarPos;
  std::string text = PercentText(labelPos, lower_, upper_);
  if (text != label_) {
    label_ = text;
    update.label = std::move(text);
  }
  return update;
}

bool ProgressState::CheckCancelButton() {
  const bool was = cancelled;
  cancelled = false;
  return was;
}

std::string ProgressState::PercentText(int pos, int lower, int upper) {
  // An empty range has no fraction to show; it reads as nothing done.
  std::int64_t percent = 0;
  if (upper != lower) {
    percent =
        (static_cast<std::int64_t>(pos) - lower) * 100 / (static_cast<std::int64_t>(upper) - lower);
    if (percent != 100) percent %= 100;
  }
  return std::to_string(percent) + "%";
}

}  // namespace orvik
