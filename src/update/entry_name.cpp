#include "update/entry_name.h"

namespace orvik {

bool IsSafeEntryName(std::string_view name) {
  if (name.empty()) return false;
  if (name.front() == '/' || name.front() == '\\') return false;
  if (name.size() >= 2 && name[1] == ':') return false;  // drive letter
  std::size_t start = 0;
  while (start <= name.size()) {
    auto end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    // Windows drops trailing dots and blanks from a name: ". ." or ".. " would be "..".
    const std::string_view part = name.substr(start, end - start);
    if (part != "." && !part.empty() && part.find_first_not_of(". ") == std::string_view::npos)
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace orvik
