#include "core/settings_product_source.h"

#include <gtest/gtest.h>

#include "core/service_address.h"
#include "core/settings_table.h"

namespace orvik {
namespace {

TEST(ProductNumber, TenDigitsOnceDashesAreGone) {
  EXPECT_EQ(NormaliseProductNumber("12345-67890"), "1234567890");
  EXPECT_EQ(NormaliseProductNumber("1-2-3-4-5-6-7-8-9-0-"), "1234567890");
  EXPECT_EQ(NormaliseProductNumber("123456789"), std::nullopt);
  EXPECT_EQ(NormaliseProductNumber("12345678901"), std::nullopt);
  EXPECT_EQ(NormaliseProductNumber("12345 67890"), std::nullopt);
  EXPECT_EQ(NormaliseProductNumber("１２３4567890"), std::nullopt);
  EXPECT_EQ(NormaliseProductNumber(""), std::nullopt);
}

TEST(ProductNumber, SourceReadsSettingsWithoutAddingKeys) {
  SettingsTable t;
  SettingsProductSource source(t);
  EXPECT_EQ(source.Current(), std::nullopt);
  EXPECT_EQ(source.ForServiceKey("tunovaHL"), std::nullopt);
  EXPECT_EQ(t.Serialize(), "");

  t.Parse(
      "[product]\nnumber=11111-22222\nkind=9\ntunovaHL=3333344444\ntunovaUSB=bad\n"
      "tunova=5555566666\n");
  const auto current = source.Current();
  ASSERT_TRUE(current);
  EXPECT_EQ(current->number, "1111122222");
  EXPECT_EQ(current->kind, 9);
  EXPECT_EQ(source.ForServiceKey("tunovaHL")->number, "3333344444");
  EXPECT_EQ(source.ForServiceKey("tunovaUSB"), std::nullopt);
  EXPECT_EQ(source.ForServiceKey("tunova"), std::nullopt);  // only the two carry their own
  EXPECT_EQ(source.ForServiceKey("tunovahl"), std::nullopt);
}

TEST(ServiceAddressTest, CompiledDefaultUntilTheFileNamesOne) {
  SettingsTable t;
  const auto fallback = ReadServiceAddress(t);
  EXPECT_EQ(fallback.baseUrl, std::string("http://") + ORVIK_DEFAULT_SERVICE_HOST);
  EXPECT_EQ(fallback.secureOrigin, std::string("https://") + ORVIK_DEFAULT_SERVICE_HOST);
  EXPECT_EQ(fallback.caFile, "");
  EXPECT_EQ(t.Serialize(), "");  // plain lookups

  t.Parse(
      "[service]\nurl=http://127.0.0.1:8080/\nsecureUrl=https://localhost:8443\n"
      "caFile=/etc/orvik/ca.pem\n");
  const auto set = ReadServiceAddress(t);
  EXPECT_EQ(set.baseUrl, "http://127.0.0.1:8080");
  EXPECT_EQ(set.secureOrigin, "https://localhost:8443");
  EXPECT_EQ(set.caFile, "/etc/orvik/ca.pem");

  t.Set("service.url", "");
  EXPECT_EQ(ReadServiceAddress(t).baseUrl, fallback.baseUrl);
}

}  // namespace
}  // namespace orvik
