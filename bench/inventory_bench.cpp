// Inventory speed and memory: RefreshSongInventory against `find <store> -name '*.sgd'` on
// synthetic stores of 100,000 and 1,000,000 songs (1,000 songs per K-folder).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "library/inventory.h"
#include "library/song_store.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class NullPort : public orvik::WindowPort {
 public:
  void SetControlText(int, const std::string&) override {}
  void ShowControl(int, bool) override {}
  void SetControlChecked(int, bool) override {}
  bool IsControlChecked(int) override { return false; }
  bool IsControlVisible(int) override { return true; }
  void EnableControl(int, bool) override {}
  bool IsControlEnabled(int) override { return true; }
  void RedrawControl(int) override {}
  void InvalidateArea(const orvik::Rect&) override {}
  void SetProgressPos(int, int) override {}
  void SetListItems(int, const std::vector<std::string>&, int) override {}
  void StartTimer(int, int) override {}
  void StopTimer(int) override {}
  void PostWindowMessage(unsigned, std::uintptr_t, std::intptr_t) override {}
  bool AskYesNo(const std::string&) override { return false; }
  void ShowMessage(const std::string&, orvik::MessageIcon) override {}
  bool OpenAddress(const std::string&) override { return false; }
};

void BuildStore(const fs::path& store, int songs) {
  for (int n = 1; n <= songs; ++n) {
    const fs::path file = orvik::SongFilePath(store, n);
    if (n == 1 || n % 1000 == 0) fs::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeFind(const fs::path& store, const fs::path& out) {
  const std::string command =
      "find '" + store.string() + "' -name '*.sgd' > '" + (out / "list.txt").string() + "'";
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "find failed\n");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeInventory(const fs::path& store, const fs::path& module, int expected) {
  NullPort port;
  orvik::LauncherState state;
  const auto start = Clock::now();
  orvik::RefreshSongInventory(store, module, port, state);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (state.m_storedSongCount != expected) {
    std::fprintf(stderr, "counted %d songs, expected %d\n", state.m_storedSongCount, expected);
  }
  return seconds;
}

struct Figures {
  double find = 0, inventory = 0;
};

Figures Measure(const fs::path& base, int songs, int rounds) {
  const fs::path store = base / ("store" + std::to_string(songs));
  const auto buildStart = Clock::now();
  BuildStore(store, songs);
  std::printf("built %d songs in %.1f s\n", songs,
              std::chrono::duration<double>(Clock::now() - buildStart).count());
  TimeFind(store, base);  // warm the caches for both
  std::vector<double> find, inventory;
  for (int i = 0; i < rounds; ++i) {
    find.push_back(TimeFind(store, base));
    inventory.push_back(TimeInventory(store, base, songs));
  }
  Figures f{Median(find), Median(inventory)};
  std::printf("%8d songs: find %.3f s, RefreshSongInventory %.3f s, ratio %.2f\n", songs, f.find,
              f.inventory, f.inventory / f.find);
  std::fflush(stdout);
  fs::remove_all(store);
  return f;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/orvik-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const fs::path base = pattern;
  const Figures small = Measure(base, 100000, 5);
  const Figures large = Measure(base, 1000000, 3);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("growth 1M/100k: RefreshSongInventory %.2fx, find %.2fx\n",
              large.inventory / small.inventory, large.find / small.find);
  std::printf("ratio to find: 100k %.2f, 1M %.2f\n", small.inventory / small.find,
              large.inventory / large.find);
  std::printf("peak RSS: %.1f MB\n", usage.ru_maxrss / 1024.0);
  fs::remove_all(base);
  return 0;
}
