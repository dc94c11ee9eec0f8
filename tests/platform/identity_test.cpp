#include "platform/identity.h"

#include <gtest/gtest.h>

namespace orvik::platform {
namespace {

bool IsGuidText(const std::string& s) {
  return s.size() == 32 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST(Identity, GuidTextIsThirtyTwoUpperHexDigitsAndFresh) {
  const std::string a = MakeGuidText();
  const std::string b = MakeGuidText();
  EXPECT_TRUE(IsGuidText(a)) << a;
  EXPECT_TRUE(IsGuidText(b)) << b;
  EXPECT_NE(a, b);
}

TEST(Identity, GuidFieldsAreReadInTheWindowsOrder) {
  GuidValue g;
  g.data1 = 0x0123ABCD;
  g.data2 = 0x00EF;
  g.data3 = 0xBEEF;
  const std::uint8_t tail[8] = {0x10, 0x20, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  std::copy(std::begin(tail), std::end(tail), g.data4);
  // bytes 2-5 and 6-7 of the tail are little-endian numbers
  EXPECT_EQ(FormatGuidText(g), "0123ABCD00EFBEEF1020040302010605");
  EXPECT_EQ(FormatGuidText(GuidValue{}), std::string(32, '0'));
}

TEST(Identity, MacAddressForm) {
  const std::uint8_t bytes[6] = {0x00, 0x1a, 0xFF, 0x0b, 0x7c, 0x01};
  EXPECT_EQ(FormatMacAddress(bytes), "00-1A-FF-0B-7C-01");
  const std::string mac = GetMacAddressText();
  if (!mac.empty()) {
    EXPECT_TRUE(mac.size() == 17 &&
                mac.find_first_not_of("0123456789ABCDEF-") == std::string::npos && mac[2] == '-' &&
                mac[14] == '-')
        << mac;
  }
}

}  // namespace
}  // namespace orvik::platform
