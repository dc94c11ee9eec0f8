// SplitByChar: the first byte is the delimiter, the rest the text. Joining the pieces
// must give the text back, less one trailing delimiter.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/reply_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto pieces = orvik::SplitByChar(text, delimiter);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].find(delimiter) != std::string::npos) std::abort();
    if (i) joined += delimiter;
    joined += pieces[i];
  }
  if (joined != text && joined + delimiter != text) std::abort();
  if (text.empty() != pieces.empty()) std::abort();
  return 0;
}
