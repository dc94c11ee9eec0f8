// How each end of an update check shows: which of 1040/1041 is up, what the status line
// says, whether the check runs again by itself; and the download's speed text.
#include "service/transport_texts.h"
#include "update/update_engine.h"
#include "window/download_rate.h"
#include "window/update_outcome_view.h"
#include "core/user_texts.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

class OutcomeWindow : public WindowTest {
 protected:
  void Tell(UpdateOutcome outcome, long detail = 0) {
    window_->OnWindowMessage(WM_UPDATE_OUTCOME, static_cast<std::uintptr_t>(outcome), detail);
  }
};

TEST_F(OutcomeWindow, OnlyAnUpdateThatCanGoOnHoldsTheRunButtonsPlace) {
  Open("[settings]\r\nservice=tunova\r\n");
  SettleBanners();
  EXPECT_TRUE(window_->OffersRunInMenu());  // before the first answer, the menu can run
  struct Case {
    UpdateOutcome outcome;
    long detail;
    bool run;
    std::string status;  // the status line afterwards
    bool recheck;
  };
  // In order: a real answer after a failure clears the failure's text.
  const Case cases[] = {
      {UpdateOutcome::PackageReady, 0, false, "", false},
      {UpdateOutcome::Unreachable, 0, true, "서버에 연결할 수 없습니다", true},
      {UpdateOutcome::NothingToAdd, 0, true, "", false},
      {UpdateOutcome::TimedOut, 0, true, "서버 응답 시간 초과", true},
      {UpdateOutcome::Removed, 1, true, "", false},
      {UpdateOutcome::Certificate, 0, true, "서버 인증서를 확인할 수 없습니다", true},
      {UpdateOutcome::HttpError, 503, true, "서버 오류 503", true},
      {UpdateOutcome::TlsProtocol, 0, true, text::kTlsProtocolMissing, true},
      {UpdateOutcome::PackageReady, 0, false, "", false},
      {UpdateOutcome::PollExpired, 0, true, text::kPollExpired, true},
      {UpdateOutcome::NoProductNumber, 0, true, text::kNoProductNumber, false},
      {UpdateOutcome::SongFolderMissing, 0, true, "", false},
      {UpdateOutcome::DownloadFailed, 0, true, "", true},
      {UpdateOutcome::UnpackFailed, 0, true, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.outcome));
    Tell(c.outcome, c.detail);
    EXPECT_EQ(port_.Visible(ctl::kRunButton), c.run);
    EXPECT_EQ(port_.Visible(ctl::kUpdateButton), !c.run);
    EXPECT_EQ(window_->OffersRunInMenu(), !c.run);
    EXPECT_EQ(port_.Text(ctl::kStatusLine), c.status);
    EXPECT_EQ(port_.TimerRunning(timer::kRecheck), c.recheck);
  }
}

TEST_F(OutcomeWindow, AFailedCheckRunsAgainByItselfAndASuccessBringsTheOfferBack) {
  products_->product = ProductInfo{"1234567890", 0};
  Open("[settings]\r\nservice=tunova\r\n");
  SettleBanners();
  window_->OnTimer(timer::kUpdateCheck);  // the refused device connect: no reply configured
  Deliver(WM_UPDATE_OUTCOME);
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));
  ASSERT_TRUE(port_.TimerRunning(timer::kRecheck));
  EXPECT_EQ(port_.CallsOf("timer").back().value, 10 * 60 * 1000);

  window_->Engine()->WaitForChecks();  // the first check's thread has ended
  transport_->formReplies["/api/device-connect"] =
      "needUpdateSong=true&action=insert&updateCode=U1&updateSongCount=3";
  transport_->secureReply = "downloadUrl=https://svc.test/p.zip";
  window_->OnTimer(timer::kRecheck);
  EXPECT_EQ(Deliver(WM_UPDATE_OUTCOME).value, static_cast<long long>(UpdateOutcome::PackageReady));
  EXPECT_TRUE(port_.Visible(ctl::kUpdateButton));
  EXPECT_FALSE(port_.TimerRunning(timer::kRecheck));
  EXPECT_EQ(port_.Text(ctl::kStatusLine), "");
  const auto posted = transport_->Posted();
  EXPECT_EQ(
      std::count_if(posted.begin(), posted.end(),
                    [](const std::string& url) { return url.ends_with("/api/device-connect"); }),
      2);
}

TEST_F(OutcomeWindow, WithoutSettingsTheRunButtonShowsAndTheMissingFileIsNamed) {
  Open("");
  SettleBanners();
  EXPECT_TRUE(port_.Visible(ctl::kRunButton));
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kNoSettings + (dir_ / "setting.env").string());
  Tell(UpdateOutcome::NoProductNumber);  // what every check then finds: the same reason
  EXPECT_EQ(port_.Text(ctl::kStatusLine), text::kNoSettings + (dir_ / "setting.env").string());
}

TEST(DownloadProgressText, AddsASmoothedSpeedAndTheTimeLeft) {
  constexpr std::uint64_t kMB = 1048576;
  EXPECT_EQ(DownloadProgressText(27692728, 120313528, std::nullopt), "26.41MB / 114.74MB (23%)");
  EXPECT_EQ(DownloadProgressText(26 * kMB, 114 * kMB, 1.8 * kMB),
            "26.00MB / 114.00MB (22%)  1.8MB/s  남은 시간 0:49");
  EXPECT_EQ(DownloadProgressText(0, 4000 * kMB, 1.0 * kMB),
            "0.00MB / 4000.00MB (0%)  1.0MB/s  남은 시간 1:06:40");
  EXPECT_EQ(DownloadProgressText(5 * kMB, 5 * kMB, 1.0 * kMB), "5.00MB / 5.00MB (100%)");

  DownloadRate rate;
  rate.Add(0, 10.0);
  rate.Add(kMB, 10.5);
  EXPECT_FALSE(rate.BytesPerSecond());  // under a second: no figure yet
  rate.Add(2 * kMB, 11.0);
  EXPECT_DOUBLE_EQ(*rate.BytesPerSecond(), 2.0 * kMB);
  // A stall of several seconds drags the figure down gradually, not to zero at once.
  for (double t = 12.0; t <= 15.0; t += 1.0) rate.Add(2 * kMB, t);
  EXPECT_DOUBLE_EQ(*rate.BytesPerSecond(), 2.0 * kMB / 5.0);
  rate.Add(kMB, 16.0);  // a restart from a lower count: measured afresh
  EXPECT_FALSE(rate.BytesPerSecond());
}

}  // namespace
}  // namespace orvik::test
