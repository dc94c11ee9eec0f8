#include "platform/system_codepage.h"

namespace orvik::platform {

// Paths are UTF-8 here, and so is every listing a shell writes.
bool AppendInSystemCodePage(std::string_view utf8, std::string& out) {
  out.append(utf8);
  return true;
}

}  // namespace orvik::platform
