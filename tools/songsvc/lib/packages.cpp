// Song packages: a fresh update code per insert decision, the zip made on its own thread.
#include <cstdio>
#include <random>

#include "catalog.h"
#include "service_impl.h"
#include "zip_writer.h"

namespace songsvc {

namespace fs = std::filesystem;

std::string SongService::Impl::StartPackage(std::vector<int> songs,
                                            const std::map<int, fs::path>& catalog) {
  std::vector<std::pair<int, fs::path>> files;
  for (int number : songs) files.emplace_back(number, catalog.at(number));

  static thread_local std::mt19937 random{std::random_device{}()};
  std::lock_guard lock(mutex);
  char code[32];
  // Upper-case letters and digits only: fresh per connect and unguessable enough for tests.
  std::snprintf(code, sizeof code, "U%06llu%08X", static_cast<unsigned long long>(++codeCounter),
                static_cast<unsigned>(random()));
  songsvc::Package& p = packages[code];
  p.songs = std::move(songs);
  p.file = options.workDir / (std::string(code) + ".zip");
  p.connectedAt = std::chrono::steady_clock::now();
  lastUpdateCode = code;
  builders.emplace_back(&Impl::BuildPackage, this, std::string(code), std::move(files));
  return code;
}

void SongService::Impl::BuildPackage(std::string code,
                                     std::vector<std::pair<int, fs::path>> files) {
  std::vector<ZipEntry> entries;
  for (const auto& [number, source] : files) entries.push_back({SongStorePath(number), source});
  const fs::path target = options.workDir / (code + ".zip");
  const fs::path partial = options.workDir / (code + ".zip.part");
  std::uint64_t size = 0;
  bool ok = true;
  try {
    // Written aside and renamed, so a download never sees half a package.
    size = WriteStoredZip(partial, entries);
    fs::rename(partial, target);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "songsvc: package %s failed: %s\n", code.c_str(), e.what());
    ok = false;
  }
  {
    std::lock_guard lock(mutex);
    songsvc::Package& p = packages[code];
    p.built = ok;
    p.failed = !ok;
    p.size = size;
  }
  changed.notify_all();
}

}  // namespace songsvc

namespace songsvc {

std::string SongService::LastUpdateCode() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->lastUpdateCode;
}

bool SongService::WaitForPackage(const std::string& code, std::chrono::milliseconds timeout) const {
  Impl& d = *impl_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(d.mutex);
  while (true) {
    auto it = d.packages.find(code);
    if (it == d.packages.end() || it->second.failed || d.stopping) return false;
    const auto readyAt = it->second.connectedAt + d.options.preparationDelay;
    const auto now = std::chrono::steady_clock::now();
    if (it->second.built && now >= readyAt) return true;
    if (now >= deadline) return false;
    // Woken by the builder, a new delay or Stop(); else at the moment it becomes ready.
    d.changed.wait_until(lock, it->second.built ? std::min(readyAt, deadline) : deadline);
  }
}

std::filesystem::path SongService::PackageFile(const std::string& code) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->packages.find(code);
  return it == impl_->packages.end() ? std::filesystem::path() : it->second.file;
}

std::optional<int> SongService::ReportedCount(const std::string& code) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->packages.find(code);
  return it == impl_->packages.end() ? std::nullopt : it->second.reportedCount;
}

}  // namespace songsvc
