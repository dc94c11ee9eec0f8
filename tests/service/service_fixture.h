// The reference song service on loopback, shared by the network tests of this layer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/service_address.h"
#include "platform/path_text.h"
#include "service/system_transport.h"
#include "songsvc/song_service.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace orvik::test {

inline void PutSong(const std::filesystem::path& store, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000/%05d.sgd", number / 1000, number);
  const auto file = store / name;
  std::filesystem::create_directories(file.parent_path());
  WriteTextFile(file, "song " + std::to_string(number));
}

// One service per test; the certificates are made once per user and reused.
class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dirs_.path() / "catalog");
    std::filesystem::create_directories(dirs_.path() / "banners");
    std::filesystem::create_directories(dirs_.path() / "work");
    songsvc::Options options;
    options.catalogDir = dirs_.path() / "catalog";
    options.bannersDir = dirs_.path() / "banners";
    options.workDir = dirs_.path() / "work";
    options.certificates = songsvc::SharedTestCertificates();
    certificates_ = options.certificates;
    service_ = std::make_unique<songsvc::SongService>(options);
    service_->Start();
    transport_ = MakeSystemTransport(Address());
  }
  void TearDown() override { service_->Stop(); }

  ServiceAddress Address(bool trustTestCa = true) const {
    return {service_->BaseUrl(), service_->SecureOrigin(),
            trustTestCa ? platform::PathToUtf8(certificates_.caFile) : std::string()};
  }
  std::filesystem::path Catalog() const { return dirs_.path() / "catalog"; }
  std::filesystem::path BannerPictures() const { return dirs_.path() / "banners"; }
  songsvc::SongService& Service() { return *service_; }
  // Requests whose path starts with `prefix`.
  std::vector<songsvc::RecordedRequest> RequestsTo(const std::string& prefix) const {
    std::vector<songsvc::RecordedRequest> out;
    for (auto& r : service_->Requests()) {
      if (r.path.starts_with(prefix)) out.push_back(r);
    }
    return out;
  }

  TempDir dirs_;
  RecordingPort port_;
  songsvc::TestCertificates certificates_;
  std::unique_ptr<songsvc::SongService> service_;
  std::unique_ptr<HttpTransport> transport_;  // trusts the test CA
};

}  // namespace orvik::test
