#include "library/song_listing.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/folder_listing.h"
#include "core/log.h"
#include "platform/path_text.h"
#include "platform/system_codepage.h"

namespace orvik {
namespace {

constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
constexpr std::size_t kFlushBytes = 1 << 20;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool MatchesSongPattern(std::string_view name) {
  if (name.size() < 4 || name.find_first_of("\r\n") != std::string_view::npos) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && Upper(tail[1]) == 'S' && Upper(tail[2]) == 'G' && Upper(tail[3]) == 'D';
}

class ListingWalk {
 public:
  ListingWalk(std::ofstream* out, const std::function<void(std::string_view)>& onLine)
      : out_(out), onLine_(onLine) {}

  // `folder` is the full path without a trailing separator.
  bool Walk(std::string& folder) {
    std::vector<platform::FolderEntry> entries;
    platform::FolderId id;
    if (!platform::ListFolder(folder, entries, &id)) return false;
    // A folder that is its own ancestor (a bind mount, a junction) is listed once only.
    if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end()) return true;
    ancestors_.push_back(id);

    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (auto& e : entries) {
      if (e.kind == platform::EntryKind::File && MatchesSongPattern(e.name)) {
        files.push_back(std::move(e.name));
      } else if (e.kind == platform::EntryKind::Folder) {
        folders.push_back(std::move(e.name));
      }
    }
    entries.clear();
    entries.shrink_to_fit();
    std::sort(files.begin(), files.end(), ListingNameLess);
    std::sort(folders.begin(), folders.end(), ListingNameLess);

    const std::size_t base = folder.size();
    folder += kSeparator;
    for (const auto& name : files) {
      folder.resize(base + 1);
      folder += name;
      Emit(folder);
    }
    files = {};
    for (const auto& name : folders) {
      folder.resize(base + 1);
      folder += name;
      Walk(folder);  // an unreadable subfolder is skipped
    }
    folder.resize(base);
    ancestors_.pop_back();
    return true;
  }

  bool Finish() {
    Flush();
    if (!out_) return false;
    out_->flush();
    return static_cast<bool>(*out_);
  }

 private:
  void Emit(std::string_view line) {
    if (onLine_) onLine_(line);
    if (!out_) return;
    // The bytes the system's own "dir" would write; a path its code page cannot hold keeps
    // its UTF-8 form rather than turning into question marks.
    if (!platform::AppendInSystemCodePage(line, buffer_)) {
      buffer_.append(line);
      logging::Warning("inventory: kept as UTF-8 in the listing (not in the system code page): " +
                       std::string(line));
    }
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushBytes) Flush();
  }

  void Flush() {
    if (out_ && !buffer_.empty()) out_->write(buffer_.data(), std::ssize(buffer_));
    buffer_.clear();
  }

  std::ofstream* out_;
  const std::function<void(std::string_view)>& onLine_;
  std::vector<platform::FolderId> ancestors_;
  std::string buffer_;
};

std::string FullFolderText(const std::filesystem::path& songFolder) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(songFolder, ec);
  if (ec) full = songFolder;
  std::string text = platform::PathToUtf8(full);
  while (text.size() > 1 && text.back() == kSeparator) text.pop_back();
  return text;
}

}  // namespace

bool ListingNameLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = Upper(a[i]);
    const char y = Upper(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

ListingOutcome WriteSongListing(const std::filesystem::path& songFolder,
                                const std::filesystem::path& listingFile,
                                const std::function<void(std::string_view line)>& onLine) {
  ListingOutcome outcome;
  std::string folder = FullFolderText(songFolder);
  std::vector<platform::FolderEntry> probe;
  if (folder.empty() || !platform::ListFolder(folder, probe, nullptr)) return outcome;
  outcome.folderFound = true;
  probe = {};

  std::ofstream out(listingFile, std::ios::binary | std::ios::trunc);
  // Without a listing file the songs are still counted; the file is for the operator.
  ListingWalk walk(out ? &out : nullptr, onLine);
  walk.Walk(folder);
  outcome.fileWritten = walk.Finish();
  return outcome;
}

}  // namespace orvik
