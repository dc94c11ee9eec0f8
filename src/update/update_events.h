// What the update engine tells whoever shows the update: the window maps these to its
// controls, messages and boxes, `--sync` to console lines and an exit code. Called on the
// engine's worker threads; a receiver that draws must carry them to its own thread.
#pragma once

#include <cstdint>
#include <string>

#include "update/update_outcome.h"

namespace orvik {

// Bytes of the package received so far, resumed part included; total 0: not known yet.
struct DownloadProgress {
  std::uint64_t received = 0;
  std::uint64_t total = 0;
  std::uint64_t capBytesPerSecond = 0;  // the speed cap in force; 0: none
};

enum class UpdateStage {
  Downloading,  // the package's body started to arrive
  Downloaded,   // the whole package is on disk; the unpacking follows at once
  Unpacking,    // the package is being unpacked into the store
};

enum class UpdateQuestion {
  UseLeftoverArchive,  // a package of an earlier run is on disk: install it?
  OpenLauncherUpdate,  // a newer launcher is offered: open its download?
};

enum class UpdateNotice {
  RequestFailed,             // the update event could not be fetched (once per outage)
  LauncherUpdateBadAddress,  // the offered launcher is not at a web address: not opened
};

class UpdateEvents {
 public:
  virtual ~UpdateEvents() = default;

  // How a check, a download or an unpacking ended. `detail`: the HTTP status of HttpError,
  // the number of songs deleted for Removed.
  virtual void OnOutcome(UpdateOutcome outcome, long detail) = 0;
  virtual void OnStage(UpdateStage stage) = 0;
  // The package is installed and reported. `songListDue`: songs were added, so the players'
  // song list must be made again (the receiver says so and starts the list program).
  virtual void OnUpdateFinished(bool songListDue) = 0;
  // An update cut short by a kill or a power cut was finished at start and its songs are
  // in the store: what follows a finished insert (the song list) is due. The check goes on.
  virtual void OnInterruptedUpdateFinished() = 0;
  // Why the last step failed or cannot start, in the operator's words (the status line).
  virtual void OnStatus(const std::string& text) = 0;
  // On the download thread, after every block.
  virtual void OnDownloadProgress(const DownloadProgress& progress) = 0;
  virtual void OnUnpackProgress(int percent) = 0;
  virtual void OnStoreCounting() = 0;
  virtual void OnStoreCounted(int songs) = 0;
  virtual void OnSongsToAdd(int songs) = 0;
  // Blocks the worker until answered; `defaultAnswer` is the answer when nobody is there.
  virtual bool Ask(UpdateQuestion question, bool defaultAnswer) = 0;
  virtual void OnNotice(UpdateNotice notice) = 0;
  // The operator agreed to the launcher update: its (web) address to open.
  virtual void OnOpenAddress(const std::string& address) = 0;
  // Start (every `periodMs`) or stop calling StartEventPoll: the package is being prepared.
  virtual void OnEventPoll(bool run, int periodMs) = 0;
};

}  // namespace orvik
