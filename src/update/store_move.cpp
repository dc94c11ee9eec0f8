#include "update/store_move.h"

#include <iterator>
#include <system_error>
#include <vector>

#include "core/user_texts.h"
#include "platform/durable_files.h"
#include "platform/held_files.h"
#include "platform/path_text.h"
#include "update/pending_result.h"
#include "update/set_aside.h"
#include "update/store_manifest.h"
#include "update/update_test_hooks.h"

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
  switch (platform::RenameReplacing(j.store / rel, saved)) {
    case platform::RenameOutcome::Ok:
      return platform::MoveOutcome::Ok;
    case platform::RenameOutcome::Held:  // a player reading the old version
      return platform::MoveOutcome::Held;
    case platform::RenameOutcome::OtherVolume:
      return platform::CopyReplacing(j.store / rel, saved);
    default:
      return platform::MoveOutcome::Failed;
  }
}

MoveResult ToResult(platform::MoveOutcome outcome) {
  switch (outcome) {
    case platform::MoveOutcome::Ok:
      return MoveResult::Ok;
    case platform::MoveOutcome::NoSpace:
      return MoveResult::NoSpace;
    case platform::MoveOutcome::Held:
      return MoveResult::Held;
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

// Puts the old version of `target` back; a full volume makes the new one give its room.
bool PutBack(const fs::path& saved, const fs::path& target) {
  if (platform::MoveReplacing(saved, target) == platform::MoveOutcome::Ok) return true;
  platform::RemoveFileRetrying(target);
  return platform::MoveReplacing(saved, target) == platform::MoveOutcome::Ok;
}

// Removes a placed song new to the store, and the folders the update made for it (a folder
// holding anything else stays).
void RemoveNewSong(const StoreJournal& j, const fs::path& target) {
  platform::RemoveFileRetrying(target);
  std::error_code ec;
  for (fs::path dir = target.parent_path(); dir != j.store && dir.has_relative_path();
       dir = dir.parent_path()) {
    if (!fs::remove(dir, ec)) break;
  }
}

// A copy across volumes that a kill cut short leaves its temporary beside the song
// (".<name>.orvik<pid>-<n>", see durable_files): only such names are removed.
void RemoveCutCopies(const StoreJournal& journal, bool backupOwn) {
  std::set<fs::path> folders;
  for (const auto& file : journal.files) folders.insert(file.relative.parent_path());
  std::error_code ec;
  for (const auto& folder : folders) {
    for (const fs::path* root : {&journal.store, &journal.backup}) {
      if (root == &journal.backup && !backupOwn) continue;
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

std::string Describe(const StoreJournal& j) {
  return std::to_string(j.files.size()) + " files, update code " +
         (j.updateCode.empty() ? "-" : j.updateCode);
}

std::string FolderState(const fs::path& folder) {
  std::error_code ec;
  const char* state = !Exists(folder)           ? "gone"
                      : IsOwnWorkFolder(folder) ? "present"
                                                : "not made by the launcher (left alone)";
  return platform::PathToUtf8(folder) + " " + state;
}

// A Moving journal over the right store: as far forward or back as the work folders allow.
void FinishMove(const fs::path& moduleDir, StoreRecovery& r) {
  StoreJournal& j = r.journal;
  const bool stagingOwn = IsOwnWorkFolder(j.staging), backupOwn = IsOwnWorkFolder(j.backup);
  if (stagingOwn && backupOwn && StagedFilesComplete(j)) {
    std::string failed;
    if (RollForward(j, failed) == MoveResult::Ok) {
      SyncTouchedFolders(j);
      AddPendingResult(moduleDir, j.updateCode);
      PromoteManifest(moduleDir, j);
      j.phase = StoreJournal::Phase::Committed;
      WriteStoreJournal(moduleDir, j);
      r.outcome = Recovery::RolledForward;
      r.logLine = "store: an interrupted update was finished at start, " + Describe(j);
      return;
    }
  }
  const bool whole = RollBack(j, &r.count);
  const std::string counts = std::to_string(r.count.putBack) + " old versions put back, " +
                             std::to_string(r.count.removed) + " new songs removed";
  if (!whole) {
    r.outcome = Recovery::Incomplete;
    r.error = true;
    r.logLine = "store: an interrupted update could not be taken back, " + Describe(j) + ", " +
                counts + "; its journal and backups are kept";
    r.statusText = text::kRecoveryIncomplete + platform::PathToUtf8(j.store);
  } else if (stagingOwn && backupOwn) {
    r.outcome = Recovery::RolledBack;
    r.logLine =
        "store: an interrupted update was taken back at start, " + Describe(j) + ", " + counts;
  } else {
    r.outcome = Recovery::LeftInPlace;
    r.error = true;
    r.logLine = "store: an interrupted update's work folders are missing (" +
                FolderState(j.staging) + ", " + FolderState(j.backup) +
                "); its songs are left as found, old or new, each whole, " + Describe(j) + ", " +
                counts + "; journal dropped";
    r.statusText = text::kRecoveryLeftInPlace;
  }
}

}  // namespace

MoveResult PlaceStagedFiles(const StoreJournal& journal, const std::set<fs::path>& unmovableTops,
                            std::string& failedPath) {
  const auto killAfter = test_hooks::KillAfterFiles();
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

bool RollBack(const StoreJournal& journal, RollBackCount* count) {
  RollBackCount local;
  RollBackCount& n = count ? *count : local;
  const bool backupOwn = IsOwnWorkFolder(journal.backup);
  // A song neither staged nor backed up is new to the store only while both folders are
  // this update's: a technician's hand or another PC's journal proves nothing.
  const bool provesNew = backupOwn && IsOwnWorkFolder(journal.staging);
  bool whole = true;
  for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it) {
    const fs::path target = journal.store / it->relative;
    const fs::path saved = journal.backup / it->relative;
    if (backupOwn && Exists(saved)) {
      if (PutBack(saved, target)) {
        ++n.putBack;
      } else {
        whole = false;
      }
    } else if (provesNew && !Exists(journal.staging / it->relative) && HasSize(target, it->size)) {
      RemoveNewSong(journal, target);
      ++n.removed;
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

void CloseJournal(const fs::path& moduleDir, const StoreJournal& journal) {
  std::error_code ec;
  for (const fs::path* folder : {&journal.staging, &journal.backup})
    if (IsOwnWorkFolder(*folder)) fs::remove_all(*folder, ec);
  RemoveStoreJournal(moduleDir);
}

StoreRecovery FinishOpenJournal(const fs::path& moduleDir, const fs::path& songFolder) {
  StoreRecovery r;
  std::error_code ec;
  const fs::path journalPath = StoreJournalPath(moduleDir);
  if (!Exists(journalPath)) {
    DiscardNextManifest(moduleDir);  // staged by an update that never began to move
    return r;
  }
  std::string why;
  auto journal = ReadStoreJournal(moduleDir, &why);
  if (!journal) {
    // Written atomically and checked before it was, so only another hand makes it
    // unreadable; kept for a technician, and no folder it might name is touched.
    const fs::path aside = SetAside(journalPath, ".unreadable");
    r.outcome = Recovery::Unreadable;
    r.error = true;
    r.logLine = "store: the journal of an interrupted update is unreadable (" + why +
                "); set aside as " + platform::PathToUtf8(aside.filename()) + ", nothing touched";
    r.statusText = text::kRecoveryUnreadable + platform::PathToUtf8(journalPath);
    return r;
  }
  r.journal = *journal;
  const fs::path configured = NormalStorePath(songFolder);
  const bool missing = configured.empty() || !fs::is_directory(configured, ec);
  if (missing) {
    r.outcome = Recovery::StoreMissing;
    r.logLine = "store: the song folder of an interrupted update is not there (" +
                platform::PathToUtf8(songFolder) + "); its journal is kept for the next start";
    return r;
  }
  if (journal->store != configured && !fs::equivalent(journal->store, configured, ec)) {
    // Another installation's journal (a module folder copied from another PC): its store
    // and folders are not this launcher's to change.
    const fs::path aside = SetAside(journalPath, ".other-store");
    r.outcome = Recovery::OtherStore;
    r.error = true;
    r.logLine = "store: the journal names the song folder " + platform::PathToUtf8(journal->store) +
                ", not the configured " + platform::PathToUtf8(configured) + "; set aside as " +
                platform::PathToUtf8(aside.filename()) + ", nothing touched";
    r.statusText = text::kRecoveryOtherStore + platform::PathToUtf8(journal->store);
    return r;
  }
  switch (journal->phase) {
    case StoreJournal::Phase::Unpacking:
      r.outcome = Recovery::RolledBack;
      r.logLine = "store: an update interrupted while unpacking left the store untouched";
      break;
    case StoreJournal::Phase::Committed:
      // Promoted before the journal said so; a copy kept by hand is still taken.
      if (Exists(NextManifestPath(moduleDir))) PromoteManifest(moduleDir, r.journal);
      r.outcome = Recovery::RolledForward;
      r.logLine = "store: an interrupted update was finished at start (it had been committed), " +
                  Describe(r.journal);
      break;
    case StoreJournal::Phase::Moving:
      FinishMove(moduleDir, r);
      if (r.outcome == Recovery::Incomplete) return r;
      break;
  }
  // The manifest follows the store: a roll-forward promoted it with the files; back, the
  // staged one goes. Songs left as found may be old or new: their entries go, so nothing
  // stale is trusted.
  DiscardNextManifest(moduleDir);
  if (r.outcome == Recovery::LeftInPlace) {
    std::vector<fs::path> files;
    for (const auto& file : r.journal.files) files.push_back(r.journal.store / file.relative);
    ForgetStoreFiles(moduleDir, r.journal.store, files);
  }
  RemoveCutCopies(r.journal, IsOwnWorkFolder(r.journal.backup));
  CloseJournal(moduleDir, r.journal);
  return r;
}

}  // namespace orvik
