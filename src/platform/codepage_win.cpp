// Code page 949 through the Win32 code-page API. A text converts in one call when it is
// clean; otherwise character by character, so each bad one becomes exactly one '?'.
#include <windows.h>

#include "platform/codepage.h"
#include "platform/codepage_chars.h"

namespace orvik::platform {
namespace {

constexpr UINT kKorean = 949;

bool ToWide(UINT codePage, const char* p, std::size_t size, std::wstring& out) {
  const int n =
      ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, p, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, p, static_cast<int>(size), out.data() + at,
                        n);
  return true;
}

std::wstring DecodeLeniently(UINT codePage, const std::string& in,
                             std::size_t (*charLength)(const char*, std::size_t)) {
  std::wstring out;
  if (ToWide(codePage, in.data(), in.size(), out)) return out;
  for (std::size_t i = 0; i < in.size();) {
    const std::size_t n = charLength(in.data() + i, in.size() - i);
    if (!ToWide(codePage, in.data() + i, n, out)) out += L'?';
    i += n;
  }
  return out;
}

// Appends `wide` in `codePage`; false when a character had no equivalent.
bool FromWide(UINT codePage, const wchar_t* p, std::size_t size, std::string& out) {
  // UTF-8 takes neither a default character nor best-fit flags.
  const bool utf8 = codePage == CP_UTF8;
  BOOL usedDefault = FALSE;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = ::WideCharToMultiByte(codePage, flags, p, static_cast<int>(size), nullptr, 0,
                                      utf8 ? nullptr : "?", utf8 ? nullptr : &usedDefault);
  if (n <= 0 || usedDefault) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  ::WideCharToMultiByte(codePage, flags, p, static_cast<int>(size), out.data() + at, n, nullptr,
                        nullptr);
  return true;
}

std::string EncodeLeniently(UINT codePage, const std::wstring& wide) {
  std::string out;
  if (FromWide(codePage, wide.data(), wide.size(), out)) return out;
  out.clear();
  for (std::size_t i = 0; i < wide.size();) {
    // A surrogate pair is one character.
    const bool pair =
        IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    const std::size_t n = pair ? 2 : 1;
    if (!FromWide(codePage, wide.data() + i, n, out)) out += '?';
    i += n;
  }
  return out;
}

}  // namespace

std::string Utf8ToCp949(const std::string& utf8) {
  return EncodeLeniently(kKorean, DecodeLeniently(CP_UTF8, utf8, Utf8CharLength));
}

std::string Cp949ToUtf8(const std::string& cp949) {
  return EncodeLeniently(CP_UTF8, DecodeLeniently(kKorean, cp949, Cp949CharLength));
}

std::string NativeToCp949(const std::string& text) { return Utf8ToCp949(text); }

}  // namespace orvik::platform
