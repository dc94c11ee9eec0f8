// winsock2.h before windows.h, and iphlpapi.h after both.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>
#include <objbase.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/identity.h"
#include "platform/wide_text.h"

namespace orvik::platform {

std::string MakeGuidText() {
  GUID id{};
  if (FAILED(::CoCreateGuid(&id))) {
    // The system's random source then: the identifier must never come out empty.
    std::random_device random;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&id);
    for (std::size_t i = 0; i < sizeof id; ++i) bytes[i] = static_cast<unsigned char>(random());
  }
  GuidValue guid;
  guid.data1 = id.Data1;
  guid.data2 = id.Data2;
  guid.data3 = id.Data3;
  std::memcpy(guid.data4, id.Data4, sizeof guid.data4);
  return FormatGuidText(guid);
}

std::string GetDeviceName() {
  // A longer name than the buffer holds fails the call: the name is then not read at all.
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size)) return {};
  return WideToUtf8(std::wstring_view(name, size));
}

std::string GetMacAddressText() {
  // The first adapter listed, whatever its type, state or stated address length: the
  // service knows the machine by what this gave before.
  ULONG size = sizeof(IP_ADAPTER_INFO);
  std::vector<unsigned char> buffer(size);
  ULONG result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    buffer.assign(size, 0);
    result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return {};
  const auto* first = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
  std::uint8_t address[6];
  std::memcpy(address, first->Address, 6);
  return FormatMacAddress(address);
}

}  // namespace orvik::platform
