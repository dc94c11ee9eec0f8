// The update engine: update check and worker, event poll, package download and
// extraction, result report, launcher update offer. Owns its worker threads (never
// detached) and joins them in Shutdown(). The window (or --sync) calls it from its own
// thread; one call starts the download, and the engine goes on by itself to the unpacking,
// the report and the song-list request. Everything it has to say goes through UpdateEvents.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "update/update_events.h"

namespace orvik {

class CServiceClient;
class HttpTransport;
class ProductNumberSource;
struct LauncherState;

struct UpdateEngineDeps {
  LauncherState& state;
  CServiceClient& client;
  HttpTransport& transport;
  UpdateEvents& events;
  ProductNumberSource& products;
  // The 7-Zip program; empty: the bundled copy under the module directory, then the PATH.
  std::filesystem::path sevenZip = {};
  // How long the event poll waits for the package before the check gives up.
  std::chrono::milliseconds pollLimit = std::chrono::minutes(10);
};

// How often the package is asked for while the service prepares it.
inline constexpr int kEventPollMs = 2000;

// "<moduleDir>/<product digits>.zip"; dashes are removed from the product number.
std::filesystem::path ArchivePathFor(const std::filesystem::path& moduleDir,
                                     const std::string& productNumber);

class UpdateEngine {
 public:
  explicit UpdateEngine(UpdateEngineDeps deps);
  ~UpdateEngine();  // Shutdown()
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  // The window's check timer, start-up and service selection: starts the update-check thread when the
  // window is active and no check runs.
  void StartUpdateCheck();
  // Every period asked for by OnEventPoll: starts the event-poll thread unless one runs.
  void StartEventPoll();
  // The operator's go with a ready package: starts the update thread (download, then
  // unpacking, report and song-list request). False when an update runs already.
  bool StartDownload();
  // Blocks until a running update check and event poll have ended (neither tells the
  // window when it ends: a removal or an empty poll changes no control).
  void WaitForChecks();
  // Blocks until a running download and unpacking have ended (an unpacking stopped dead
  // tells no end).
  void WaitForUpdate();
  bool IsDownloading() const;
  bool IsExtracting() const;

  // The window is about to close: no result request starts any more, and one on its way
  // gets up to `grace` to be answered before the transport is stopped. Called before the
  // transport's stop, so that a request the service may have received is not cut
  // unnecessarily (a cut one counts as sent).
  void SettleReports(std::chrono::milliseconds grace);

  // Stops every worker promptly (a running download is aborted, its partial file kept)
  // and joins them. Called when the window closes.
  void Shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvik
