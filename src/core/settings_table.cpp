#include "core/settings_table.h"

#include <optional>
#include <system_error>

#include "platform/files.h"

namespace orvik {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

}  // namespace

std::string SettingsTable::Get(const std::string& key, const std::string& fallback) const {
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(key);
  return it == entries_.end() ? fallback : it->second.value;
}

bool SettingsTable::Has(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return entries_.count(key) != 0;
}

std::string SettingsTable::GetOrInsert(const std::string& key) {
  std::lock_guard lock(mutex_);
  return entries_[key].value;
}

void SettingsTable::Set(const std::string& key, const std::string& value) {
  std::lock_guard lock(mutex_);
  entries_[key].value = value;
}

std::map<std::string, std::string> SettingsTable::Entries() const {
  std::lock_guard lock(mutex_);
  std::map<std::string, std::string> copy;
  for (const auto& [key, entry] : entries_) copy.emplace_hint(copy.end(), key, entry.value);
  return copy;
}

void SettingsTable::Parse(std::string_view text) {
  std::lock_guard lock(mutex_);
  // A text editor's byte-order mark is not part of the first section's name; it is written
  // back as it was found.
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.starts_with(kBom)) {
    text.remove_prefix(kBom.size());
    byteOrderMark_ = true;
  }
  std::string section;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

    line = Trim(line);
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      section.assign(line.substr(1, line.size() - 2));
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = section;
    key += '.';
    key += Trim(line.substr(0, eq));
    entries_[std::move(key)] = Entry{std::string(Trim(line.substr(eq + 1))), section.size()};
  }
}

std::string SettingsTable::Serialize() const {
  std::lock_guard lock(mutex_);
  std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  bool anySection = false;
  std::string lastSection;
  for (const auto& [key, entry] : entries_) {
    const auto dot = entry.sectionLength != std::string::npos ? entry.sectionLength : key.find('.');
    if (dot == std::string::npos) continue;
    const std::string_view section(key.data(), dot);
    // Keys of one section share the "section." prefix, so each section is one run (only
    // sections that hold "." can interleave; a repeated header reads back the same keys).
    if (!anySection || section != lastSection) {
      if (anySection && !lastSection.empty()) out += "\r\n";
      out += '[';
      out += section;
      out += "]\r\n";
      lastSection.assign(section);
      anySection = true;
    }
    out.append(key, dot + 1);
    out += '=';
    out += entry.value;
    out += "\r\n";
  }
  return out;
}

bool LoadSettingsFile(const std::filesystem::path& file, SettingsTable& table) {
  const auto bytes = platform::ReadFileBytes(file);
  if (!bytes) return false;
  table.Parse(*bytes);
  return true;
}

std::filesystem::path SettingsWriteTarget(const std::filesystem::path& file) {
  // A link is written through to its target (atomically there), never replaced by a file.
  std::filesystem::path target = file;
  std::error_code ec;
  for (int depth = 0; depth < 16 && std::filesystem::is_symlink(target, ec); ++depth) {
    const auto next = std::filesystem::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

bool IsReadOnlyForEveryone(const std::filesystem::path& file) {
  using std::filesystem::perms;
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (ec || !std::filesystem::exists(status)) return false;
  return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
         perms::none;
}

bool SaveSettingsFile(const std::filesystem::path& file, const SettingsTable& table) {
  const auto target = SettingsWriteTarget(file);
  if (IsReadOnlyForEveryone(target)) return false;  // the operator's choice: kept as it is
  std::error_code ec;
  const auto status = std::filesystem::status(target, ec);
  std::optional<unsigned> mode;
  if (!ec && std::filesystem::exists(status)) mode = static_cast<unsigned>(status.permissions());
  return platform::WriteFileAtomically(target, table.Serialize(), mode);
}

}  // namespace orvik
