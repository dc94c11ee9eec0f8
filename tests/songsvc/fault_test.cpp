// Injected faults: status codes, given bytes, cut and lying bodies, slow bodies, ignored
// ranges, and how long a fault lasts.
#include "service_fixture.h"

namespace songsvc::test {
namespace {

class FaultTest : public ServiceTest {
 protected:
  // A prepared package of more than two transfer blocks; gives its path and bytes.
  std::string PreparePackage() {
    orvik::test::WriteTextFile(options_.catalogDir / "K0000" / "00001.sgd",
                               std::string(200 * 1024, 's'));
    StartService();
    code_ = Connect("")["updateCode"];
    EXPECT_TRUE(service_->WaitForPackage(code_, std::chrono::seconds(10)));
    auto res = Secure()->Get(Path());
    EXPECT_TRUE(res);
    return res ? res->body : "";
  }
  std::string Path() const { return "/packages/" + code_ + ".zip"; }

  std::string code_;
};

TEST_F(FaultTest, StatusFaultLastsItsCountAndSkipsTheHandler) {
  WriteSongs(options_.catalogDir, {7});
  StartService();
  Fault fault;
  fault.status = 500;
  fault.remaining = 2;
  service_->SetFault("/api/device-connect", fault);

  auto post = [&] {
    return Plain().Post("/api/device-connect", ConnectBody(""),
                        "application/x-www-form-urlencoded");
  };
  EXPECT_EQ(post()->status, 500);
  EXPECT_EQ(post()->status, 500);
  EXPECT_EQ(service_->LastUpdateCode(), "");  // no package was started for them
  auto third = post();
  EXPECT_EQ(third->status, 200);
  EXPECT_NE(service_->LastUpdateCode(), "");
  EXPECT_EQ(service_->Requests().size(), 3u);
}

TEST_F(FaultTest, GivenBytesReplaceTheReplyAndTheLongestPrefixWins) {
  StartService();
  Fault broad;
  broad.status = 503;
  service_->SetFault("/api/", broad);
  Fault given;
  given.rawBody = std::string("needUpdateSong=true\r\n&action=\0x", 33);
  service_->SetFault("/api/device-connect", given);

  auto res =
      Plain().Post("/api/device-connect", ConnectBody(""), "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body, *given.rawBody);
  EXPECT_EQ(Secure()->Get("/api/update/event/X")->status, 503);

  service_->ClearFaults();
  EXPECT_EQ(Secure()->Get("/api/update/event/X")->status, 404);
}

TEST_F(FaultTest, TruncatedBodyDropsTheConnection) {
  const std::string all = PreparePackage();
  Fault fault;
  fault.truncateAfter = 100;
  fault.remaining = 1;
  service_->SetFault("/packages/", fault);

  std::string got;
  auto res = Secure()->Get(Path(), [&](const char* data, size_t n) {
    got.append(data, n);
    return true;
  });
  EXPECT_FALSE(res);
  EXPECT_EQ(got, all.substr(0, 100));
  // Used up: the next download is whole again.
  auto again = Secure()->Get(Path());
  ASSERT_TRUE(again);
  EXPECT_EQ(again->body, all);
}

TEST_F(FaultTest, LyingContentLengthIsAnnounced) {
  const std::string all = PreparePackage();
  Fault shorter;
  shorter.claimedLength = 10;
  service_->SetFault("/packages/", shorter);
  auto res = Secure()->Get(Path());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->get_header_value("Content-Length"), "10");
  EXPECT_EQ(res->body, all.substr(0, 10));

  Fault longer;
  longer.claimedLength = all.size() + 1000;
  service_->SetFault("/packages/", longer);
  EXPECT_FALSE(Secure()->Get(Path()));
}

TEST_F(FaultTest, SlowBodyStillArrivesWhole) {
  const std::string all = PreparePackage();
  Fault fault;
  fault.slowChunkDelayMs = 5;
  service_->SetFault("/packages/", fault);
  auto res = Secure()->Get(Path());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, all);
}

TEST_F(FaultTest, IgnoredRangeAnswersTheWholeBody) {
  const std::string all = PreparePackage();
  Fault fault;
  fault.ignoreRange = true;
  service_->SetFault("/packages/", fault);
  auto res = Secure()->Get(Path(), {{"Range", "bytes=10-"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_FALSE(res->has_header("Content-Range"));
  EXPECT_EQ(res->body, all);
}

TEST_F(FaultTest, ChunkedBodyAnnouncesNoLength) {
  const std::string all = PreparePackage();
  Fault fault;
  fault.chunked = true;
  service_->SetFault("/packages/", fault);
  auto res = Secure()->Get(Path());
  ASSERT_TRUE(res);
  EXPECT_FALSE(res->has_header("Content-Length"));
  EXPECT_EQ(res->body, all);

  fault.truncateAfter = 1000;
  service_->SetFault("/packages/", fault);
  EXPECT_FALSE(Secure()->Get(Path()));
}

}  // namespace
}  // namespace songsvc::test
