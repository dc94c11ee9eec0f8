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

Tree ReadTree(const fs::path& root) {
  Tree tree;
  if (!fs::exists(root)) return tree;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file())
      tree[e.path().lexically_relative(root).generic_string()] = ReadTextFile(e.path());
  return tree;
}

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

bool SwitchableTransport::IsConnected() {
  std::lock_guard lock(mutex_);
  if (!script_.empty()) {
    const bool answer = script_.front();
    script_.pop_front();
    return answer;
  }
  return online;
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
  const ServiceAddress address{service_->BaseUrl(), service_->SecureOrigin(),
                               platform::PathToUtf8(options.certificates.caFile)};
  curl_ = MakeSystemTransport(address);
  net_ = std::make_unique<SwitchableTransport>(*curl_);
  client_ = std::make_unique<CServiceClient>(address.baseUrl, *net_);

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
      state_, *client_, *net_, port_, products_,
      [this](const DownloadProgressInfo* info) {
        {
          std::lock_guard lock(progressMutex_);
          progress_.push_back(*info);
        }
        // As the window's operation does: the bar moves (and waiting tests wake up).
        if (info->total > 0)
          port_.SetProgressPos(ctl::kProgressBar,
                               static_cast<int>(info->received * 100 / info->total));
      },
      std::move(sevenZip)});
  test_hooks::SetKillAfterFiles(killAfterFiles_);
}

void EngineTest::Restart() {
  MakeEngine();
  client_->SetConnectDone(false);
  state_.m_refreshRequested = true;
  Check();
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

int EngineTest::PressUpdate() {
  const auto ends = [](const std::vector<PortCall>& calls, bool download) {
    std::vector<long long> out;
    for (const auto& c : calls) {
      if (c.kind != "post") continue;
      if (download && c.id == static_cast<int>(WM_DOWNLOAD_FINISHED)) out.push_back(c.extra);
      if (!download && c.id == static_cast<int>(WM_UPDATE_STATE) &&
          (c.extra == kStateFinished || c.extra == kStateUnpackFailed))
        out.push_back(c.extra);
    }
    return out;
  };
  const std::size_t downloads = ends(port_.Calls(), true).size();
  const std::size_t extractions = ends(port_.Calls(), false).size();
  if (!engine_->StartDownload()) return -2;
  EXPECT_TRUE(port_.WaitFor(
      [&](const std::vector<PortCall>& calls) { return ends(calls, true).size() > downloads; }));
  const bool completed = ends(port_.Calls(), true).at(downloads) == kDownloadOk;
  engine_->OnDownloadFinished(completed);
  if (!completed) return -1;
  EXPECT_TRUE(port_.WaitFor(
      [&](const std::vector<PortCall>& calls) { return ends(calls, false).size() > extractions; }));
  const int state = static_cast<int>(ends(port_.Calls(), false).at(extractions));
  engine_->OnExtractionFinished();
  return state;
}

fs::path EngineTest::Archive() const { return ArchivePathFor(module_, "1234567890"); }
fs::path EngineTest::Part() const { return PartialPathFor(Archive()); }

std::vector<songsvc::RecordedRequest> EngineTest::RequestsTo(const std::string& prefix) const {
  std::vector<songsvc::RecordedRequest> out;
  for (auto& r : service_->Requests())
    if (r.path.starts_with(prefix)) out.push_back(r);
  return out;
}

std::vector<long long> EngineTest::PostedStates() const {
  std::vector<long long> out;
  for (const auto& c : port_.Posted())
    if (c.id == static_cast<int>(WM_UPDATE_STATE)) out.push_back(c.extra);
  return out;
}

std::vector<std::pair<UpdateOutcome, long long>> EngineTest::Outcomes() const {
  std::vector<std::pair<UpdateOutcome, long long>> out;
  for (const auto& c : port_.Posted())
    if (c.id == static_cast<int>(WM_UPDATE_OUTCOME))
      out.emplace_back(static_cast<UpdateOutcome>(c.value), c.extra);
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
