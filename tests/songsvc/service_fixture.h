// A running reference service over a small catalogue, with clients for both listeners.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

#include "songsvc/song_service.h"
#include "support/temp_dir.h"

namespace songsvc::test {

// Bytes of song n as the catalogue holds them (distinct per song).
std::string SongBytes(int number);

// Writes songs into `dir` in the store layout.
void WriteSongs(const std::filesystem::path& dir, const std::vector<int>& numbers);

// The form body the launcher sends, with the song list as given.
std::string ConnectBody(const std::string& songs);

// Reply text "a=1&b=2" as a map (values as sent).
std::map<std::string, std::string> ReplyFields(const std::string& text);

class ServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Starts the service on the current options (call after adjusting `options_`).
  void StartService();
  httplib::Client Plain() const;
  std::unique_ptr<httplib::SSLClient> Secure() const;
  std::map<std::string, std::string> Connect(const std::string& songs);

  static const TestCertificates& Certificates();

  orvik::test::TempDir temp_;
  Options options_;
  std::unique_ptr<SongService> service_;

 private:
  static std::unique_ptr<orvik::test::TempDir> certDir_;
  static TestCertificates certs_;
};

}  // namespace songsvc::test
