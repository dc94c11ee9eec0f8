#include <windows.h>

#include "platform/system_codepage.h"
#include "platform/wide_text.h"

namespace orvik::platform {

bool AppendInSystemCodePage(std::string_view utf8, std::string& out) {
  if (utf8.empty()) return true;
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty()) return false;
  const UINT codePage = ::GetACP();
  // UTF-8 as the system code page (a Windows 10 option) takes neither flags nor a default.
  const bool isUtf8 = codePage == CP_UTF8;
  const DWORD flags = isUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  const int n = ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, isUtf8 ? nullptr : &usedDefault);
  if (n <= 0 || usedDefault) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()),
                        out.data() + at, n, nullptr, nullptr);
  return true;
}

}  // namespace orvik::platform
