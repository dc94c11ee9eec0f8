// How late the launcher's event loop runs while it works: the real Qt window (offscreen)
// against the reference service, with a 10 ms timer on the UI thread recording how much
// later than due each tick arrives, during
//   (a) start-up with a large song store (count and device connect),
//   (b) the download of a large package,
//   (c) unpacking its songs into the store.
// Prints the maximum and the 99th percentile of each; the window's promise is 100 ms.
//
// usage: ui_latency [stored songs] [new songs] [bytes per new song] [folder]
//        (default: 1000000 20000 26214 $TMPDIR: a 500 MB package of 20,000 songs)
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/log.h"
#include "library/song_store.h"
#include "service/system_transport.h"
#include "songsvc/song_service.h"
#include "ui/orvik_dlg.h"
#include "window/orvik_window.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

enum Phase { kStartUp, kDownload, kUnpack, kDone };
const char* const kPhaseNames[] = {"(a) start-up, stored songs counted and reported",
                                   "(b) package download", "(c) unpacking into the store"};

void EmptySongs(const fs::path& store, int first, int last) {
  for (int n = first; n <= last; ++n) {
    const fs::path file = orvik::SongFilePath(store, n);
    if (n == first || n % 1000 == 0) fs::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }
}

// Varied bytes: the package does not shrink to nothing when it is compressed.
void FilledSongs(const fs::path& catalog, int first, int last, std::size_t bytes) {
  std::string data(bytes, 'x');
  unsigned x = 11;
  for (int n = first; n <= last; ++n) {
    const fs::path file = orvik::SongFilePath(catalog, n);
    if (n == first || n % 1000 == 0) fs::create_directories(file.parent_path());
    for (auto& c : data) c = static_cast<char>('a' + ((x = x * 1103515245u + 12345u) >> 16) % 26);
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(bytes));
  }
}

void Report(const char* name, std::vector<double> lateMs) {
  if (lateMs.empty()) {
    std::printf("%-50s no ticks\n", name);
    return;
  }
  std::sort(lateMs.begin(), lateMs.end());
  const double p99 = lateMs[std::min(lateMs.size() - 1, lateMs.size() * 99 / 100)];
  std::printf("%-50s ticks %6zu  max %7.1f ms  p99 %6.1f ms  %s\n", name, lateMs.size(),
              lateMs.back(), p99, lateMs.back() <= 100.0 ? "ok" : "OVER 100 ms");
}

}  // namespace

int main(int argc, char** argv) {
  const int stored = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int added = argc > 2 ? std::atoi(argv[2]) : 20000;
  const std::size_t bytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 26214;
  const fs::path root =
      (argc > 4 ? fs::path(argv[4]) : fs::temp_directory_path()) / "orvik-ui-latency";
  fs::remove_all(root);
  const fs::path module = root / "module", store = root / "songs", catalog = root / "catalog";
  fs::create_directories(module);
  fs::create_directories(root / "work");

  std::printf("making %d stored songs and %d new songs of %zu bytes in %s ...\n", stored, added,
              bytes, root.c_str());
  std::fflush(stdout);
  EmptySongs(store, 1, stored);
  FilledSongs(catalog, stored + 1, stored + added, bytes);

  songsvc::Options options;
  options.catalogDir = catalog;
  options.workDir = root / "work";
  options.certificates = songsvc::MakeTestCertificates(root / "certs");
  songsvc::SongService service(options);
  service.Start();
  std::ofstream(module / "setting.env")
      << "[settings]\nservice=tunova\n[songs]\ntunova=" << store.string()
      << "\n[service]\nurl=" << service.BaseUrl() << "\nsecureUrl=" << service.SecureOrigin()
      << "\ncaFile=" << options.certificates.caFile.string()
      << "\n[product]\nnumber=1234-56-7890\nkind=0\n";

  // The log's lines mark where each phase ends; they come from worker threads.
  std::atomic<int> phase{kStartUp};
  orvik::logging::SetListener([&phase](orvik::logging::Level, const std::string& line) {
    if (line.rfind("check: ", 0) == 0 && line.find("songs stored") != std::string::npos)
      phase = kDownload;
    if (line.rfind("download: complete", 0) == 0) phase = kUnpack;
    const bool failed =
        line.find(": failed") != std::string::npos ||
        (line.rfind("check: ", 0) == 0 && line.find(" failed") != std::string::npos);
    if (line.rfind("unpacking: done", 0) == 0 || failed) {
      std::printf("%s\n", line.c_str());
      phase = kDone;
    }
  });

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  auto dlg = std::make_unique<orvik::ui::COrvikDlg>();
  orvik::WindowDependencies deps;
  deps.moduleDir = module;
  deps.makeTransport = [](const orvik::ServiceAddress& address,
                          std::stop_token shutdown) {
    return orvik::MakeSystemTransport(address, shutdown);
  };
  auto logic = std::make_unique<orvik::COrvikWindow>(*dlg, std::move(deps));
  dlg->AttachLogic(logic.get());

  std::vector<double> late[3];
  auto last = Clock::now();
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - last).count() - 10.0;
    last = now;
    const int p = phase;
    if (p < kDone) late[p].push_back(std::max(0.0, ms));
    // The operator's press once the package is offered.
    if (p == kDownload && logic->State().m_packageReady && !logic->State().m_downloadRunning &&
        !logic->State().m_extractRunning)
      logic->OnCommand(orvik::ctl::kUpdateButton);
    if (p == kDone) {
      tick.stop();
      QApplication::closeAllWindows();
      QApplication::quit();
    }
  });
  const auto started = Clock::now();
  tick.start(10);
  QTimer::singleShot(0, [&] {
    dlg->show();
    logic->OnActivate(true);
  });
  app.exec();
  logic->OnClose();
  std::printf("window ran %.1f s; the target is a maximum of 100 ms\n",
              std::chrono::duration<double>(Clock::now() - started).count());
  for (int p = 0; p < 3; ++p) Report(kPhaseNames[p], late[p]);
  logic.reset();
  dlg.reset();
  orvik::logging::SetListener(nullptr);
  service.Stop();
  fs::remove_all(root);
  return 0;
}
