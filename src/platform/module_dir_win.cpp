#include <windows.h>

#include <string>

#include "platform/module_dir.h"

namespace orvik::platform {

std::filesystem::path GetModuleDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return std::filesystem::path(buffer).parent_path();
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);  // cut off: try a larger buffer
  }
}

}  // namespace orvik::platform
