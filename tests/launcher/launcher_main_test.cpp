// The shared start-up with a fake window: the order of lock, log, answers and window, and
// what a start beside a running launcher may (not) do.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/command_line.h"
#include "app/launcher_main.h"
#include "core/user_texts.h"
#include "core/version.h"
#include "platform/instance_lock.h"
#include "platform/path_text.h"
#include "service/http_transport.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

// A service that never answers: every exchange fails at once.
class OfflineTransport : public HttpTransport {
 public:
  std::optional<std::string> PostForm(const std::string&, const std::string&,
                                      TransportError* = nullptr) override {
    return std::nullopt;
  }
  std::optional<std::string> GetSecure(const std::string&, TransportError* = nullptr) override {
    return std::nullopt;
  }
  bool DownloadFile(const std::string&, const std::filesystem::path&,
                    TransportError* = nullptr) override {
    return false;
  }
  bool IsConnected() override { return false; }
  FetchResult Fetch(const FetchRequest&) override { return {}; }
};

class LauncherMainTest : public ::testing::Test {
 protected:
  // What the fake window saw, in order.
  struct Seen {
    std::vector<std::string> events;
    std::string logWhenMade;
    std::filesystem::path currentDirWhenShown;
    bool canShow = true;
  };

  class FakeWindow : public LauncherWindow {
   public:
    explicit FakeWindow(Seen& seen) : seen_(seen) { seen_.events.push_back("made"); }
    ~FakeWindow() override { seen_.events.push_back("ended"); }
    bool RunModal() override {
      seen_.currentDirWhenShown = std::filesystem::current_path();
      seen_.events.push_back("shown");
      return seen_.canShow;
    }

   private:
    Seen& seen_;
  };

  void SetUp() override {
    moduleDir_ = dir_ / "module";
    installDir_ = dir_ / "install";
    std::filesystem::create_directories(moduleDir_);
    std::filesystem::create_directories(installDir_);
    startDir_ = std::filesystem::current_path();
  }
  void TearDown() override { std::filesystem::current_path(startDir_); }

  LauncherFace Face(bool hasDisplay = true) {
    LauncherFace face;
    face.moduleDir = moduleDir_;
    face.hasDisplay = hasDisplay;
    face.out = [this](const std::string& line) { out_.push_back(line); };
    face.err = [this](const std::string& line) { err_.push_back(line); };
    face.attachConsole = [this] { ++consoleAttached_; };
    face.readInstallDir = [this] { return platform::PathToUtf8(installDir_); };
    face.raiseRunning = [this](const std::filesystem::path& dir) { raised_.push_back(dir); };
    face.makeTransport = [](const ServiceAddress&, std::stop_token) {
      return std::make_unique<OfflineTransport>();
    };
    face.makeWindow = [this](WindowDependencies deps) -> std::unique_ptr<LauncherWindow> {
      EXPECT_EQ(deps.moduleDir, moduleDir_);
      EXPECT_TRUE(deps.makeTransport);
      seen_.logWhenMade = Log();
      return std::make_unique<FakeWindow>(seen_);
    };
    return face;
  }

  int Run(std::vector<std::string> args, LauncherFace face) {
    return LauncherMain(args, std::move(face));
  }
  int Run(std::vector<std::string> args) { return Run(std::move(args), Face()); }

  std::string Log() const {
    const auto file = moduleDir_ / "logs" / "orvik.log";
    return std::filesystem::exists(file) ? test::ReadTextFile(file) : std::string();
  }
  bool LogHas(const std::string& text) const { return Log().find(text) != std::string::npos; }

  test::TempDir dir_;
  std::filesystem::path moduleDir_, installDir_, startDir_;
  std::vector<std::string> out_, err_;
  std::vector<std::filesystem::path> raised_;
  int consoleAttached_ = 0;
  Seen seen_;
};

TEST_F(LauncherMainTest, TheWindowRunsInTheInstallFolderAfterTheLogHasOpened) {
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(seen_.events, (std::vector<std::string>{"made", "shown", "ended"}));
  EXPECT_NE(seen_.logWhenMade.find("run: orvik"), std::string::npos) << seen_.logWhenMade;
  EXPECT_TRUE(std::filesystem::equivalent(seen_.currentDirWhenShown, installDir_));
  EXPECT_EQ(std::filesystem::current_path(), startDir_);
  EXPECT_TRUE(LogHas("end: the window has closed"));
  EXPECT_EQ(consoleAttached_, 0);  // a window run never takes a console
  EXPECT_TRUE(out_.empty() && err_.empty());
  EXPECT_TRUE(platform::TryLockModuleFolder(moduleDir_)) << "the folder stayed locked";
}

TEST_F(LauncherMainTest, AMissingInstallFolderLeavesTheCurrentFolderAsItWas) {
  std::filesystem::remove(installDir_);
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(seen_.currentDirWhenShown, startDir_);
  EXPECT_EQ(seen_.events.back(), "ended");
}

TEST_F(LauncherMainTest, AFailingWindowEndsWithOneAndReleasesTheFolder) {
  LauncherFace face = Face();
  face.makeWindow = [](WindowDependencies) -> std::unique_ptr<LauncherWindow> {
    throw std::runtime_error("no window today");
  };
  EXPECT_EQ(Run({}, std::move(face)), 1);
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_NE(err_[0].find("no window today"), std::string::npos);
  EXPECT_TRUE(LogHas("no window today"));
  EXPECT_TRUE(LogHas("end: exit code 1"));
  EXPECT_TRUE(platform::TryLockModuleFolder(moduleDir_));
}

TEST_F(LauncherMainTest, AWindowThatCannotBeShownFailsTheRun) {
  seen_.canShow = false;
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(seen_.events, (std::vector<std::string>{"made", "shown", "ended"}));
  EXPECT_EQ(std::filesystem::current_path(), startDir_);
  EXPECT_EQ(err_.size(), 1u);
  EXPECT_TRUE(LogHas("the window could not be shown"));
  EXPECT_FALSE(LogHas("the window has closed"));
}

TEST_F(LauncherMainTest, AnswersOnTheConsoleAndLogsThem) {
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_, std::vector<std::string>{std::string("Orvik ") + kOrvikVersion});
  EXPECT_TRUE(LogHas("run: orvik --version"));

  out_.clear();
  EXPECT_EQ(Run({"--help"}), 0);
  ASSERT_FALSE(out_.empty());
  EXPECT_TRUE(out_[0].starts_with("Usage: orvik")) << out_[0];

  EXPECT_EQ(Run({"--frobnicate"}), kSyncUsage);
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_NE(err_[0].find("unknown option: --frobnicate"), std::string::npos);
  EXPECT_TRUE(LogHas("unknown option: --frobnicate"));
  EXPECT_TRUE(LogHas("end: exit code 2"));

  EXPECT_EQ(consoleAttached_, 3);
  EXPECT_TRUE(seen_.events.empty());
}

TEST_F(LauncherMainTest, WithoutADisplayOneLineAndExitOne) {
  EXPECT_EQ(Run({}, Face(false)), 1);
  EXPECT_EQ(err_, std::vector<std::string>{text::kNeedsDisplay});
  EXPECT_TRUE(seen_.events.empty());
  EXPECT_TRUE(LogHas("end: exit code 1"));
}

TEST_F(LauncherMainTest, SyncWithAnUnreachableServiceFailsAndLogsItsRun) {
  EXPECT_EQ(Run({"--sync"}), kSyncFailed);
  EXPECT_TRUE(seen_.events.empty());
  EXPECT_EQ(consoleAttached_, 1);
  ASSERT_FALSE(err_.empty());
  EXPECT_TRUE(err_.back().starts_with(text::kSyncFailed)) << err_.back();
  const std::string log = Log();
  const auto run = log.find("run: orvik --sync");
  const auto started = log.find("sync: started");
  const auto ended = log.find("end: exit code 1");
  ASSERT_NE(run, std::string::npos) << log;
  ASSERT_NE(started, std::string::npos) << log;
  ASSERT_NE(ended, std::string::npos) << log;
  EXPECT_LT(run, started);
  EXPECT_LT(started, ended);
  EXPECT_TRUE(platform::TryLockModuleFolder(moduleDir_));
}

// After a failed update the store is still checked; the update's failure is the status.
TEST_F(LauncherMainTest, SyncThenVerifyChecksTheStoreEvenAfterAFailedUpdate) {
  EXPECT_EQ(Run({"--sync", "--verify"}), kSyncFailed);
  EXPECT_TRUE(LogHas("sync: ended with exit code 1")) << Log();
  EXPECT_TRUE(LogHas("verify: ")) << Log();
}

// Beside a running launcher: nothing is written in its folder, not even the log.
TEST_F(LauncherMainTest, BesideARunningLauncher) {
  const auto running = platform::TryLockModuleFolder(moduleDir_);
  ASSERT_TRUE(running);

  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(raised_, std::vector<std::filesystem::path>{moduleDir_});
  EXPECT_TRUE(seen_.events.empty());

  EXPECT_EQ(Run({"--sync", "--wait-player=5"}), kSyncLocked);
  ASSERT_EQ(err_.size(), 1u);
  EXPECT_TRUE(err_[0].starts_with(text::kFolderLocked)) << err_[0];

  EXPECT_EQ(Run({"--verify"}), kSyncLocked);  // never reads a store an update may change
  ASSERT_EQ(err_.size(), 2u);
  EXPECT_TRUE(err_[1].starts_with(text::kFolderLocked)) << err_[1];

  EXPECT_EQ(Run({"--version"}), 0);  // still answers
  EXPECT_EQ(out_.size(), 1u);

  EXPECT_EQ(raised_.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(moduleDir_ / "logs"));
  EXPECT_TRUE(std::filesystem::is_empty(moduleDir_));
}

TEST(CommandLine, ReadsTheOptions) {
  using Mode = CommandLine::Mode;
  EXPECT_EQ(ParseCommandLine({}).mode, Mode::Window);
  EXPECT_EQ(ParseCommandLine({"--version", "--frobnicate"}).mode, Mode::Version);
  EXPECT_EQ(ParseCommandLine({"--frobnicate", "--version"}).mode, Mode::Usage);
  EXPECT_EQ(ParseCommandLine({"/?"}).mode, Mode::Help);

  const CommandLine plain = ParseCommandLine({"--sync"});
  EXPECT_EQ(plain.mode, Mode::Sync);
  EXPECT_FALSE(plain.sync.waitPlayer);
  const CommandLine waiting = ParseCommandLine({"--wait-player", "--sync"});
  ASSERT_TRUE(waiting.sync.waitPlayer);
  EXPECT_EQ(waiting.sync.waitPlayer->limit, std::chrono::minutes(kDefaultWaitPlayerMinutes));
  const CommandLine limited = ParseCommandLine({"--sync", "--wait-player=1440"});
  ASSERT_TRUE(limited.sync.waitPlayer);
  EXPECT_EQ(limited.sync.waitPlayer->limit, std::chrono::minutes(1440));

  for (const char* wrong : {"--wait-player=0", "--wait-player=1441", "--wait-player=",
                            "--wait-player=5m", "--wait-player=-1", "--wait-player=00001"}) {
    const CommandLine line = ParseCommandLine({"--sync", wrong});
    EXPECT_EQ(line.mode, Mode::Usage) << wrong;
    EXPECT_FALSE(line.error.empty()) << wrong;
  }
  EXPECT_EQ(ParseCommandLine({"--verify"}).mode, Mode::Verify);
  const CommandLine syncThenVerify = ParseCommandLine({"--verify", "--sync"});
  EXPECT_EQ(syncThenVerify.mode, Mode::Sync);
  EXPECT_TRUE(syncThenVerify.verifyAfterSync);
  EXPECT_FALSE(ParseCommandLine({"--sync"}).verifyAfterSync);
  EXPECT_EQ(ParseCommandLine({"--verify", "--wait-player"}).mode, Mode::Usage);

  const CommandLine alone = ParseCommandLine({"--wait-player=5"});
  EXPECT_EQ(alone.mode, Mode::Usage);
  EXPECT_NE(alone.error.find("goes with --sync"), std::string::npos);
}

}  // namespace
}  // namespace orvik
