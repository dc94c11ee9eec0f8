// Faults of the download and the unpacking: each leaves the store exactly as it was (or
// exactly updated), reports nothing to the service for a failure, and says what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "core/log.h"
#include "engine_fixture.h"
#include "update/package_sidecar.h"
#include "update/pending_result.h"
#include "core/user_texts.h"

namespace fs = std::filesystem;

namespace orvik::test {
namespace {

class UpdateFaultTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    before_ = ReadTree(store_);
    ReachReady();
    code_ = service_->LastUpdateCode();
    package_ = PackageBytes();
  }
  Tree Updated() const {
    Tree t = before_;
    for (int n : {2001, 3500}) t[SongPath(n)] = ReadTextFile(catalog_ / SongPath(n));
    return t;
  }
  void ExpectInstalled() {
    EXPECT_EQ(ReadTree(store_), Updated());
    EXPECT_EQ(service_->ReportedCount(code_), 1);
    EXPECT_FALSE(fs::exists(Archive()));
    EXPECT_FALSE(fs::exists(Part()));
  }
  std::vector<songsvc::RecordedRequest> PackageRequests() const { return RequestsTo("/packages/"); }
  static std::string RangeOf(const songsvc::RecordedRequest& r) {
    auto it = r.headers.find("Range");
    return it == r.headers.end() ? std::string() : it->second;
  }

  Tree before_;
  std::string code_;
  std::string package_;
};

TEST_F(UpdateFaultTest, ServerErrorsOnThePackageInstallNothingAndOfferTheButtonAgain) {
  for (int status : {404, 500}) {
    songsvc::Fault fault;
    fault.status = status;
    fault.remaining = 1;
    service_->SetFault("/packages/", fault);
    EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed) << status;
    ExpectNothingInstalled(before_, text::kDownloadFailedHttp + std::to_string(status));
    EXPECT_FALSE(fs::exists(Archive()));
    for (const auto& step : Steps()) EXPECT_NE(step, "unpacking");  // no extraction
  }
  // The press after the fault has passed installs the package.
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, PackageAddressWithoutTlsIsNotFetched) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_packageUrl = service_->BaseUrl() + "/packages/" + code_ + ".zip";
  }
  service_->ClearRequests();
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  ExpectNothingInstalled(before_, text::kDownloadNotSecure);
  EXPECT_TRUE(PackageRequests().empty());
}

TEST_F(UpdateFaultTest, PackageRedirectedToPlainHttpSaysSoAndFetchesNothingInTheClear) {
  songsvc::Fault hop;
  hop.redirectTo = service_->SecureOrigin() + "/hop/" + code_ + ".zip";
  hop.remaining = 1;
  service_->SetFault("/packages/", hop);
  service_->SetFault("/hop/", {.redirectTo = service_->BaseUrl() + "/packages/" + code_ + ".zip"});
  service_->ClearRequests();
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  ExpectNothingInstalled(before_, text::kDownloadUnsafeRedirect);
  EXPECT_FALSE(fs::exists(Part()));
  for (const auto& r : PackageRequests()) EXPECT_TRUE(r.secure);
}

TEST_F(UpdateFaultTest, BodyCutInTheMiddleIsResumedWithARange) {
  songsvc::Fault cut;
  cut.truncateAfter = package_.size() / 2;
  cut.remaining = 1;
  service_->SetFault("/packages/", cut);
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  ExpectNothingInstalled(before_, text::kDownloadInterrupted);
  EXPECT_FALSE(fs::exists(Archive()));
  ASSERT_TRUE(fs::exists(Part()));
  const auto kept = fs::file_size(Part());
  EXPECT_GT(kept, 0u);
  EXPECT_LE(kept, package_.size() / 2);

  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  const auto requests = PackageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RangeOf(requests[0]), "");
  EXPECT_EQ(RangeOf(requests[1]), "bytes=" + std::to_string(kept) + "-");
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, LongerLyingContentLengthIsNotInstalledThenRestarts) {
  songsvc::Fault lie;
  lie.claimedLength = package_.size() + 5000;
  lie.remaining = 1;
  service_->SetFault("/packages/", lie);
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  ExpectNothingInstalled(before_, text::kDownloadInterrupted);
  EXPECT_FALSE(fs::exists(Archive()));

  // The kept part is the whole package: the resume is refused (416) and started afresh.
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, ShorterLyingContentLengthIsCaughtByTheUnpacking) {
  songsvc::Fault lie;
  lie.claimedLength = package_.size() / 2;
  lie.remaining = 1;
  service_->SetFault("/packages/", lie);
  EXPECT_EQ(PressUpdate(), PressEnd::UnpackFailed);
  ExpectNothingInstalled(before_, text::kUnpackFailed);
  EXPECT_FALSE(fs::exists(Archive()));  // damaged: never offered again at a start

  EXPECT_EQ(PressUpdate(), PressEnd::Finished);  // the next press fetches it again
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, ServerIgnoringTheRangeGivesAFreshWholeDownload) {
  songsvc::Fault cut;
  cut.truncateAfter = package_.size() / 3;
  cut.remaining = 1;
  service_->SetFault("/packages/", cut);
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  ASSERT_TRUE(fs::exists(Part()));

  songsvc::Fault ignore;
  ignore.ignoreRange = true;
  service_->SetFault("/packages/", ignore);
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  const auto requests = PackageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(RangeOf(requests[1]).empty());
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, CorruptZipKeepsTheStoreAndDropsTheArchive) {
  songsvc::Fault corrupt;
  corrupt.rawBody = "PK\x03\x04" + std::string(5000, 'x');
  service_->SetFault("/packages/", corrupt);
  EXPECT_EQ(PressUpdate(), PressEnd::UnpackFailed);
  ExpectNothingInstalled(before_, text::kUnpackFailed);
  EXPECT_FALSE(fs::exists(Archive()));
  EXPECT_EQ(Steps().back(), "unpack failed");
}

// Which names leave the store is the extractor's test; here: how the refusal shows.
TEST_F(UpdateFaultTest, ZipWithEntriesLeavingTheStoreIsRefusedWhole) {
  songsvc::Fault bad;
  bad.rawBody = ZipBytes({{SongPath(2001), "fine"}, {"K1000/../../x.sgd", "evil"}});
  ASSERT_FALSE(bad.rawBody->empty());
  service_->SetFault("/packages/", bad);
  EXPECT_EQ(PressUpdate(), PressEnd::UnpackFailed);
  ExpectNothingInstalled(before_, text::kUnpackUnsafe);
  EXPECT_FALSE(fs::exists(dirs_ / "x.sgd"));
}

TEST_F(UpdateFaultTest, MissingSevenZipInstallsNothing) {
  MakeEngine(dirs_ / "no-such-folder" / "7zz");
  EXPECT_EQ(PressUpdate(), PressEnd::UnpackFailed);
  ExpectNothingInstalled(before_, text::kUnpackNoSevenZip);
  EXPECT_EQ(ReadTextFile(Archive()), package_);
  // Once 7-Zip is there the next press unpacks the archive on disk: no second download.
  MakeEngine();
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  EXPECT_EQ(PackageRequests().size(), 1u);
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, SongFolderThatCannotTakeTheFilesIsLeftAsItWas) {
  // Tests run as root, so permissions stop nothing: a file where block folder K3000 must go
  // makes the second song fail after the first was placed.
  WriteTextFile(store_ / "K3000", "in the way");
  const Tree before = ReadTree(store_);
  EXPECT_EQ(PressUpdate(), PressEnd::UnpackFailed);
  ExpectNothingInstalled(before, text::kUnpackNotWritable);
  EXPECT_TRUE(fs::exists(Archive()));
}

TEST_F(UpdateFaultTest, WindowClosedMidDownloadKeepsThePartForTheNextRun) {
  songsvc::Fault slow;
  slow.slowChunkDelayMs = 2000;
  service_->SetFault("/packages/", slow);
  ASSERT_TRUE(engine_->StartDownload());
  EXPECT_FALSE(engine_->StartDownload());  // one download at a time
  ASSERT_TRUE(events_.WaitFor([](const std::vector<EventRecorder::Event>& events) {
    for (const auto& e : events)
      if (e.kind == "progress") return true;
    return false;
  }));
  const auto start = std::chrono::steady_clock::now();
  engine_->Shutdown();
  // Stopping does not wait for the slow server (the body would need several pauses more).
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_FALSE(fs::exists(Archive()));
  ASSERT_TRUE(fs::exists(Part()));
  const auto kept = fs::file_size(Part());
  EXPECT_GT(kept, 0u);
  EXPECT_LT(kept, package_.size());
  EXPECT_EQ(ReadTree(store_), before_);

  service_->ClearFaults();
  MakeEngine();  // the next run of the launcher
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  const auto requests = PackageRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RangeOf(requests[1]), "bytes=" + std::to_string(kept) + "-");
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, AKillInTheMoveIsFinishedAndReportedOnceAtTheNextStart) {
  killAfterFiles_ = 1;
  MakeEngine();
  ASSERT_TRUE(engine_->StartDownload());
  engine_->WaitForUpdate();  // the unpacking stopped dead after a file
  EXPECT_EQ(Steps(), (std::vector<std::string>{"downloading", "downloaded", "unpacking"}));
  EXPECT_FALSE(service_->ReportedCount(code_));

  killAfterFiles_.reset();
  std::mutex logMutex;
  std::string logged;
  logging::SetListener([&](logging::Level, const std::string& line) {
    std::lock_guard lock(logMutex);
    logged += line + "\n";
  });
  events_.Clear();
  Restart();
  logging::SetListener(nullptr);
  EXPECT_TRUE(events_.Questions().empty());  // the archive is not offered again
  ExpectInstalled();
  // The songs are new to the players: the song list is due as after any finished insert,
  // once the store was counted again.
  EXPECT_EQ(Steps(), std::vector<std::string>{"recovered at start"});
  const auto told = events_.Events();
  const auto counted = std::find_if(told.begin(), told.end(),
                                    [](const auto& e) { return e.kind == "counted"; });
  const auto recovered = std::find_if(told.begin(), told.end(),
                                      [](const auto& e) { return e.kind == "step"; });
  EXPECT_LT(counted, recovered);
  // The technician can tell the next day what the start finished and sent.
  EXPECT_NE(logged.find("store: an interrupted update was finished at start"), std::string::npos)
      << logged;
  EXPECT_NE(logged.find("result: 1 of 1 owed results sent"), std::string::npos) << logged;
  events_.Clear();
  Restart();
  EXPECT_EQ(service_->ReportedCount(code_), 1);
  EXPECT_TRUE(Steps().empty());  // only the start that finished the update asks for the list
}

TEST_F(UpdateFaultTest, AResultThatCannotBeSentIsSentOnceAtTheNextStart) {
  net_->formsFail = true;
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  EXPECT_FALSE(service_->ReportedCount(code_));
  EXPECT_TRUE(fs::exists(Archive()));    // kept until its result went
  AddPendingResult(module_, "U-older");  // one owed from before: both go, each once

  net_->formsFail = false;
  Restart();
  EXPECT_TRUE(events_.Questions().empty());
  ExpectInstalled();
  Restart();
  EXPECT_EQ(service_->ReportedCount(code_), 1);
  EXPECT_EQ(RequestsTo("/api/update/key-lock/result/U-older").size(), 1u);

  // A launcher stopped while the request was on its way: it may have arrived, so it is
  // not sent again.
  WritePendingResults(module_, {{"U-other", true}});
  Restart();
  EXPECT_FALSE(service_->ReportedCount("U-other"));
  EXPECT_TRUE(ReadPendingResults(module_).empty());
}

// The service has the report, the answer is still on its way when the window closes: the
// next start must not report the update a second time.
TEST_F(UpdateFaultTest, AResultCutByClosingTheWindowIsReportedOnce) {
  net_->holdResults = true;
  ASSERT_TRUE(engine_->StartDownload());
  ASSERT_TRUE(net_->WaitForHeldResult());
  CloseWindow();
  ASSERT_EQ(RequestsTo("/api/update/key-lock/result/" + code_).size(), 1u);

  Reopen();
  Restart();
  Restart();
  EXPECT_EQ(RequestsTo("/api/update/key-lock/result/" + code_).size(), 1u);
  EXPECT_TRUE(ReadPendingResults(module_).empty());
  EXPECT_FALSE(fs::exists(Archive()));
  EXPECT_TRUE(events_.Questions().empty());  // the package is not offered again
}

// Once the window is closing no report starts: it is owed, and sent once by the next start.
TEST_F(UpdateFaultTest, AResultNotYetStartedWhenTheWindowClosesIsSentByTheNextStart) {
  engine_->SettleReports(std::chrono::milliseconds(0));
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  EXPECT_TRUE(RequestsTo("/api/update/key-lock/result/").empty());
  EXPECT_EQ(ReadPendingResults(module_), (std::vector<PendingResult>{{code_, false}}));

  Restart();
  Restart();
  EXPECT_EQ(RequestsTo("/api/update/key-lock/result/" + code_).size(), 1u);
  ExpectInstalled();
}

TEST_F(UpdateFaultTest, APartialFileOfAnotherPackageIsNotResumed) {
  songsvc::Fault cut;
  cut.truncateAfter = package_.size() / 2;
  cut.remaining = 1;
  service_->SetFault("/packages/", cut);
  EXPECT_EQ(PressUpdate(), PressEnd::DownloadFailed);
  auto sidecar = ReadSidecar(Archive());
  ASSERT_TRUE(sidecar);
  EXPECT_EQ(sidecar->updateCode, code_);
  EXPECT_EQ(sidecar->length, package_.size());
  sidecar->etag = "\"another package\"";
  WriteSidecar(Archive(), *sidecar);

  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  const auto requests = PackageRequests();
  ASSERT_EQ(requests.size(), 2u);
  auto ifRange = requests[1].headers.find("If-Range");
  ASSERT_NE(ifRange, requests[1].headers.end());
  EXPECT_EQ(ifRange->second, sidecar->etag);
  ExpectInstalled();  // the server sent the whole body, which replaced the part
}

}  // namespace
}  // namespace orvik::test
