#include <windows.h>

#include "platform/registry.h"
#include "platform/wide_text.h"

namespace orvik::platform {

// HKLM in the 32-bit view: the players' 32-bit installer writes there, and a 64-bit
// launcher would otherwise read the 64-bit view and miss it.
std::optional<std::string> ReadMachineValue(const std::string& keyPath,
                                            const std::string& valueName) {
  const std::wstring key = Utf8ToWide(keyPath);
  const std::wstring name = Utf8ToWide(valueName);
  HKEY handle = nullptr;
  if (key.empty() || ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                     KEY_QUERY_VALUE | KEY_WOW64_32KEY, &handle) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<std::string> value;
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
      // The stored value may or may not end with its terminator.
      text.resize(size / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      value = WideToUtf8(text);
    }
  }
  ::RegCloseKey(handle);
  return value;
}

}  // namespace orvik::platform
