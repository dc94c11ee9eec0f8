#include "core/settings_product_source.h"

#include "core/catalogue.h"
#include "core/launcher_settings.h"
#include "core/settings_table.h"

namespace orvik {

std::optional<std::string> NormaliseProductNumber(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (c == '-') continue;
    if (c < '0' || c > '9') return std::nullopt;
    digits += c;
  }
  if (digits.size() != 10) return std::nullopt;
  return digits;
}

std::optional<ProductInfo> SettingsProductSource::Read(const std::string& numberKey) const {
  auto number = NormaliseProductNumber(settings_.Get(numberKey));
  if (!number) return std::nullopt;
  return ProductInfo{std::move(*number), LeadingInteger(settings_.Get("product.kind"))};
}

std::optional<ProductInfo> SettingsProductSource::Current() { return Read("product.number"); }

std::optional<ProductInfo> SettingsProductSource::ForServiceKey(const std::string& serviceKey) {
  if (!HasOwnProductNumber(serviceKey)) return std::nullopt;
  return Read("product." + serviceKey);
}

}  // namespace orvik
