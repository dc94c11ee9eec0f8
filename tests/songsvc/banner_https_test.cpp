// Banners, event pages, and the HTTPS listener with the test certificates.
#include <fstream>

#include "service_fixture.h"

namespace songsvc::test {
namespace {

using BannerTest = ServiceTest;
using HttpsTest = ServiceTest;

TEST_F(BannerTest, ListIsBuiltFromTheBannersFolderAndPicturesAreServed) {
  orvik::test::WriteTextFile(options_.bannersDir / "b.png", "PNG-B");
  orvik::test::WriteTextFile(options_.bannersDir / "a.jpg", "JPG-A");
  // Names that would break the list format or a URL are left out.
  orvik::test::WriteTextFile(options_.bannersDir / "x,y.png", "bad");
  orvik::test::WriteTextFile(options_.bannersDir / "p q.png", "bad");
  StartService();

  auto res =
      Plain().Post("/api/app/banner/launcher/tunova", "", "application/x-www-form-urlencoded");
  ASSERT_TRUE(res);
  const std::string base = service_->BaseUrl();
  const std::string link = service_->SecureOrigin() + "/api/app/banner/event/event-update";
  EXPECT_EQ(res->body, "1," + base + "/banners/a.jpg,a.jpg," + link + "|2," + base +
                           "/banners/b.png,b.png," + link);

  auto picture = Plain().Get("/banners/b.png");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->status, 200);
  EXPECT_EQ(picture->body, "PNG-B");
  EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(Plain().Get("/banners/..%2Fwork")->status, 404);
  EXPECT_EQ(Plain().Get("/banners/missing.png")->status, 404);

  service_->SetBannerReply("x|y,z|||a,b,c,d");
  EXPECT_EQ(Plain().Post("/api/app/banner/launcher/tunova", "", "text/plain")->body,
            "x|y,z|||a,b,c,d");
}

TEST_F(BannerTest, EventPagesAreHtml) {
  StartService();
  for (const char* page : {"event-update", "event-install"}) {
    auto res = Secure()->Get(std::string("/api/app/banner/event/") + page);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(res->body.find("<html>"), std::string::npos);
  }
}

TEST_F(HttpsTest, ServerIsTrustedThroughTheTestCaOnly) {
  StartService();
  EXPECT_TRUE(Secure()->Get("/api/app/banner/event/event-update"));

  // The certificate also names 127.0.0.1.
  httplib::SSLClient byAddress("127.0.0.1", service_->HttpsPort());
  byAddress.set_ca_cert_path(Certificates().caFile.c_str());
  byAddress.enable_server_certificate_verification(true);
  EXPECT_TRUE(byAddress.Get("/api/app/banner/event/event-update"));

  // A client that trusts another CA refuses it.
  orvik::test::TempDir other;
  TestCertificates foreign = MakeTestCertificates(other.path());
  httplib::SSLClient untrusting("localhost", service_->HttpsPort());
  untrusting.set_ca_cert_path(foreign.caFile.c_str());
  untrusting.enable_server_certificate_verification(true);
  auto res = untrusting.Get("/api/app/banner/event/event-update");
  EXPECT_FALSE(res);
  EXPECT_EQ(res.error(), httplib::Error::SSLServerVerification);
}

TEST_F(HttpsTest, CertificatesAreReusedWhileValid) {
  orvik::test::TempDir dir;
  TestCertificates first = MakeTestCertificates(dir.path());
  const std::string ca = orvik::test::ReadTextFile(first.caFile);
  TestCertificates second = MakeTestCertificates(dir.path());
  EXPECT_EQ(orvik::test::ReadTextFile(second.caFile), ca);

  // A damaged certificate is made afresh.
  orvik::test::WriteTextFile(first.certFile, "garbage");
  TestCertificates third = MakeTestCertificates(dir.path());
  EXPECT_NE(orvik::test::ReadTextFile(third.caFile), ca);
  EXPECT_NE(orvik::test::ReadTextFile(third.certFile), "garbage");
}

TEST_F(HttpsTest, StartFailsOnAMissingCertificateOrABusyPort) {
  options_.certificates.certFile = temp_ / "none.pem";
  EXPECT_THROW(StartService(), std::runtime_error);

  options_.certificates = Certificates();
  StartService();
  Options busy = options_;
  busy.httpPort = service_->HttpPort();
  SongService second(busy);
  EXPECT_THROW(second.Start(), std::runtime_error);
}

}  // namespace
}  // namespace songsvc::test
