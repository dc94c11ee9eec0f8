// Moving staged files into the song store under a journal, and finishing an update that a
// kill or a power cut interrupted. Where a file stands tells how far it got: still in the
// staging folder (not placed), the old version in the backup folder (replaced), neither
// (placed; new to the store). The renames record the progress; the journal names the files.
//
// Recovery removes only what it can show this update placed: a song is replaced by its
// backup, or removed as new to the store only while both work folders are provably this
// update's (their markers) and the song has the journal's size. Without them every song
// stays as found: old or new, each is whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>

#include "update/store_journal.h"

namespace orvik {

// Held: another program kept a song open past the retries (platform/held_files.h).
enum class MoveResult { Ok, NoSpace, Failed, Killed, Held };

// Places the journal's files; the caller has written the journal (phase Moving) before.
// A new top folder that holds only files and folders moves in with one rename. Stops at the
// first failure without taking anything back (RollBack does). Stops dead as a kill would
// when the test hook (update_test_hooks.h) says so.
MoveResult PlaceStagedFiles(const StoreJournal& journal,
                            const std::set<std::filesystem::path>& unmovableTops,
                            std::string& failedPath);

// Every journal file is either still staged with its size, or placed with its size.
bool StagedFilesComplete(const StoreJournal& journal);

struct RollBackCount {
  std::size_t putBack = 0;  // old versions back from the backup folder
  std::size_t removed = 0;  // new songs taken out of the store
};
// Puts back every replaced file and removes every placed new one, as far as the work
// folders prove it (see above). False when an old version could not be put back (its
// backup is kept).
bool RollBack(const StoreJournal& journal, RollBackCount* count = nullptr);
// Places what is still staged. The outcome of the first failure, Ok when all are placed.
MoveResult RollForward(const StoreJournal& journal, std::string& failedPath);
// Flushes the folders the move touched, so the journal is closed only over durable renames.
void SyncTouchedFolders(const StoreJournal& journal);
// Removes the journal's work folders that carry their marker, then the journal.
void CloseJournal(const std::filesystem::path& moduleDir, const StoreJournal& journal);

enum class Recovery {
  None,           // no open journal
  RolledForward,  // the update was finished
  RolledBack,     // the store is as before the update
  LeftInPlace,    // the work folders were gone or not the launcher's: songs left as found
  Incomplete,     // an old version could not be put back: journal and backups kept
  Unreadable,     // damaged or naming folders the launcher never makes: set aside
  OtherStore,     // names another song folder than the configured one: set aside
  StoreMissing,   // the song folder is not there (a disk not mounted): kept for later
};

struct StoreRecovery {
  Recovery outcome = Recovery::None;
  StoreJournal journal;  // as read; empty when it could not be
  RollBackCount count;
  bool error = false;      // the log line is an error
  std::string logLine;     // what was found and done; empty for None
  std::string statusText;  // for the status line; empty when the operator need not know
};

// Finishes an open journal of `moduleDir` over the configured `songFolder`: forward when the
// staged files are complete, else back, as far as the work folders allow.
StoreRecovery FinishOpenJournal(const std::filesystem::path& moduleDir,
                                const std::filesystem::path& songFolder);

}  // namespace orvik
