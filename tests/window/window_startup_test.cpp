// Start-up order, what it sets, and what closing leaves behind.
#include <condition_variable>

#include "core/user_texts.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

std::size_t IndexOf(const std::vector<PortCall>& calls, const std::string& kind, int id = -1) {
  for (std::size_t i = 0; i < calls.size(); ++i)
    if (calls[i].kind == kind && (id < 0 || calls[i].id == id)) return i;
  return calls.size();
}

TEST_F(WindowTest, StartUpFillsTheWindowInOrder) {
  MakePicture("tunovaPRO.png");
  MakePicture("3.png");
  Open(
      "[settings]\r\nservice=TUNOVAPRO\r\nrun=tunovapro\r\n"
      "[config]\r\nuseConfig=1\r\nloopMIDI=1\r\nkvSYNTH=0\r\ncantata=-1\r\n");
  SettleBanners();
  const auto calls = port_.Calls();

  const auto list = port_.CallsOf("list");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, ctl::kProgramList);
  EXPECT_EQ(list[0].text, "tunova|tunovaNEW|tunovaPRO|tunovaPRONEW");
  EXPECT_EQ(list[0].value, 2);

  const auto banner = port_.CallsOf("banner");
  ASSERT_EQ(banner.size(), 1u);
  EXPECT_EQ(banner[0].text,
            (Images() / "tunovaPRO.png").string() + "|" + (Images() / "3.png").string());

  EXPECT_TRUE(port_.Checked(ctl::kUseConfigBox));
  EXPECT_TRUE(port_.Checked(ctl::kLoopMidiBox));
  EXPECT_FALSE(port_.Checked(ctl::kKvSynthBox));
  EXPECT_TRUE(port_.Checked(ctl::kCantataBox));  // a negative number counts as on
  EXPECT_TRUE(port_.Visible(ctl::kLoopMidiBox));

  EXPECT_FALSE(port_.Visible(ctl::kRunButton));
  EXPECT_TRUE(port_.Visible(ctl::kUpdateButton));

  const auto timers = port_.CallsOf("timer");
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].id, timer::kUpdateCheck);
  EXPECT_EQ(timers[0].value, 1800);

  // Settings first, then the banner, the option boxes, the buttons, the update check.
  const std::size_t listAt = IndexOf(calls, "list");
  const std::size_t bannerAt = IndexOf(calls, "banner");
  const std::size_t boxAt = IndexOf(calls, "check", ctl::kUseConfigBox);
  const std::size_t buttonsAt = IndexOf(calls, "show", ctl::kServiceTunovaHL);
  const std::size_t timerAt = IndexOf(calls, "timer");
  EXPECT_LT(listAt, bannerAt);
  EXPECT_LT(bannerAt, boxAt);
  EXPECT_LT(boxAt, buttonsAt);
  EXPECT_LT(buttonsAt, timerAt);
  EXPECT_LT(timerAt, calls.size());

  // No check before the timer fires: only the banner request went out.
  for (const auto& url : transport_->Posted())
    EXPECT_EQ(url.find("device-connect"), std::string::npos) << url;
}

TEST_F(WindowTest, BannerStartsWithTheDefaultPictureAndLeavesMissingFilesOut) {
  MakePicture("default.jpg");  // no tunova.png, no 3.png
  Open("[settings]\r\nservice=tunova\r\n[config]\r\nuseConfig=0\r\nloopMIDI=1\r\n");
  const auto banner = port_.CallsOf("banner");
  ASSERT_EQ(banner.size(), 1u);
  EXPECT_EQ(banner[0].text, (Images() / "default.jpg").string());

  // Options off: the tool boxes are hidden whatever they hold.
  EXPECT_FALSE(port_.Checked(ctl::kUseConfigBox));
  for (int id : {ctl::kLoopMidiBox, ctl::kKvSynthBox, ctl::kCantataBox})
    EXPECT_FALSE(port_.Visible(id)) << id;
}

TEST_F(WindowTest, HandheldTypesCheckAtOnceInsteadOfTheTimer) {
  products_->product = ProductInfo{"1234567890", 0};
  transport_->formReplies["/api/device-connect"] = "needUpdateSong=false";
  Open("[settings]\r\nservice=tunovahl\r\n");
  // The worker's answer to "nothing to update": the run button replaces the update button.
  EXPECT_EQ(Deliver(WM_UPDATE_OUTCOME).value, static_cast<long long>(UpdateOutcome::NothingToAdd));
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));
  EXPECT_FALSE(port_.Visible(ctl::kUpdateButton));
  EXPECT_TRUE(port_.CallsOf("timer").empty());
}

TEST_F(WindowTest, CloseSavesChangedSettingsOnce) {
  Open("[settings]\r\nservice=tunovaNEW\r\nkept = as is\r\n[config]\r\nuseConfig=1\r\n");
  window_->OnListSelectionChanged(ctl::kProgramList, "tunovaNEW");
  window_->OnCheckBoxClicked(ctl::kLoopMidiBox, true);
  window_->OnClose();
  const std::string saved = ReadTextFile(SettingsFile());
  EXPECT_NE(saved.find("loopMIDI=1\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("run=tunovaNEW\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("kept=as is\r\n"), std::string::npos) << saved;

  // Closed: clicks and a second close change nothing.
  WriteTextFile(SettingsFile(), "edited");
  window_->OnCheckBoxClicked(ctl::kLoopMidiBox, false);
  window_.reset();
  EXPECT_EQ(ReadTextFile(SettingsFile()), "edited");
}

TEST_F(WindowTest, WindowClosedBeforeItsStartLeavesTheSettingsFileAlone) {
  WriteTextFile(SettingsFile(), "[settings]\r\nservice=tunovaPRO\r\n");
  WindowDependencies deps;
  deps.moduleDir = dir_.path();
  auto window = std::make_unique<COrvikWindow>(port_, std::move(deps));
  window->OnClose();
  window.reset();
  EXPECT_EQ(ReadTextFile(SettingsFile()), "[settings]\r\nservice=tunovaPRO\r\n");
}

// A port whose questions stay open until the window closes, as the Qt dialog's do.
class ClosingPort : public RecordingPort {
 public:
  bool AskYesNo(const std::string& text) override {
    std::unique_lock lock(mutex_);
    asked_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return closing_; });
    lock.unlock();
    RecordingPort::AskYesNo(text);
    return false;  // the closing dialog's answer
  }
  void WaitUntilAsked() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return asked_; });
  }
  void BeginClosing() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool asked_ = false;
  bool closing_ = false;
};

TEST(WindowClose, JoinsAWorkerThatWaitsOnAQuestion) {
  TempDir dir;
  WriteTextFile(dir / "setting.env",
                "[settings]\r\nservice=tunovaUSB\r\n[product]\r\ntunovaUSB=12345-67890\r\n");
  WriteTextFile(dir / "1234567890.zip", "left over");  // the worker offers to use it
  ClosingPort port;
  FakeProcesses processes;
  WindowDependencies deps;
  deps.moduleDir = dir.path();
  deps.makeTransport = [](const ServiceAddress&, std::stop_token) {
    return std::make_unique<FakeTransport>();
  };
  deps.processes = &processes;
  COrvikWindow window(port, std::move(deps));
  window.OnInitDialog();
  port.WaitUntilAsked();
  port.BeginClosing();
  window.OnClose();
  EXPECT_EQ(port.Questions().size(), 1u);
  EXPECT_NE(ReadTextFile(dir / "setting.env").find("service=tunovaUSB"), std::string::npos);
}

TEST_F(WindowTest, AReadOnlySettingsFileIsSaidAndKept) {
  namespace fs = std::filesystem;
  const std::string settings = "[settings]\r\nservice=tunova\r\n";
  WriteTextFile(SettingsFile(), settings);
  fs::permissions(SettingsFile(), fs::perms::owner_read | fs::perms::group_read);
  Open("");
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kSettingsReadOnly);
  EXPECT_FALSE(window_->State().m_clientIdMissing);
  SettleBanners();
  window_->OnClose();
  EXPECT_EQ(ReadTextFile(SettingsFile()), settings);  // not replaced
  EXPECT_EQ(fs::status(SettingsFile()).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(WindowTest, AnUnreadableIdentifierIsSaidAndNoneIsInvented) {
  std::filesystem::create_directory(dir_ / "data.r4x");
  Open("");
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kClientIdUnreadable);
  EXPECT_TRUE(window_->State().m_clientIdMissing);
  EXPECT_EQ(window_->State().m_clientId, "");
  SettleBanners();
}

}  // namespace
}  // namespace orvik::test
