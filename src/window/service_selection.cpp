#include "window/service_selection.h"

#include <array>

#include "core/launcher_state.h"
#include "core/product_source.h"
#include "core/window_port.h"

namespace orvik {
namespace {

constexpr std::array<ServiceButtons, 5> kButtons = {{
    {"tunovaHL", ctl::kLegacyTunovaHL, ctl::kServiceTunovaHL},
    {"tunovaUSB", ctl::kLegacyTunovaUSB, ctl::kServiceTunovaUSB},
    {"tunova", ctl::kLegacyTunova, ctl::kServiceTunova},
    {"tunovaNEW", ctl::kLegacyTunovaNEW, ctl::kServiceTunovaNEW},
    {"tunovaPRO", ctl::kLegacyTunovaPRO, ctl::kServiceTunovaPRO},
}};

// The information panel, painted by the window itself: it names the current type.
constexpr Rect kInfoPanel{20, 486, 520, 554};

void SetServiceKey(LauncherState& state, std::string_view key) {
  std::lock_guard lock(state.mutex);
  state.m_serviceKey = key;
}

}  // namespace

const ServiceInfo* FindServiceByImageButton(int buttonId) {
  for (const auto& b : kButtons)
    if (b.imageButton == buttonId) return FindService(b.key);
  return nullptr;
}

const ServiceInfo* FindServiceByLegacyButton(int buttonId) {
  for (const auto& b : kButtons)
    if (b.legacyButton == buttonId) return FindService(b.key);
  return nullptr;
}

ServiceButtons ButtonsOfService(std::string_view key) {
  for (const auto& b : kButtons)
    if (b.key == key) return b;
  return ServiceButtons{key};
}

void ServiceRadioGroup::Enable(WindowPort& port, int buttonId, bool enable) {
  if (enable) {
    disabled.erase(buttonId);
  } else {
    disabled.insert(buttonId);
  }
  port.EnableControl(buttonId, enable);
}

void ResetLegacyButtonText(const LauncherState& state, WindowPort& port) {
  const std::string key = state.ServiceKey();
  const auto* info = FindService(key);
  const int button = ButtonsOfService(key).legacyButton;
  if (info != nullptr && button != 0) port.SetControlText(button, std::string(info->displayName));
}

void SelectServiceByImageButton(LauncherState& state, ServiceRadioGroup& group, WindowPort& port,
                                ServiceSelectionHooks& hooks, ProductNumberSource& products,
                                int buttonId) {
  const auto* info = FindServiceByImageButton(buttonId);
  if (info == nullptr || group.disabled.count(buttonId) != 0) return;
  const bool ownProduct = info->ownProductNumber;

  port.SetControlChecked(group.current, false);

  SetServiceKey(state, info->key);
  port.SetControlText(ctl::kRunCaptionButton, std::string(info->runCaption));

  {
    std::lock_guard lock(state.mutex);
    state.m_productNumber.clear();
  }
  group.current = buttonId;
  port.SetControlChecked(buttonId, true);

  // The check starts only once the new key is in place, so the worker it starts cannot
  // pick up the previous type.
  if (info->key == "tunovaPRO") {
    hooks.MarkReplyStale();
    hooks.StartUpdateCheck();
  }
  if (ownProduct) {
    const auto product = products.ForServiceKey(std::string(info->key));
    {
      std::lock_guard lock(state.mutex);
      state.m_productNumber = product ? product->number : std::string();
    }
    state.m_refreshRequested = true;
    hooks.MarkReplyStale();
    hooks.StartUpdateCheck();
  }
  port.InvalidateArea(kInfoPanel);
}

void SelectServiceByLegacyButton(LauncherState& state, WindowPort& port,
                                 ServiceSelectionHooks& hooks, int buttonId) {
  const auto* info = FindServiceByLegacyButton(buttonId);
  if (info == nullptr) return;
  ResetLegacyButtonText(state, port);
  SetServiceKey(state, info->key);
  port.SetControlText(buttonId, std::string(info->selectedText));
  port.SetControlText(ctl::kRunCaptionButton, std::string(info->runCaption));
  // After the switch, for the same reason as with the image buttons.
  if (info->key == "tunova" || info->key == "tunovaNEW" || info->key == "tunovaPRO") {
    hooks.MarkReplyStale();
    hooks.StartUpdateCheck();
  }
}

}  // namespace orvik
