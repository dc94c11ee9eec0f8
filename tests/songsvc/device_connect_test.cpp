// Device connect: the insert / remove / nothing decision against the catalogue, and what
// the service records of each request.
#include <regex>

#include "service_fixture.h"

namespace songsvc::test {
namespace {

using DeviceConnectTest = ServiceTest;

TEST_F(DeviceConnectTest, InsertsWhatTheClientLacksUnderAFreshCode) {
  WriteSongs(options_.catalogDir, {7, 1234, 12000});
  StartService();

  auto reply = Connect("7");
  EXPECT_EQ(reply["needUpdateApp"], "false");
  EXPECT_EQ(reply["needUpdateSong"], "true");
  EXPECT_EQ(reply["action"], "insert");
  EXPECT_EQ(reply["updateSongCount"], "2");
  EXPECT_TRUE(std::regex_match(reply["updateCode"], std::regex("[A-Z0-9]+")));
  EXPECT_EQ(reply["updateCode"], service_->LastUpdateCode());
  EXPECT_FALSE(reply.count("appFileUrl"));

  // An empty store (the body ends with "songs=") gets everything, under another code.
  auto again = Connect("");
  EXPECT_EQ(again["updateSongCount"], "3");
  EXPECT_NE(again["updateCode"], reply["updateCode"]);
}

TEST_F(DeviceConnectTest, RemovesWhatTheCatalogueNoLongerHas) {
  WriteSongs(options_.catalogDir, {7, 1234});
  StartService();

  auto res = Plain().Post("/api/device-connect", ConnectBody("7,99,1234,5,99"),
                          "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body,
            "needUpdateApp=false&needUpdateSong=true&action=remove&updateSongCount=2&songsId=99,5");
  EXPECT_EQ(service_->LastUpdateCode(), "");
}

TEST_F(DeviceConnectTest, InsertWinsOverRemoveAndEqualStoresNeedNothing) {
  WriteSongs(options_.catalogDir, {7, 8});
  StartService();

  EXPECT_EQ(Connect("7,99")["action"], "insert");

  auto res =
      Plain().Post("/api/device-connect", ConnectBody("8,7"), "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "needUpdateApp=false&needUpdateSong=false");
}

TEST_F(DeviceConnectTest, OnlyFilesWhereTheStoreLayoutPutsThemAreSongs) {
  orvik::test::WriteTextFile(options_.catalogDir / "K0000" / "01234.sgd", "wrong block");
  orvik::test::WriteTextFile(options_.catalogDir / "K1000" / "1234.sgd", "not five digits");
  orvik::test::WriteTextFile(options_.catalogDir / "K1000" / "01235.txt", "not a song");
  orvik::test::WriteTextFile(options_.catalogDir / "00007.sgd", "no block folder");
  StartService();

  EXPECT_EQ(Connect("")["needUpdateSong"], "false");
}

TEST_F(DeviceConnectTest, AnnouncesALauncherUpdateWhenAsked) {
  WriteSongs(options_.catalogDir, {7});
  StartService();
  service_->SetAppUpdate(true, "http://example.invalid/orvik-setup.exe");

  auto res =
      Plain().Post("/api/device-connect", ConnectBody("7"), "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body,
            "needUpdateApp=true&appFileUrl=http://example.invalid/orvik-setup.exe"
            "&needUpdateSong=false");
}

TEST_F(DeviceConnectTest, RecordsEveryRequestAsReceived) {
  WriteSongs(options_.catalogDir, {7});
  StartService();
  const std::string body = ConnectBody("");
  Plain().Post("/api/device-connect", body, "application/x-www-form-urlencoded");
  const std::string code = service_->LastUpdateCode();
  Secure()->Get("/api/update/event/" + code);
  Plain().Post("/api/update/key-lock/result/" + code + "?inserCount=1", "insertCount=1",
               "application/x-www-form-urlencoded");
  Plain().Get("/no/such%2Fpath?x=1");

  auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/api/device-connect");
  EXPECT_EQ(requests[0].body, body);
  EXPECT_FALSE(requests[0].secure);
  auto type = requests[0].headers.find("Content-Type");
  ASSERT_NE(type, requests[0].headers.end());
  EXPECT_EQ(type->second, "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].headers.count("REMOTE_ADDR"), 0u);

  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].path, "/api/update/event/" + code);
  EXPECT_TRUE(requests[1].secure);

  EXPECT_EQ(requests[2].path, "/api/update/key-lock/result/" + code);
  EXPECT_EQ(requests[2].query, "inserCount=1");
  EXPECT_EQ(requests[2].body, "insertCount=1");
  EXPECT_EQ(service_->ReportedCount(code), 1);

  // Paths are kept as sent, escapes included.
  EXPECT_EQ(requests[3].path, "/no/such%2Fpath");
  EXPECT_EQ(requests[3].query, "x=1");

  service_->ClearRequests();
  EXPECT_TRUE(service_->Requests().empty());
}

}  // namespace
}  // namespace songsvc::test
