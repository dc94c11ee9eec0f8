// The wall clock in the machine's own time zone, as the operator reads it.
#pragma once

#include <ctime>
#include <string>

namespace orvik::platform {

// Now, broken down in local time (thread-safe).
std::tm LocalTimeNow();
// Now in local time through strftime's `format` ("%Y-%m-%d %H:%M:%S").
std::string LocalTimeText(const char* format);

}  // namespace orvik::platform
