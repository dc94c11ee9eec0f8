#include "window/history_view.h"

#include <algorithm>
#include <cctype>

#include "core/user_texts.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace orvik {
namespace {

const char* KindText(HistoryKind kind) {
  switch (kind) {
    case HistoryKind::Removal:
      return text::kHistoryKindRemoval;
    case HistoryKind::Verify:
      return text::kHistoryKindVerify;
    case HistoryKind::Update:
      break;
  }
  return text::kHistoryKindUpdate;
}

std::string OutcomeText(const HistoryEntry& entry) {
  return entry.Succeeded() ? text::kHistoryOutcomeOk : entry.outcome;
}

// A song number as the store names it: at least five digits.
std::string SongNumber(int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  return digits;
}

// One line per entry on the console: the outcome may hold line breaks.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

}  // namespace

HistoryView::HistoryView(std::vector<HistoryEntry> oldestFirst) : entries_(std::move(oldestFirst)) {
  std::reverse(entries_.begin(), entries_.end());
}

HistoryView HistoryView::Load(const std::filesystem::path& moduleDir) {
  return HistoryView(ReadHistory(moduleDir));
}

std::vector<std::string> HistoryView::ColumnTitles() {
  return {text::kHistoryColumnTime,  text::kHistoryColumnKind,    text::kHistoryColumnCode,
          text::kHistoryColumnAdded, text::kHistoryColumnRemoved, text::kHistoryColumnOutcome};
}

const HistoryEntry& HistoryView::Entry(std::size_t row) const { return entries_.at(row); }

std::vector<std::string> HistoryView::Cells(std::size_t row) const {
  const HistoryEntry& e = Entry(row);
  return {e.time,
          KindText(e.kind),
          e.updateCode.empty() ? "-" : e.updateCode,
          std::to_string(e.added.size()),
          std::to_string(e.removed.size()),
          OutcomeText(e)};
}

std::vector<std::string> HistoryView::SongLines(std::size_t row) const {
  const HistoryEntry& e = Entry(row);
  std::vector<std::string> lines;
  for (int n : e.added) lines.push_back(SongNumber(n));
  const char* mark =
      e.kind == HistoryKind::Verify ? text::kHistorySongSetAside : text::kHistorySongRemoved;
  for (int n : e.removed) lines.push_back(SongNumber(n) + mark);
  return lines;
}

bool HistoryView::CanExport(std::size_t row) const {
  return row < entries_.size() && !entries_[row].added.empty();
}

ExportFormat ExportFormatFor(const std::filesystem::path& file) {
  std::string ext = platform::PathToUtf8(file.extension());
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".csv" ? ExportFormat::Csv : ExportFormat::Text;
}

std::string ExportText(const HistoryEntry& entry, ExportFormat format) {
  std::string out;
  if (format == ExportFormat::Csv)
    out = std::string(history_csv::kByteOrderMark) + text::kHistorySongsTitle + "\r\n";
  for (int n : entry.added) out += SongNumber(n) + "\r\n";
  return out;
}

std::string DefaultExportName(const HistoryEntry& entry, ExportFormat format) {
  return "new_songs_" + entry.time.substr(0, 10) + (format == ExportFormat::Csv ? ".csv" : ".txt");
}

bool ExportNewSongs(const std::filesystem::path& file, const HistoryEntry& entry) {
  return platform::WriteFileAtomically(file, ExportText(entry, ExportFormatFor(file)));
}

std::vector<std::string> HistoryConsoleLines(const std::vector<HistoryEntry>& oldestFirst,
                                             std::size_t count) {
  std::vector<std::string> lines;
  if (oldestFirst.empty()) {
    lines.emplace_back(text::kHistoryEmpty);
    return lines;
  }
  const std::size_t first = oldestFirst.size() > count ? oldestFirst.size() - count : 0;
  for (std::size_t i = first; i < oldestFirst.size(); ++i) {
    const HistoryEntry& e = oldestFirst[i];
    std::string line = e.time + "  " + HistoryKindName(e.kind) + "  " +
                       (e.updateCode.empty() ? "-" : OneLine(e.updateCode)) + "  +" +
                       std::to_string(e.added.size()) + " -" + std::to_string(e.removed.size());
    if (e.bytesDownloaded > 0) line += "  " + std::to_string(e.bytesDownloaded) + " bytes";
    if (e.downloadMs > 0 || e.unpackMs > 0)
      line += "  download " + std::to_string(e.downloadMs) + " ms, unpack " +
              std::to_string(e.unpackMs) + " ms";
    if (e.kind == HistoryKind::Verify)
      line += "  " + std::to_string(e.songsChecked) + " checked in " + std::to_string(e.checkMs) +
              " ms";
    line += "  " + OneLine(e.outcome);
    lines.push_back(std::move(line));
    std::string songs;
    for (int n : e.added) songs += " " + SongNumber(n);
    for (int n : e.removed) songs += " -" + SongNumber(n);
    if (!songs.empty()) lines.push_back("   " + songs);
  }
  return lines;
}

}  // namespace orvik
