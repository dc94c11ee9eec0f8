// What the WinHTTP transport bounds beyond the shared transport tests.
#include <gtest/gtest.h>

#include "service/transport_limits.h"
#include "service/winhttp_exchange.h"
#include "service_fixture.h"

namespace orvik::test {
namespace {

using WinHttpTransportTest = ServiceTest;

TEST_F(WinHttpTransportTest, APictureOverTheCapIsAbandonedAndItsPartRemoved) {
  const auto target = dirs_ / "p.png";
  for (const std::uint64_t size : {kMaxDownloadFileBytes + 1, kMaxDownloadFileBytes}) {
    WriteTextFile(target, "older picture");
    WriteTextFile(BannerPictures() / "p.png", std::string(size, 'p'));
    TransportError error;
    const bool stored =
        transport_->DownloadFile(Service().BaseUrl() + "/banners/p.png", target, &error);
    EXPECT_EQ(stored, size == kMaxDownloadFileBytes) << size;
    EXPECT_EQ(std::filesystem::file_size(target), stored ? size : 13u);
    EXPECT_EQ(error.kind, stored ? TransportFailure::None : TransportFailure::TooLarge);
    EXPECT_FALSE(std::filesystem::exists(dirs_ / "p.png.part"));
  }
}

// A slow server's blocks are handed on as they come, not gathered into one large read.
TEST_F(WinHttpTransportTest, ASlowBodyArrivesBlockByBlock) {
  constexpr std::size_t kChunk = 64 * 1024;
  WriteTextFile(BannerPictures() / "slow.bin", std::string(4 * kChunk, 's'));
  Service().SetFault("/banners/slow.bin", {.slowChunkDelayMs = 150});
  std::vector<std::size_t> blocks;
  FetchRequest request{.url = Service().BaseUrl() + "/banners/slow.bin",
                       .onBody = [&](std::string_view block) {
                         blocks.push_back(block.size());
                         return true;
                       }};
  const auto result = transport_->Fetch(request);
  EXPECT_TRUE(result.transportOk) << result.error;
  std::size_t total = 0;
  for (auto size : blocks) total += size;
  EXPECT_EQ(total, 4 * kChunk);
  EXPECT_GE(blocks.size(), 4u);
  for (auto size : blocks) EXPECT_LE(size, kChunk);
}

TEST(WinHttpReadPace, TheHintFollowsTheStreamsRateOverEachSpan) {
  using namespace std::chrono_literals;
  ReadPace pace;
  // The first read's bytes came before the clock started: they do not count.
  auto now = ReadPace::Clock::time_point{} + 1s;
  pace.Add(1 << 20, now);
  for (int i = 0; i < 50; ++i) pace.Add(1000, now += 1ms);  // 50 kB in 50 ms: no span yet
  EXPECT_EQ(pace.Hint(), 0u);
  for (int i = 0; i < 50; ++i) pace.Add(1000, now += 1ms);  // 100 kB in 100 ms: 10 kB/10 ms
  EXPECT_EQ(pace.Hint(), 10000u);
  for (int i = 0; i < 100; ++i) pace.Add(200000, now += 1ms);  // 200 MB/s
  EXPECT_EQ(pace.Hint(), 2000000u);
  // One slow read makes a span of its own: the next read asks again.
  pace.Add(500, now += 2s);
  EXPECT_LE(pace.Hint(), 3u);
}

TEST(WinHttpReadPace, AnUnaskedReadCompletesAtTheFloorWithinTheWindow) {
  constexpr DWORD kBuffer = 1 << 20;
  const auto window = static_cast<std::uint64_t>(kLowSpeedWindow.count());
  const DWORD package = UnaskedReadLimit(kFetchLowSpeedBytesPerSecond, kBuffer);
  EXPECT_GE(package, 32u * 1024);  // a few TLS records: the round trips stay few
  EXPECT_LT(package / kFetchLowSpeedBytesPerSecond, window);
  // A form reply's floor of a byte a second: too small to read unasked.
  EXPECT_LT(UnaskedReadLimit(kLowSpeedBytesPerSecond, kBuffer), 1024u);
  EXPECT_EQ(UnaskedReadLimit(1ull << 40, kBuffer), kBuffer);
}

TEST(WinHttpSecureFailure, TheNotificationsFlagsTellACertificateFromAMissingProtocol) {
  using F = TransportFailure;
  constexpr DWORD kChannel = WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR;
  // Wine: no notification, and a channel error for an untrusted CA.
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_CHANNEL_ERROR, std::nullopt), F::Certificate);
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_FAILURE, std::nullopt), F::Certificate);
  // A handshake that failed without a word about the certificate: the protocol.
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_CHANNEL_ERROR, kChannel), F::TlsProtocol);
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_FAILURE, kChannel), F::TlsProtocol);
  // Any certificate flag makes it a certificate problem, with or without the channel's.
  for (const DWORD flag :
       {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT,
        WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA,
        WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID,
        WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID,
        WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE}) {
    EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_FAILURE, flag), F::Certificate) << flag;
    EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_CHANNEL_ERROR, flag | kChannel),
              F::Certificate)
        << flag;
  }
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_SECURE_FAILURE, 0), F::Certificate);
  // Flags left from an earlier hop never rename a failure that is not a secure one.
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_CANNOT_CONNECT, kChannel), F::Unreachable);
  EXPECT_EQ(FailureOfSecureError(ERROR_WINHTTP_TIMEOUT, kChannel), F::TimedOut);
}

}  // namespace
}  // namespace orvik::test
