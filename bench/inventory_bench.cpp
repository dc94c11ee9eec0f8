// Inventory speed and memory: RefreshSongInventory against `find <store> -name '*.sgd'` (on
// Windows `cmd /c dir /s /b`) on synthetic stores of 100,000 and 1,000,000 songs (1,000 songs
// per K-folder).   usage: inventory_bench [songs...]   (default: 100000 1000000)
#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "library/inventory.h"
#include "library/song_store.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void BuildStore(const fs::path& store, int songs) {
  for (int n = 1; n <= songs; ++n) {
    const fs::path file = orvik::SongFilePath(store, n);
    if (n == 1 || n % 1000 == 0) fs::create_directories(file.parent_path());
    if (std::FILE* f = orvik::platform::OpenFileStream(file, "wb")) std::fclose(f);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeFind(const fs::path& store, const fs::path& out) {
  const std::string list = orvik::platform::PathToUtf8(out / "list.txt");
#ifdef _WIN32
  const std::string command =
      "cmd /c dir /s /b \"" + orvik::platform::PathToUtf8(store) + "\\*.sgd\" > \"" + list + "\"";
#else
  const std::string command =
      "find '" + orvik::platform::PathToUtf8(store) + "' -name '*.sgd' > '" + list + "'";
#endif
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "find failed\n");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeInventory(const fs::path& store, const fs::path& module, int expected) {
  orvik::InventoryListener quiet;
  orvik::LauncherState state;
  const auto start = Clock::now();
  orvik::RefreshSongInventory(store, module, quiet, state);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (state.m_storedSongCount != expected) {
    std::fprintf(stderr, "counted %d songs, expected %d\n", state.m_storedSongCount, expected);
  }
  return seconds;
}

#ifdef _WIN32
constexpr const char* kLister = "dir /s /b";
#else
constexpr const char* kLister = "find";
#endif

double PeakMemoryMb() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1048576.0;
#else
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
#endif
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
  std::printf("%8d songs: %s %.3f s, RefreshSongInventory %.3f s, ratio %.2f\n", songs, kLister,
              f.find, f.inventory, f.inventory / f.find);
  std::fflush(stdout);
  fs::remove_all(store);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  const fs::path base = fs::temp_directory_path() /
                        ("orvik-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(base);
  std::vector<Figures> figures;
  for (const int songs : sizes) figures.push_back(Measure(base, songs, songs > 100000 ? 3 : 5));
  if (figures.size() > 1) {
    const Figures& small = figures.front();
    const Figures& large = figures.back();
    std::printf("growth %d/%d: RefreshSongInventory %.2fx, %s %.2fx\n", sizes.back(), sizes.front(),
                large.inventory / small.inventory, kLister, large.find / small.find);
  }
  std::printf("peak memory: %.1f MB\n", PeakMemoryMb());
  fs::remove_all(base);
  return 0;
}
