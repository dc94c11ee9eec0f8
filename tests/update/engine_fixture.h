// The update engine against the reference song service, with a recording port playing the
// window: the test thread is the UI thread and hands the posted end messages back to the
// engine as the window does.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "core/product_source.h"
#include "service/service_client.h"
#include "service/system_transport.h"
#include "songsvc/song_service.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"
#include "update/update_engine.h"
#include "update/update_outcome.h"

namespace orvik::test {

using Tree = std::map<std::string, std::string>;  // relative path -> content

Tree ReadTree(const std::filesystem::path& root);
// Song n in the store layout under `root`, with `size` bytes derived from n and `tag`.
void WriteSong(const std::filesystem::path& root, int number, std::size_t size,
               const std::string& tag);
std::string SongPath(int number);  // "K1000/01234.sgd"
// A zip holding exactly these entry names (made with 7-Zip from stdin, names kept as given).
std::string ZipBytes(const Tree& entries);

// Forwards to the real transport; the machine's connection state is set by the test.
class SwitchableTransport : public HttpTransport {
 public:
  explicit SwitchableTransport(HttpTransport& inner) : inner_(inner) {}
  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) override {
    if (formsFail) return std::nullopt;
    return inner_.PostForm(url, form, error);
  }
  std::optional<std::string> GetSecure(const std::string& path,
                                       TransportError* error = nullptr) override {
    return inner_.GetSecure(path, error);
  }
  bool DownloadFile(const std::string& url, const std::filesystem::path& file,
                    TransportError* error = nullptr) override {
    return inner_.DownloadFile(url, file, error);
  }
  FetchResult Fetch(const FetchRequest& request) override { return inner_.Fetch(request); }
  bool IsConnected() override;

  std::atomic<bool> online{true};
  std::atomic<bool> formsFail{false};      // the service is down for form requests
  void Script(std::vector<bool> answers);  // answers of the next IsConnected calls

 private:
  HttpTransport& inner_;
  std::mutex mutex_;
  std::deque<bool> script_;
};

class FixedProducts : public ProductNumberSource {
 public:
  std::optional<ProductInfo> Current() override { return ProductInfo{"1234567890", 0}; }
  std::optional<ProductInfo> ForServiceKey(const std::string& key) override {
    if (key == "tunovaHL" || key == "tunovaUSB") return ProductInfo{"5555000011", 0};
    return std::nullopt;
  }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh engine over the same window state (a new run of the launcher keeps the files).
  void MakeEngine(std::filesystem::path sevenZip = {});
  // A new start of the launcher over the same files: a fresh engine and a full check.
  void Restart();
  // Runs one update check to its end.
  void Check();
  // Check and poll until the package is ready for download.
  void ReachReady();
  // Press of 1040 with a ready package, played through to the end as the window would:
  // gives the final WM_UPDATE_STATE code (4 or 7), or -1 when the download failed.
  int PressUpdate();

  std::filesystem::path Archive() const;
  std::filesystem::path Part() const;
  std::vector<songsvc::RecordedRequest> RequestsTo(const std::string& prefix) const;
  std::vector<long long> PostedStates() const;  // lParams of WM_UPDATE_STATE, in order
  std::string Status() const { return port_.Text(ctl::kStatusLine); }
  // What the engine told the window of each check's end, with its detail.
  std::vector<std::pair<UpdateOutcome, long long>> Outcomes() const;
  std::string PackageBytes() const;  // of the latest insert decision

  // Checks of every failed update: nothing installed, nothing reported, the reason shown.
  void ExpectNothingInstalled(const Tree& storeBefore, const std::string& status);

  TempDir dirs_;
  std::filesystem::path module_, store_, catalog_;
  RecordingPort port_;
  std::unique_ptr<songsvc::SongService> service_;
  std::unique_ptr<HttpTransport> curl_;
  std::unique_ptr<SwitchableTransport> net_;
  LauncherState state_;
  std::unique_ptr<CServiceClient> client_;
  FixedProducts products_;
  std::mutex progressMutex_;
  std::vector<DownloadProgressInfo> progress_;
  std::unique_ptr<UpdateEngine> engine_;
  std::optional<std::size_t> killAfterFiles_;  // the move's kill seam for the next engine
};

}  // namespace orvik::test
