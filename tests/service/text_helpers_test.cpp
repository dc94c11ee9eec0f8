// Encodings and address checks that decide what goes on the wire and what gets opened.
#include <gtest/gtest.h>

#include "service/fetch_headers.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "service/web_address.h"

namespace orvik {
namespace {

TEST(UrlEncodeFormValue, KeepsOnlyLettersAndDigits) {
  EXPECT_EQ(UrlEncodeFormValue("My PC-1"), "My+PC%2D1");
  EXPECT_EQ(UrlEncodeFormValue("MY-PC"), "MY%2DPC");
  EXPECT_EQ(UrlEncodeFormValue("\xB0\xA1"), "%B0%A1");
  EXPECT_EQ(UrlEncodeFormValue(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(UrlEncodeFormValue("._~*&=+%"), "%2E%5F%7E%2A%26%3D%2B%25");
  EXPECT_EQ(UrlEncodeFormValue(""), "");
}

TEST(EncodePathSegment, LeavesNoWayOutOfTheSegment) {
  EXPECT_EQ(EncodePathSegment("U7"), "U7");
  EXPECT_EQ(EncodePathSegment("a-b_c.d"), "a-b_c.d");
  EXPECT_EQ(EncodePathSegment("../x?y=1#z"), "..%2Fx%3Fy%3D1%23z");
  EXPECT_EQ(EncodePathSegment("a b\r\nHost: x"), "a%20b%0D%0AHost%3A%20x");
  EXPECT_EQ(EncodePathSegment(".."), "%2E%2E");
  EXPECT_EQ(EncodePathSegment("."), "%2E");
  EXPECT_EQ(EncodePathSegment("%2e"), "%252e");
  EXPECT_EQ(EncodePathSegment(""), "");
}

TEST(IsWebAddress, OnlyHttpAndHttpsWithAHost) {
  for (const char* good : {"http://example.com", "https://example.com/a?b=c#d", "HTTPS://H:8443/",
                           "http://user@host/x", "http://[::1]:80/"}) {
    EXPECT_TRUE(IsWebAddress(good)) << good;
  }
  for (const char* bad :
       {"file:///bin/sh", "/bin/sh", "C:\\Windows\\notepad.exe", "mailto:a@b", "javascript:x",
        "http://", "https:///path", "http:/x", "ftp://h/", "http://h/a b", "http://h/\"x",
        "http://h/\n", "smb://h/share", "", "http://:80/", "https://user@/x"}) {
    EXPECT_FALSE(IsWebAddress(bad)) << bad;
  }
  EXPECT_TRUE(IsPlainHttpUrl("http://127.0.0.1:8080/api"));
  EXPECT_FALSE(IsPlainHttpUrl("https://127.0.0.1/api"));
}

TEST(FetchHeaders, ReadsLengthAndRangeDefensively) {
  EXPECT_EQ(ParseDecimal64(" 123\r\n"), 123u);
  EXPECT_EQ(ParseDecimal64("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(ParseDecimal64("18446744073709551616"), std::nullopt);
  EXPECT_EQ(ParseDecimal64("-1"), std::nullopt);
  EXPECT_EQ(ParseDecimal64("12a"), std::nullopt);

  const auto range = ParseContentRange("bytes 100-199/1000");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 100u);
  EXPECT_EQ(range->last, 199u);
  EXPECT_EQ(range->total, 1000u);
  EXPECT_EQ(ParseContentRange("bytes 0-9/*")->total, std::nullopt);
  EXPECT_FALSE(ParseContentRange("bytes */1000"));
  EXPECT_FALSE(ParseContentRange("bytes 9-0/10"));
  EXPECT_FALSE(ParseContentRange("bytes 0-10/10"));
  EXPECT_FALSE(ParseContentRange("items 0-1/2"));

  HeaderCollector headers;
  headers.AddLine("HTTP/1.1 302 Found\r\n");
  headers.AddLine("Content-Length: 5\r\n");
  headers.AddLine("HTTP/1.1 206 Partial Content\r\n");
  headers.AddLine("content-range: bytes 10-19/20\r\n");
  headers.AddLine("\r\n");
  EXPECT_EQ(headers.Head().contentLength, std::nullopt);  // the redirect's length is gone
  ASSERT_TRUE(headers.Head().contentRange);
  EXPECT_EQ(headers.Head().contentRange->first, 10u);
}

}  // namespace
}  // namespace orvik
