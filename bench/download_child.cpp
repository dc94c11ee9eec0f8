// One package download with the platform's transport (libcurl on Linux, WinHTTP on Windows),
// started by download_bench (the Windows build under Wine). Prints its figures:
//   download_child URL CA-FILE FILE
//   ok=1 bytes=N seconds=S hwm_before_kb=K hwm_kb=K
#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/service_address.h"
#include "platform/path_text.h"
#include "service/system_transport.h"
#include "update/package_download.h"

namespace {

// Peak memory of this process so far.
long PeakResidentKb() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_child URL CA-FILE FILE\n");
    return 2;
  }
  auto transport = orvik::MakeSystemTransport(orvik::ServiceAddress{"", "", argv[2]});
  const long before = PeakResidentKb();
  const auto start = std::chrono::steady_clock::now();
  const auto outcome =
      orvik::DownloadPackage(*transport, argv[1], orvik::platform::PathFromUtf8(argv[3]), {});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const bool ok = outcome.result == orvik::DownloadResult::Complete;
  std::printf("ok=%d bytes=%llu seconds=%.3f hwm_before_kb=%ld hwm_kb=%ld\n", ok ? 1 : 0,
              static_cast<unsigned long long>(outcome.received), seconds, before, PeakResidentKb());
  return ok ? 0 : 1;
}
