#include "core/catalogue.h"

#include <algorithm>
#include <array>

namespace orvik {
namespace {

constexpr std::string_view kHLPrograms[] = {"tunovaHL"};
constexpr std::string_view kUSBPrograms[] = {"tunovaUSB"};
constexpr std::string_view kTunovaPrograms[] = {"tunova"};
constexpr std::string_view kNewPrograms[] = {"tunovaNEW", "tunova"};
constexpr std::string_view kProPrograms[] = {"tunovaPRONEW", "tunovaPRO", "tunovaNEW", "tunova"};

const std::array<ServiceInfo, 6> kCatalogue = {{
    {"tunovaHL", "tunovahl", "Tunova H/L", "▶ Tunova H/L", "Tunova H/L 실행", kHLPrograms, true},
    {"tunovaUSB", "tunovausb", "TunovaUSB", "▶ TunovaUSB", "TunovaUSB 실행", kUSBPrograms, true},
    {"tunova", "tunova", "Tunova", "▶ Tunova", "Tunova 실행", kTunovaPrograms},
    {"tunovaNEW", "tunovanew", "TunovaNew", "▶ TunovaNew", "TunovaNew 실행", kNewPrograms},
    {"tunovaPRO", "tunovapro", "TunovaPro", "▶ TunovaPro", "TunovaPro 실행", kProPrograms},
    {"tunovaPRONEW", "tunovapronew", {}, {}, {}, kProPrograms},
}};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

std::span<const ServiceInfo> ServiceCatalogue() { return kCatalogue; }

const ServiceInfo* FindService(std::string_view key) {
  for (const auto& info : kCatalogue)
    if (info.key == key) return &info;
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

}  // namespace orvik
