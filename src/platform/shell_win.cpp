#include <windows.h>

#include <shellapi.h>

#include <array>
#include <string_view>

#include "platform/path_text.h"
#include "platform/shell.h"
#include "platform/wide_text.h"

namespace orvik::platform {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// The shell starts whatever it is given, programs included: only web addresses and the
// launcher's own pictures are handed to it.
bool MayOpen(const std::string& address) {
  if (StartsWithIgnoringCase(address, "http://") || StartsWithIgnoringCase(address, "https://"))
    return true;
  constexpr std::array<std::string_view, 5> kPictures{".png", ".jpg", ".jpeg", ".bmp", ".gif"};
  const auto dot = address.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string_view extension = std::string_view(address).substr(dot);
  bool picture = false;
  for (const auto p : kPictures)
    picture = picture || (extension.size() == p.size() && StartsWithIgnoringCase(extension, p));
  std::error_code ec;
  return picture && std::filesystem::is_regular_file(PathFromUtf8(address), ec);
}

}  // namespace

bool OpenWithDefaultHandler(const std::string& address) {
  if (address.empty() || !MayOpen(address)) return false;
  const std::wstring wide = Utf8ToWide(address);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = wide.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace orvik::platform
