// The package download under a speed cap: how close the average comes to the cap, the
// busiest single second, and the CPU the held transfer costs. Serves the package over HTTPS
// on loopback; each download runs in its own process (rate_limit_child beside this program);
// with --wine, the Windows build's rate_limit_child.exe (WinHTTP) also runs, under Wine.
// Targets: average within 5% of the cap, no second above the cap by 20%, CPU under 5% of
// one core. The first 0.1 s burst weighs on small sizes; the exit status says only whether
// every download completed.
//
// usage: rate_limit_bench [--wine WINE-LOADER WINDOWS-CHILD.exe] [--cap KB/s] [size-MB]
//        (default: --cap 2000, 100 MB)
#include <signal.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "https_file_server.h"

namespace fs = std::filesystem;
using bench::Quoted;

namespace {

struct Figures {
  bool ok = false;
  unsigned long long bytes = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  unsigned long long maxSecondBytes = 0;
};

Figures RunChild(const std::string& command, const fs::path& file) {
  fs::remove(file);
  Figures f;
  if (FILE* p = popen(command.c_str(), "r")) {
    int ok = 0;
    if (std::fscanf(p, "ok=%d bytes=%llu seconds=%lf cpu_seconds=%lf max_second_bytes=%llu", &ok,
                    &f.bytes, &f.seconds, &f.cpuSeconds, &f.maxSecondBytes) == 5)
      f.ok = ok == 1;
    pclose(p);
  }
  fs::remove(file);
  return f;
}

// One line of figures; false when the download failed.
bool Report(const char* who, const Figures& f, double capKb) {
  if (!f.ok || f.seconds <= 0) {
    std::printf("%-16s download FAILED\n", who);
    return false;
  }
  const double average = f.bytes / 1024.0 / f.seconds;
  const double busiest = f.maxSecondBytes / 1024.0;
  const double cpu = 100.0 * f.cpuSeconds / f.seconds;
  const bool averageOk = std::fabs(average - capKb) <= 0.05 * capKb;
  const bool busiestOk = busiest <= 1.2 * capKb;
  const bool cpuOk = cpu < 5.0;
  std::printf("%-16s %10.1f %+8.1f%% %12.1f %+8.1f%% %8.1f s %8.2f%%  %s\n", who, average,
              100.0 * (average - capKb) / capKb, busiest, 100.0 * (busiest - capKb) / capKb,
              f.seconds, cpu, averageOk && busiestOk && cpuOk ? "ok" : "MISSED");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = 100;
  unsigned long capKb = 2000;
  std::string wine, windowsChild;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--wine" && i + 2 < argc) {
      wine = argv[++i];
      windowsChild = argv[++i];
    } else if (arg == "--cap" && i + 1 < argc) {
      capKb = std::strtoul(argv[++i], nullptr, 10);
    } else {
      megabytes = std::strtoul(argv[i], nullptr, 10);
    }
  }

  const fs::path root =
      fs::temp_directory_path() / ("orvik-rate-limit-bench-" + std::to_string(getpid()));
  fs::create_directories(root / "www");
  fs::create_directories(root / "out");
  const auto certs = songsvc::MakeTestCertificates(root / "certs");
  bench::MakeFile(root / "www" / "package.zip", megabytes);
  const int port = bench::FreePort();
  const pid_t server = bench::StartServer(root / "www", port, certs);
  if (server < 0) {
    std::fprintf(stderr, "openssl s_server did not start\n");
    return 1;
  }
  const std::string child =
      (fs::read_symlink("/proc/self/exe").parent_path() / "rate_limit_child").string();
  const std::string url = "https://localhost:" + std::to_string(port) + "/package.zip";
  const std::string ca = certs.caFile.string();
  const fs::path out = root / "out" / "a.zip";
  const std::string cap = std::to_string(capKb);

  std::printf("%zu MB at a cap of %lu KB/s\n", megabytes, capKb);
  std::printf("%-16s %10s %9s %12s %9s %10s %9s\n", "", "avg KB/s", "vs cap", "max 1s KB/s",
              "vs cap", "time", "CPU");
  bool ok = Report("libcurl",
                   RunChild(Quoted(child) + " " + Quoted(url) + " " + Quoted(ca) + " " +
                                Quoted(out.string()) + " " + cap,
                            out),
                   capKb);
  if (!wine.empty()) {
    // Wine's Z: drive is the root of this machine's file system.
    ok = Report("WinHTTP (Wine)",
                RunChild(Quoted(wine) + " " + Quoted(windowsChild) + " " + Quoted(url) + " " +
                             Quoted("Z:" + ca) + " " + Quoted("Z:" + out.string()) + " " + cap +
                             " 2>/dev/null",
                         out),
                capKb) &&
         ok;
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  fs::remove_all(root);
  return ok ? 0 : 1;
}
