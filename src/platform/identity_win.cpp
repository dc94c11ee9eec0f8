// winsock2.h before windows.h, and iphlpapi.h after both.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/identity.h"
#include "platform/wide_text.h"

namespace orvik::platform {

std::string MakeGuidText() {
  GUID id{};
  if (FAILED(::CoCreateGuid(&id))) return {};
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
  ULONG size = 0;
  if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return {};
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (::GetAdaptersInfo(list, &size) != NO_ERROR) return {};
  for (const IP_ADAPTER_INFO* it = list; it != nullptr; it = it->Next) {
    if (it->Type != MIB_IF_TYPE_ETHERNET || it->AddressLength < 6) continue;
    std::uint8_t address[6];
    std::memcpy(address, it->Address, 6);
    if (std::all_of(std::begin(address), std::end(address), [](std::uint8_t b) { return b == 0; }))
      continue;
    return FormatMacAddress(address);
  }
  return {};
}

}  // namespace orvik::platform
