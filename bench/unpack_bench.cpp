// Package installation time against a bare 7-Zip extraction of the same archive.
// usage: unpack_bench [songs] [bytes per song] [folder] [7-Zip program]  ("" : the default)
//        (default: 20000 5000 $TMPDIR, the 7-Zip the launcher would use)
// The folder decides the file system both write to. A disk's write-back and discards vary
// 7-Zip's own time severalfold from run to run; a tmpfs folder (/dev/shm) shows what the
// launcher adds to it.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "update/package_extractor.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void MakeSongs(const fs::path& root, int count, std::size_t bytes) {
  std::string data(bytes, 'x');
  unsigned x = 7;
  for (int n = 1; n <= count; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "K%d000/%05d.sgd", n / 1000, n);
    const fs::path file = root / name;
    if (n % 1000 == 0 || n == 1) fs::create_directories(file.parent_path());
    for (auto& c : data) c = static_cast<char>('a' + ((x = x * 1103515245u + 12345u) >> 16) % 26);
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(bytes));
  }
}

// Written-back pages of one run are not charged to the next.
void Sync() {
#ifndef _WIN32
  ::sync();
#endif
}

int RunQuietly(const std::vector<std::string>& argv) {
  return orvik::platform::RunAndCapture(argv, {});
}

}  // namespace

int main(int argc, char** argv) {
  const int songs = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::size_t bytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5000;
  using orvik::platform::PathFromUtf8;
  using orvik::platform::PathToUtf8;
  const auto sevenZip = argc > 4 ? std::optional(PathFromUtf8(argv[4]))
                                 : orvik::FindSevenZip(orvik::platform::GetModuleDirectory());
  if (!sevenZip) {
    std::fprintf(stderr, "no 7-Zip program on the PATH\n");
    return 1;
  }
  const std::string program = PathToUtf8(*sevenZip);
  orvik::ExtractOptions install;  // the same 7-Zip for both
  install.sevenZip = *sevenZip;
  const fs::path base =
      argc > 3 && *argv[3] != '\0' ? PathFromUtf8(argv[3]) : fs::temp_directory_path();
  const fs::path root =
      base / ("orvik-unpack-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(root / "src");
  MakeSongs(root / "src", songs, bytes);
  const fs::path archive = root / "package.zip";
  // Stored entries, as the song service packs them.
  // 7-Zip expands the wildcard itself: names in the archive are relative to src.
  if (RunQuietly({program, "a", "-tzip", "-mx=0", PathToUtf8(archive),
                  PathToUtf8(root / "src" / "*")}) != 0) {
    return 1;
  }
  std::printf("%d songs of %zu bytes, archive %.1f MB, 7-Zip %s, in %s\n", songs, bytes,
              fs::file_size(archive) / 1048576.0, program.c_str(), PathToUtf8(base).c_str());

  // The pieces: the listing that vets entry names, and 7-Zip's run through a pipe.
  {
    auto start = Clock::now();
    std::size_t listed = 0;
    orvik::platform::RunAndCapture({program, "l", "-slt", "-ba", PathToUtf8(archive)},
                                   [&](std::string_view c) { listed += c.size(); });
    std::printf("7-Zip listing    %8.3f s (needed for non-zip packages only)\n", Seconds(start));
    start = Clock::now();
    orvik::SevenZipProgressParser parser;
    orvik::platform::RunAndCapture({program, "x", "-mmt=on", PathToUtf8(archive),
                                    "-o" + PathToUtf8(root / "piped"), "-aoa", "-bsp1"},
                                   [&](std::string_view c) { parser.Feed(c, {}); });
    std::printf("7-Zip x piped    %8.3f s\n", Seconds(start));
    fs::remove_all(root / "piped");
  }

  // Alternating order, each run starting with no dirty pages of the one before (the disk's
  // write-back would otherwise be charged to whichever runs second).
  double bestBare = 1e9, bestInstall = 1e9;
  // Every run writes into a folder of its own and nothing is deleted until the end: on a
  // disk, creating files right after deleting thousands is several times slower.
  int run = 0;
  const auto runBare = [&] {
    const fs::path bare = root / ("bare" + std::to_string(run++));
    Sync();
    const auto start = Clock::now();
    if (RunQuietly({program, "x", "-mmt=on", PathToUtf8(archive), "-o" + PathToUtf8(bare), "-aoa",
                    "-bsp1"}) != 0) {
      return false;
    }
    bestBare = std::min(bestBare, Seconds(start));
    return true;
  };
  const auto runInstall = [&] {
    // An empty store: every song is new (the usual first filling).
    const fs::path store = root / ("store" + std::to_string(run++)) / "songs";
    fs::create_directories(store);
    Sync();
    const auto start = Clock::now();
    const auto report = orvik::InstallPackage(archive, store, root, {}, {}, install);
    const double s = Seconds(start);
    if (report.result != orvik::ExtractResult::Ok || report.filesInstalled != std::size_t(songs)) {
      std::fprintf(stderr, "install failed: %d %s\n", static_cast<int>(report.result),
                   report.detail.c_str());
      return false;
    }
    bestInstall = std::min(bestInstall, s);
    return true;
  };
  for (int round = 0; round < 3; ++round) {
    const bool ok = round % 2 == 0 ? runBare() && runInstall() : runInstall() && runBare();
    if (!ok) return 1;
  }
  std::printf("bare 7-Zip x     %8.3f s\n", bestBare);
  std::printf("InstallPackage   %8.3f s\n", bestInstall);
#ifdef _WIN32
  constexpr const char* kTarget = "1.10";  // the Windows build, measured under Wine
#else
  constexpr const char* kTarget = "1.25";
#endif
  std::printf("ratio            %8.2f (target <= %s)\n", bestInstall / bestBare, kTarget);

  // Replacing every song of a full store (each existing file is backed up first).
  {
    const fs::path store = root / ("store" + std::to_string(run - 1)) / "songs";
    Sync();
    const auto start = Clock::now();
    const auto report = orvik::InstallPackage(archive, store, root, {}, {}, install);
    std::printf("InstallPackage over a full store %8.3f s (%s)\n", Seconds(start),
                report.result == orvik::ExtractResult::Ok ? "ok" : "FAILED");
  }
  fs::remove_all(root);
  return 0;
}
