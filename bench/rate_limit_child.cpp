// One package download under a fixed speed cap with the platform's transport (libcurl on
// Linux, WinHTTP on Windows), started by rate_limit_bench (the Windows build under Wine).
//   rate_limit_child URL CA-FILE FILE CAP-KB/s
//   ok=1 bytes=N seconds=S cpu_seconds=C max_second_bytes=M
// `seconds` runs from the first body byte to the last; `max_second_bytes` is the most bytes
// in any whole second counted from the first byte.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/service_address.h"
#include "platform/path_text.h"
#include "service/rate_limiter.h"
#include "service/system_transport.h"
#include "update/package_download.h"

namespace {

double CpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  const auto value = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: rate_limit_child URL CA-FILE FILE CAP-KB/s\n");
    return 2;
  }
  const std::uint64_t cap = std::strtoull(argv[4], nullptr, 10) * 1024;
  auto transport = orvik::MakeSystemTransport(orvik::ServiceAddress{"", "", argv[2]});
  orvik::RateLimiter limiter([cap] { return cap; });

  using Clock = std::chrono::steady_clock;
  Clock::time_point first, last;
  bool started = false;
  double cpuAtFirst = 0;
  std::vector<std::uint64_t> perSecond;  // bytes in each second since the first byte
  std::uint64_t previous = 0;
  orvik::DownloadCallbacks callbacks;
  callbacks.limiter = &limiter;
  callbacks.onProgress = [&](const orvik::DownloadProgress& info) {
    const auto now = Clock::now();
    if (!started) {
      started = true;
      first = now;
      cpuAtFirst = CpuSeconds();
    }
    last = now;
    const auto second =
        static_cast<std::size_t>(std::chrono::duration<double>(now - first).count());
    if (perSecond.size() <= second) perSecond.resize(second + 1, 0);
    perSecond[second] += info.received - previous;
    previous = info.received;
  };
  const auto outcome = orvik::DownloadPackage(*transport, argv[1],
                                              orvik::platform::PathFromUtf8(argv[3]), callbacks);
  const double cpu = CpuSeconds() - cpuAtFirst;
  const double seconds = std::chrono::duration<double>(last - first).count();
  // The last second is only part of one.
  if (perSecond.size() > 1) perSecond.pop_back();
  const std::uint64_t maxSecond =
      perSecond.empty() ? 0 : *std::max_element(perSecond.begin(), perSecond.end());
  const bool ok = outcome.result == orvik::DownloadResult::Complete;
  std::printf("ok=%d bytes=%llu seconds=%.3f cpu_seconds=%.3f max_second_bytes=%llu\n", ok ? 1 : 0,
              static_cast<unsigned long long>(outcome.received), seconds, cpu,
              static_cast<unsigned long long>(maxSecond));
  return ok ? 0 : 1;
}
