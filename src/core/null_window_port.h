// A window port that shows nothing and answers every question with No: for work done
// without a window (benchmarks, tools).
#pragma once

#include "core/window_port.h"

namespace orvik {

class NullWindowPort : public WindowPort {
 public:
  void SetControlText(int, const std::string&) override {}
  void ShowControl(int, bool) override {}
  void SetControlChecked(int, bool) override {}
  void EnableControl(int, bool) override {}
  void InvalidateArea(const Rect&) override {}
  void SetProgressPos(int, int) override {}
  void SetListItems(int, const std::vector<std::string>&, int) override {}
  void SetBannerPictures(const std::vector<std::filesystem::path>&) override {}
  void AddBannerPicture(const std::filesystem::path&) override {}
  void ShowAboutBox() override {}
  void OpenProgressDialog() override {}
  void SetProgressDialog(const std::string&, int) override {}
  void CloseProgressDialog() override {}
  void StartTimer(int, int) override {}
  void StopTimer(int) override {}
  void PostWindowMessage(unsigned, std::uintptr_t, std::intptr_t) override {}
  bool AskYesNo(const std::string&) override { return false; }
  void ShowMessage(const std::string&, MessageIcon) override {}
  bool OpenAddress(const std::string&) override { return false; }
};

}  // namespace orvik
