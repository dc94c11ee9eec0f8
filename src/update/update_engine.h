// The update engine: update check and worker, event poll, package download and
// extraction, launcher update offer. Owns its worker threads (never detached) and joins
// them in Shutdown(). The window calls it from the UI thread; the workers report through
// the window port (texts, buttons, timers, posted messages).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/control_ids.h"

namespace orvik {

class CServiceClient;
class HttpTransport;
class ProductNumberSource;
class WindowPort;
struct LauncherState;

struct UpdateEngineDeps {
  LauncherState& state;
  CServiceClient& client;
  HttpTransport& transport;
  WindowPort& port;
  ProductNumberSource& products;
  // The window's download-progress operation, called on the download thread per block.
  std::function<void(const DownloadProgressInfo*)> onDownloadProgress;
  // The 7-Zip program; empty: the bundled copy under the module directory, then the PATH.
  std::filesystem::path sevenZip = {};
  // How long the event poll waits for the package before the check gives up.
  std::chrono::milliseconds pollLimit = std::chrono::minutes(10);
};

// "<moduleDir>/<product digits>.zip"; dashes are removed from the product number.
std::filesystem::path ArchivePathFor(const std::filesystem::path& moduleDir,
                                     const std::string& productNumber);

class UpdateEngine {
 public:
  explicit UpdateEngine(UpdateEngineDeps deps);
  ~UpdateEngine();  // Shutdown()
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  // Timer 1, start-up and service selection: starts the update-check thread when the
  // window is active and no check runs.
  void StartUpdateCheck();
  // Timer 2: starts the event-poll thread unless one runs.
  void StartEventPoll();
  // Command 1040 with a ready package: starts the download thread. False when a download
  // or extraction runs already.
  bool StartDownload();
  // On WM_DOWNLOAD_FINISHED (UI thread): joins the finished download thread, clears the
  // downloading mark and, when the download completed, starts the extraction.
  void OnDownloadFinished(bool completed);
  // On WM_UPDATE_STATE 4 or an unpack failure (UI thread): joins the extraction thread.
  void OnExtractionFinished();
  // Blocks until a running update check and event poll have ended (neither tells the
  // window when it ends: a removal or an empty poll changes no control).
  void WaitForChecks();
  bool IsDownloading() const;
  bool IsExtracting() const;

  // Stops every worker promptly (a running download is aborted, its partial file kept)
  // and joins them. Called when the window closes.
  void Shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvik
