// The Windows baseline of the download figures: the plainest WinHTTP download loop (one
// synchronous request, 64 KiB reads straight into a file), started by download_bench under
// Wine beside download_child.exe. Trusts the test CA by ignoring unknown CAs (a baseline,
// not a client). Same arguments and figures line as download_child:
//   winhttp_bare_child URL CA-FILE FILE
//   ok=1 bytes=N seconds=S hwm_before_kb=K hwm_kb=K
#include <windows.h>

#include <psapi.h>
#include <winhttp.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

long PeakResidentKb() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

std::wstring Wide(const char* text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  return out;
}

unsigned long long Download(const std::wstring& url, const std::wstring& file, bool& ok) {
  ok = false;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = DWORD(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return 0;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  HINTERNET session = WinHttpOpen(L"bare", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connect = session ? WinHttpConnect(session, host.c_str(), parts.nPort, 0) : nullptr;
  HINTERNET request =
      connect ? WinHttpOpenRequest(connect, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                   WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE)
              : nullptr;
  unsigned long long total = 0;
  if (request) {
    DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE &&
        WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                           0, 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
      static char buffer[1 << 16];
      for (;;) {
        DWORD got = 0, put = 0;
        if (!WinHttpReadData(request, buffer, sizeof buffer, &got)) break;
        if (got == 0) {
          ok = true;
          break;
        }
        if (!WriteFile(out, buffer, got, &put, nullptr) || put != got) break;
        total += got;
      }
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  }
  for (HINTERNET h : {request, connect, session})
    if (h) WinHttpCloseHandle(h);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: winhttp_bare_child URL CA-FILE FILE\n");
    return 2;
  }
  const long before = PeakResidentKb();
  const auto start = std::chrono::steady_clock::now();
  bool ok = false;
  const unsigned long long bytes = Download(Wide(argv[1]), Wide(argv[3]), ok);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("ok=%d bytes=%llu seconds=%.3f hwm_before_kb=%ld hwm_kb=%ld\n", ok ? 1 : 0, bytes,
              seconds, before, PeakResidentKb());
  return ok ? 0 : 1;
}
