#include "core/catalogue.h"

#include <algorithm>
#include <array>

#include "core/control_ids.h"
#include "core/launcher_state.h"
#include "core/product_source.h"
#include "core/window_port.h"

namespace orvik {
namespace {

constexpr std::string_view kHLPrograms[] = {"tunovaHL"};
constexpr std::string_view kUSBPrograms[] = {"tunovaUSB"};
constexpr std::string_view kTunovaPrograms[] = {"tunova"};
constexpr std::string_view kNewPrograms[] = {"tunovaNEW", "tunova"};
constexpr std::string_view kProPrograms[] = {"tunovaPRONEW", "tunovaPRO", "tunovaNEW", "tunova"};

const std::array<ServiceInfo, 6> kCatalogue = {{
    {"tunovaHL", "tunovahl", "Tunova H/L", "▶ Tunova H/L", "Tunova H/L 실행", ctl::kLegacyTunovaHL,
     ctl::kServiceTunovaHL, kHLPrograms, true},
    {"tunovaUSB", "tunovausb", "TunovaUSB", "▶ TunovaUSB", "TunovaUSB 실행", ctl::kLegacyTunovaUSB,
     ctl::kServiceTunovaUSB, kUSBPrograms, true},
    {"tunova", "tunova", "Tunova", "▶ Tunova", "Tunova 실행", ctl::kLegacyTunova,
     ctl::kServiceTunova, kTunovaPrograms},
    {"tunovaNEW", "tunovanew", "TunovaNew", "▶ TunovaNew", "TunovaNew 실행", ctl::kLegacyTunovaNEW,
     ctl::kServiceTunovaNEW, kNewPrograms},
    {"tunovaPRO", "tunovapro", "TunovaPro", "▶ TunovaPro", "TunovaPro 실행", ctl::kLegacyTunovaPRO,
     ctl::kServiceTunovaPRO, kProPrograms},
    {"tunovaPRONEW", "tunovapronew", {}, {}, {}, 0, 0, kProPrograms},
}};

constexpr Rect kInfoPanel{20, 486, 520, 554};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

void SetServiceKey(LauncherState& state, std::string_view key) {
  std::lock_guard lock(state.mutex);
  state.m_serviceKey = key;
}

}  // namespace

std::span<const ServiceInfo> ServiceCatalogue() { return kCatalogue; }

const ServiceInfo* FindService(std::string_view key) {
  for (const auto& info : kCatalogue)
    if (info.key == key) return &info;
  return nullptr;
}

const ServiceInfo* FindServiceByImageButton(int buttonId) {
  for (const auto& info : kCatalogue)
    if (info.imageButton != 0 && info.imageButton == buttonId) return &info;
  return nullptr;
}

const ServiceInfo* FindServiceByLegacyButton(int buttonId) {
  for (const auto& info : kCatalogue)
    if (info.legacyButton != 0 && info.legacyButton == buttonId) return &info;
  return nullptr;
}

bool HasOwnProductNumber(std::string_view key) {
  const ServiceInfo* info = FindService(key);
  return info != nullptr && info->ownProductNumber;
}

std::string NormaliseServiceKey(std::string_view stored) {
  if (stored.empty()) return "tunova";
  std::string lower(stored);
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
  for (const auto& info : kCatalogue)
    if (info.lowerForm == lower) return std::string(info.key);
  return std::string(stored);
}

std::vector<std::string> ProgramEntriesFor(std::string_view serviceKey) {
  std::vector<std::string> entries;
  if (const auto* info = FindService(serviceKey))
    entries.assign(info->programs.begin(), info->programs.end());
  // The list control sorts its entries alphabetically, ignoring case.
  std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return LowerAscii(x) < LowerAscii(y);
    });
  });
  return entries;
}

std::string WireServiceName(std::string_view serviceKey, int productKind) {
  std::string name(serviceKey);
  if (serviceKey == "tunovaHL") name = "tunova1";
  if (serviceKey == "tunovaUSB") name = "tunova2";
  if (productKind == 3) name = "tunova3";
  if (productKind == 9) name = "tunovapro";
  if (productKind == 7) name = "loomia";
  return name;
}

void ResetLegacyButtonText(const LauncherState& state, WindowPort& port) {
  const auto* info = FindService(state.ServiceKey());
  if (info != nullptr && info->legacyButton != 0)
    port.SetControlText(info->legacyButton, std::string(info->displayName));
}

void SelectServiceByImageButton(LauncherState& state, WindowPort& port,
                                ServiceSelectionHooks& hooks, ProductNumberSource& products,
                                int buttonId) {
  const auto* info = FindServiceByImageButton(buttonId);
  if (info == nullptr || !port.IsControlEnabled(buttonId)) return;
  const bool ownProduct = info->ownProductNumber;

  port.SetControlChecked(state.m_currentServiceButton, false);
  port.RedrawControl(state.m_currentServiceButton);

  SetServiceKey(state, info->key);
  port.SetControlText(ctl::kRunCaptionButton, std::string(info->runCaption));

  {
    std::lock_guard lock(state.mutex);
    state.m_productNumber.clear();
  }
  state.m_currentServiceButton = buttonId;
  port.SetControlChecked(buttonId, true);
  port.RedrawControl(buttonId);

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
