#include "platform/path_text.h"

#include "platform/codepage.h"

namespace orvik::platform {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      value = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      value = (value << 6) | (d & 0x3F);
    }
    if ((extra == 2 && value < 0x800) || (extra == 3 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return {};
  try {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  } catch (...) {
    return {};
  }
}

std::string PathToUtf8(const std::filesystem::path& path) {
  try {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (...) {
    return {};
  }
}

std::string SettingTextToUtf8(std::string_view value) {
  if (IsValidUtf8(value)) return std::string(value);
  try {
    return Cp949ToUtf8(std::string(value));
  } catch (...) {
    return {};
  }
}

}  // namespace orvik::platform
