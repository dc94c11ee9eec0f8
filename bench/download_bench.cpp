// Package download throughput against curl, and peak memory growth with the package size.
// Serves packages with `openssl s_server -HTTP` over HTTPS on loopback. Prints figures.
// Each download runs in its own process (download_child beside this program); with --wine,
// the Windows build's download_child.exe (WinHTTP) also runs, under Wine, from the same server.
//
// With --bare, the Windows build's winhttp_bare_child.exe (a bare WinHTTP loop) runs as well,
// the Windows baseline of download_child.exe.
//
// usage: download_bench [--wine WINE-LOADER WINDOWS-CHILD.exe [--bare BARE-CHILD.exe]]
//                       [size-MB ...]  (default: 50 500)
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "https_file_server.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using bench::Quoted;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct ChildFigures {
  bool ok = false;
  double seconds = 0;
  long hwmKb = 0;
};

// Runs `command` (a download_child) and reads its figures.
ChildFigures RunChild(const std::string& command, const fs::path& file) {
  fs::remove(file);
  ChildFigures f;
  if (FILE* p = popen(command.c_str(), "r")) {
    int ok = 0;
    unsigned long long bytes = 0;
    long before = 0;
    if (std::fscanf(p, "ok=%d bytes=%llu seconds=%lf hwm_before_kb=%ld hwm_kb=%ld", &ok, &bytes,
                    &f.seconds, &before, &f.hwmKb) == 5)
      f.ok = ok == 1;
    pclose(p);
  }
  fs::remove(file);
  return f;
}

double RunCurl(const std::string& url, const std::string& ca, const fs::path& file) {
  fs::remove(file);
  const std::string cmd = "curl -s -o '" + file.string() + "' --cacert '" + ca + "' '" + url + "'";
  const auto start = Clock::now();
  const int rc = std::system(cmd.c_str());
  const double s = Seconds(start);
  fs::remove(file);
  return rc == 0 ? s : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  std::string wine, windowsChild, bareChild;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--wine" && i + 2 < argc) {
      wine = argv[++i];
      windowsChild = argv[++i];
    } else if (std::string(argv[i]) == "--bare" && i + 1 < argc) {
      bareChild = argv[++i];
    } else {
      sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    }
  }
  if (sizes.empty()) sizes = {50, 500};

  const fs::path root =
      fs::temp_directory_path() / ("orvik-download-bench-" + std::to_string(getpid()));
  fs::create_directories(root / "www");
  fs::create_directories(root / "out");
  const auto certs = songsvc::MakeTestCertificates(root / "certs");
  for (auto mb : sizes) bench::MakeFile(root / "www" / (std::to_string(mb) + ".zip"), mb);

  const int port = bench::FreePort();
  const pid_t server = bench::StartServer(root / "www", port, certs);
  if (server < 0) {
    std::fprintf(stderr, "openssl s_server did not start\n");
    return 1;
  }
  const std::string child =
      (fs::read_symlink("/proc/self/exe").parent_path() / "download_child").string();
  const std::string ca = certs.caFile.string();

  std::printf("%8s %14s %14s %8s %12s%s\n", "MB", "orvik MB/s", "curl MB/s", "ratio", "peak RSS MB",
              wine.empty() ? "" : "   WinHTTP MB/s (Wine)  ratio to curl");
  std::vector<long> peaks;
  for (auto mb : sizes) {
    const std::string url =
        "https://localhost:" + std::to_string(port) + "/" + std::to_string(mb) + ".zip";
    // Alternate the two clients, best of three each, so both see the same machine load.
    double best = 1e9, bestCurl = 1e9, bestWine = 1e9, bestBare = 1e9;
    long peakWine = 0, peakBare = 0;
    long peak = 0;
    bool ok = true;
    const fs::path out = root / "out" / "a.zip";
    for (int round = 0; round < 3; ++round) {
      const auto f =
          RunChild(Quoted(child) + " " + Quoted(url) + " " + Quoted(ca) + " " + Quoted(out), out);
      ok = ok && f.ok;
      if (f.ok && f.seconds < best) best = f.seconds;
      peak = std::max(peak, f.hwmKb);
      const double c = RunCurl(url, ca, root / "out" / "c.zip");
      if (c > 0 && c < bestCurl) bestCurl = c;
      if (wine.empty()) continue;
      // Wine's Z: drive is the root of this machine's file system.
      const auto w =
          RunChild(Quoted(wine) + " " + Quoted(windowsChild) + " " + Quoted(url) + " " +
                       Quoted("Z:" + ca) + " " + Quoted("Z:" + out.string()) + " 2>/dev/null",
                   out);
      ok = ok && w.ok;
      if (w.ok && w.seconds < bestWine) bestWine = w.seconds;
      peakWine = std::max(peakWine, w.hwmKb);
      if (bareChild.empty()) continue;
      const auto b =
          RunChild(Quoted(wine) + " " + Quoted(bareChild) + " " + Quoted(url) + " " +
                       Quoted("Z:" + ca) + " " + Quoted("Z:" + out.string()) + " 2>/dev/null",
                   out);
      ok = ok && b.ok;
      if (b.ok && b.seconds < bestBare) bestBare = b.seconds;
      peakBare = std::max(peakBare, b.hwmKb);
    }
    peaks.push_back(peak);
    std::printf("%8zu %14.1f %14.1f %8.2f %12.1f", mb, mb / best, mb / bestCurl, bestCurl / best,
                peak / 1024.0);
    if (!wine.empty()) std::printf(" %22.1f %14.2f", mb / bestWine, bestCurl / bestWine);
    if (!bareChild.empty())
      std::printf("  bare WinHTTP %.1f MB/s, orvik/bare %.2f, peak MB orvik %.1f bare %.1f",
                  mb / bestBare, bestBare / bestWine, peakWine / 1024.0, peakBare / 1024.0);
    std::printf("%s\n", ok ? "" : "  (a download FAILED)");
  }
  if (peaks.size() >= 2)
    std::printf("peak RSS growth %zu MB -> %zu MB: %.1f MB\n", sizes.front(), sizes.back(),
                (peaks.back() - peaks.front()) / 1024.0);

  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);
  return 0;
}
