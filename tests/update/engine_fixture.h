// The update engine against the reference song service, with a recorder of its events
// playing the window.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
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
#include "support/temp_dir.h"
#include "update/update_engine.h"
#include "update/update_events.h"
#include "update/update_outcome.h"

namespace orvik::test {

// Song n in the store layout under `root`, with `size` bytes derived from n and `tag`.
void WriteSong(const std::filesystem::path& root, int number, std::size_t size,
               const std::string& tag);
std::string SongPath(int number);  // "K1000/01234.sgd"
// A zip holding exactly these entry names (made with 7-Zip from stdin, names kept as given).
std::string ZipBytes(const Tree& entries);

// Forwards to the real transport; the machine's connection state is set by the test.
class SwitchableTransport : public HttpTransport {
 public:
  // `closing`: the window's close, which ends every transfer.
  SwitchableTransport(HttpTransport& inner, std::stop_token closing)
      : inner_(inner), closing_(std::move(closing)) {}
  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) override;
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
  // Result requests reach the service, but their answer is held until the window closes.
  std::atomic<bool> holdResults{false};
  void Script(std::vector<bool> answers);  // answers of the next IsConnected calls
  bool WaitForHeldResult();                // a result request was delivered and is held

 private:
  HttpTransport& inner_;
  std::stop_token closing_;
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::deque<bool> script_;
  int held_ = 0;
};

class FixedProducts : public ProductNumberSource {
 public:
  std::optional<ProductInfo> Current() override { return ProductInfo{"1234567890", 0}; }
  std::optional<ProductInfo> ForServiceKey(const std::string& key) override {
    if (key == "tunovaHL" || key == "tunovaUSB") return ProductInfo{"5555000011", 0};
    return std::nullopt;
  }
};

// Every event of the engine in order; questions are answered from a script. Thread-safe:
// the engine's workers call it.
class EventRecorder : public UpdateEvents {
 public:
  struct Event {
    // "outcome" (value: outcome, extra: detail), "step" (text), "status" (text), "progress"
    // (value: received, extra: total, text: the speed cap), "unpack" (value), "counting", "counted" (value),
    // "to add" (value), "ask" (value: question), "notice" (value), "open" (text), "poll"
    // (value: running, extra: period)
    std::string kind;
    long long value = 0;
    long long extra = 0;
    std::string text;
  };

  void OnOutcome(UpdateOutcome outcome, long detail) override;
  void OnStage(UpdateStage stage) override;
  void OnUpdateFinished(bool songListDue) override;
  void OnInterruptedUpdateFinished() override { Record({"step", 0, 0, "recovered at start"}); }
  void OnStatus(const std::string& text) override { Record({"status", 0, 0, text}); }
  void OnDownloadProgress(const DownloadProgress& p) override;
  void OnUnpackProgress(int percent) override { Record({"unpack", percent}); }
  void OnStoreCounting() override { Record({"counting"}); }
  void OnStoreCounted(int songs) override { Record({"counted", songs}); }
  void OnSongsToAdd(int songs) override { Record({"to add", songs}); }
  bool Ask(UpdateQuestion question, bool defaultAnswer) override;
  void OnNotice(UpdateNotice notice) override { Record({"notice", static_cast<int>(notice)}); }
  void OnOpenAddress(const std::string& address) override { Record({"open", 0, 0, address}); }
  void OnEventPoll(bool run, int periodMs) override { Record({"poll", run, periodMs}); }

  void QueueAnswer(bool yes);
  std::vector<Event> Events() const;
  std::vector<Event> Of(const std::string& kind) const;
  void Clear();
  // Blocks until `pred` holds over the events so far, or the timeout passes.
  bool WaitFor(const std::function<bool(const std::vector<Event>&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

  std::string Status() const;          // the last status text, "" if none
  int StoredCount() const;             // the last count told, -1 if none
  int SongsToAdd() const;              // -1 if never told
  bool Polling() const;                // the last poll event asked for polling
  std::vector<UpdateQuestion> Questions() const;
  std::vector<UpdateNotice> Notices() const;
  std::vector<std::string> Opened() const;
  // "downloading", "downloaded", "unpacking", "finished", "finished, song list",
  // "download failed", "unpack failed", in order.
  std::vector<std::string> Steps() const;

 private:
  void Record(Event event);
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Event> events_;
  std::deque<bool> answers_;
};

// How a press of the update button ended.
enum class PressEnd { Finished, UnpackFailed, DownloadFailed, NotStarted };

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh engine over the same window state (a new run of the launcher keeps the files).
  void MakeEngine(std::filesystem::path sevenZip = {});
  // A new start of the launcher over the same files: a fresh engine and a full check.
  void Restart();
  // The window closes: reports are settled without waiting, the transport stops, the
  // engine ends. Reopen() starts the next run with a new transport and client.
  void CloseWindow();
  void Reopen();
  // Runs one update check to its end.
  void Check();
  // Check and poll until the package is ready for download.
  void ReachReady();
  // The go for a ready package, waited for to the end of the update.
  PressEnd PressUpdate();

  std::filesystem::path Archive() const;
  std::filesystem::path Part() const;
  std::vector<songsvc::RecordedRequest> RequestsTo(const std::string& prefix) const;
  std::vector<std::string> Steps() const { return events_.Steps(); }
  std::string Status() const { return events_.Status(); }
  // What the engine told of each end of a check, a download or an unpacking, with its detail.
  std::vector<std::pair<UpdateOutcome, long long>> Outcomes() const;
  std::string PackageBytes() const;  // of the latest insert decision

  // Checks of every failed update: nothing installed, nothing reported, the reason shown.
  void ExpectNothingInstalled(const Tree& storeBefore, const std::string& status);

  TempDir dirs_;
  std::filesystem::path module_, store_, catalog_;
  EventRecorder events_;
  std::unique_ptr<songsvc::SongService> service_;
  ServiceAddress address_;
  std::stop_source closing_;
  std::unique_ptr<HttpTransport> curl_;
  std::unique_ptr<SwitchableTransport> net_;
  LauncherState state_;
  std::unique_ptr<CServiceClient> client_;
  FixedProducts products_;
  std::unique_ptr<UpdateEngine> engine_;
  std::optional<std::size_t> killAfterFiles_;  // the move's kill seam for the next engine
};

}  // namespace orvik::test
