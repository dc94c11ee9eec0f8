#include "core/catalogue.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

TEST(Catalogue, NormalisationAndProgramLists) {
  EXPECT_EQ(NormaliseServiceKey("TUNOVAPRO"), "tunovaPRO");
  EXPECT_EQ(NormaliseServiceKey("TunovaProNew"), "tunovaPRONEW");
  EXPECT_EQ(NormaliseServiceKey("tunovausb"), "tunovaUSB");
  EXPECT_EQ(NormaliseServiceKey(""), "tunova");
  EXPECT_EQ(NormaliseServiceKey("tunova7"), "tunova7");
  EXPECT_EQ(NormaliseServiceKey(" tunova"), " tunova");
  using E = std::vector<std::string>;
  EXPECT_EQ(ProgramEntriesFor("tunovaPRONEW"),
            (E{"tunova", "tunovaNEW", "tunovaPRO", "tunovaPRONEW"}));
  EXPECT_EQ(ProgramEntriesFor("tunovaNEW"), (E{"tunova", "tunovaNEW"}));
  EXPECT_EQ(ProgramEntriesFor("tunovaUSB"), (E{"tunovaUSB"}));
  EXPECT_TRUE(ProgramEntriesFor("tunova7").empty());
}

TEST(Catalogue, OnlyTheTwoDeviceTypesHaveTheirOwnProductNumber) {
  std::vector<std::string> own;
  for (const auto& info : ServiceCatalogue())
    if (HasOwnProductNumber(info.key)) own.emplace_back(info.key);
  EXPECT_EQ(own, (std::vector<std::string>{"tunovaHL", "tunovaUSB"}));
  EXPECT_FALSE(HasOwnProductNumber("tunovahl"));  // only the canonical key
  EXPECT_FALSE(HasOwnProductNumber("tunova7"));
}

TEST(Catalogue, WireNameRulesLaterWins) {
  EXPECT_EQ(WireServiceName("tunovaHL", 0), "tunova1");
  EXPECT_EQ(WireServiceName("tunovaUSB", 1), "tunova2");
  EXPECT_EQ(WireServiceName("tunovahl", 0), "tunovahl");
  EXPECT_EQ(WireServiceName("tunovaPRO", 0), "tunovaPRO");
  EXPECT_EQ(WireServiceName("tunovaHL", 9), "tunovapro");
  EXPECT_EQ(WireServiceName("tunova", 3), "tunova3");
  EXPECT_EQ(WireServiceName("tunovaUSB", 7), "loomia");
  EXPECT_EQ(WireServiceName("tunova7", 5), "tunova7");
}

}  // namespace
}  // namespace orvik
