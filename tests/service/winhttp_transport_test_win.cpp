// What the WinHTTP transport bounds beyond the shared transport tests.
#include <gtest/gtest.h>

#include "service/transport_limits.h"
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

}  // namespace
}  // namespace orvik::test
