// Conversion between the platform's text and code page 949, the song service's encoding.
#pragma once

#include <string>

namespace orvik::platform {

// Bytes that cannot be converted are replaced by '?'.
std::string Utf8ToCp949(const std::string& utf8);
std::string Cp949ToUtf8(const std::string& cp949);
// The launcher's own narrow text, which is UTF-8 on every platform.
std::string NativeToCp949(const std::string& text);

}  // namespace orvik::platform
