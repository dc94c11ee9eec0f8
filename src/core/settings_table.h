// The settings table behind setting.env: an ordered map from "section.entry" to value.
// Thread-safe: the window changes it on the UI thread while workers read song folders.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace orvik {

class SettingsTable {
 public:
  // Plain lookup: the table is left unchanged when the key is absent.
  std::string Get(const std::string& key, const std::string& fallback = {}) const;
  bool Has(const std::string& key) const;
  // Indexed lookup: an absent key is inserted with an empty value, so it is written back.
  std::string GetOrInsert(const std::string& key);
  void Set(const std::string& key, const std::string& value);

  // Parses file bytes (LF or CR LF lines) into the table, over what it already holds.
  void Parse(std::string_view text);
  // The file text: sections in key order, CR LF line ends.
  std::string Serialize() const;
  std::map<std::string, std::string> Entries() const;

 private:
  struct Entry {
    std::string value;
    // Length of the section part of the key as read from the file. A section name may
    // itself hold "."; saving splits there instead of at the first "." so such an entry
    // reads back as the same key. npos: split at the first ".".
    std::size_t sectionLength = std::string::npos;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  bool byteOrderMark_ = false;  // the file began with a UTF-8 byte-order mark
};

// Silent on failure, as the launcher's own files are: a missing file leaves the table empty.
bool LoadSettingsFile(const std::filesystem::path& file, SettingsTable& table);
// Atomic replace (temporary file in the same folder, flushed, renamed): a failed save
// leaves the previous file intact. The file keeps its permission bits; a link is written
// through to its target; a file nobody may write is left alone. Returns false when nothing
// was saved.
bool SaveSettingsFile(const std::filesystem::path& file, const SettingsTable& table);
// Where a save of `file` writes: the end of its chain of links, or the file itself.
std::filesystem::path SettingsWriteTarget(const std::filesystem::path& file);
// True when the file exists and has no write bit for anyone.
bool IsReadOnlyForEveryone(const std::filesystem::path& file);

}  // namespace orvik
