#include "window/progress_state.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

TEST(ProgressState, PercentLabelRules) {
  EXPECT_EQ(ProgressState::PercentText(100, 0, 100), "100%");
  EXPECT_EQ(ProgressState::PercentText(20 + 300, 20, 220), "50%");  // 1.5 ranges
  EXPECT_EQ(ProgressState::PercentText(420, 20, 220), "0%");        // two ranges wrap
  EXPECT_EQ(ProgressState::PercentText(1, 0, 3), "33%");
  EXPECT_EQ(ProgressState::PercentText(5, 7, 7), "0%");                      // empty range
  EXPECT_EQ(ProgressState::PercentText(2000000000, 0, 2000000000), "100%");  // no overflow
}

TEST(ProgressState, ProgressCallsReturnPreviousAndWriteChangedLabelsOnly) {
  ProgressState p;
  EXPECT_TRUE(p.Create(true, true));
  EXPECT_EQ(p.Label(), " 0 %");

  auto u = p.SetPos(0);
  EXPECT_EQ(u.previous, 0);
  EXPECT_EQ(u.label, "0%");  // differs from the template's " 0 %"
  EXPECT_EQ(p.SetPos(0).label, std::nullopt);

  u = p.StepIt();
  EXPECT_EQ(u.previous, 0);
  EXPECT_EQ(u.label, "10%");
  u = p.OffsetPos(85);
  EXPECT_EQ(u.previous, 10);
  EXPECT_EQ(p.Pos(), 95);
  u = p.StepIt();  // label for 105 wraps to 5, the bar wraps too
  EXPECT_EQ(u.previous, 95);
  EXPECT_EQ(u.label, "5%");
  EXPECT_EQ(p.Pos(), 5);

  u = p.SetPos(150);
  EXPECT_EQ(u.label, "50%");
  EXPECT_EQ(p.Pos(), 100);  // the bar stays in range
  EXPECT_EQ(p.SetPos(100).label, "100%");
}

TEST(ProgressState, OwnerIsEnabledAgainOnlyWhenThisDialogDisabledIt) {
  ProgressState p;
  EXPECT_FALSE(p.Create(true, false));  // already disabled by someone else
  EXPECT_FALSE(p.Destroy());

  EXPECT_FALSE(p.Create(false, true));  // no owner
  EXPECT_FALSE(p.Destroy());

  EXPECT_TRUE(p.Create(true, true));
  EXPECT_TRUE(p.OwnerDisabled());
  EXPECT_FALSE(p.Create(true, false));  // opened again over the owner it disabled
  EXPECT_TRUE(p.Destroy());
  EXPECT_FALSE(p.Destroy());  // once only
}

}  // namespace
}  // namespace orvik
