// Moving staged files into the song store under a journal, and finishing an update that a
// kill or a power cut interrupted. Where a file stands tells how far it got: still in the
// staging folder (not placed), the old version in the backup folder (replaced), neither
// (placed; new to the store). The renames record the progress; the journal names the files.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "update/store_journal.h"

namespace orvik {

enum class MoveResult { Ok, NoSpace, Failed, Killed };

// Places the journal's files; the caller has written the journal (phase Moving) before.
// A new top folder that holds only files and folders moves in with one rename. Stops at the
// first failure without taking anything back (RollBack does). `killAfter`: a test seam that
// stops dead after that many files, as a kill would.
MoveResult PlaceStagedFiles(const StoreJournal& journal,
                            const std::set<std::filesystem::path>& unmovableTops,
                            std::string& failedPath, std::optional<std::size_t> killAfter = {});

// Every journal file is either still staged with its size, or placed with its size.
bool StagedFilesComplete(const StoreJournal& journal);
// Puts back every replaced file and removes every placed new one. False when an old
// version could not be put back (its backup is kept).
bool RollBack(const StoreJournal& journal);
// Places what is still staged. The outcome of the first failure, Ok when all are placed.
MoveResult RollForward(const StoreJournal& journal, std::string& failedPath);
// Flushes the folders the move touched, so the journal is closed only over durable renames.
void SyncTouchedFolders(const StoreJournal& journal);
// Removes the journal's own staging and backup folders, then the journal.
void CloseJournal(const std::filesystem::path& moduleDir, const StoreJournal& journal);

enum class Recovery { None, RolledForward, RolledBack, Incomplete, Unreadable };
// Finishes an open journal of `moduleDir`: forward when the staged files are complete,
// else back. `journal` (may be null) receives the journal that was finished.
Recovery FinishOpenJournal(const std::filesystem::path& moduleDir, StoreJournal* journal = nullptr);

}  // namespace orvik
