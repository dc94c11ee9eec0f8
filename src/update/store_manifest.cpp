#include "update/store_manifest.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <cstdio>
#include <system_error>
#include <unordered_set>

#include "platform/durable_files.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "update/line_value.h"
#include "update/store_journal.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// One line per song, sorted by path; each path is written as the bytes it shares with the
// one before and the rest ("K1000/01234.sgd" after "K1000/01233.sgd": "10 4.sgd"), which
// keeps a million songs near 20 bytes each. The last line holds the count and the CRC-32
// of everything before it, so a torn or edited file is never taken for a manifest.
constexpr std::string_view kFirstLine = "orvik store manifest 1\n";

// A removal on the update worker and a verify on its own change the manifest one at a time.
std::mutex& ChangeMutex() {
  static std::mutex mutex;
  return mutex;
}

std::uint32_t Crc(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const auto chunk = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), chunk);
    bytes.remove_prefix(chunk);
  }
  return static_cast<std::uint32_t>(crc);
}

void AppendHex(std::string& out, std::uint32_t value) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", value);
  out.append(buf, 8);
}

template <typename T>
void AppendNumber(std::string& out, T value) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out.append(buf, end);
}

// A path a manifest may hold: inside the store, and one line.
bool IsRecordablePath(std::string_view path) {
  return IsSafeStoreFileName(path) && path.find_first_of("\r\n\\") == std::string_view::npos;
}

// Reads fields of one line in place.
class Fields {
 public:
  explicit Fields(std::string_view line) : rest_(line) {}
  std::string_view Word() {
    const auto space = rest_.find(' ');
    const std::string_view word = rest_.substr(0, space);
    rest_ = space == std::string_view::npos ? std::string_view{} : rest_.substr(space + 1);
    return word;
  }
  template <typename T>
  bool Number(T& value, int base = 10) {
    const std::string_view word = Word();
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    return ec == std::errc() && end == word.data() + word.size() && !word.empty();
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

bool ParseEntry(Fields f, StoreManifest& m, std::string& previous, std::string* why) {
  ManifestEntry entry;
  const std::string_view crc = f.Word();
  if (crc != "-") {
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(crc.data(), crc.data() + crc.size(), value, 16);
    if (ec != std::errc() || end != crc.data() + crc.size() || crc.size() != 8)
      return Fail(why, "a song line has no CRC-32");
    entry.crc32 = value;
  }
  std::size_t shared = 0;
  if (!f.Number(entry.size) || !f.Number(entry.update) || !f.Number(shared))
    return Fail(why, "a song line is incomplete");
  if (entry.update >= m.Updates().size()) return Fail(why, "a song names no update");
  if (shared > previous.size()) return Fail(why, "a song line shares more than its neighbour");
  entry.path.reserve(shared + f.Rest().size());
  entry.path.assign(previous, 0, shared).append(f.Rest());
  if (!m.Entries().empty() && !(previous < entry.path))
    return Fail(why, "the songs are not in order");
  if (!IsRecordablePath(entry.path)) return Fail(why, "a song lies outside the store");
  previous = entry.path;
  m.Append(std::move(entry));
  return true;
}

std::string Utf8Name(const fs::path& relative) {
  return platform::PathToUtf8(relative.generic_u8string());
}

}  // namespace

const ManifestEntry* StoreManifest::Find(std::string_view path) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), path,
                                   [](const ManifestEntry& e, std::string_view p) {
                                     return std::string_view(e.path) < p;
                                   });
  return it != entries_.end() && it->path == path ? &*it : nullptr;
}

void StoreManifest::Record(std::vector<ManifestEntry> entries, const ManifestUpdate& update) {
  const auto index = static_cast<std::uint32_t>(updates_.size());
  updates_.push_back(update);
  std::erase_if(entries, [](const ManifestEntry& e) { return !IsRecordablePath(e.path); });
  for (auto& e : entries) e.update = index;
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.path < b.path; });
  // The last of equal names wins, as the last write would.
  // (stable: equal names keep their order; unique on the reversed range keeps the last)
  entries.erase(entries.begin(),
                std::unique(entries.rbegin(), entries.rend(),
                            [](const auto& a, const auto& b) { return a.path == b.path; })
                    .base());
  std::vector<ManifestEntry> merged;
  merged.reserve(entries_.size() + entries.size());
  auto old = entries_.begin();
  for (auto& e : entries) {
    while (old != entries_.end() && old->path < e.path) merged.push_back(std::move(*old++));
    if (old != entries_.end() && old->path == e.path) ++old;
    merged.push_back(std::move(e));
  }
  std::move(old, entries_.end(), std::back_inserter(merged));
  entries_ = std::move(merged);
}

std::size_t StoreManifest::Drop(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  const std::size_t before = entries_.size();
  std::erase_if(entries_, [&](const ManifestEntry& e) {
    return std::binary_search(paths.begin(), paths.end(), e.path);
  });
  return before - entries_.size();
}

fs::path StoreManifestPath(const fs::path& moduleDir) { return moduleDir / "store.manifest"; }
fs::path NextManifestPath(const fs::path& moduleDir) { return moduleDir / "store.manifest.next"; }

std::string SerializeManifest(const StoreManifest& m) {
  // Updates no song names any more are left out, and the rest renumbered.
  std::vector<std::uint32_t> renumber(m.Updates().size(), UINT32_MAX);
  std::vector<std::uint32_t> used;
  for (const auto& e : m.Entries())
    if (e.update < renumber.size() && renumber[e.update] == UINT32_MAX) {
      renumber[e.update] = 0;
      used.push_back(e.update);
    }
  std::sort(used.begin(), used.end());
  std::string out(kFirstLine);
  out.reserve(64 + m.Entries().size() * 24);
  out.append("store ").append(EscapeLineValue(platform::PathToUtf8(m.store))).append("\n");
  for (std::uint32_t i = 0; i < used.size(); ++i) {
    renumber[used[i]] = i;
    const ManifestUpdate& u = m.Updates()[used[i]];
    out.append("update ");
    AppendNumber(out, u.time);
    out.append(" ").append(EscapeLineValue(u.code)).append("\n");
  }
  std::size_t count = 0;
  std::string_view previous;
  for (const auto& e : m.Entries()) {
    if (e.update >= renumber.size() || !IsRecordablePath(e.path)) continue;
    if (e.crc32) {
      AppendHex(out, *e.crc32);
    } else {
      out.push_back('-');
    }
    out.push_back(' ');
    AppendNumber(out, e.size);
    out.push_back(' ');
    AppendNumber(out, renumber[e.update]);
    out.push_back(' ');
    const std::size_t shared =
        std::mismatch(previous.begin(), previous.end(), e.path.begin(), e.path.end()).first -
        previous.begin();
    AppendNumber(out, shared);
    out.push_back(' ');
    out.append(e.path, shared).push_back('\n');
    previous = e.path;
    ++count;
  }
  const std::uint32_t crc = Crc(out);
  out.append("end ");
  AppendNumber(out, count);
  out.push_back(' ');
  AppendHex(out, crc);
  out.push_back('\n');
  return out;
}

std::optional<StoreManifest> ParseManifest(std::string_view text, std::string* why) {
  if (!text.starts_with(kFirstLine)) return Fail(why, "not a store manifest"), std::nullopt;
  // The closing line first: nothing of a torn or edited file is read.
  if (text.size() < 2 || text.back() != '\n') return Fail(why, "cut short"), std::nullopt;
  const auto endAt = text.rfind('\n', text.size() - 2) + 1;
  Fields end(text.substr(endAt, text.size() - endAt - 1));
  std::size_t count = 0;
  std::string sum;
  AppendHex(sum, Crc(text.substr(0, endAt)));
  if (end.Word() != "end" || !end.Number(count) || end.Rest() != sum)
    return Fail(why, "cut short or changed (checksum)"), std::nullopt;

  StoreManifest m;
  std::string previous;
  std::size_t pos = kFirstLine.size();
  while (pos < endAt) {
    const auto eol = text.find('\n', pos);
    const std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (line.starts_with("store ")) {
      const auto value = UnescapeLineValue(line.substr(6));
      if (!value) return Fail(why, "the store line is damaged"), std::nullopt;
      m.store = platform::PathFromUtf8(*value);
    } else if (line.starts_with("update ")) {
      Fields f(line.substr(7));
      ManifestUpdate u;
      const bool timed = f.Number(u.time);
      const auto code = UnescapeLineValue(f.Rest());
      if (!timed || !code || !m.Entries().empty())
        return Fail(why, "an update line is damaged"), std::nullopt;
      u.code = *code;
      m.AddUpdate(std::move(u));
    } else if (!ParseEntry(Fields(line), m, previous, why)) {
      return std::nullopt;
    }
  }
  if (m.Entries().size() != count) return Fail(why, "the song count differs"), std::nullopt;
  return m;
}

void ForEachStoreFile(const fs::path& store,
                      const std::function<void(const fs::directory_entry&)>& visit) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(store, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_symlink(ec)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec)) visit(*it);
    ec.clear();
  }
}

StoreManifest ManifestFromStore(const fs::path& store) {
  StoreManifest m;
  m.store = NormalStorePath(store);
  std::vector<ManifestEntry> entries;
  ForEachStoreFile(store, [&](const fs::directory_entry& file) {
    std::error_code ec;
    ManifestEntry e;
    e.path = Utf8Name(file.path().lexically_relative(store));
    e.size = file.file_size(ec);
    if (!ec) entries.push_back(std::move(e));
  });
  m.Record(std::move(entries), {"", 0});
  return m;
}

ManifestLoad LoadStoreManifest(const fs::path& moduleDir, const fs::path& songFolder) {
  ManifestLoad load;
  const fs::path store = NormalStorePath(songFolder);
  load.manifest.store = store;
  const auto bytes = platform::ReadFileBytes(StoreManifestPath(moduleDir));
  if (!bytes) return load;
  std::string why;
  auto parsed = ParseManifest(*bytes, &why);
  if (parsed && parsed->store == store) {
    load.state = ManifestLoad::State::Loaded;
    load.manifest = std::move(*parsed);
    return load;
  }
  if (parsed) {
    load.state = ManifestLoad::State::OtherStore;
    load.logLine = "manifest: it described the song folder " + platform::PathToUtf8(parsed->store) +
                   ", not " + platform::PathToUtf8(store) + "; starting a new one";
    return load;
  }
  load.state = ManifestLoad::State::Rebuilt;
  load.manifest = ManifestFromStore(store);
  const bool saved = SaveStoreManifest(moduleDir, load.manifest);
  load.logLine = "manifest: damaged (" + why + "); rebuilt from the store with " +
                 std::to_string(load.manifest.Entries().size()) +
                 " songs unverified (sizes only)" + (saved ? "" : ", but it could not be saved");
  return load;
}

bool SaveStoreManifest(const fs::path& moduleDir, const StoreManifest& manifest) {
  return platform::WriteFileAtomically(StoreManifestPath(moduleDir), SerializeManifest(manifest)) &&
         platform::SyncFolder(moduleDir);
}

bool StageManifest(const fs::path& moduleDir, const StoreJournal& journal,
                   const std::vector<StatedFile>& stated, std::int64_t now) {
  std::lock_guard lock(ChangeMutex());
  ManifestLoad load = LoadStoreManifest(moduleDir, journal.store);
  std::vector<const StatedFile*> byName;
  byName.reserve(stated.size());
  for (const auto& s : stated) byName.push_back(&s);
  std::sort(byName.begin(), byName.end(),
            [](const StatedFile* a, const StatedFile* b) { return a->path < b->path; });
  std::vector<ManifestEntry> entries;
  entries.reserve(journal.files.size());
  for (const auto& file : journal.files) {
    ManifestEntry e;
    e.path = Utf8Name(file.relative);
    e.size = file.size;
    const auto it = std::lower_bound(
        byName.begin(), byName.end(), e.path,
        [](const StatedFile* s, const std::string& p) { return s->path < p; });
    // A CRC counts only for the size 7-Zip actually wrote.
    if (it != byName.end() && (*it)->path == e.path && (*it)->size == file.size)
      e.crc32 = (*it)->crc32;
    entries.push_back(std::move(e));
  }
  load.manifest.Record(std::move(entries), {journal.updateCode, now});
  return platform::WriteFileAtomically(NextManifestPath(moduleDir),
                                       SerializeManifest(load.manifest)) &&
         platform::SyncFolder(moduleDir);
}

void PromoteManifest(const fs::path& moduleDir, const StoreJournal& journal) {
  const fs::path next = NextManifestPath(moduleDir);
  std::error_code ec;
  if (fs::exists(next, ec)) {
    std::lock_guard lock(ChangeMutex());
    fs::rename(next, StoreManifestPath(moduleDir), ec);
    platform::SyncFolder(moduleDir);
    if (!ec) return;
  }
  std::vector<fs::path> files;
  for (const auto& file : journal.files) files.push_back(journal.store / file.relative);
  ForgetStoreFiles(moduleDir, journal.store, files);
  DiscardNextManifest(moduleDir);
}

void DiscardNextManifest(const fs::path& moduleDir) {
  std::error_code ec;
  if (fs::remove(NextManifestPath(moduleDir), ec)) platform::SyncFolder(moduleDir);
}

bool ForgetStoreFiles(const fs::path& moduleDir, const fs::path& songFolder,
                      const std::vector<fs::path>& files) {
  if (files.empty()) return true;
  std::lock_guard lock(ChangeMutex());
  ManifestLoad load = LoadStoreManifest(moduleDir, songFolder);
  if (load.state == ManifestLoad::State::Missing) return true;
  const fs::path store = NormalStorePath(songFolder);
  std::vector<std::string> paths;
  for (const auto& file : files) {
    const fs::path rel = file.lexically_normal().lexically_relative(store);
    if (!rel.empty() && *rel.begin() != "..") paths.push_back(Utf8Name(rel));
  }
  if (load.manifest.Drop(std::move(paths)) == 0 && load.state == ManifestLoad::State::Loaded)
    return true;
  return SaveStoreManifest(moduleDir, load.manifest);
}

}  // namespace orvik
