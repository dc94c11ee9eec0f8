// orvik --sync end to end over a fake service: the window's update run without a window,
// judged by its exit code and what the operator reads.
#include <gtest/gtest.h>

#include <mutex>

#include "core/fake_processes.h"
#include "core/log.h"
#include "core/user_texts.h"
#include "fake_transport.h"
#include "support/temp_dir.h"
#include "window/sync_run.h"

namespace fs = std::filesystem;

namespace orvik::test {
namespace {

// The run owns its transport and ends it; the test's fake outlives the run.
class Borrowed : public HttpTransport {
 public:
  explicit Borrowed(HttpTransport& inner) : inner_(inner) {}
  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) override {
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
  bool IsConnected() override { return inner_.IsConnected(); }

 private:
  HttpTransport& inner_;
};

class SyncRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Songs());
    WriteTextFile(dir_ / "setting.env",
                  "[settings]\r\nservice=tunova\r\n[product]\r\nnumber=1234567890\r\n"
                  "[songs]\r\ntunova=" + Songs().string() + "\r\n"
                  "[list]\r\ntunova=/opt/tunova/lister.exe\r\n");
    logging::SetListener([this](logging::Level, const std::string& line) {
      std::lock_guard lock(mutex_);
      logged_ += line + "\n";
    });
  }
  void TearDown() override { logging::SetListener(nullptr); }

  fs::path Songs() const { return dir_ / "songs"; }

  int Run() {
    SyncSetup setup;
    setup.moduleDir = dir_.path();
    setup.out = [this](const std::string& line) { out_.push_back(line); };
    setup.err = [this](const std::string& line) { err_.push_back(line); };
    setup.makeTransport = [this](const ServiceAddress&,
                                 std::stop_token) -> std::unique_ptr<HttpTransport> {
      return std::make_unique<Borrowed>(*service_);
    };
    setup.processes = &processes_;
    return RunSync({}, std::move(setup));
  }
  std::string Logged() {
    std::lock_guard lock(mutex_);
    return logged_;
  }

  TempDir dir_;
  std::unique_ptr<FakeTransport> service_ = std::make_unique<FakeTransport>();
  FakeProcesses processes_;
  std::vector<std::string> out_, err_;
  std::mutex mutex_;
  std::string logged_;
};

TEST_F(SyncRun, NothingToAddIsSuccessAndANewerLauncherIsNeitherAskedNorOpened) {
  service_->formReplies["/api/device-connect"] =
      "needUpdateSong=false&needUpdateApp=true&appFileUrl=https://example.com/setup.exe";
  EXPECT_EQ(Run(), kSyncUpdated);
  EXPECT_TRUE(err_.empty());
  EXPECT_EQ(Logged().find("not opened without a window"), std::string::npos) << Logged();
  EXPECT_NE(Logged().find("check: a newer launcher is offered; not opened"), std::string::npos);
}

TEST_F(SyncRun, AServiceThatDoesNotAnswerFailsTheRunAndSaysWhy) {
  EXPECT_EQ(Run(), kSyncFailed);  // no reply configured: the connect is refused
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_EQ(err_[0], std::string(text::kSyncFailed) + "서버에 연결할 수 없습니다");
}

TEST_F(SyncRun, WithoutAClientIdentifierNothingToAddIsNoSuccess) {
  fs::create_directories(dir_ / "data.r4x");  // unreadable: the service is never asked
  service_->formReplies["/api/device-connect"] = "needUpdateSong=false";
  EXPECT_EQ(Run(), kSyncFailed);
  for (const auto& url : service_->Posted())
    EXPECT_EQ(url.find("device-connect"), std::string::npos) << url;
}

// The ready package is fetched without anyone pressing a button, and the unpacking follows
// by itself; a package that is no zip fails the run and installs nothing.
TEST_F(SyncRun, AReadyPackageIsFetchedAndUnpackedByItselfAndABadOneFailsTheRun) {
  service_->formReplies["/api/device-connect"] =
      "needUpdateSong=true&action=insert&updateCode=U1&updateSongCount=3";
  service_->secureReply = "downloadUrl=https://svc.test/p.zip";
  service_->packageSize = 3 * FakeTransport::kBlock;
  service_->ReleaseFetch();
  EXPECT_EQ(Run(), kSyncFailed);
  EXPECT_EQ(service_->FetchesStarted(), 1);
  EXPECT_NE(Logged().find("download: complete"), std::string::npos) << Logged();
  EXPECT_NE(Logged().find("unpacking: failed"), std::string::npos) << Logged();
  EXPECT_TRUE(fs::is_empty(Songs()));
  EXPECT_TRUE(processes_.requests.empty());  // no song list for an update that failed
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_TRUE(err_[0].starts_with(text::kSyncFailed)) << err_[0];
}

}  // namespace
}  // namespace orvik::test
