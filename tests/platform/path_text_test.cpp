#include "platform/path_text.h"

#include <gtest/gtest.h>

namespace orvik::platform {
namespace {

TEST(PathText, KoreanNamesRoundTripAndBadTextGivesNoPath) {
  const std::string name = "배너 1.png";
  const auto path = PathFromUtf8("images/" + name);
  EXPECT_EQ(PathToUtf8(path.filename()), name);
  EXPECT_EQ(PathToUtf8(PathFromUtf8("")), "");
  // CP949 bytes, a lone continuation byte, an overlong slash, a surrogate, a cut sequence.
  for (const char* bad : {"\xB9\xE8\xB3\xCA.png", "a\x80", "\xC0\xAF", "\xED\xA0\x80", "\xEB\xB0"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(PathFromUtf8(bad).empty()) << bad;
  }
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xA4 곡"));
}

}  // namespace
}  // namespace orvik::platform
