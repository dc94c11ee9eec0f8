// How the song service identifies this machine.
#pragma once

#include <string>

namespace orvik::platform {

std::string MakeGuidText();       // 32 upper-case hex digits from a random 128-bit value
std::string GetDeviceName();      // host name; empty when unreadable or longer than 15 chars
std::string GetMacAddressText();  // first adapter as XX-XX-XX-XX-XX-XX; empty when none

}  // namespace orvik::platform
