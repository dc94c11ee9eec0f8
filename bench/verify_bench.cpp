// The store check against 7-Zip's own CRC-32 over the same files, and the manifest's size
// and load time.
// usage: verify_bench [songs] [bytes per song] [manifest songs] [folder] [7-Zip program]
//        (default: 100000 51200 1000000 $TMPDIR 7zz)
// Warm cache: best of three alternating runs each. Cold cache needs root (the page cache is
// dropped before each run); 7-Zip runs at the same low CPU and I/O priority as the check.
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path_text.h"
#include "platform/process.h"
#include "update/store_manifest.h"
#include "update/store_verify.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string SongName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000/%05d.sgd", n / 1000, n);
  return name;
}

// The songs, and a manifest that lists them with their CRC-32s.
void MakeStore(const fs::path& module, const fs::path& store, int count, std::size_t bytes) {
  std::string data(bytes, 'x');
  unsigned x = 7;
  std::vector<orvik::ManifestEntry> entries;
  for (int n = 1; n <= count; ++n) {
    const fs::path file = store / SongName(n);
    if (n % 1000 == 0 || n == 1) fs::create_directories(file.parent_path());
    for (auto& c : data) c = static_cast<char>('a' + ((x = x * 1103515245u + 12345u) >> 16) % 26);
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(bytes));
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(bytes));
    entries.push_back({SongName(n), bytes, static_cast<std::uint32_t>(crc)});
  }
  orvik::StoreManifest manifest;
  manifest.store = fs::absolute(store).lexically_normal();
  manifest.Record(std::move(entries), {"BENCH", 0});
  orvik::SaveStoreManifest(module, manifest);
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

bool DropCaches() {
  ::sync();
  std::ofstream drop("/proc/sys/vm/drop_caches");
  return drop && (drop << "3\n") && drop.flush();
}

}  // namespace

int main(int argc, char** argv) {
  const int songs = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::size_t bytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 51200;
  const int manifestSongs = argc > 3 ? std::atoi(argv[3]) : 1000000;
  const fs::path base = argc > 4 && *argv[4] != '\0' ? orvik::platform::PathFromUtf8(argv[4])
                                                     : fs::temp_directory_path();
  const std::string sevenZip = argc > 5 ? argv[5] : "7zz";
  const fs::path root =
      base / ("orvik-verify-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  const fs::path module = root / "module", store = root / "songs";
  fs::create_directories(module);
  MakeStore(module, store, songs, bytes);
  const double megabytes = static_cast<double>(songs) * bytes / (1024.0 * 1024.0);
  std::printf("%d songs of %zu bytes (%.1f MB) in %s\n", songs, bytes, megabytes,
              orvik::platform::PathToUtf8(base).c_str());

  const std::vector<std::string> hash{"nice",    "-n", "19", "ionice", "-c", "3", sevenZip, "h",
                                      "-scrcCRC32", "-r", orvik::platform::PathToUtf8(store)};
  const auto runHash = [&] {
    const auto start = Clock::now();
    std::string tail;
    const int code = orvik::platform::RunAndCapture(hash, [&](std::string_view c) {
      tail.append(c);
      if (tail.size() > 4096) tail.erase(0, tail.size() - 1024);
    });
    if (code != 0 || tail.find("Everything is Ok") == std::string::npos) return -1.0;
    return Seconds(start);
  };
  bool sound = true;
  const auto runVerify = [&] {
    const auto start = Clock::now();
    const orvik::VerifyResult r = orvik::VerifyStore(module, store);
    const double s = Seconds(start);
    sound = sound && r.damaged.empty() && r.songsChecked == std::size_t(songs) && r.unverified == 0;
    return s;
  };

  const long peakBefore = PeakKb();
  double bestHash = 1e9, bestVerify = 1e9;
  runHash();  // warms the cache
  for (int round = 0; round < 3; ++round) {
    const double h = round % 2 ? (bestVerify = std::min(bestVerify, runVerify()), runHash())
                               : runHash();
    if (h < 0) {
      std::printf("7-Zip (%s) could not hash the store: FAILED\n", sevenZip.c_str());
      return 1;
    }
    bestHash = std::min(bestHash, h);
    if (round % 2 == 0) bestVerify = std::min(bestVerify, runVerify());
  }
  if (!sound) {
    std::printf("the check found damage in a sound store: FAILED\n");
    return 1;
  }
  std::printf("warm cache: 7-Zip h %.3f s (%.0f MB/s), VerifyStore %.3f s (%.0f MB/s)\n", bestHash,
              megabytes / bestHash, bestVerify, megabytes / bestVerify);
  std::printf("ratio %.2f (target <= 1.10)\n", bestVerify / bestHash);
  std::printf("peak memory: %.1f MB before the checks, %.1f MB after (%.0f bytes per song)\n",
              peakBefore / 1024.0, PeakKb() / 1024.0,
              (PeakKb() - peakBefore) * 1024.0 / std::max(songs, 1));

  // A smoke run's tiny store is not worth emptying a shared machine's page cache.
  if (songs < 10000) {
    std::printf("cold cache: not measured (a store this small)\n");
  } else if (geteuid() == 0 && DropCaches()) {
    const double h = runHash();
    DropCaches();
    const double v = runVerify();
    std::printf("cold cache: 7-Zip h %.0f MB/s, VerifyStore %.0f MB/s\n", megabytes / h,
                megabytes / v);
  } else {
    std::printf("cold cache: not measured (dropping the page cache needs root)\n");
  }

  // The manifest of a large store: size on disk and load time.
  {
    orvik::StoreManifest big;
    big.store = fs::absolute(store).lexically_normal();
    std::vector<orvik::ManifestEntry> entries;
    entries.reserve(manifestSongs);
    for (int n = 1; n <= manifestSongs; ++n)
      entries.push_back({SongName(n), 40000u + n % 30000, n * 2654435761u});
    big.Record(std::move(entries), {"BENCH", 0});
    const fs::path bigModule = root / "big";
    fs::create_directories(bigModule);
    orvik::SaveStoreManifest(bigModule, big);
    const auto size = fs::file_size(orvik::StoreManifestPath(bigModule));
    double best = 1e9;
    std::size_t loaded = 0;
    for (int i = 0; i < 3; ++i) {
      const auto start = Clock::now();
      const auto load = orvik::LoadStoreManifest(bigModule, store);
      best = std::min(best, Seconds(start));
      loaded = load.manifest.Entries().size();
    }
    if (loaded != std::size_t(manifestSongs)) {
      std::printf("manifest load: FAILED (%zu entries)\n", loaded);
      return 1;
    }
    std::printf("manifest %d songs: %.1f MB, %.1f bytes per song, load %.3f s\n", manifestSongs,
                size / 1048576.0, static_cast<double>(size) / manifestSongs, best);
  }
  fs::remove_all(root);
  return 0;
}
