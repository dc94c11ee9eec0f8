#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/instance_signal.h"
#include "platform/path_text.h"

namespace orvik {
namespace {

// An abstract socket (Linux): no file in the module folder, gone with its process.
sockaddr_un AddressFor(const std::filesystem::path& moduleDir, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const auto hash = std::hash<std::string>{}(platform::PathToUtf8(moduleDir.lexically_normal()));
  char name[64];
  const int n = std::snprintf(name, sizeof name, "orvik-%016zx", hash);
  std::memcpy(address.sun_path + 1, name, static_cast<std::size_t>(n));
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return address;
}

}  // namespace

void RaiseOnSecondStart(const std::filesystem::path& moduleDir, QWidget* window) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  socklen_t length = 0;
  const sockaddr_un address = AddressFor(moduleDir, length);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
      ::listen(fd, 4) != 0) {
    ::close(fd);
    return;  // raising is a courtesy; the lock alone keeps a second launcher out
  }
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [fd, window] {
    while (true) {
      const int peer = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) break;
      ::close(peer);
    }
    window->showNormal();
    window->raise();
    window->activateWindow();
  });
}

void KnockOnRunningLauncher(const std::filesystem::path& moduleDir) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  socklen_t length = 0;
  const sockaddr_un address = AddressFor(moduleDir, length);
  ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
  ::close(fd);
}

}  // namespace orvik
