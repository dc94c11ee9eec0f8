#include "service/banner_reply.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

TEST(ParseBannerReply, TakesEntriesFromThreeFieldsOn) {
  EXPECT_EQ(
      ParseBannerReply("a,U1,p1.png,http://l1/|b,U2,p2.png"),
      (std::vector<BannerEntry>{{"a", "U1", "p1.png", "http://l1/"}, {"b", "U2", "p2.png", ""}}));
  EXPECT_EQ(ParseBannerReply("x|y,z|||a,b,c,https://d"),
            (std::vector<BannerEntry>{{"a", "b", "c", "https://d"}}));
  EXPECT_EQ(ParseBannerReply("a,b,c,https://d,e,f"),
            (std::vector<BannerEntry>{{"a", "b", "c", "https://d"}}));
  EXPECT_EQ(ParseBannerReply(" a , U ,p.png,http://l"),  // no trimming
            (std::vector<BannerEntry>{{" a ", " U ", "p.png", "http://l"}}));
  EXPECT_TRUE(ParseBannerReply("").empty());
  EXPECT_TRUE(ParseBannerReply("|||").empty());
}

TEST(ParseBannerReply, SkipsPictureNamesThatLeaveThePictureFolder) {
  const auto entries = ParseBannerReply(
      "1,U,../x.png|2,U,..\\x.png|3,U,C:\\x.png|4,U,/etc/passwd|5,U,..|6,U,.|7,U,|"
      "8,U,CON|9,U,nul.png|10,U,com1.txt|11,U,LPT9|12,U,a\tb.png|13,U,x.png.|14,U,x:y|"
      "15,U,ok.png,http://l");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].fileName, "ok.png");
}

TEST(ParseBannerReply, DropsLinksThatAreNotWebAddresses) {
  const auto entries = ParseBannerReply(
      "1,U,a.png,file:///bin/sh|2,U,b.png,C:\\Windows\\system32\\calc.exe|3,U,c.png,https://ok");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].link, "");
  EXPECT_EQ(entries[1].link, "");
  EXPECT_EQ(entries[2].link, "https://ok");
}

TEST(IsSafePictureName, AcceptsOrdinaryNames) {
  for (const char* name : {"p1.png", "banner_2024-01.jpg", "CONSOLE.png", "com0.png", "COM10",
                           "\xEB\xB0\xB0\xEB\x84\x88.png", "a..b.png", ".hidden.png"}) {
    EXPECT_TRUE(IsSafePictureName(name)) << name;
  }
  for (const char* name : {"CON .png", "Aux.tar.gz", "prn", "a/b", "a|b", "a*b", "a?b", "a\"b"}) {
    EXPECT_FALSE(IsSafePictureName(name)) << name;
  }
}

}  // namespace
}  // namespace orvik
