#include "update/store_move.h"

#include <iterator>
#include <system_error>

#include "platform/durable_files.h"
#include "platform/path_text.h"
#include "update/pending_result.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

bool HasSize(const fs::path& file, std::uint64_t size) {
  std::error_code ec;
  const auto status = fs::symlink_status(file, ec);
  return !ec && fs::is_regular_file(status) && fs::file_size(file, ec) == size && !ec;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

// The first component of a relative path when it names a folder ("K1000" of
// "K1000/01234.sgd"); empty for a file at the top.
fs::path TopFolder(const fs::path& rel) {
  auto it = rel.begin();
  if (it == rel.end() || std::next(it) == rel.end()) return {};
  return *it;
}

// Keeps the store's version of `rel` in the backup folder. Across volumes the old file is
// copied and left standing: the new one then replaces it in one rename.
platform::MoveOutcome BackUp(const StoreJournal& j, const fs::path& rel) {
  const fs::path saved = j.backup / rel;
  std::error_code ec;
  fs::create_directories(saved.parent_path(), ec);
  fs::rename(j.store / rel, saved, ec);
  if (!ec) return platform::MoveOutcome::Ok;
  if (ec != std::errc::cross_device_link) return platform::MoveOutcome::Failed;
  return platform::CopyReplacing(j.store / rel, saved);
}

MoveResult ToResult(platform::MoveOutcome outcome) {
  switch (outcome) {
    case platform::MoveOutcome::Ok:
      return MoveResult::Ok;
    case platform::MoveOutcome::NoSpace:
      return MoveResult::NoSpace;
    default:
      return MoveResult::Failed;
  }
}

// Places one staged file whose old version (if any) is not yet backed up.
MoveResult PlaceOne(const StoreJournal& j, const fs::path& rel, fs::path& madeParent) {
  const fs::path target = j.store / rel;
  std::error_code ec;
  if (target.parent_path() != madeParent) {
    fs::create_directories(target.parent_path(), ec);
    madeParent = target.parent_path();
  }
  const auto existing = fs::symlink_status(target, ec);
  if (fs::is_directory(existing)) return MoveResult::Failed;  // never a folder by a file
  if (fs::exists(existing) && !Exists(j.backup / rel)) {
    const MoveResult saved = ToResult(BackUp(j, rel));
    if (saved != MoveResult::Ok) return saved;
  }
  return ToResult(platform::MoveReplacing(j.staging / rel, target));
}

}  // namespace

MoveResult PlaceStagedFiles(const StoreJournal& journal, const std::set<fs::path>& unmovableTops,
                            std::string& failedPath, std::optional<std::size_t> killAfter) {
  const auto& files = journal.files;
  fs::path madeParent;
  std::error_code ec;
  for (std::size_t i = 0; i < files.size();) {
    if (killAfter && i >= *killAfter) return MoveResult::Killed;
    const fs::path top = TopFolder(files[i].relative);
    if (!top.empty() && !unmovableTops.contains(top) && !Exists(journal.store / top)) {
      fs::rename(journal.staging / top, journal.store / top, ec);
      if (!ec) {
        while (i < files.size() && TopFolder(files[i].relative) == top) ++i;
        continue;
      }
    }
    const MoveResult placed = PlaceOne(journal, files[i].relative, madeParent);
    if (placed != MoveResult::Ok) {
      failedPath = platform::PathToUtf8((journal.store / files[i].relative));
      return placed;
    }
    ++i;
  }
  if (killAfter && files.size() >= *killAfter) return MoveResult::Killed;
  return MoveResult::Ok;
}

bool StagedFilesComplete(const StoreJournal& journal) {
  for (const auto& file : journal.files) {
    const fs::path staged = journal.staging / file.relative;
    if (Exists(staged) ? !HasSize(staged, file.size)
                       : !HasSize(journal.store / file.relative, file.size))
      return false;
  }
  return true;
}

bool RollBack(const StoreJournal& journal) {
  std::error_code ec;
  bool whole = true;
  for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it) {
    const fs::path target = journal.store / it->relative;
    const fs::path saved = journal.backup / it->relative;
    if (Exists(saved)) {
      if (platform::MoveReplacing(saved, target) == platform::MoveOutcome::Ok) continue;
      // A full volume: the new version gives its room to the old one.
      fs::remove(target, ec);
      if (platform::MoveReplacing(saved, target) != platform::MoveOutcome::Ok) whole = false;
    } else if (!Exists(journal.staging / it->relative)) {
      fs::remove(target, ec);  // placed, and new to the store
      // Folders the update made go with it; a folder holding anything else stays.
      for (fs::path dir = target.parent_path(); dir != journal.store && dir.has_relative_path();
           dir = dir.parent_path()) {
        if (!fs::remove(dir, ec)) break;
      }
    }
  }
  return whole;
}

MoveResult RollForward(const StoreJournal& journal, std::string& failedPath) {
  fs::path madeParent;
  for (const auto& file : journal.files) {
    if (!Exists(journal.staging / file.relative)) continue;
    const MoveResult placed = PlaceOne(journal, file.relative, madeParent);
    if (placed != MoveResult::Ok) {
      failedPath = platform::PathToUtf8((journal.store / file.relative));
      return placed;
    }
  }
  return MoveResult::Ok;
}

void SyncTouchedFolders(const StoreJournal& journal) {
  std::set<fs::path> folders;
  for (const auto& file : journal.files) {
    const fs::path parent = file.relative.parent_path();
    if (!folders.insert(parent).second) continue;
    platform::SyncFolder(journal.store / parent);
    platform::SyncFolder(journal.backup / parent);
  }
  platform::SyncFolder(journal.store);
}

// A copy across volumes that a kill cut short leaves its temporary beside the song
// (".<name>.orvik<pid>-<n>", see durable_files): only such names are removed.
void RemoveCutCopies(const StoreJournal& journal) {
  std::set<fs::path> folders;
  for (const auto& file : journal.files) folders.insert(file.relative.parent_path());
  std::error_code ec;
  for (const auto& folder : folders) {
    for (const fs::path* root : {&journal.store, &journal.backup}) {
      for (auto it = fs::directory_iterator(*root / folder, ec);
           !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = platform::PathToUtf8(it->path().filename());
        if (name.starts_with(".") && name.find(".orvik") != std::string::npos &&
            it->is_regular_file(ec))
          fs::remove(it->path(), ec);
      }
      ec.clear();
    }
  }
}

void CloseJournal(const fs::path& moduleDir, const StoreJournal& journal) {
  std::error_code ec;
  fs::remove_all(journal.staging, ec);
  fs::remove_all(journal.backup, ec);
  RemoveStoreJournal(moduleDir);
}

Recovery FinishOpenJournal(const fs::path& moduleDir, StoreJournal* finished) {
  std::error_code ec;
  if (!fs::exists(StoreJournalPath(moduleDir), ec)) return Recovery::None;
  auto journal = ReadStoreJournal(moduleDir);
  if (!journal) {
    // Written atomically, so only another hand makes it unreadable; kept for a technician,
    // and no folder it might name is touched.
    fs::path aside = StoreJournalPath(moduleDir);
    aside += ".unreadable";
    fs::rename(StoreJournalPath(moduleDir), aside, ec);
    return Recovery::Unreadable;
  }
  if (finished) *finished = *journal;
  Recovery outcome = Recovery::RolledBack;
  if (journal->phase == StoreJournal::Phase::Committed) {
    outcome = Recovery::RolledForward;
  } else if (journal->phase == StoreJournal::Phase::Moving && StagedFilesComplete(*journal)) {
    std::string failed;
    if (RollForward(*journal, failed) == MoveResult::Ok) outcome = Recovery::RolledForward;
  }
  if (outcome == Recovery::RolledBack && journal->phase == StoreJournal::Phase::Moving &&
      !RollBack(*journal)) {
    return Recovery::Incomplete;  // the journal and its backups stay for the next start
  }
  if (outcome == Recovery::RolledForward && journal->phase != StoreJournal::Phase::Committed) {
    SyncTouchedFolders(*journal);
    AddPendingResult(moduleDir, journal->updateCode);
    journal->phase = StoreJournal::Phase::Committed;
    WriteStoreJournal(moduleDir, *journal);
  }
  RemoveCutCopies(*journal);
  CloseJournal(moduleDir, *journal);
  return outcome;
}

}  // namespace orvik
