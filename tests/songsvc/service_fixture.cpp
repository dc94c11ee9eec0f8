#include "service_fixture.h"

namespace songsvc::test {

std::unique_ptr<orvik::test::TempDir> ServiceTest::certDir_;
TestCertificates ServiceTest::certs_;

std::string SongBytes(int number) {
  return "SGD song " + std::to_string(number) + std::string(static_cast<size_t>(number % 7), '#');
}

void WriteSongs(const std::filesystem::path& dir, const std::vector<int>& numbers) {
  for (int n : numbers) {
    char name[64];
    std::snprintf(name, sizeof name, "K%d000/%05d.sgd", n / 1000, n);
    orvik::test::WriteTextFile(dir / name, SongBytes(n));
  }
}

std::string ConnectBody(const std::string& songs) {
  return "clientId=0123456789ABCDEF0123456789ABCDEF&keyLock=1234567890&deviceName=MY%2DPC"
         "&deviceType=PC&mac=00-11-22-33-44-55&serviceType=tunova1&songCount=0"
         "&appVersion=0.9.1&isMakeNew=no&songs=" +
         songs;
}

std::map<std::string, std::string> ReplyFields(const std::string& text) {
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start <= text.size()) {
    size_t amp = text.find('&', start);
    if (amp == std::string::npos) amp = text.size();
    std::string piece = text.substr(start, amp - start);
    size_t eq = piece.find('=');
    fields[piece.substr(0, eq)] = eq == std::string::npos ? "" : piece.substr(eq + 1);
    start = amp + 1;
  }
  return fields;
}

void ServiceTest::SetUpTestSuite() {
  certDir_ = std::make_unique<orvik::test::TempDir>();
  certs_ = MakeTestCertificates(certDir_->path());
}

void ServiceTest::TearDownTestSuite() { certDir_.reset(); }

const TestCertificates& ServiceTest::Certificates() { return certs_; }

void ServiceTest::SetUp() {
  options_.catalogDir = temp_ / "catalog";
  options_.bannersDir = temp_ / "banners";
  options_.workDir = temp_ / "work";
  options_.certificates = certs_;
  std::filesystem::create_directories(options_.catalogDir);
  std::filesystem::create_directories(options_.bannersDir);
}

void ServiceTest::TearDown() { service_.reset(); }

void ServiceTest::StartService() {
  service_ = std::make_unique<SongService>(options_);
  service_->Start();
}

httplib::Client ServiceTest::Plain() const {
  httplib::Client client("127.0.0.1", service_->HttpPort());
  client.set_connection_timeout(5);
  client.set_read_timeout(10);
  return client;
}

std::unique_ptr<httplib::SSLClient> ServiceTest::Secure() const {
  auto client = std::make_unique<httplib::SSLClient>("localhost", service_->HttpsPort());
  client->set_ca_cert_path(certs_.caFile.c_str());
  client->enable_server_certificate_verification(true);
  client->set_connection_timeout(5);
  client->set_read_timeout(10);
  return client;
}

std::map<std::string, std::string> ServiceTest::Connect(const std::string& songs) {
  auto res =
      Plain().Post("/api/device-connect", ConnectBody(songs), "application/x-www-form-urlencoded");
  EXPECT_TRUE(res);
  if (!res) return {};
  EXPECT_EQ(res->status, 200);
  return ReplyFields(res->body);
}

}  // namespace songsvc::test
