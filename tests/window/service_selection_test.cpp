// The service buttons: which type each stands for and what a click on one changes.
#include "window/service_selection.h"

#include <gtest/gtest.h>

#include "core/launcher_state.h"
#include "core/product_source.h"
#include "support/recording_port.h"

namespace orvik {
namespace {

TEST(ServiceButtons, EachTypeWithButtonsIsFoundByBothOfThem) {
  int withButtons = 0;
  for (const auto& info : ServiceCatalogue()) {
    const ServiceButtons b = ButtonsOfService(info.key);
    if (info.displayName.empty()) {
      EXPECT_EQ(b.imageButton, 0) << info.key;  // tunovaPRONEW has no button
      continue;
    }
    ++withButtons;
    EXPECT_EQ(FindServiceByImageButton(b.imageButton), &info);
    EXPECT_EQ(FindServiceByLegacyButton(b.legacyButton), &info);
  }
  EXPECT_EQ(withButtons, 5);
  EXPECT_EQ(FindServiceByImageButton(0), nullptr);
  EXPECT_EQ(FindServiceByImageButton(ctl::kLegacyTunova), nullptr);
  EXPECT_EQ(FindServiceByLegacyButton(ctl::kServiceTunova), nullptr);
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
  ServiceRadioGroup group_;
  test::RecordingPort port_;
  RecordingHooks hooks_{state_};
  FakeProducts products_;
};

TEST_F(Selection, ImageButtonSwitchesTheRadioGroupAndRepaintsThePanel) {
  {
    std::lock_guard lock(state_.mutex);
    state_.m_productNumber = "9999999999";
  }
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunovaNEW);
  EXPECT_EQ(state_.ServiceKey(), "tunovaNEW");
  EXPECT_EQ(state_.ProductNumber(), "");
  EXPECT_EQ(group_.current, ctl::kServiceTunovaNEW);
  EXPECT_TRUE(hooks_.calls.empty());
  const auto calls = port_.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind + std::to_string(calls[0].id) + std::to_string(calls[0].value),
            "check10340");
  EXPECT_EQ(port_.Text(ctl::kRunCaptionButton), "TunovaNew 실행");
  EXPECT_EQ(calls[2].kind + std::to_string(calls[2].id) + std::to_string(calls[2].value),
            "check10351");
  EXPECT_EQ(calls[3].kind, "invalidate");
}

TEST_F(Selection, OwnProductTypesTakeTheirNumberAndCheckAgainEachTime) {
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunovaHL);
  EXPECT_EQ(state_.ProductNumber(), "1111122222");
  EXPECT_TRUE(state_.m_refreshRequested);
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunovaHL);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"stale:tunovaHL", "check:tunovaHL",
                                                    "stale:tunovaHL", "check:tunovaHL"}));
  EXPECT_TRUE(port_.Checked(ctl::kServiceTunovaHL));  // unchecked, then checked again

  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunovaUSB);
  EXPECT_EQ(state_.ProductNumber(), "");  // the source has none for it
  EXPECT_FALSE(port_.Checked(ctl::kServiceTunovaHL));
}

TEST_F(Selection, ProCheckRunsForTheNewTypeAndDisabledButtonDoesNothing) {
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunovaPRO);
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"stale:tunovaPRO", "check:tunovaPRO"}));

  group_.Enable(port_, ctl::kServiceTunova, false);
  EXPECT_FALSE(port_.Enabled(ctl::kServiceTunova));
  port_.Clear();
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunova);
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kRunButton);
  EXPECT_EQ(state_.ServiceKey(), "tunovaPRO");
  EXPECT_TRUE(port_.Calls().empty());

  group_.Enable(port_, ctl::kServiceTunova, true);
  SelectServiceByImageButton(state_, group_, port_, hooks_, products_, ctl::kServiceTunova);
  EXPECT_EQ(state_.ServiceKey(), "tunova");
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
