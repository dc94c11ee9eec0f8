// The run button and its watch, the list commands, the About box and the event pages.
#include <condition_variable>

#include "core/launcher_settings.h"
#include "window/player_wait.h"
#include "core/user_texts.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

constexpr char kSettings[] =
    "[settings]\r\nservice=tunovaNEW\r\n[service]\r\nsecureUrl=https://svc.test:8443/\r\n"
    "[run]\r\ntunova=/opt/tunova/tunova.exe\r\ntunovaNEW=/opt/new/TunovaNew.exe\r\n"
    "[list]\r\ntunovaNEW=/opt/new/lister.exe\r\n";

class LaunchWindow : public WindowTest {
 protected:
  void SetUp() override {
    Open(kSettings);
    SettleBanners();
  }
};

TEST_F(LaunchWindow, RunButtonLaunchesAndTheWatchReleasesItWhenThePlayerEnds) {
  window_->OnListSelectionChanged(ctl::kProgramList, "tunova");
  window_->OnCommand(ctl::kRunButton);
  EXPECT_TRUE(port_.Checked(ctl::kRunButton));
  EXPECT_FALSE(window_->State().m_isActive);
  const PortCall done = Deliver(WM_LAUNCH_DONE);
  EXPECT_EQ(done.value, 1);
  EXPECT_EQ(done.extra, 1);
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].path, "/opt/tunova/tunova.exe");
  EXPECT_FALSE(processes_.requests[0].elevated);
  EXPECT_TRUE(port_.TimerRunning(timer::kRunWatch));
  EXPECT_EQ(port_.CallsOf("timer").back().value, 2000);

  window_->OnCommand(ctl::kRunButton);  // checked: nothing
  EXPECT_EQ(processes_.requests.size(), 1u);

  processes_.running = {"tunova.exe"};
  window_->OnTimer(timer::kRunWatch);
  EXPECT_TRUE(port_.Checked(ctl::kRunButton));
  processes_.running.clear();
  window_->OnTimer(timer::kRunWatch);
  EXPECT_FALSE(port_.Checked(ctl::kRunButton));
  EXPECT_FALSE(port_.TimerRunning(timer::kRunWatch));
}

TEST_F(LaunchWindow, FailedLaunchUnchecksTheRunButton) {
  processes_.failWith = 5;
  window_->OnCommand(ctl::kRunButton);  // the selected entry "tunovaNEW" asks for rights
  const PortCall done = Deliver(WM_LAUNCH_DONE);
  EXPECT_EQ(done.value, 0);
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].path, "/opt/new/TunovaNew.exe");
  EXPECT_TRUE(processes_.requests[0].elevated);
  EXPECT_FALSE(port_.Checked(ctl::kRunButton));
  EXPECT_FALSE(port_.TimerRunning(timer::kRunWatch));
}

TEST_F(LaunchWindow, ListStartsQueueBehindEachOtherAndBehindALaunch) {
  // The worker is held inside the first start until the next two commands are in.
  std::mutex gate;
  std::unique_lock held(gate);
  processes_.onStart = [&](const platform::StartRequest&) { std::lock_guard pass(gate); };
  window_->OnCommand(ctl::kMakeListButton);
  window_->OnCommand(ctl::kRunButton);
  window_->OnCommand(ctl::kMakeListButton);
  held.unlock();
  for (int i = 0; i < 3; ++i) Deliver(WM_LAUNCH_DONE);
  ASSERT_EQ(processes_.requests.size(), 3u);
  EXPECT_EQ(processes_.requests[0].path, "/opt/new/lister.exe");
  EXPECT_EQ(processes_.requests[1].path, "/opt/new/TunovaNew.exe");
  EXPECT_EQ(processes_.requests[2].path, "/opt/new/lister.exe");
  EXPECT_TRUE(port_.TimerRunning(timer::kRunWatch));
}

TEST_F(LaunchWindow, ListQuestionAboutBoxAndEventPages) {
  port_.QueueAnswer(false);
  window_->OnCommand(ctl::kListButtonLegacy);
  EXPECT_TRUE(port_.CallsOf("progressdlg").empty());
  port_.QueueAnswer(true);
  window_->OnCommand(ctl::kListButtonLegacy);
  EXPECT_EQ(port_.CallsOf("progressdlg").size(), 1u);
  const auto status = port_.CallsOf("progressdlg-set");  // both front ends show the line
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].text, text::kMakingList);
  EXPECT_EQ(port_.Questions(), std::vector<std::string>(2, std::string(text::kMakeListQuestion)));
  EXPECT_TRUE(processes_.requests.empty());  // the question opens the dialog only

  window_->OnCommand(ctl::kAboutCommand);
  EXPECT_EQ(port_.CallsOf("about").size(), 1u);

  window_->OnCommand(ctl::kEventUpdateButton);
  window_->OnCommand(ctl::kEventInstallButton);
  EXPECT_EQ(port_.Opened(),
            (std::vector<std::string>{"https://svc.test:8443/api/app/banner/event/event-update",
                                      "https://svc.test:8443/api/app/banner/event/event-install"}));

  const std::size_t before = CallCount();
  for (int id : {1001, 1002, 1008}) window_->OnCommand(id);
  EXPECT_EQ(CallCount(), before);
}

TEST_F(LaunchWindow, ClosingDuringALaunchDoesNotWaitOutItsPauses) {
  // Real pauses this time: the tools' one-second waits must end when the window closes.
  TempDir dir;
  WriteTextFile(dir / "setting.env", "[settings]\r\nservice=tunova\r\n");
  WindowDependencies deps;
  deps.moduleDir = dir.path();
  deps.makeTransport = [](const ServiceAddress&, std::stop_token) {
    return std::make_unique<FakeTransport>();
  };
  FakeProcesses processes;
  deps.processes = &processes;
  RecordingPort port;
  COrvikWindow window(port, std::move(deps));
  window.OnInitDialog();
  std::mutex gate;
  std::condition_variable entered;
  bool inPause = false;
  window.OnCheckBoxClicked(ctl::kUseConfigBox, true);
  window.OnCheckBoxClicked(ctl::kLoopMidiBox, true);
  // loopMIDI never shows up in the process list, so the sequence keeps pausing and retrying.
  processes.onStart = [&](const platform::StartRequest&) {
    std::lock_guard lock(gate);
    inPause = true;
    entered.notify_all();
  };
  window.OnCommand(ctl::kRunButton);
  {
    std::unique_lock lock(gate);
    entered.wait(lock, [&] { return inPause; });
  }
  window.OnClose();  // the pauses end at once instead of running their course
  EXPECT_TRUE(port.WaitForPosted(WM_LAUNCH_DONE, 1, std::chrono::seconds(0)));
}

// A sync waits for every configured player, not only the selected one, and gives up at
// the limit instead of waiting for ever.
TEST(PlayerWait, WaitsForAnyConfiguredPlayerUpToTheLimit) {
  LauncherState state;
  LoadSettingsFromBytes(state, kSettings);
  struct Case {
    std::string running;
    int endsAfter;  // pauses; -1: never
    bool idle;
    int pauses;
  } cases[] = {{"", 0, true, 0},
               {"lister.exe", -1, true, 0},
               {"TunovaNew.exe", 2, true, 2},
               {"tunova.exe", -1, false, 3}};
  for (const Case& c : cases) {
    FakeProcesses processes;
    if (!c.running.empty()) processes.running = {c.running};
    int pauses = 0;
    PlayerWait wait;
    wait.limit = std::chrono::minutes(3);
    wait.pause = [&](std::chrono::milliseconds interval) {
      EXPECT_EQ(interval, std::chrono::minutes(1));
      if (++pauses == c.endsAfter) processes.running.clear();
    };
    EXPECT_EQ(WaitForPlayersToEnd(PlayerExecutables(state), processes, wait), c.idle) << c.running;
    EXPECT_EQ(pauses, c.pauses) << c.running;
  }
}

}  // namespace
}  // namespace orvik::test
