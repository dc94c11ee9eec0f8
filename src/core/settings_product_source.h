// The product number source backed by setting.env:
//   [product]  number=12345-67890  kind=9  tunovaHL=...  tunovaUSB=...
// Plain lookups, so reading never adds these keys to the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/product_source.h"

namespace orvik {

class SettingsTable;

class SettingsProductSource : public ProductNumberSource {
 public:
  explicit SettingsProductSource(const SettingsTable& settings) : settings_(settings) {}
  std::optional<ProductInfo> Current() override;
  std::optional<ProductInfo> ForServiceKey(const std::string& serviceKey) override;

 private:
  std::optional<ProductInfo> Read(const std::string& numberKey) const;
  const SettingsTable& settings_;
};

// Dashes removed, exactly ten decimal digits must remain; nullopt otherwise.
std::optional<std::string> NormaliseProductNumber(std::string_view text);

}  // namespace orvik
