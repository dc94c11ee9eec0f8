// The update history: logs/history.csv in the module folder, one line per song update,
// removal and store check, so an operator can tell which songs each update brought.
//
// The file is UTF-8 with a byte-order mark (a spreadsheet on Korean Windows then reads the
// Korean right) and RFC 4180 quoting, CRLF line ends. It rotates as the log does (about
// 1 MiB per file, history.1.csv ... history.4.csv kept) by renames only. Each line is
// written whole and flushed; a line torn by a crash is skipped on reading and cut off
// before the next line is appended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvik {

enum class HistoryKind {
  Update,   // a package committed to the store (or one that failed: see outcome)
  Removal,  // withdrawn songs deleted at the service's request
  Verify,   // a store check; `removed` holds the songs set aside as damaged
};

// One line of the history. The engine fills it as an update runs and appends it once.
struct HistoryEntry {
  std::string time;  // local "2026-12-07 14:03:05"; AppendHistory fills it when empty
  HistoryKind kind = HistoryKind::Update;
  std::string updateCode;
  std::vector<int> added;    // song numbers, in store order
  std::vector<int> removed;  // song numbers
  std::uint64_t bytesDownloaded = 0;
  std::int64_t downloadMs = 0;  // how long each phase took
  std::int64_t unpackMs = 0;
  std::int64_t checkMs = 0;        // a verify run's time
  std::uint64_t songsChecked = 0;  // a verify run's count
  std::string outcome = "ok";      // "ok", or why not (free text, any characters)

  bool Succeeded() const { return outcome == "ok"; }
  bool operator==(const HistoryEntry&) const = default;
};

inline constexpr std::uintmax_t kHistoryFileBytes = 1024 * 1024;
inline constexpr int kHistoryFilesKept = 5;  // history.csv and four older ones

std::filesystem::path HistoryFile(const std::filesystem::path& moduleDir);
// history.<n>.csv; 0 is history.csv itself.
std::filesystem::path HistoryFile(const std::filesystem::path& moduleDir, int generation);

// Appends `entry` to logs/history.csv (the folder and the header made when missing),
// rotating first when the line would take the file past `fileBytes`. Safe from any thread
// of this process. False when the line could not be written (the log says why).
bool AppendHistory(const std::filesystem::path& moduleDir, HistoryEntry entry,
                   std::uintmax_t fileBytes = kHistoryFileBytes);

// Every readable entry of all kept files, oldest first. Lines that do not parse (a torn
// last line, a hand edit) are left out.
std::vector<HistoryEntry> ReadHistory(const std::filesystem::path& moduleDir);

// The newest entry of `kind` that succeeded.
std::optional<HistoryEntry> LastSucceeded(const std::vector<HistoryEntry>& entries,
                                          HistoryKind kind);

// The CSV text of the file's parts, exposed for the tests and the export.
namespace history_csv {
inline constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";
std::string Field(const std::string& value);  // quoted when it must be
std::string Header();                         // with CRLF
std::string Line(const HistoryEntry& entry);  // with CRLF
// Parses `bytes` (BOM and header allowed); `completeBytes` receives the length of the
// prefix that ends with a whole record, so that a torn tail can be cut off.
std::vector<HistoryEntry> Parse(const std::string& bytes, std::size_t* completeBytes = nullptr);
}  // namespace history_csv

const char* HistoryKindName(HistoryKind kind);  // "update", "removal", "verify"
// Local time now, "YYYY-MM-DD HH:MM:SS".
std::string HistoryTimeNow();

}  // namespace orvik
