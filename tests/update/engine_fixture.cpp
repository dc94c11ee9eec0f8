#include "engine_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "platform/path_text.h"
#include "support/zip_writer.h"
#include "update/package_download.h"
#include "update/package_extractor.h"
#include "update/update_test_hooks.h"

namespace fs = std::filesystem;

namespace orvik::test {

std::string SongPath(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000/%05d.sgd", number / 1000, number);
  return name;
}

void WriteSong(const fs::path& root, int number, std::size_t size, const std::string& tag) {
  std::string bytes = tag + " song " + std::to_string(number) + "\n";
  // Varied bytes, so a misplaced block of a resumed download shows.
  unsigned x = static_cast<unsigned>(number) * 2654435761u;
  while (bytes.size() < size) {
    x = x * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>('a' + (x >> 16) % 26));
  }
  WriteTextFile(root / SongPath(number), bytes);
}

std::string ZipBytes(const Tree& entries) { return StoredZip(entries); }

void EventRecorder::Record(Event event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
  changed_.notify_all();
}

void EventRecorder::OnOutcome(UpdateOutcome outcome, long detail) {
  Record({"outcome", static_cast<long long>(outcome), detail});
}

void EventRecorder::OnStage(UpdateStage stage) {
  const char* names[] = {"downloading", "downloaded", "unpacking"};
  Record({"step", 0, 0, names[static_cast<int>(stage)]});
}

void EventRecorder::OnUpdateFinished(bool songListDue) {
  Record({"step", 0, 0, songListDue ? "finished, song list" : "finished"});
}

void EventRecorder::OnDownloadProgress(const DownloadProgress& p) {
  Record({"progress", static_cast<long long>(p.received), static_cast<long long>(p.total),
          std::to_string(p.capBytesPerSecond)});
}

bool EventRecorder::Ask(UpdateQuestion question, bool) {
  bool answer = false;
  {
    std::lock_guard lock(mutex_);
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  Record({"ask", static_cast<int>(question), answer});
  return answer;
}

void EventRecorder::QueueAnswer(bool yes) {
  std::lock_guard lock(mutex_);
  answers_.push_back(yes);
}

std::vector<EventRecorder::Event> EventRecorder::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<EventRecorder::Event> EventRecorder::Of(const std::string& kind) const {
  std::vector<Event> out;
  for (auto& e : Events())
    if (e.kind == kind) out.push_back(e);
  return out;
}

void EventRecorder::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  answers_.clear();
}

bool EventRecorder::WaitFor(const std::function<bool(const std::vector<Event>&)>& pred,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return pred(events_); });
}

std::string EventRecorder::Status() const {
  const auto said = Of("status");
  return said.empty() ? std::string() : said.back().text;
}

int EventRecorder::StoredCount() const {
  const auto counts = Of("counted");
  return counts.empty() ? -1 : static_cast<int>(counts.back().value);
}

int EventRecorder::SongsToAdd() const {
  const auto told = Of("to add");
  return told.empty() ? -1 : static_cast<int>(told.back().value);
}

bool EventRecorder::Polling() const {
  const auto polls = Of("poll");
  return !polls.empty() && polls.back().value != 0;
}

std::vector<UpdateQuestion> EventRecorder::Questions() const {
  std::vector<UpdateQuestion> out;
  for (auto& e : Of("ask")) out.push_back(static_cast<UpdateQuestion>(e.value));
  return out;
}

std::vector<UpdateNotice> EventRecorder::Notices() const {
  std::vector<UpdateNotice> out;
  for (auto& e : Of("notice")) out.push_back(static_cast<UpdateNotice>(e.value));
  return out;
}

std::vector<std::string> EventRecorder::Opened() const {
  std::vector<std::string> out;
  for (auto& e : Of("open")) out.push_back(e.text);
  return out;
}

namespace {
// The steps of the update, failures included, from the events so far.
std::vector<std::string> StepsOf(const std::vector<EventRecorder::Event>& events) {
  std::vector<std::string> out;
  for (const auto& e : events) {
    if (e.kind == "step") out.push_back(e.text);
    if (e.kind == "outcome" && e.value == static_cast<long long>(UpdateOutcome::DownloadFailed))
      out.push_back("download failed");
    if (e.kind == "outcome" && e.value == static_cast<long long>(UpdateOutcome::UnpackFailed))
      out.push_back("unpack failed");
  }
  return out;
}

bool IsEnd(const std::string& step) {
  return step.starts_with("finished") || step.ends_with("failed");
}

std::vector<std::string> EndsOf(const std::vector<EventRecorder::Event>& events) {
  std::vector<std::string> out;
  for (auto& step : StepsOf(events))
    if (IsEnd(step)) out.push_back(step);
  return out;
}
}  // namespace

std::vector<std::string> EventRecorder::Steps() const { return StepsOf(Events()); }

bool SwitchableTransport::IsConnected() {
  std::lock_guard lock(mutex_);
  if (!script_.empty()) {
    const bool answer = script_.front();
    script_.pop_front();
    return answer;
  }
  return online;
}

std::optional<std::string> SwitchableTransport::PostForm(const std::string& url,
                                                         const std::string& form,
                                                         TransportError* error) {
  if (formsFail) return std::nullopt;
  auto reply = inner_.PostForm(url, form, error);
  if (!holdResults || url.find("/api/update/key-lock/result/") == std::string::npos) return reply;
  std::unique_lock lock(mutex_);
  ++held_;
  changed_.notify_all();
  changed_.wait(lock, closing_, [] { return false; });
  if (error) *error = {TransportFailure::Aborted, 0, "stopped"};
  return std::nullopt;
}

bool SwitchableTransport::WaitForHeldResult() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return held_ > 0; });
}

void SwitchableTransport::Script(std::vector<bool> answers) {
  std::lock_guard lock(mutex_);
  script_.assign(answers.begin(), answers.end());
}

void EngineTest::SetUp() {
  module_ = dirs_ / "module";
  store_ = dirs_ / "songs";
  catalog_ = dirs_ / "catalog";
  fs::create_directories(module_);
  fs::create_directories(dirs_ / "work");
  // The service offers four songs; the store holds two of them (older copies).
  for (int n : {1, 1234, 2001, 3500}) WriteSong(catalog_, n, 120000, "new");
  for (int n : {1, 1234}) WriteSong(store_, n, 300, "old");

  songsvc::Options options;
  options.catalogDir = catalog_;
  options.workDir = dirs_ / "work";
  options.certificates = songsvc::SharedTestCertificates();
  service_ = std::make_unique<songsvc::SongService>(options);
  service_->Start();
  address_ = {service_->BaseUrl(), service_->SecureOrigin(),
              platform::PathToUtf8(options.certificates.caFile)};
  curl_ = MakeSystemTransport(address_, closing_.get_token());
  net_ = std::make_unique<SwitchableTransport>(*curl_, closing_.get_token());
  client_ = std::make_unique<CServiceClient>(address_.baseUrl, *net_);

  state_.moduleDir = module_;
  state_.settings.Set("songs.tunova", store_.string());
  state_.settings.Set("songs.tunovaHL", store_.string());
  {
    std::lock_guard lock(state_.mutex);
    state_.m_clientId = "0123456789ABCDEF0123456789ABCDEF";
  }
  MakeEngine();
}

void EngineTest::TearDown() {
  if (engine_) engine_->Shutdown();
  engine_.reset();
  test_hooks::SetKillAfterFiles({});
  service_->Stop();
}

void EngineTest::MakeEngine(fs::path sevenZip) {
  if (engine_) engine_->Shutdown();
  engine_ = std::make_unique<UpdateEngine>(UpdateEngineDeps{
      state_, *client_, *net_, events_, products_, std::move(sevenZip)});
  test_hooks::SetKillAfterFiles(killAfterFiles_);
}

void EngineTest::Restart() {
  MakeEngine();
  client_->SetConnectDone(false);
  state_.m_refreshRequested = true;
  Check();
}

void EngineTest::CloseWindow() {
  engine_->SettleReports(std::chrono::milliseconds(0));
  closing_.request_stop();
  engine_->Shutdown();
}

void EngineTest::Reopen() {
  engine_.reset();
  closing_ = std::stop_source();
  curl_ = MakeSystemTransport(address_, closing_.get_token());
  net_ = std::make_unique<SwitchableTransport>(*curl_, closing_.get_token());
  client_ = std::make_unique<CServiceClient>(address_.baseUrl, *net_);
  MakeEngine();
}

void EngineTest::Check() {
  engine_->StartUpdateCheck();
  engine_->WaitForChecks();
}

void EngineTest::ReachReady() {
  Check();
  if (!state_.m_packageReady) {
    ASSERT_TRUE(service_->WaitForPackage(service_->LastUpdateCode(), std::chrono::seconds(20)));
    engine_->StartEventPoll();
    engine_->WaitForChecks();
  }
  ASSERT_TRUE(state_.m_packageReady);
}

PressEnd EngineTest::PressUpdate() {
  const std::size_t ends = EndsOf(events_.Events()).size();
  if (!engine_->StartDownload()) return PressEnd::NotStarted;
  EXPECT_TRUE(events_.WaitFor(
      [&](const std::vector<EventRecorder::Event>& events) { return EndsOf(events).size() > ends; }));
  const auto all = EndsOf(events_.Events());
  if (all.size() <= ends) return PressEnd::NotStarted;
  const std::string end = all[ends];
  if (end == "download failed") return PressEnd::DownloadFailed;
  if (end == "unpack failed") return PressEnd::UnpackFailed;
  return PressEnd::Finished;
}

fs::path EngineTest::Archive() const { return ArchivePathFor(module_, "1234567890"); }
fs::path EngineTest::Part() const { return PartialPathFor(Archive()); }

std::vector<songsvc::RecordedRequest> EngineTest::RequestsTo(const std::string& prefix) const {
  std::vector<songsvc::RecordedRequest> out;
  for (auto& r : service_->Requests())
    if (r.path.starts_with(prefix)) out.push_back(r);
  return out;
}

std::vector<std::pair<UpdateOutcome, long long>> EngineTest::Outcomes() const {
  std::vector<std::pair<UpdateOutcome, long long>> out;
  for (const auto& e : events_.Of("outcome"))
    out.emplace_back(static_cast<UpdateOutcome>(e.value), e.extra);
  return out;
}

std::string EngineTest::PackageBytes() const {
  return ReadTextFile(service_->PackageFile(service_->LastUpdateCode()));
}

void EngineTest::ExpectNothingInstalled(const Tree& storeBefore, const std::string& status) {
  EXPECT_EQ(ReadTree(store_), storeBefore);
  EXPECT_TRUE(RequestsTo("/api/update/key-lock/result").empty());
  EXPECT_FALSE(service_->ReportedCount(service_->LastUpdateCode()).has_value());
  EXPECT_TRUE(Status().starts_with(status)) << Status();  // then the file, folder or reason
  EXPECT_FALSE(engine_->IsDownloading());
  EXPECT_FALSE(engine_->IsExtracting());
  // No staging or backup folder is left beside the store.
  for (const auto& e : fs::directory_iterator(dirs_.path()))
    EXPECT_EQ(e.path().string().find("songs."), std::string::npos) << e.path();
}

}  // namespace orvik::test
