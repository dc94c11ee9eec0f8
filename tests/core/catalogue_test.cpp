#include "core/catalogue.h"

#include <gtest/gtest.h>

#include "core/launcher_state.h"
#include "core/product_source.h"
#include "support/recording_port.h"

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

class FakeProducts : public ProductNumberSource {
 public:
  std::optional<ProductInfo> Current() override { return std::nullopt; }
  std::optional<ProductInfo> ForServiceKey(const std::string& key) override {
    if (key == "tunovaHL") return ProductInfo{"1111122222", 0};
    return std::nullopt;
  }
};

// Records each hook call with the key current at that moment.
class RecordingHooks : public ServiceSelectionHooks {
 public:
  explicit RecordingHooks(const LauncherState& state) : state_(state) {}
  void MarkReplyStale() override { calls.push_back("stale:" + state_.ServiceKey()); }
  void StartUpdateCheck() override { calls.push_back("check:" + state_.ServiceKey()); }
  std::vector<std::string> calls;

 private:
  const LauncherState& state_;
};

class Selection : public ::testing::Test {
 protected:
  LauncherState state_;
  test::RecordingPort port_;
  RecordingHooks hooks_{state_};
  FakeProducts products_;
};

TEST_F(Selection, ImageButtonSwitchesTheRadioGroupAndRedrawsThePanel) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_productNumber = "9999999999";
  }
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunovaNEW);
  EXPECT_EQ(state_.ServiceKey(), "tunovaNEW");
  EXPECT_EQ(state_.ProductNumber(), "");
  EXPECT_EQ(state_.m_currentServiceButton, ctl::kServiceTunovaNEW);
  EXPECT_TRUE(hooks_.calls.empty());
  const auto calls = port_.Calls();
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].kind + std::to_string(calls[0].id) + std::to_string(calls[0].value),
            "check10340");
  EXPECT_EQ(calls[1].kind + std::to_string(calls[1].id), "redraw1034");
  EXPECT_EQ(port_.Text(ctl::kRunCaptionButton), "TunovaNew 실행");
  EXPECT_TRUE(port_.Checked(ctl::kServiceTunovaNEW));
  EXPECT_EQ(calls[4].kind + std::to_string(calls[4].id), "redraw1035");
  EXPECT_EQ(calls[5].kind, "invalidate");
}

TEST_F(Selection, OwnProductTypesTakeTheirNumberAndCheckAgainEachTime) {
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunovaHL);
  EXPECT_EQ(state_.ProductNumber(), "1111122222");
  EXPECT_TRUE(state_.m_refreshRequested);
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunovaHL);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"stale:tunovaHL", "check:tunovaHL",
                                                    "stale:tunovaHL", "check:tunovaHL"}));
  EXPECT_TRUE(port_.Checked(ctl::kServiceTunovaHL));  // unchecked, then checked again

  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunovaUSB);
  EXPECT_EQ(state_.ProductNumber(), "");  // the source has none for it
  EXPECT_FALSE(port_.Checked(ctl::kServiceTunovaHL));
}

TEST_F(Selection, ProCheckRunsForTheNewTypeAndDisabledButtonDoesNothing) {
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunovaPRO);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"stale:tunovaPRO", "check:tunovaPRO"}));

  port_.EnableControl(ctl::kServiceTunova, false);
  port_.Clear();
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kServiceTunova);
  SelectServiceByImageButton(state_, port_, hooks_, products_, ctl::kRunButton);
  EXPECT_EQ(state_.ServiceKey(), "tunovaPRO");
  EXPECT_TRUE(port_.Calls().empty());
}

TEST_F(Selection, LegacyButtonsMoveTheMarkerAndLeaveProductAndImages) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_productNumber = "1234567890";
  }
  SelectServiceByLegacyButton(state_, port_, hooks_, ctl::kLegacyTunovaHL);
  EXPECT_EQ(port_.Text(ctl::kLegacyTunova), "Tunova");  // previous key reset first
  EXPECT_EQ(port_.Text(ctl::kLegacyTunovaHL), "▶ Tunova H/L");
  EXPECT_EQ(port_.Text(ctl::kRunCaptionButton), "Tunova H/L 실행");
  EXPECT_TRUE(hooks_.calls.empty());

  SelectServiceByLegacyButton(state_, port_, hooks_, ctl::kLegacyTunovaNEW);
  EXPECT_EQ(port_.Text(ctl::kLegacyTunovaHL), "Tunova H/L");
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"stale:tunovaNEW", "check:tunovaNEW"}));
  EXPECT_EQ(state_.ProductNumber(), "1234567890");
  EXPECT_TRUE(port_.CallsOf("check").empty());
  EXPECT_TRUE(port_.CallsOf("invalidate").empty());
}

TEST_F(Selection, KeyOutsideTheCatalogueHasNoButtonToReset) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_serviceKey = "tunova7";
  }
  ResetLegacyButtonText(state_, port_);
  EXPECT_TRUE(port_.Calls().empty());
}

}  // namespace
}  // namespace orvik
