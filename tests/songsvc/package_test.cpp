// Update events, package content and ranged downloads, the result request.
#include <cstdlib>

#include "service_fixture.h"

namespace songsvc::test {
namespace {

using PackageTest = ServiceTest;
namespace fs = std::filesystem;

std::string EventReply(httplib::SSLClient& client, const std::string& code) {
  auto res = client.Get("/api/update/event/" + code);
  EXPECT_TRUE(res);
  return res ? std::to_string(res->status) + " " + res->body : "no reply";
}

TEST_F(PackageTest, EventNamesThePackageOnlyOnceItIsPrepared) {
  WriteSongs(options_.catalogDir, {7, 1234});
  options_.preparationDelay = std::chrono::hours(1);
  StartService();
  const std::string code = Connect("")["updateCode"];
  auto client = Secure();

  EXPECT_EQ(EventReply(*client, code), "200 downloadUrl=&fileSize=0");
  EXPECT_FALSE(service_->WaitForPackage(code, std::chrono::milliseconds(0)));

  service_->SetPreparationDelay(std::chrono::milliseconds(0));
  ASSERT_TRUE(service_->WaitForPackage(code, std::chrono::seconds(10)));
  const auto size = fs::file_size(service_->PackageFile(code));
  EXPECT_EQ(EventReply(*client, code), "200 downloadUrl=" + service_->SecureOrigin() +
                                           "/packages/" + code +
                                           ".zip&fileSize=" + std::to_string(size));

  EXPECT_EQ(EventReply(*client, "NOSUCHCODE").substr(0, 3), "404");
  EXPECT_EQ(EventReply(*client, "").substr(0, 3), "404");
}

TEST_F(PackageTest, PackageHoldsTheMissingSongsAtTheirStorePaths) {
  WriteSongs(options_.catalogDir, {7, 1234, 123456});
  // One song larger than a transfer block.
  const std::string big(150 * 1024 + 3, 'b');
  orvik::test::WriteTextFile(options_.catalogDir / "K12000" / "12345.sgd", big);
  StartService();
  const std::string code = Connect("1234")["updateCode"];
  ASSERT_TRUE(service_->WaitForPackage(code, std::chrono::seconds(10)));

  auto res = Secure()->Get("/packages/" + code + ".zip");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(res->body.size()));
  const fs::path zip = temp_ / "got.zip";
  const fs::path out = temp_ / "unpacked";
  orvik::test::WriteTextFile(zip, res->body);
  const std::string command =
      "7zz x -y '-o" + out.string() + "' '" + zip.string() + "' > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);

  std::map<std::string, std::string> unpacked;
  for (const auto& entry : fs::recursive_directory_iterator(out)) {
    if (entry.is_regular_file()) {
      unpacked[fs::relative(entry.path(), out).generic_string()] =
          orvik::test::ReadTextFile(entry.path());
    }
  }
  std::map<std::string, std::string> expected = {{"K0000/00007.sgd", SongBytes(7)},
                                                 {"K12000/12345.sgd", big},
                                                 {"K123000/123456.sgd", SongBytes(123456)}};
  EXPECT_EQ(unpacked, expected);
}

TEST_F(PackageTest, RangedDownloadsResumeAndRefuseRangesPastTheEnd) {
  WriteSongs(options_.catalogDir, {7, 8, 9});
  StartService();
  const std::string code = Connect("")["updateCode"];
  ASSERT_TRUE(service_->WaitForPackage(code, std::chrono::seconds(10)));
  auto client = Secure();
  const std::string path = "/packages/" + code + ".zip";
  auto whole = client->Get(path);
  ASSERT_TRUE(whole);
  const std::string all = whole->body;
  const std::string n = std::to_string(all.size());

  auto tail = client->Get(path, {{"Range", "bytes=10-"}});
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->status, 206);
  EXPECT_EQ(tail->get_header_value("Content-Range"),
            "bytes 10-" + std::to_string(all.size() - 1) + "/" + n);
  EXPECT_EQ(tail->body, all.substr(10));

  auto middle = client->Get(path, {{"Range", "bytes=5-9"}});
  ASSERT_TRUE(middle);
  EXPECT_EQ(middle->status, 206);
  EXPECT_EQ(middle->body, all.substr(5, 5));

  auto past = client->Get(path, {{"Range", "bytes=" + n + "-"}});
  ASSERT_TRUE(past);
  EXPECT_EQ(past->status, 416);
  EXPECT_EQ(past->get_header_value("Content-Range"), "bytes */" + n);

  // Packages are offered over HTTPS only, and only under a known code.
  EXPECT_EQ(Plain().Get(path)->status, 404);
  EXPECT_EQ(client->Get("/packages/NOSUCHCODE.zip")->status, 404);
}

TEST_F(PackageTest, ResultIsRecordedAndAcknowledged) {
  WriteSongs(options_.catalogDir, {7});
  StartService();
  const std::string code = Connect("")["updateCode"];
  auto res = Plain().Post("/api/update/key-lock/result/" + code + "?inserCount=1", "insertCount=1",
                          "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "ok");
  EXPECT_EQ(service_->ReportedCount(code), 1);
  EXPECT_EQ(service_->ReportedCount("OTHER"), std::nullopt);
}

}  // namespace
}  // namespace songsvc::test
