// CServiceClient against the reference service: bodies and paths byte for byte.
#include "service/service_client.h"

#include <gtest/gtest.h>

#include "service/system_transport.h"
#include "service/web_address.h"
#include "service_fixture.h"

namespace orvik::test {
namespace {

class ServiceClientTest : public ServiceTest {
 protected:
  DeviceIdentity Identity(std::string name) {
    return {[name] { return name; }, [] { return std::string("00-11-22-33-44-55"); }};
  }
  void Connect(CServiceClient& client, const std::string& songs, int count, bool makeNew = false) {
    client.DeviceConnect("0123456789ABCDEF0123456789ABCDEF", "tunova1", "1234567890", "0.9.1",
                         count, songs, makeNew);
  }
  std::string LastBody(const std::string& path) {
    const auto requests = RequestsTo(path);
    return requests.empty() ? std::string("<no request>") : requests.back().body;
  }
};

TEST_F(ServiceClientTest, DeviceConnectBodyOfAnEmptyStore) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("MY-PC"));
  Connect(client, "", 0);
  EXPECT_EQ(LastBody("/api/device-connect"),
            "clientId=0123456789ABCDEF0123456789ABCDEF&keyLock=1234567890&deviceName=MY%2DPC"
            "&deviceType=PC&mac=00-11-22-33-44-55&serviceType=tunova1&songCount=0"
            "&appVersion=0.9.1&isMakeNew=no&songs=");
  EXPECT_FALSE(client.NeedUpdateSong());
  EXPECT_EQ(client.GetReplyValue("needUpdateSong"), "false");
}

TEST_F(ServiceClientTest, DeviceConnectSendsAKoreanNameInCp949) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("\xEA\xB0\x80\xEB\x82\x98 PC"));
  Connect(client, "1,2", 2, true);
  EXPECT_EQ(LastBody("/api/device-connect"),
            "clientId=0123456789ABCDEF0123456789ABCDEF&keyLock=1234567890"
            "&deviceName=%B0%A1%B3%AA+PC&deviceType=PC&mac=00-11-22-33-44-55&serviceType=tunova1"
            "&songCount=2&appVersion=0.9.1&isMakeNew=yes&songs=1,2");
}

TEST_F(ServiceClientTest, ConnectsOncePerSelection) {
  PutSong(Catalog(), 1);
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  EXPECT_FALSE(client.GetConnectDone());
  Connect(client, "", 0);
  EXPECT_TRUE(client.GetConnectDone());
  const auto first = client.ReplySnapshot().Entries();
  EXPECT_EQ(first.at("action"), "insert");

  Service().SetFault("/api/device-connect", {.rawBody = "needUpdateSong=false"});
  Connect(client, "", 0);
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 1u);
  EXPECT_EQ(client.ReplySnapshot().Entries(), first);

  client.SetConnectDone(false);
  Connect(client, "", 0);
  EXPECT_EQ(RequestsTo("/api/device-connect").size(), 2u);
  EXPECT_EQ(client.ReplySnapshot().Entries(),
            (std::map<std::string, std::string>{{"needUpdateSong", "false"}}));
}

TEST_F(ServiceClientTest, AFailedConnectLeavesAnEmptyReply) {
  Service().SetFault("/api/device-connect", {.rawBody = "needUpdateSong=true&action=insert"});
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Connect(client, "", 0);
  ASSERT_TRUE(client.NeedUpdateSong());

  Service().Stop();
  client.SetConnectDone(false);
  Connect(client, "", 0);
  EXPECT_TRUE(client.GetConnectDone());
  EXPECT_FALSE(client.NeedUpdateSong());
  EXPECT_EQ(client.GetAction(), "");
  EXPECT_TRUE(port_.Messages().empty());
}

TEST_F(ServiceClientTest, AnHttpsBaseSendsNothing) {
  CServiceClient client(Service().SecureOrigin(), *transport_, Identity("PC"));
  Connect(client, "", 0);
  client.ReportUpdateResult(1);
  EXPECT_TRUE(client.GetConnectDone());
  EXPECT_TRUE(Service().Requests().empty());
}

TEST_F(ServiceClientTest, InsertThenPackageEventThenResult) {
  for (int n : {1, 2, 3}) PutSong(Catalog(), n);
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Connect(client, "1", 1);
  ASSERT_TRUE(client.NeedUpdateSong());
  EXPECT_EQ(client.GetAction(), "insert");
  EXPECT_EQ(client.GetUpdateSongCount(), "2");
  const std::string code = client.GetReplyValue("updateCode");
  ASSERT_FALSE(code.empty());

  // The service builds the package in the background; poll as the window would.
  std::string url;
  for (int attempt = 0; attempt < 500 && url.empty(); ++attempt) url = client.GetUpdateEvent();
  EXPECT_EQ(url, Service().SecureOrigin() + "/packages/" + code + ".zip");
  EXPECT_EQ(RequestsTo("/api/update/event/").back().path, "/api/update/event/" + code);
  EXPECT_TRUE(RequestsTo("/api/update/event/").back().secure);

  client.ReportUpdateResult(1);
  const auto result = RequestsTo("/api/update/key-lock/result/");
  ASSERT_EQ(result.size(), 1u);
  EXPECT_EQ(result[0].path, "/api/update/key-lock/result/" + code);
  EXPECT_EQ(result[0].query, "inserCount=1");
  EXPECT_EQ(result[0].body, "insertCount=1");
}

TEST_F(ServiceClientTest, UpdateCodePathsOfTheReply) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Service().SetFault("/api/device-connect", {.rawBody = "needUpdateSong=true&updateCode=U7"});
  Connect(client, "", 0);
  client.ReportUpdateResult(1);
  const auto result = RequestsTo("/api/update/key-lock/result/").back();
  EXPECT_EQ(result.path, "/api/update/key-lock/result/U7");
  EXPECT_EQ(result.query, "inserCount=1");
  EXPECT_EQ(result.body, "insertCount=1");

  Service().SetFault("/api/update/event/", {.rawBody = "downloadUrl=&fileSize=0"});
  EXPECT_EQ(client.GetUpdateEvent(), "");
  EXPECT_TRUE(port_.Messages().empty());
}

TEST_F(ServiceClientTest, AReplyCannotSteerTheRequestPaths) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Service().SetFault("/api/device-connect", {.rawBody = "updateCode=../../x?y=1#z%0D%0A"});
  Connect(client, "", 0);
  client.GetUpdateEvent();
  client.ReportUpdateResult(3);
  EXPECT_EQ(RequestsTo("/api/update/event/").back().path,
            "/api/update/event/..%2F..%2Fx%3Fy%3D1%23z%250D%250A");
  const auto result = RequestsTo("/api/update/key-lock/result/").back();
  EXPECT_EQ(result.path, "/api/update/key-lock/result/..%2F..%2Fx%3Fy%3D1%23z%250D%250A");
  EXPECT_EQ(result.query, "inserCount=3");

  Service().SetFault("/api/device-connect", {.rawBody = "updateCode=.."});
  client.SetConnectDone(false);
  Connect(client, "", 0);
  client.GetUpdateEvent();
  EXPECT_EQ(RequestsTo("/api/update/event/").back().path, "/api/update/event/%2E%2E");
}

TEST_F(ServiceClientTest, WithoutUpdateCodeTheEventPathEndsInASlash) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Connect(client, "", 0);
  EXPECT_EQ(client.GetUpdateEvent(), "");
  EXPECT_EQ(RequestsTo("/api/update/event/").back().path, "/api/update/event/");
  EXPECT_EQ(client.LastFailure().kind, TransportFailure::HttpStatus);  // 404
  EXPECT_EQ(client.LastFailure().status, 404);
}

TEST_F(ServiceClientTest, RemovesTheSongsTheServiceWithdraws) {
  PutSong(Catalog(), 1);
  const auto store = dirs_ / "store";
  for (int n : {1, 5, 1007}) PutSong(store, n);
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Connect(client, "1,5,1007", 3);
  ASSERT_TRUE(client.IsActionRemove());
  EXPECT_EQ(client.GetReplyValue("songsId"), "5,1007");
  client.RemoveListedSongs(store);
  EXPECT_TRUE(std::filesystem::exists(store / "K0000" / "00001.sgd"));
  EXPECT_FALSE(std::filesystem::exists(store / "K0000" / "00005.sgd"));
  EXPECT_FALSE(std::filesystem::exists(store / "K1000" / "01007.sgd"));
}

TEST_F(ServiceClientTest, RemoveTakesOnlyPositive32BitNumbers) {
  const auto store = dirs_ / "store";
  for (int n : {7, 1001, 12, 3, 123456, 2147483}) PutSong(store, n);
  Service().SetFault("/api/device-connect",
                     {.rawBody = "songsId=7,,1001, x,0,-3,+12,2147483648,99999999999,3x,"
                                 "2147483647,123456 "});
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Connect(client, "", 0);
  client.RemoveListedSongs(store);
  EXPECT_FALSE(std::filesystem::exists(store / "K0000" / "00007.sgd"));
  EXPECT_FALSE(std::filesystem::exists(store / "K1000" / "01001.sgd"));
  EXPECT_FALSE(std::filesystem::exists(store / "K0000" / "00012.sgd"));
  EXPECT_FALSE(std::filesystem::exists(store / "K0000" / "00003.sgd"));  // "3x" reads as 3
  EXPECT_FALSE(std::filesystem::exists(store / "K123000" / "123456.sgd"));
  EXPECT_TRUE(std::filesystem::exists(store / "K2147000" / "2147483.sgd"));
}

TEST_F(ServiceClientTest, AnAppUpdateAddressIsOnlyOpenedWhenItIsAWebAddress) {
  CServiceClient client(Service().BaseUrl(), *transport_, Identity("PC"));
  Service().SetAppUpdate(true, "file:///bin/sh");
  Connect(client, "", 0);
  EXPECT_TRUE(client.NeedUpdateApp());
  EXPECT_EQ(client.GetAppFileUrl(), "file:///bin/sh");
  EXPECT_FALSE(IsWebAddress(client.GetAppFileUrl()));
}

}  // namespace
}  // namespace orvik::test
