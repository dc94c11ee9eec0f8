#pragma once

#include <string>

namespace orvik::platform {

// Opens a URL or file with the system's default handler; false when that failed.
bool OpenWithDefaultHandler(const std::string& address);

}  // namespace orvik::platform
