#include "update/store_journal.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/durable_files.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

constexpr std::string_view kHeader = "orvik store journal 1";
constexpr std::string_view kTrailer = "end";

const char* PhaseName(StoreJournal::Phase phase) {
  switch (phase) {
    case StoreJournal::Phase::Unpacking:
      return "unpacking";
    case StoreJournal::Phase::Moving:
      return "moving";
    case StoreJournal::Phase::Committed:
      return "committed";
  }
  return "";
}

}  // namespace

fs::path StoreJournalPath(const fs::path& moduleDir) { return moduleDir / "store.journal"; }

std::string SerializeJournal(const StoreJournal& journal) {
  std::string out;
  out.reserve(64 + journal.files.size() * 32);
  out.append(kHeader).append("\nphase ").append(PhaseName(journal.phase));
  out.append("\nstore ").append(platform::PathToUtf8(journal.store));
  out.append("\nstaging ").append(platform::PathToUtf8(journal.staging));
  out.append("\nbackup ").append(platform::PathToUtf8(journal.backup));
  out.append("\ncode ").append(journal.updateCode).append("\n");
  for (const auto& file : journal.files) {
    out.append("file ").append(std::to_string(file.size)).append(" ");
    out.append(platform::PathToUtf8(file.relative.generic_u8string())).append("\n");
  }
  out.append(kTrailer).append("\n");
  return out;
}

std::optional<StoreJournal> ParseJournal(std::string_view text) {
  StoreJournal journal;
  bool header = false, ended = false, phase = false;
  std::size_t pos = 0;
  while (pos < text.size() && !ended) {
    auto end = text.find('\n', pos);
    if (end == std::string_view::npos) return std::nullopt;  // torn last line
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!header) {
      if (line != kHeader) return std::nullopt;
      header = true;
      continue;
    }
    if (line == kTrailer) {
      ended = true;
      continue;
    }
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, space), value = line.substr(space + 1);
    if (key == "phase") {
      phase = true;
      if (value == "unpacking") {
        journal.phase = StoreJournal::Phase::Unpacking;
      } else if (value == "moving") {
        journal.phase = StoreJournal::Phase::Moving;
      } else if (value == "committed") {
        journal.phase = StoreJournal::Phase::Committed;
      } else {
        return std::nullopt;
      }
    } else if (key == "store") {
      journal.store = platform::PathFromUtf8(value);
    } else if (key == "staging") {
      journal.staging = platform::PathFromUtf8(value);
    } else if (key == "backup") {
      journal.backup = platform::PathFromUtf8(value);
    } else if (key == "code") {
      journal.updateCode = std::string(value);
    } else if (key == "file") {
      const auto gap = value.find(' ');
      StoreJournal::File file;
      if (gap == std::string_view::npos ||
          std::from_chars(value.data(), value.data() + gap, file.size).ec != std::errc())
        return std::nullopt;
      file.relative = platform::PathFromUtf8(value.substr(gap + 1));
      if (file.relative.empty() || !file.relative.is_relative()) return std::nullopt;
      journal.files.push_back(std::move(file));
    } else {
      return std::nullopt;
    }
  }
  // Folders outside the recorded ones are never touched, so all three must be there.
  if (!ended || !phase || journal.store.empty() || journal.staging.empty() ||
      journal.backup.empty())
    return std::nullopt;
  return journal;
}

bool WriteStoreJournal(const fs::path& moduleDir, const StoreJournal& journal) {
  const std::string text = SerializeJournal(journal);
  // One record per line: a name with a line feed would read back as something else.
  if (std::count(text.begin(), text.end(), '\n') != 7 + static_cast<long>(journal.files.size()))
    return false;
  return platform::WriteFileAtomically(StoreJournalPath(moduleDir), text) &&
         platform::SyncFolder(moduleDir);
}

std::optional<StoreJournal> ReadStoreJournal(const fs::path& moduleDir) {
  const auto bytes = platform::ReadFileBytes(StoreJournalPath(moduleDir));
  if (!bytes) return std::nullopt;
  return ParseJournal(*bytes);
}

void RemoveStoreJournal(const fs::path& moduleDir) {
  std::error_code ec;
  fs::remove(StoreJournalPath(moduleDir), ec);
  platform::SyncFolder(moduleDir);
}

}  // namespace orvik
