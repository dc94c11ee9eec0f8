#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include "platform/network.h"

namespace orvik::platform {

bool HasNetworkConnection() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool connected = false;
  for (const ifaddrs* it = list; it != nullptr && !connected; it = it->ifa_next) {
    if (it->ifa_addr == nullptr) continue;
    const int family = it->ifa_addr->sa_family;
    connected = (it->ifa_flags & IFF_UP) && !(it->ifa_flags & IFF_LOOPBACK) &&
                (family == AF_INET || family == AF_INET6);
  }
  ::freeifaddrs(list);
  return connected;
}

}  // namespace orvik::platform
