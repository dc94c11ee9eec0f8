// How the song service identifies this machine.
#pragma once

#include <cstdint>
#include <string>

namespace orvik::platform {

std::string MakeGuidText();   // 32 upper-case hex digits from a random 128-bit value, never empty
std::string GetDeviceName();  // host name; empty when unreadable or longer than 15 chars
// The first six address bytes of the first adapter the platform lists, as
// XX-XX-XX-XX-XX-XX, whatever that adapter's type, state or address length (a Wi-Fi-only
// machine gives its Wi-Fi address); empty when the list cannot be read or is empty.
std::string GetMacAddressText();

// A GUID in the platform's layout (the Windows one), and the launcher's text form of it.
struct GuidValue {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};
std::string FormatGuidText(const GuidValue& guid);
// Six address bytes as "%02X-%02X-%02X-%02X-%02X-%02X".
std::string FormatMacAddress(const std::uint8_t (&bytes)[6]);

}  // namespace orvik::platform
