#include "platform/local_time.h"

namespace orvik::platform {

std::string LocalTimeText(const char* format) {
  const std::tm local = LocalTimeNow();
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, format, &local);
  return std::string(text, n);
}

}  // namespace orvik::platform
