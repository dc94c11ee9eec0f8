// The banner thread against the reference service.
#include "service/banners.h"

#include <gtest/gtest.h>

#include <fstream>

#include "service/system_transport.h"
#include "service_fixture.h"

namespace orvik::test {
namespace {

class BannersTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    client_ = std::make_unique<CServiceClient>(Service().BaseUrl(), *transport_);
  }
  void Run() {
    ::testing::internal::CaptureStderr();
    RunBannerThread(*client_, *transport_, module_);
    ::testing::internal::GetCapturedStderr();
  }

  std::filesystem::path module_ = dirs_ / "module";
  std::unique_ptr<CServiceClient> client_;
};

TEST_F(BannersTest, DownloadsEachPictureAndKeepsTheList) {
  WriteTextFile(BannerPictures() / "p1.png", "one");
  WriteTextFile(BannerPictures() / "p2.png", "two");
  const std::string base = Service().BaseUrl() + "/banners/";
  const std::string reply = "a," + base + "p1.png,p1.png,http://l1/|b," + base + "p2.png,p2.png";
  Service().SetBannerReply(reply);
  Run();

  const auto request = RequestsTo("/api/app/banner/launcher/").at(0);
  EXPECT_EQ(request.path, "/api/app/banner/launcher/tunova");
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.body, "");
  EXPECT_EQ(client_->Banners(),
            (std::vector<BannerEntry>{{"a", base + "p1.png", "p1.png", "http://l1/"},
                                      {"b", base + "p2.png", "p2.png", ""}}));
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "images" / "p1.png"), "one");
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "images" / "p2.png"), "two");
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "banner.dat"), reply);
}

TEST_F(BannersTest, HostileEntriesWriteNothingOutsideThePictureFolder) {
  WriteTextFile(BannerPictures() / "p1.png", "one");
  const std::string url = Service().BaseUrl() + "/banners/p1.png";
  Service().SetBannerReply("1," + url + ",../x.png|2," + url + ",..\\x.png|3," + url +
                           ",C:\\x.png|4," + url + ",/tmp/x.png|5," + url +
                           ",ok.png,file:///bin/sh|6,file:///etc/passwd,pw.png");
  Run();
  ASSERT_EQ(client_->Banners().size(), 2u);
  EXPECT_EQ(client_->Banners()[0].fileName, "ok.png");
  EXPECT_EQ(client_->Banners()[0].link, "");
  EXPECT_FALSE(std::filesystem::exists(module_ / "bin" / "x.png"));
  EXPECT_FALSE(std::filesystem::exists(module_ / "bin" / "images" / "pw.png"));
  std::vector<std::string> written;
  for (const auto& e : std::filesystem::recursive_directory_iterator(module_))
    written.push_back(std::filesystem::relative(e.path(), module_).generic_string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written,
            (std::vector<std::string>{"bin", "bin/banner.dat", "bin/images", "bin/images/ok.png"}));
}

TEST_F(BannersTest, AnEmptyReplyLeavesAnEmptyList) {
  Service().SetFault("/api/app/banner/launcher/", {.rawBody = ""});
  Run();
  EXPECT_TRUE(client_->Banners().empty());
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "banner.dat"), "");
}

TEST_F(BannersTest, AFailedPictureKeepsTheOlderOne) {
  std::filesystem::create_directories(module_ / "bin" / "images");
  WriteTextFile(module_ / "bin" / "images" / "gone.png", "older");
  Service().SetBannerReply("a," + Service().BaseUrl() + "/banners/gone.png,gone.png");
  Run();
  EXPECT_EQ(client_->Banners().size(), 1u);
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "images" / "gone.png"), "older");
}

TEST_F(BannersTest, WithoutTheServiceTheOldListFileStays) {
  std::filesystem::create_directories(module_ / "bin");
  WriteTextFile(module_ / "bin" / "banner.dat", "previous");
  Service().Stop();
  Run();
  EXPECT_TRUE(client_->Banners().empty());
  EXPECT_EQ(ReadTextFile(module_ / "bin" / "banner.dat"), "previous");
}

TEST_F(BannersTest, NamesInTheServicesCodePageAndBoundsOnWhatIsTaken) {
  WriteTextFile(BannerPictures() / "p1.png", "one");
  // A 100 MB "picture" (sparse: the disk is not filled to make it).
  { std::ofstream(BannerPictures() / "huge.png"); }
  std::filesystem::resize_file(BannerPictures() / "huge.png", 100u * 1024 * 1024);
  const std::string base = Service().BaseUrl() + "/banners/";
  std::string reply = "a," + base + "p1.png,\xB9\xE8\xB3\xCA.png|b," + base + "huge.png,huge.png|";
  reply += "c," + base + "p1.png,\xFF\xFE.png";  // no such CP949 text: dropped
  for (int i = 0; i < 40; ++i) reply += "|n," + base + "p1.png,n" + std::to_string(i) + ".png";
  Service().SetBannerReply(reply);
  Run();

  const auto images = module_ / "bin" / "images";
  EXPECT_EQ(client_->Banners().size(), 32u);
  EXPECT_EQ(client_->Banners()[0].fileName, "\xEB\xB0\xB0\xEB\x84\x88.png");  // UTF-8
  EXPECT_EQ(ReadTextFile(images / std::filesystem::path(u8"\uBC30\uB108.png")), "one");
  EXPECT_FALSE(std::filesystem::exists(images / "huge.png"));
  EXPECT_FALSE(std::filesystem::exists(images / "huge.png.part"));
  EXPECT_TRUE(std::filesystem::exists(images / "n29.png"));
  EXPECT_FALSE(std::filesystem::exists(images / "n30.png"));
}

}  // namespace
}  // namespace orvik::test
