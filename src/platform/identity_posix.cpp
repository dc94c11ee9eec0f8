#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/identity.h"

namespace orvik::platform {
namespace {

void FillRandom(unsigned char* out, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::getrandom(out + got, size - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got == size) return;
  std::random_device rd;  // getrandom unavailable: the library's own source
  for (; got < size; ++got) out[got] = static_cast<unsigned char>(rd());
}

}  // namespace

std::string MakeGuidText() {
  unsigned char bytes[16];
  FillRandom(bytes, sizeof bytes);
  GuidValue guid;
  std::memcpy(&guid.data1, bytes, 4);
  std::memcpy(&guid.data2, bytes + 4, 2);
  std::memcpy(&guid.data3, bytes + 6, 2);
  std::memcpy(guid.data4, bytes + 8, 8);
  return FormatGuidText(guid);
}

std::string GetDeviceName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  const std::size_t length = std::strlen(name);
  // A Windows computer name fits 15 characters; a longer one is not read at all there.
  if (length > 15) return {};
  return std::string(name, length);
}

std::string GetMacAddressText() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return {};
  std::string text;
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_PACKET) continue;
    // The Windows adapter list holds neither the loopback interface nor address-less ones.
    if (it->ifa_flags & IFF_LOOPBACK) continue;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
    if (link->sll_halen < 6) continue;
    std::uint8_t address[6];
    std::memcpy(address, link->sll_addr, 6);
    if (std::all_of(std::begin(address), std::end(address), [](std::uint8_t b) { return b == 0; }))
      continue;
    text = FormatMacAddress(address);
    break;
  }
  ::freeifaddrs(list);
  return text;
}

}  // namespace orvik::platform
