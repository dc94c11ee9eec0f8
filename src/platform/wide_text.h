// UTF-16 for the Windows W API and back. Used by the *_win.cpp files only.
#pragma once

#include <string>
#include <string_view>

namespace orvik::platform {

// Invalid UTF-8 gives an empty text (a call then fails the way a missing name does).
std::wstring Utf8ToWide(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

}  // namespace orvik::platform
