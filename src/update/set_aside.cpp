#include "update/set_aside.h"

#include <string>
#include <system_error>

#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace orvik {

fs::path SetAside(const fs::path& file, std::string_view suffix) {
  std::error_code ec;
  for (int n = 1; n <= 100; ++n) {
    fs::path aside = file;
    aside += platform::PathFromUtf8(std::string(suffix) + (n > 1 ? "-" + std::to_string(n) : ""));
    if (fs::exists(fs::symlink_status(aside, ec))) continue;
    fs::rename(file, aside, ec);
    return ec ? fs::path() : aside;
  }
  return {};
}

}  // namespace orvik
