// winsock2.h before windows.h, and iphlpapi.h after both.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <vector>

#include "platform/network.h"

namespace orvik::platform {

bool HasNetworkConnection() {
  constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                           GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_FRIENDLY_NAME;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = ::GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return false;
  for (auto* it = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); it; it = it->Next) {
    if (it->OperStatus == IfOperStatusUp && it->IfType != IF_TYPE_SOFTWARE_LOOPBACK &&
        it->FirstUnicastAddress != nullptr) {
      return true;
    }
  }
  return false;
}

}  // namespace orvik::platform
