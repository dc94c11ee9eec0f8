// Where the product number and kind come from. One implementation reads setting.env.
#pragma once

#include <optional>
#include <string>

namespace orvik {

struct ProductInfo {
  std::string number;  // ten digits, dashes removed
  int kind = 0;
};

class ProductNumberSource {
 public:
  virtual ~ProductNumberSource() = default;
  // The installation's product; nullopt when there is none (no update check runs then).
  virtual std::optional<ProductInfo> Current() = 0;
  // The number of a key that carries its own ("tunovaHL", "tunovaUSB"); nullopt otherwise.
  virtual std::optional<ProductInfo> ForServiceKey(const std::string& serviceKey) = 0;
};

}  // namespace orvik
