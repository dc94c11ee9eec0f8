// The song-update flows as the operator meets them: insert, remove, offline, a package left
// on disk, the launcher offer.
#include <gtest/gtest.h>

#include "core/last_update.h"
#include "core/log.h"
#include "engine_fixture.h"
#include "update/package_sidecar.h"
#include "core/user_texts.h"

namespace fs = std::filesystem;

namespace orvik::test {
namespace {

using UpdateFlowTest = EngineTest;

TEST_F(UpdateFlowTest, InsertFlowPollsForThePackageThenInstallsAndReports) {
  std::mutex logMutex;
  std::vector<std::string> logged;
  logging::SetListener([&](logging::Level, const std::string& line) {
    std::lock_guard lock(logMutex);
    logged.push_back(line);
  });
  const Tree before = ReadTree(store_);
  service_->SetPreparationDelay(std::chrono::hours(1));
  Check();

  // Package pending: the count is shown and timer 2 polls every 2 s.
  const auto connects = RequestsTo("/api/device-connect");
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_NE(connects[0].body.find("keyLock=1234567890&"), std::string::npos);
  EXPECT_NE(connects[0].body.find("songCount=2&"), std::string::npos);
  EXPECT_TRUE(connects[0].body.ends_with("songs=1,1234"));
  EXPECT_EQ(events_.SongsToAdd(), 2);
  ASSERT_TRUE(events_.Polling());
  EXPECT_EQ(events_.Of("poll").back().extra, kEventPollMs);
  EXPECT_FALSE(state_.m_packageReady);

  engine_->StartEventPoll();  // a tick before the package is made changes nothing
  engine_->WaitForChecks();
  EXPECT_FALSE(state_.m_packageReady);
  EXPECT_TRUE(events_.Polling());

  service_->SetPreparationDelay(std::chrono::milliseconds(0));
  const std::string code = service_->LastUpdateCode();
  ASSERT_TRUE(service_->WaitForPackage(code, std::chrono::seconds(20)));
  engine_->StartEventPoll();
  engine_->WaitForChecks();
  ASSERT_TRUE(state_.m_packageReady);
  EXPECT_FALSE(events_.Polling());
  EXPECT_EQ(Outcomes().back().first, UpdateOutcome::PackageReady);
  EXPECT_EQ(RequestsTo("/api/update/event/" + code).size(), 3u);

  const std::string package = PackageBytes();
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  EXPECT_EQ(Steps(), (std::vector<std::string>{"downloading", "downloaded", "unpacking",
                                               "finished, song list"}));
  Tree expected = before;
  for (int n : {2001, 3500}) expected[SongPath(n)] = ReadTextFile(catalog_ / SongPath(n));
  EXPECT_EQ(ReadTree(store_), expected);
  EXPECT_EQ(service_->ReportedCount(code), 1);
  EXPECT_FALSE(client_->NeedUpdateSong());  // the update button starts the tools from now on
  const auto results = RequestsTo("/api/update/key-lock/result/" + code);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].query, "inserCount=1");
  EXPECT_FALSE(fs::exists(Archive()));
  EXPECT_FALSE(fs::exists(Part()));
  ASSERT_TRUE(LoadLastUpdate(module_));  // what the About box shows
  EXPECT_EQ(LoadLastUpdate(module_)->songsAdded, 2);
  // Recounted: the window shows the new store.
  EXPECT_EQ(events_.StoredCount(), 4);
  EXPECT_EQ(state_.m_storedSongCount, 4);
  const auto progress = events_.Of("progress");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().value, static_cast<long long>(package.size()));
  EXPECT_EQ(progress.back().extra, static_cast<long long>(package.size()));
  // The next check with the same service type sends nothing.
  Check();
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 1u);

  // The technician's log tells the same story, in order, one line per event.
  logging::SetListener(nullptr);
  const std::string expectedLines[] = {
      "inventory: 2 songs in " + store_.string(),
      "request POST " + service_->BaseUrl() + "/api/device-connect -> 200 (",
      "check: 2 songs stored, action=insert, 2 songs, update code " + code,
      "request GET " + service_->SecureOrigin() + "/api/update/event/" + code + " -> 200 (",
      "download: start https://",
      "download: complete, " + std::to_string(package.size()) + " of " +
          std::to_string(package.size()) + " bytes, ",
      "unpacking: " + Archive().string() + " into " + store_.string(),
      "unpacking: done, 2 files, ",
      "inventory: 4 songs in " + store_.string(),
      "result report: 1 songs, delivered",
  };
  std::size_t at = 0;
  for (const std::string& line : logged)
    if (at < std::size(expectedLines) && line.starts_with(expectedLines[at])) ++at;
  EXPECT_EQ(at, std::size(expectedLines))
      << "missing: " << expectedLines[std::min<std::size_t>(at, std::size(expectedLines) - 1)];
}

TEST_F(UpdateFlowTest, RemoveFlowDeletesTheWithdrawnSongsOnly) {
  for (int n : {2001, 3500, 5000, 999999}) WriteSong(store_, n, 100, "old");
  const Tree before = ReadTree(store_);
  Check();
  Tree expected = before;
  expected.erase(SongPath(5000));
  expected.erase(SongPath(999999));
  EXPECT_EQ(ReadTree(store_), expected);
  EXPECT_TRUE(RequestsTo("/api/update/event/").empty());
  EXPECT_FALSE(events_.Polling());
  EXPECT_EQ(events_.StoredCount(), 4);  // recounted after the removal
  EXPECT_EQ(Outcomes(),
            (std::vector<std::pair<UpdateOutcome, long long>>{{UpdateOutcome::Removed, 2}}));
}

TEST_F(UpdateFlowTest, NothingToDoShowsTheRunButton) {
  for (int n : {2001, 3500}) WriteSong(store_, n, 10, "old");
  Check();
  EXPECT_EQ(Outcomes(),
            (std::vector<std::pair<UpdateOutcome, long long>>{{UpdateOutcome::NothingToAdd, 0}}));
  EXPECT_TRUE(events_.Questions().empty());
}

TEST_F(UpdateFlowTest, OfflineSendsNothingAndDoesNotCheckAgain) {
  net_->online = false;
  Check();
  EXPECT_TRUE(service_->Requests().empty());
  EXPECT_TRUE(client_->GetConnectDone());
  EXPECT_EQ(Outcomes(),
            (std::vector<std::pair<UpdateOutcome, long long>>{{UpdateOutcome::Unreachable, 0}}));
  const auto told = events_.Events().size();

  net_->online = true;
  Check();  // timer 1 keeps firing: nothing until the service type changes
  EXPECT_TRUE(service_->Requests().empty());
  EXPECT_EQ(events_.Events().size(), told);

  client_->SetConnectDone(false);  // a service selection
  state_.m_refreshRequested = true;
  Check();
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 1u);
}

TEST_F(UpdateFlowTest, AServiceErrorEndsTheCheckWithItsStatusNotAsUpToDate) {
  using Outcome = std::pair<UpdateOutcome, long long>;
  service_->SetFault("/api/device-connect", {.status = 503, .rawBody = "", .remaining = 1});
  Check();
  EXPECT_EQ(Outcomes(), (std::vector<Outcome>{{UpdateOutcome::HttpError, 503}}));

  service_->SetFault("/api/update/event/", {.status = 503, .rawBody = "busy"});
  client_->SetConnectDone(false);
  state_.m_refreshRequested = true;
  Check();
  EXPECT_EQ(Outcomes().back(), Outcome(UpdateOutcome::HttpError, 503));
  EXPECT_FALSE(events_.Polling());
  // One box per outage, shown after the window was told; the rest is status line and log.
  for (int tick = 0; tick < 2; ++tick) {
    engine_->StartEventPoll();
    engine_->WaitForChecks();
  }
  EXPECT_EQ(events_.Notices(), std::vector<UpdateNotice>{UpdateNotice::RequestFailed});
  EXPECT_EQ(Outcomes().size(), 4u);
  service_->ClearFaults();
  engine_->StartEventPoll();  // answered: the outage is over
  engine_->WaitForChecks();
  service_->SetFault("/api/update/event/", {.status = 503, .rawBody = "busy"});
  engine_->StartEventPoll();
  engine_->WaitForChecks();
  EXPECT_EQ(events_.Notices().size(), 2u);
}

TEST_F(UpdateFlowTest, InactiveWindowStartsNoCheck) {
  state_.m_isActive = false;
  Check();
  EXPECT_TRUE(service_->Requests().empty());
  EXPECT_FALSE(state_.m_checkRunning);
}

TEST_F(UpdateFlowTest, KeysWithTheirOwnNumberAskForIt) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_serviceKey = "tunovaHL";
  }
  Check();
  const auto connects = RequestsTo("/api/device-connect");
  ASSERT_EQ(connects.size(), 1u);
  EXPECT_NE(connects[0].body.find("keyLock=5555000011&"), std::string::npos);
  EXPECT_NE(connects[0].body.find("serviceType=tunova1&"), std::string::npos);
}

TEST_F(UpdateFlowTest, ArchiveLeftOnDiskUsedWithYes) {
  WriteTextFile(Archive(), ZipBytes({{SongPath(2001), "from disk"}}));
  WriteSidecar(Archive(), {.url = "https://x/p.zip", .updateCode = "U9"});
  const Tree before = ReadTree(store_);
  events_.QueueAnswer(true);
  Check();
  ASSERT_EQ(events_.Questions(), std::vector<UpdateQuestion>{UpdateQuestion::UseLeftoverArchive});
  ASSERT_TRUE(events_.WaitFor([](const std::vector<EventRecorder::Event>& events) {
    return !events.empty() && events.back().text.starts_with("finished");
  }));
  EXPECT_TRUE(RequestsTo("/api/device-connect").empty());
  EXPECT_TRUE(client_->GetConnectDone());
  Tree expected = before;
  expected[SongPath(2001)] = "from disk";
  EXPECT_EQ(ReadTree(store_), expected);
  EXPECT_FALSE(fs::exists(Archive()));
  // Reported with the package's own code, and the song list is due as after any insert.
  EXPECT_EQ(Steps(), (std::vector<std::string>{"unpacking", "finished, song list"}));
  const auto results = RequestsTo("/api/update/key-lock/result/");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].path, "/api/update/key-lock/result/U9");
  EXPECT_EQ(client_->GetAction(), "insert");
}

TEST_F(UpdateFlowTest, AMissingSongFolderIsNeverCreatedNorFilled) {
  const fs::path absent = dirs_ / "usb-disk" / "songs";
  state_.settings.Set("songs.tunova", absent.string());
  WriteTextFile(Archive(), ZipBytes({{SongPath(2001), "from disk"}}));
  Check();
  EXPECT_EQ(Status(), std::string(text::kSongFolderMissing) + absent.string());
  EXPECT_EQ(
      Outcomes(),
      (std::vector<std::pair<UpdateOutcome, long long>>{{UpdateOutcome::SongFolderMissing, 0}}));
  EXPECT_TRUE(events_.Questions().empty());
  EXPECT_TRUE(RequestsTo("/api/device-connect").empty());
  EXPECT_FALSE(state_.m_packageReady);
  EXPECT_FALSE(fs::exists(absent));
}

TEST_F(UpdateFlowTest, ArchiveLeftOnDiskKeptWithNo) {
  const std::string zip = ZipBytes({{SongPath(2001), "from disk"}});
  WriteTextFile(Archive(), zip);
  const Tree before = ReadTree(store_);
  events_.QueueAnswer(false);
  Check();
  EXPECT_EQ(events_.Questions(), std::vector<UpdateQuestion>{UpdateQuestion::UseLeftoverArchive});
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 1u);
  EXPECT_EQ(ReadTextFile(Archive()), zip);
  EXPECT_EQ(ReadTree(store_), before);
  EXPECT_FALSE(engine_->IsExtracting());
}

TEST_F(UpdateFlowTest, ANewConnectForgetsTheEarlierPackage) {
  ReachReady();
  client_->SetConnectDone(false);
  state_.m_refreshRequested = true;
  service_->SetPreparationDelay(std::chrono::hours(1));
  Check();
  EXPECT_FALSE(state_.m_packageReady);
  std::lock_guard lock(state_.mutex);
  EXPECT_TRUE(state_.m_packageUrl.empty());
}

class LauncherOfferTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (int n : {2001, 3500}) WriteSong(store_, n, 10, "old");  // no song update
  }
};

// Only a web address the operator said Yes to is opened; the worker goes on after the offer.
TEST_F(LauncherOfferTest, OnlyAWebAddressIsOpenedAndOnlyWithYes) {
  const std::string web = "https://example.com/orvik-setup.exe";
  const struct {
    std::string address;
    bool yes;
    bool opened;
  } cases[] = {{web, true, true},
               {web, false, false},
               {"C:\\Windows\\System32\\cmd.exe", true, false},
               {"file:///bin/sh", true, false},
               {"", true, false}};
  for (const auto& c : cases) {
    events_.Clear();
    client_->SetConnectDone(false);
    state_.m_refreshRequested = true;
    service_->SetAppUpdate(true, c.address);
    events_.QueueAnswer(c.yes);
    Check();
    EXPECT_EQ(events_.Questions(),
              std::vector<UpdateQuestion>{UpdateQuestion::OpenLauncherUpdate});
    EXPECT_EQ(events_.Opened(),
              c.opened ? std::vector<std::string>{web} : std::vector<std::string>{})
        << c.address;
    const std::vector<UpdateNotice> said{UpdateNotice::LauncherUpdateBadAddress};
    EXPECT_EQ(events_.Notices(), c.yes && !c.opened ? said : std::vector<UpdateNotice>{});
    EXPECT_EQ(Outcomes(), (std::vector<std::pair<UpdateOutcome, long long>>{
                              {UpdateOutcome::NothingToAdd, 0}}));
  }
}

TEST_F(LauncherOfferTest, NoOfferWhenOfflineAfterTheConnect) {
  service_->SetAppUpdate(true, "https://example.com/orvik-setup.exe");
  net_->Script({true, false});
  Check();
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 1u);
  EXPECT_TRUE(events_.Questions().empty());
}

}  // namespace
}  // namespace orvik::test
