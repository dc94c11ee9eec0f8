#include "core/update_history.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <system_error>

#include "core/log.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

constexpr std::size_t kColumns = 13;

// One launcher per module folder, but the engine's threads and --sync may append at once.
std::mutex g_appendMutex;

std::string Numbers(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) {
    if (!text.empty()) text += ' ';
    text += std::to_string(n);
  }
  return text;
}

template <class Int>
bool ParseInt(const std::string& text, Int& out) {
  if (text.empty()) {
    out = 0;
    return true;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseNumbers(const std::string& text, std::vector<int>& out) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    int n = 0;
    if (end > start) {
      if (!ParseInt(text.substr(start, end - start), n) || n < 1) return false;
      out.push_back(n);
    }
    start = end + 1;
  }
  return true;
}

std::optional<HistoryKind> KindNamed(const std::string& name) {
  for (HistoryKind kind : {HistoryKind::Update, HistoryKind::Removal, HistoryKind::Verify})
    if (name == HistoryKindName(kind)) return kind;
  return std::nullopt;
}

std::optional<HistoryEntry> EntryOf(const std::vector<std::string>& f) {
  if (f.size() != kColumns) return std::nullopt;
  HistoryEntry e;
  e.time = f[0];
  const auto kind = KindNamed(f[1]);
  if (!kind || e.time.empty()) return std::nullopt;
  e.kind = *kind;
  e.updateCode = f[2];
  std::size_t addedCount = 0, removedCount = 0;
  if (!ParseInt(f[3], addedCount) || !ParseInt(f[4], removedCount) ||
      !ParseNumbers(f[5], e.added) || !ParseNumbers(f[6], e.removed) ||
      !ParseInt(f[7], e.bytesDownloaded) || !ParseInt(f[8], e.downloadMs) ||
      !ParseInt(f[9], e.unpackMs) || !ParseInt(f[10], e.checkMs) ||
      !ParseInt(f[11], e.songsChecked))
    return std::nullopt;
  // The counts repeat the lists for a reader with a spreadsheet; a mismatch is a hand edit.
  if (addedCount != e.added.size() || removedCount != e.removed.size()) return std::nullopt;
  e.outcome = f[12];
  return e;
}

// Oldest goes, the others move up one; history.csv becomes history.1.csv. Each step is a
// rename, so a crash between two leaves every line in some file.
void Rotate(const fs::path& moduleDir) {
  std::error_code ec;
  fs::remove(HistoryFile(moduleDir, kHistoryFilesKept - 1), ec);
  for (int g = kHistoryFilesKept - 2; g >= 0; --g) {
    const fs::path from = HistoryFile(moduleDir, g);
    if (fs::exists(from, ec)) fs::rename(from, HistoryFile(moduleDir, g + 1), ec);
    if (ec) logging::Warning("history: could not rotate " + platform::PathToUtf8(from));
  }
}

}  // namespace

const char* HistoryKindName(HistoryKind kind) {
  switch (kind) {
    case HistoryKind::Removal:
      return "removal";
    case HistoryKind::Verify:
      return "verify";
    case HistoryKind::Update:
      break;
  }
  return "update";
}

std::string HistoryTimeNow() {
  return platform::LocalTimeText("%Y-%m-%d %H:%M:%S");
}

fs::path HistoryFile(const fs::path& moduleDir) { return HistoryFile(moduleDir, 0); }

fs::path HistoryFile(const fs::path& moduleDir, int generation) {
  const fs::path logs = moduleDir / "logs";
  if (generation == 0) return logs / "history.csv";
  return logs / ("history." + std::to_string(generation) + ".csv");
}

namespace history_csv {

std::string Field(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string Header() {
  return "time,kind,update_code,songs_added,songs_removed,added,removed,bytes_downloaded,"
         "download_ms,unpack_ms,check_ms,songs_checked,outcome\r\n";
}

std::string Line(const HistoryEntry& e) {
  const std::string fields[kColumns] = {
      e.time,
      HistoryKindName(e.kind),
      e.updateCode,
      std::to_string(e.added.size()),
      std::to_string(e.removed.size()),
      Numbers(e.added),
      Numbers(e.removed),
      std::to_string(e.bytesDownloaded),
      std::to_string(e.downloadMs),
      std::to_string(e.unpackMs),
      std::to_string(e.checkMs),
      std::to_string(e.songsChecked),
      e.outcome,
  };
  std::string line;
  for (std::size_t i = 0; i < kColumns; ++i) {
    if (i > 0) line += ',';
    line += Field(fields[i]);
  }
  return line + "\r\n";
}

std::vector<HistoryEntry> Parse(const std::string& bytes, std::size_t* completeBytes) {
  std::vector<HistoryEntry> entries;
  std::size_t i = bytes.starts_with(kByteOrderMark) ? 3 : 0;
  std::size_t complete = i;
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false, wasQuoted = false;
  auto endRecord = [&] {
    fields.push_back(std::move(field));
    field.clear();
    wasQuoted = false;
    if (fields.size() == kColumns && fields[0] == "time") {
      // the header
    } else if (auto entry = EntryOf(fields)) {
      entries.push_back(std::move(*entry));
    }
    fields.clear();
  };
  for (; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
      wasQuoted = false;
    } else if (c == '\n') {
      if (!field.empty() && field.back() == '\r' && !wasQuoted) field.pop_back();
      endRecord();
      complete = i + 1;
    } else if (c == '\r' && wasQuoted) {
      // the CR of a CRLF after a closing quote
    } else {
      field += c;
    }
  }
  // Whatever follows the last line break is a line the writer never finished.
  if (completeBytes) *completeBytes = complete;
  return entries;
}

}  // namespace history_csv

bool AppendHistory(const fs::path& moduleDir, HistoryEntry entry, std::uintmax_t fileBytes) {
  if (entry.time.empty()) entry.time = HistoryTimeNow();
  const std::string line = history_csv::Line(entry);
  const fs::path file = HistoryFile(moduleDir);
  std::lock_guard lock(g_appendMutex);
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);

  std::uintmax_t size = 0;
  if (const auto bytes = platform::ReadFileBytes(file)) {
    std::size_t complete = 0;
    history_csv::Parse(*bytes, &complete);
    if (complete < bytes->size()) {
      // A line torn by a crash: cut it off so the new line starts on its own.
      logging::Warning("history: a torn last line of " + platform::PathToUtf8(file) +
                       " was cut off (" + std::to_string(bytes->size() - complete) + " bytes)");
      fs::resize_file(file, complete, ec);
      if (ec) {
        logging::Error("history: could not cut a torn line off: " + ec.message());
        return false;
      }
    }
    size = complete;
  }
  const std::size_t headBytes = 3 + history_csv::Header().size();
  if (size > headBytes && size + line.size() > fileBytes) {
    Rotate(moduleDir);
    size = 0;
  }
  if (size < headBytes) size = 0;  // no whole line yet (a torn header): start afresh

  std::FILE* out = platform::OpenFileStream(file, size == 0 ? "wb" : "ab");
  if (!out) {
    logging::Error("history: cannot open " + platform::PathToUtf8(file));
    return false;
  }
  std::string text;
  if (size == 0) text = std::string(history_csv::kByteOrderMark) + history_csv::Header();
  text += line;
  // One write, flushed to disk: a crash or a power cut can tear this line, never an earlier
  // one, and an update the store holds is not left out of its history.
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size() &&
                  platform::SyncFileStream(out);
  if (std::fclose(out) != 0 || !ok) {
    logging::Error("history: could not write " + platform::PathToUtf8(file));
    return false;
  }
  return true;
}

std::vector<HistoryEntry> ReadHistory(const fs::path& moduleDir) {
  std::vector<HistoryEntry> all;
  for (int g = kHistoryFilesKept - 1; g >= 0; --g) {
    const auto bytes = platform::ReadFileBytes(HistoryFile(moduleDir, g));
    if (!bytes) continue;
    auto entries = history_csv::Parse(*bytes);
    all.insert(all.end(), std::make_move_iterator(entries.begin()),
               std::make_move_iterator(entries.end()));
  }
  return all;
}

std::optional<HistoryEntry> LastSucceeded(const std::vector<HistoryEntry>& entries,
                                          HistoryKind kind) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->kind == kind && it->Succeeded()) return *it;
  return std::nullopt;
}

}  // namespace orvik
