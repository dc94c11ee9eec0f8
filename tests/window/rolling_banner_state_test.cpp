#include "window/rolling_banner_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvik {
namespace {

using Placement = RollingBannerState::Placement;

// Runs ticks until the picture shown changes; returns how many ticks that took.
int TicksToNextPicture(RollingBannerState& banner) {
  const int before = banner.Current();
  int ticks = 0;
  while (banner.Current() == before && ticks < 100000) {
    banner.Tick();
    ++ticks;
  }
  return ticks;
}

RollingBannerState MainWindowBanner(int pictures) {
  RollingBannerState banner;
  banner.SetImages(pictures, 800, 400);
  banner.SetBannerRect(0, 0, 690, 320);
  banner.SetInterval(4);
  return banner;
}

TEST(RollingBannerState, HoldsTwoHundredFiftyTicksThenSlidesFifty) {
  RollingBannerState banner = MainWindowBanner(2);
  for (int i = 0; i < 250; ++i) ASSERT_FALSE(banner.Tick()) << i;
  EXPECT_EQ(banner.Elapsed(), 1000);
  EXPECT_FALSE(banner.IsSliding());
  EXPECT_FALSE(banner.Tick());  // starts the slide, nothing moved yet
  EXPECT_TRUE(banner.IsSliding());
  for (int i = 1; i < 50; ++i) {
    ASSERT_TRUE(banner.Tick());
    ASSERT_EQ(banner.Current(), 0) << i;
  }
  EXPECT_TRUE(banner.Tick());
  EXPECT_EQ(banner.Current(), 1);
  EXPECT_EQ(banner.Next(), 0);
  EXPECT_FALSE(banner.IsSliding());
  EXPECT_EQ(banner.Elapsed(), 0);
  EXPECT_EQ(TicksToNextPicture(banner), 301);
}

TEST(RollingBannerState, CycleWrapsAndTakesInPicturesAddedOnTheWay) {
  RollingBannerState banner = MainWindowBanner(2);
  std::vector<int> shown{banner.Current()};
  for (int i = 0; i < 3; ++i) {
    TicksToNextPicture(banner);
    shown.push_back(banner.Current());
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1}));

  ASSERT_EQ(banner.Next(), 0);  // picture 1 is held, next has wrapped already
  banner.AddImage();
  EXPECT_EQ(banner.Current(), 1);
  EXPECT_EQ(banner.Next(), 0);
  shown.clear();
  for (int i = 0; i < 6; ++i) {
    TicksToNextPicture(banner);
    shown.push_back(banner.Current());
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 0, 1, 2}));
}

TEST(RollingBannerState, FewerThanTwoPicturesNeverSlide) {
  RollingBannerState one = MainWindowBanner(1);
  for (int i = 0; i < 1000; ++i) ASSERT_FALSE(one.Tick());
  EXPECT_FALSE(one.IsSliding());
  EXPECT_EQ(one.Click(), 0);
  EXPECT_EQ(one.PaintPlan(), (std::vector<Placement>{{0, 0}}));

  RollingBannerState none = MainWindowBanner(0);
  EXPECT_FALSE(none.Tick());
  EXPECT_TRUE(none.PaintPlan().empty());
}

TEST(RollingBannerState, ClickReportsHeldPictureButNothingWhileSliding) {
  RollingBannerState banner = MainWindowBanner(3);
  EXPECT_EQ(banner.Click(), 0);
  while (!banner.IsSliding()) banner.Tick();
  EXPECT_EQ(banner.Click(), std::nullopt);
  TicksToNextPicture(banner);
  EXPECT_EQ(banner.Click(), 1);
}

TEST(RollingBannerState, EasedOffsetAndPaintPlan) {
  RollingBannerState banner = MainWindowBanner(2);
  EXPECT_EQ(banner.Offset(690), 0);
  while (!banner.IsSliding()) banner.Tick();
  EXPECT_EQ(banner.PaintPlan(), (std::vector<Placement>{{0, 0}}));  // slide begun, not moved

  for (int i = 0; i < 10; ++i) banner.Tick();  // t = 0.2: 2 t^2 = 0.08
  EXPECT_EQ(banner.Offset(1000), 80);
  for (int i = 0; i < 15; ++i) banner.Tick();  // t = 0.5
  EXPECT_EQ(banner.Step(), 25);
  EXPECT_EQ(banner.Offset(690), 345);
  EXPECT_EQ(banner.Offset(691), 345);  // truncated
  EXPECT_EQ(banner.PaintPlan(), (std::vector<Placement>{{0, -345}, {1, 345}}));
  for (int i = 0; i < 15; ++i) banner.Tick();  // t = 0.8: 1 - 2 (0.2)^2 = 0.92
  EXPECT_EQ(banner.Offset(1000), 920);
}

TEST(RollingBannerState, ReplacingPicturesOrIntervalRestartsSafely) {
  RollingBannerState banner = MainWindowBanner(3);
  TicksToNextPicture(banner);
  TicksToNextPicture(banner);
  ASSERT_EQ(banner.Current(), 2);
  banner.SetImages(2, 800, 400);
  EXPECT_EQ(banner.Current(), 0);  // index 2 no longer exists
  EXPECT_EQ(banner.Next(), 1);

  while (banner.Step() < 20) banner.Tick();
  banner.SetInterval(10);
  EXPECT_FALSE(banner.IsSliding());
  EXPECT_EQ(banner.PaintPlan(), (std::vector<Placement>{{0, 0}}));  // not stuck half-way
  for (int i = 0; i < 100; ++i) ASSERT_FALSE(banner.Tick());
  EXPECT_FALSE(banner.Tick());
  EXPECT_TRUE(banner.IsSliding());

  banner.SetInterval(0);  // a zero period would hold the first picture for ever
  EXPECT_GT(banner.Period(), 0);
}

}  // namespace
}  // namespace orvik
