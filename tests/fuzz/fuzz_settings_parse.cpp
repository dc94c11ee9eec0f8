// The setting.env parser: any bytes parse, and a file whose section names hold no "."
// reads back unchanged after it has been written once.
// Known and left to the file format: the writer splits a key at its first ".", so a
// section name holding "." can change keys or lose entries when the file is rewritten
// (seeds/settings_parse/dotted_section_*).
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

bool HasDottedSection(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const auto first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) continue;
    line = line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
        line.find('.') != std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string once = Rewrite(input);
  if (HasDottedSection(input)) return 0;
  if (Rewrite(once) != once) std::abort();
  return 0;
}
