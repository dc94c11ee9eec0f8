// Package files served over HTTPS on loopback by `openssl s_server -HTTP`, for the download
// benchmarks (Linux only; the Windows children fetch from it under Wine).
#pragma once

#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "songsvc/song_service.h"

namespace bench {

inline int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

inline bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// openssl s_server in `root`; returns once it accepts connections (or it died).
inline pid_t StartServer(const std::filesystem::path& root, int port,
                         const songsvc::TestCertificates& certs) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(root.c_str()) != 0) _exit(127);
    if (!freopen("/dev/null", "w", stdout)) _exit(127);
    const std::string accept = std::to_string(port);
    // -HTTP sends each file as it stands, header included (see MakeFile).
    execlp("openssl", "openssl", "s_server", "-quiet", "-HTTP", "-accept", accept.c_str(), "-cert",
           certs.certFile.c_str(), "-key", certs.keyFile.c_str(), nullptr);
    _exit(127);
  }
  // The server gives no signal when it listens: try until it does or has exited.
  while (!Accepts(port)) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return -1;
    sched_yield();
  }
  return pid;
}

// A reply file for `s_server -HTTP`: the header with the length, then `megabytes` MiB of
// noise. (-WWW sends no length and ends the body by closing, which Wine's TLS cuts short.)
inline void MakeFile(const std::filesystem::path& file, std::size_t megabytes) {
  std::ofstream out(file, std::ios::binary);
  out << "HTTP/1.0 200 ok\r\nContent-Type: application/zip\r\nContent-Length: " << (megabytes << 20)
      << "\r\n\r\n";
  std::vector<char> block(1 << 20);
  unsigned x = 12345;
  for (auto& c : block) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
  for (std::size_t i = 0; i < megabytes; ++i) {
    block[0] = static_cast<char>(i);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace bench
