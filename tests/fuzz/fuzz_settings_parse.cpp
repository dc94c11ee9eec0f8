// The setting.env parser: any bytes parse, and a file written once reads back unchanged
// (dotted section names included).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/settings_table.h"

namespace {

std::string Rewrite(std::string_view text) {
  orvik::SettingsTable table;
  table.Parse(text);
  return table.Serialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string once = Rewrite(input);
  if (Rewrite(once) != once) std::abort();
  return 0;
}
