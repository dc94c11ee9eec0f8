// orvik-songsvc: runs the reference song service until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "host/service_host.h"
#include "songsvc/song_service.h"

namespace {

constexpr const char* kUsage = R"(Usage: orvik-songsvc --catalog DIR [options]

Runs the reference song service on 127.0.0.1: plain HTTP for the form requests and
banner pictures, HTTPS (a fresh test CA, server certificate for "localhost" and
127.0.0.1) for the update events and package downloads.

Options:
  --catalog DIR       song store to offer: DIR/K<n/1000>000/<%05d>.sgd (required)
  --banners DIR       banner pictures, listed in name order and served under /banners/
  --work DIR          where packages are prepared (default: ./songsvc-work)
  --certs DIR         where the test certificates are made or reused (default: WORK/certs)
  --http-port N       plain HTTP port (default 0: any free port)
  --https-port N      HTTPS port (default 0: any free port)
  --delay-ms N        preparation delay of a package after the device connect (default 0)
  --app-update URL    announce a launcher update (needUpdateApp=true, appFileUrl=URL)
  --banner-reply TEXT answer the banner request with TEXT instead of the banners folder
  --control-file FILE for tests that cannot start a service in-process (the Windows build
                      under Wine): listen for control requests on 127.0.0.1 instead, start
                      services on request, and write "control=http://127.0.0.1:PORT" to
                      FILE once listening (no --catalog then)
  --fault PATH=STATUS answer every request whose path starts with PATH with STATUS
  --help              this text

On start it prints, one per line:
  http=http://127.0.0.1:PORT
  https=https://localhost:PORT
  ca=PATH             the CA certificate a client must trust
Point the launcher at it with [service] in setting.env and the printed CA file.
)";

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "orvik-songsvc: " << message << "\nTry --help.\n";
  std::exit(2);
}

int ParsePort(const std::string& text, const char* option) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 65535) {
    Fail(std::string("bad value for ") + option + ": " + text);
  }
  return static_cast<int>(value);
}

// Blocked before any thread starts, so only sigwait receives them.
sigset_t BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

int RunHost(const std::filesystem::path& controlFile, const std::filesystem::path& certDir) {
  const sigset_t signals = BlockStopSignals();
  try {
    songsvc::ServiceHost host(certDir);
    host.Start();
    // Written whole under another name first: a reader never sees half a line.
    auto part = controlFile;
    part += ".part";
    std::ofstream(part) << "control=" << host.ControlUrl() << "\n";
    std::filesystem::rename(part, controlFile);
    int received = 0;
    sigwait(&signals, &received);
    host.Stop();
    std::filesystem::remove(controlFile);
  } catch (const std::exception& e) {
    std::cerr << "orvik-songsvc: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  songsvc::Options options;
  options.workDir = "songsvc-work";
  std::filesystem::path certDir;
  std::filesystem::path controlFile;
  std::vector<std::pair<std::string, int>> faults;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (i + 1 >= argc) Fail("missing value or unknown option: " + arg);
    std::string value = argv[++i];
    if (arg == "--catalog") {
      options.catalogDir = value;
    } else if (arg == "--banners") {
      options.bannersDir = value;
    } else if (arg == "--work") {
      options.workDir = value;
    } else if (arg == "--certs") {
      certDir = value;
    } else if (arg == "--http-port") {
      options.httpPort = ParsePort(value, "--http-port");
    } else if (arg == "--https-port") {
      options.httpsPort = ParsePort(value, "--https-port");
    } else if (arg == "--delay-ms") {
      char* end = nullptr;
      long long ms = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || ms < 0) Fail("bad value for --delay-ms: " + value);
      options.preparationDelay = std::chrono::milliseconds(ms);
    } else if (arg == "--app-update") {
      options.announceAppUpdate = true;
      options.appFileUrl = value;
    } else if (arg == "--banner-reply") {
      options.bannerReply = value;
    } else if (arg == "--control-file") {
      controlFile = value;
    } else if (arg == "--fault") {
      const auto eq = value.rfind('=');
      if (eq == std::string::npos || eq == 0) Fail("bad value for --fault: " + value);
      faults.emplace_back(value.substr(0, eq), ParsePort(value.substr(eq + 1), "--fault"));
    } else {
      Fail("unknown option: " + arg);
    }
  }
  if (certDir.empty()) certDir = options.workDir / "certs";
  if (!controlFile.empty()) return RunHost(controlFile, certDir);
  if (options.catalogDir.empty()) Fail("--catalog is required");
  if (!std::filesystem::is_directory(options.catalogDir)) {
    Fail("not a folder: " + options.catalogDir.string());
  }
  const sigset_t signals = BlockStopSignals();

  try {
    options.certificates = songsvc::MakeTestCertificates(certDir);
    songsvc::SongService service(options);
    service.Start();
    for (const auto& [path, status] : faults) {
      songsvc::Fault fault;
      fault.status = status;
      fault.rawBody = "";
      service.SetFault(path, fault);
    }
    std::cout << "http=" << service.BaseUrl() << "\n"
              << "https=" << service.SecureOrigin() << "\n"
              << "ca=" << std::filesystem::absolute(options.certificates.caFile).string()
              << std::endl;
    int received = 0;
    sigwait(&signals, &received);
    service.Stop();
  } catch (const std::exception& e) {
    std::cerr << "orvik-songsvc: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
