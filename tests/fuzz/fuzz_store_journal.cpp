// The store journal's reader: any bytes parse without a crash, and whatever it accepts names
// only files inside the store and work folders beside it (or in the module folder), and
// reads back unchanged once written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/path_text.h"
#include "update/store_journal.h"

namespace {

const std::filesystem::path kModule = "/pc/module";

bool Inside(const std::filesystem::path& rel) {
  if (rel.empty() || rel.is_absolute() || rel.has_root_name()) return false;
  for (const auto& part : rel)
    if (part == ".." || part == "." || part.empty()) return false;
  return orvik::IsSafeStoreFileName(orvik::platform::PathToUtf8(rel));
}

bool Beside(const std::filesystem::path& folder, const std::filesystem::path& store) {
  return folder.parent_path() == store.parent_path() || folder.parent_path() == kModule;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto journal = orvik::ParseJournal(input, kModule);
  if (!journal) return 0;
  if (!journal->store.is_absolute() || !Beside(journal->staging, journal->store) ||
      !Beside(journal->backup, journal->store) || journal->staging == journal->store ||
      journal->backup == journal->store)
    std::abort();
  for (const auto& file : journal->files)
    if (!Inside(file.relative)) std::abort();
  const std::string once = orvik::SerializeJournal(*journal);
  const auto again = orvik::ParseJournal(once, kModule);
  if (!again || orvik::SerializeJournal(*again) != once) std::abort();
  return 0;
}
