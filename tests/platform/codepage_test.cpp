#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace orvik::platform {
namespace {

TEST(CodePage, KoreanTextRoundTrips) {
  const std::string utf8 = "곡 한글 abc";
  const std::string cp949 = Utf8ToCp949(utf8);
  EXPECT_EQ(cp949.substr(3, 4), "\xC7\xD1\xB1\xDB");  // 한글
  EXPECT_EQ(Cp949ToUtf8(cp949), utf8);
  EXPECT_EQ(NativeToCp949(utf8), cp949);
  // A syllable of the 949 extension beyond EUC-KR.
  EXPECT_EQ(Cp949ToUtf8("\x8C\x63"), "\xEB\x98\xA0");
  EXPECT_EQ(Utf8ToCp949(""), "");
}

TEST(CodePage, UnconvertibleCharactersBecomeOneQuestionMarkEach) {
  using S = std::string;
  EXPECT_EQ(Utf8ToCp949(S("a\xF0\x9F\x98\x80") + "b"), "a?b");  // emoji: not in 949
  EXPECT_EQ(Utf8ToCp949(S("a\xFF") + "b"), "a?b");              // not UTF-8 at all
  EXPECT_EQ(Utf8ToCp949("a\xE2\x82"), "a?");                    // cut off at the end
  EXPECT_EQ(Utf8ToCp949(S("\xED\x95") + "x"), "?x");            // the ASCII byte survives
  EXPECT_EQ(Cp949ToUtf8("x\xC7"), "x?");
  EXPECT_EQ(Cp949ToUtf8(S("\xC7") + "A" + "\xFF" + "z"), "?A?z");
}

TEST(CodePage, LongTextConvertsWhole) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += "한";
  const std::string cp949 = Utf8ToCp949(utf8);
  EXPECT_EQ(cp949.size(), 10000u);
  EXPECT_EQ(Cp949ToUtf8(cp949), utf8);
}

}  // namespace
}  // namespace orvik::platform
