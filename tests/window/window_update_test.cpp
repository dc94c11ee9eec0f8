// The update button, the download's progress and end, and the update states.
#include <algorithm>

#include "core/tool_paths.h"
#include "core/user_texts.h"
#include "update/update_engine.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

constexpr char kSettings[] =
    "[settings]\r\nservice=tunova\r\n[config]\r\nuseConfig=1\r\nloopMIDI=1\r\n"
    "[run]\r\ntunova=/opt/tunova/tunova.exe\r\n[list]\r\ntunova=/opt/tunova/lister.exe\r\n";

class UpdateWindow : public WindowTest {
 protected:
  void SetUp() override {
    Open(kSettings);
    SettleBanners();
  }
  void MakePackageReady() {
    Connect("needUpdateSong=true&action=insert&updateCode=U1&updateSongCount=3");
    {
      std::lock_guard lock(window_->State().mutex);
      window_->State().m_productNumber = "1234567890";
      window_->State().m_packageUrl = "https://svc.test/package.zip";
    }
    window_->State().m_packageReady = true;
  }
  void Progress(std::uint64_t received, std::uint64_t total) {
    DownloadProgress info{received, total};
    window_->OnDownloadProgress(&info);
  }
  std::vector<std::string> LabelsSince(std::size_t from) {
    std::vector<std::string> out;
    const auto calls = port_.Calls();
    for (std::size_t i = from; i < calls.size(); ++i)
      if (calls[i].kind == "text" && calls[i].id == ctl::kByteProgressLabel)
        out.push_back(calls[i].text);
    return out;
  }
  static constexpr std::uint64_t kMiB = 1048576;
};

TEST_F(UpdateWindow, WithoutPendingUpdateTheButtonStartsTheToolsOnly) {
  Connect("needUpdateSong=false");
  window_->OnCheckBoxClicked(ctl::kLoopMidiBox, true);
  window_->OnCommand(ctl::kUpdateButton);
  const PortCall done = Deliver(WM_LAUNCH_DONE);
  EXPECT_EQ(done.extra, 0);  // not the player's launch: no watch
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].path, LoopMidiTool().path);
  EXPECT_TRUE(port_.CallsOf("timer").size() == 1);  // only timer 1 from the start-up
  EXPECT_FALSE(port_.Checked(ctl::kRunButton));
}

TEST_F(UpdateWindow, PendingUpdateWithoutPackageDoesNothing) {
  Connect("needUpdateSong=true&action=insert");
  const std::size_t before = CallCount();
  window_->OnCommand(ctl::kUpdateButton);
  EXPECT_EQ(CallCount(), before);
  EXPECT_EQ(transport_->FetchesStarted(), 0);
  EXPECT_TRUE(processes_.requests.empty());
}

TEST_F(UpdateWindow, ReadyPackageDownloadsThenUnpacksAndPressesMeanwhileDoNothing) {
  MakePackageReady();
  transport_->packageSize = 3 * kMiB;
  window_->OnCommand(ctl::kUpdateButton);
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kPreparingDownload);
  EXPECT_FALSE(port_.Visible(ctl::kUpdateButton));
  ASSERT_TRUE(transport_->WaitForFetches(1));
  EXPECT_EQ(window_->StatusPictureToShow(), StatusPicture::Downloading);

  const std::size_t before = CallCount();
  window_->OnCommand(ctl::kUpdateButton);
  window_->OnCommand(ctl::kRunButton);
  EXPECT_EQ(CallCount(), before);

  transport_->ReleaseFetch();
  Deliver(WM_UPDATE_STATE);  // 2: the body started
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kDownloading);
  const PortCall finished = Deliver(WM_DOWNLOAD_FINISHED);
  EXPECT_EQ(finished.extra, kDownloadOk);
  EXPECT_EQ(transport_->FetchesStarted(), 1);

  // Bar moves only on a new percent; the label climbs to the whole size.
  int last = -1;
  for (const auto& c : port_.CallsOf("progress")) {
    if (c.id != ctl::kProgressBar || c.value == 0) continue;
    EXPECT_GT(c.value, last);
    last = static_cast<int>(c.value);
  }
  EXPECT_EQ(last, 100);
  EXPECT_EQ(port_.Text(ctl::kByteProgressLabel), "3.00MB / 3.00MB (100%)");

  // The extraction runs now (and fails at once: this installation has no song folder).
  const PortCall unpacking = Deliver(WM_UPDATE_STATE);
  EXPECT_EQ(unpacking.extra, kStateUnpacking);
  // The extraction thread may already have put its failure on the line, so look for the
  // window's own text among the calls rather than at the last one.
  const auto texts = port_.CallsOf("text");
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const PortCall& c) {
    return c.id == ctl::kStatusLine && c.text == text::kUnpacking;
  }));
  EXPECT_EQ(port_.CallsOf("invalidate").back().text, "524,418,691,508");
  EXPECT_EQ(window_->StatusPictureToShow(), StatusPicture::Unpacking);
  // The extraction thread's last call is the post of its failure; once that is in, only the
  // window's own calls can follow.
  ASSERT_TRUE(port_.WaitFor([](const std::vector<PortCall>& calls) {
    return std::any_of(calls.begin(), calls.end(), [](const PortCall& c) {
      return c.kind == "post" && c.id == WM_UPDATE_STATE && c.extra == kStateUnpackFailed;
    });
  }));
  const std::size_t whileUnpacking = CallCount();
  window_->OnCommand(ctl::kUpdateButton);
  EXPECT_EQ(CallCount(), whileUnpacking);

  const PortCall failed = Deliver(WM_UPDATE_STATE);
  EXPECT_EQ(failed.extra, kStateUnpackFailed);
  EXPECT_EQ(window_->StatusPictureToShow(), StatusPicture::None);
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));  // the room sings; the next check offers it again
  EXPECT_TRUE(port_.TimerRunning(timer::kRecheck));
}

TEST_F(UpdateWindow, ProgressLabelRulesAndTwoDownloadsInOneRun) {
  std::size_t from = CallCount();
  Progress(1 * kMiB, 2 * kMiB);  // no download runs: ignored
  EXPECT_EQ(CallCount(), from);

  MakePackageReady();
  transport_->packageSize = kMiB;
  transport_->breakAfter = 0;        // the connection breaks before the first block
  EXPECT_TRUE(window_->MayClose());  // nothing to lose yet: no question
  window_->OnCommand(ctl::kUpdateButton);
  ASSERT_TRUE(transport_->WaitForFetches(1));
  port_.QueueAnswer(false);
  EXPECT_FALSE(window_->MayClose());
  EXPECT_EQ(port_.Questions(), std::vector<std::string>{text::kQuitDuringUpdate});
  from = CallCount();
  Progress(5, 0);  // size unknown
  EXPECT_EQ(CallCount(), from);
  Progress(3 * kMiB / 2, 3 * kMiB);
  Progress(3 * kMiB / 2 + 10, 3 * kMiB);  // same percent: nothing new
  Progress(3 * kMiB / 4, 3 * kMiB);       // lower (a restart): the bar follows, not the label
  EXPECT_EQ(LabelsSince(from), std::vector<std::string>{"1.50MB / 3.00MB (50%)"});
  std::vector<long long> bar;
  const auto calls = port_.Calls();
  for (std::size_t i = from; i < calls.size(); ++i)
    if (calls[i].kind == "progress") bar.push_back(calls[i].value);
  EXPECT_EQ(bar, (std::vector<long long>{50, 25}));

  window_->OnDownloadProgress(nullptr);
  EXPECT_EQ(port_.Text(ctl::kByteProgressLabel), text::kDownloadFailedLabel);
  EXPECT_EQ(port_.CallsOf("progress").back().value, 0);

  // The first download breaks off: the run button shows until the next check.
  transport_->ReleaseFetch();
  EXPECT_EQ(Deliver(WM_DOWNLOAD_FINISHED).extra, kDownloadFailed);
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));
  EXPECT_TRUE(port_.TimerRunning(timer::kRecheck));
  EXPECT_EQ(window_->StatusPictureToShow(), StatusPicture::None);

  // The second one's label moves from its own start, below the first one's highest.
  window_->OnCommand(ctl::kUpdateButton);
  ASSERT_TRUE(transport_->WaitForFetches(2));
  from = CallCount();
  Progress(2 * kMiB, 20 * kMiB);
  EXPECT_EQ(LabelsSince(from), std::vector<std::string>{"2.00MB / 20.00MB (10%)"});
  EXPECT_EQ(port_.CallsOf("progress").back().value, 10);
  transport_->ReleaseFetch();
  Deliver(WM_DOWNLOAD_FINISHED);
}

TEST_F(UpdateWindow, UpdateStates) {
  Connect("needUpdateSong=true&action=insert&updateSongCount=3");
  window_->OnWindowMessage(WM_UPDATE_STATE, 0, kStateReady);
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kUpdateReady);
  window_->OnWindowMessage(WM_SET_PROGRESS, 37, 0);
  EXPECT_EQ(port_.CallsOf("progress").back().value, 37);

  std::size_t before = CallCount();
  window_->OnWindowMessage(WM_UPDATE_STATE, 0, 99);
  EXPECT_EQ(CallCount(), before);

  window_->OnWindowMessage(WM_UPDATE_STATE, 0, kStateUnpacking);
  EXPECT_FALSE(port_.Visible(ctl::kUpdateButton));
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kUnpacking);
  const auto areas = port_.CallsOf("invalidate");
  ASSERT_GE(areas.size(), 1u);
  EXPECT_NE(std::find_if(areas.begin(), areas.end(),
                         [](const PortCall& c) { return c.text == "526,446,689,532"; }),
            areas.end());

  // Finished with songs added: the reminder first, then the list program.
  bool remindedFirst = false;
  processes_.onStart = [&](const platform::StartRequest&) {
    remindedFirst = !port_.Messages().empty();
  };
  window_->OnWindowMessage(WM_UPDATE_STATE, 1, kStateFinished);  // wParam: song list due
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kUpdateFinished);
  EXPECT_FALSE(port_.Visible(ctl::kUpdateButton));
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));
  EXPECT_EQ(port_.Messages(), std::vector<std::string>{text::kMakeListReminder});
  Deliver(WM_LAUNCH_DONE);
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].path, "/opt/tunova/lister.exe");
  EXPECT_TRUE(remindedFirst);
  EXPECT_FALSE(window_->State().m_isActive);  // checks pause until the window is active

  // Finished with no song list due: no reminder, no list program.
  window_->OnWindowMessage(WM_UPDATE_STATE, 0, kStateFinished);
  EXPECT_EQ(port_.Messages().size(), 1u);
  EXPECT_EQ(processes_.requests.size(), 1u);
}

// The engine's events as the window shows them: its question is the window's box, the
// address agreed to is opened, the count to add is label 1015 and the poll is timer 2.
TEST_F(WindowTest, TheEnginesQuestionsCountsAndPollAreTheWindowsBoxLabelAndTimer) {
  products_->product = ProductInfo{"1234567890", 0};
  transport_->formReplies["/api/device-connect"] =
      "needUpdateSong=true&action=insert&updateCode=U1&updateSongCount=1500&"
      "needUpdateApp=true&appFileUrl=https://example.com/setup.exe";
  Open("[settings]\r\nservice=tunova\r\n");
  SettleBanners();
  port_.QueueAnswer(true);
  window_->OnTimer(timer::kUpdateCheck);
  window_->Engine()->WaitForChecks();
  EXPECT_EQ(port_.Questions(), std::vector<std::string>{text::kLauncherUpdateQuestion});
  EXPECT_EQ(port_.Opened(), std::vector<std::string>{"https://example.com/setup.exe"});
  EXPECT_EQ(port_.Text(ctl::kUpdateCountLabel), "1,500곡");
  ASSERT_TRUE(port_.TimerRunning(timer::kEventPoll));
  EXPECT_EQ(port_.CallsOf("timer").back().value, 2000);

  transport_->secureReply = "downloadUrl=https://svc.test/p.zip";
  window_->OnTimer(timer::kEventPoll);
  EXPECT_EQ(Deliver(WM_UPDATE_OUTCOME).value, static_cast<long long>(UpdateOutcome::PackageReady));
  EXPECT_FALSE(port_.TimerRunning(timer::kEventPoll));
  EXPECT_TRUE(port_.Checked(ctl::kUpdateButton));
  EXPECT_TRUE(port_.Visible(ctl::kUpdateButton));
}

}  // namespace
}  // namespace orvik::test
