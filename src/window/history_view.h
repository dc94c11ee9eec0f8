// What the update-history window shows, without a toolkit: the entries newest first, the
// cells of each row, the song numbers of the selected one and the export of its new songs
// for a "new songs" poster. The Qt and Win32 windows only draw this; --history prints it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "core/update_history.h"

namespace orvik {

enum class ExportFormat { Text, Csv };

class HistoryView {
 public:
  // `oldestFirst` as ReadHistory returns it: file order, so a clock set back keeps the order.
  explicit HistoryView(std::vector<HistoryEntry> oldestFirst);
  static HistoryView Load(const std::filesystem::path& moduleDir);

  static std::vector<std::string> ColumnTitles();
  std::size_t RowCount() const { return entries_.size(); }
  // Row 0 is the newest entry.
  const HistoryEntry& Entry(std::size_t row) const;
  std::vector<std::string> Cells(std::size_t row) const;
  // The songs the row's entry brought, then the ones it took away (marked).
  std::vector<std::string> SongLines(std::size_t row) const;
  // Only an entry that brought songs has anything to export.
  bool CanExport(std::size_t row) const;

 private:
  std::vector<HistoryEntry> entries_;  // newest first
};

// .csv (any case) is CSV; anything else plain text.
ExportFormat ExportFormatFor(const std::filesystem::path& file);
// The new song numbers, one a line (CRLF): plain, or CSV with a BOM and a title row.
std::string ExportText(const HistoryEntry& entry, ExportFormat format);
// "new_songs_2026-12-07.txt" or ".csv": what the save dialog proposes.
std::string DefaultExportName(const HistoryEntry& entry, ExportFormat format);
// Writes the export to `file` whole or not at all.
bool ExportNewSongs(const std::filesystem::path& file, const HistoryEntry& entry);

// `orvik --history N`: the last `count` entries, oldest of them first so the newest ends
// next to the prompt; each with a line of its song numbers when it has any.
std::vector<std::string> HistoryConsoleLines(const std::vector<HistoryEntry>& oldestFirst,
                                             std::size_t count);

}  // namespace orvik
