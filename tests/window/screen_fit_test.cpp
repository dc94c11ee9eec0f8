#include "window/screen_fit.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

constexpr Size kClient{700, 560};  // the skin's client area at 96 dpi

TEST(ScreenFit, ScalesLikeTheSystemsMulDiv) {
  EXPECT_EQ(ScaleToDpi(700, 96), 700);
  EXPECT_EQ(ScaleToDpi(700, 144), 1050);
  EXPECT_EQ(ScaleToDpi(1, 144), 2);    // 1.5 rounds away from zero
  EXPECT_EQ(ScaleToDpi(-1, 144), -2);  // on both sides, so a rectangle keeps its width
  EXPECT_EQ(ScaleToDpi(5, 120), 6);    // 6.25
  EXPECT_EQ(ScaleToDpi(24, 120), 30);
  EXPECT_EQ(ScaleToDpi(20000000, 192), 40000000);  // the product exceeds an int
  EXPECT_EQ(ScaleToDpi(Rect{-3, 1, 523, 521}, 144), (Rect{-5, 2, 785, 782}));
}

// The window at the returned dpi fits, and one dpi more would not (unless it is the asked one).
void ExpectLargestFitting(int dpi, Size frame, const Rect& work) {
  const int got = FittingDpi(dpi, kClient, frame, work);
  const int roomW = work.right - work.left - frame.width;
  const int roomH = work.bottom - work.top - frame.height;
  EXPECT_LE(got, dpi);
  EXPECT_LE(ScaleToDpi(kClient.width, got), roomW);
  EXPECT_LE(ScaleToDpi(kClient.height, got), roomH);
  if (got < dpi) {
    EXPECT_TRUE(ScaleToDpi(kClient.width, got + 1) > roomW ||
                ScaleToDpi(kClient.height, got + 1) > roomH)
        << "dpi " << got + 1 << " fits too";
  }
}

TEST(ScreenFit, KeepsTheMonitorsDpiWhenTheWindowFits) {
  EXPECT_EQ(FittingDpi(96, kClient, Size{16, 39}, Rect{0, 0, 1920, 1040}), 96);
  EXPECT_EQ(FittingDpi(192, kClient, Size{32, 62}, Rect{0, 0, 3840, 2080}), 192);
  EXPECT_EQ(FittingDpi(0, kClient, Size{16, 39}, Rect{0, 0, 1920, 1040}), 96);  // unknown dpi
}

TEST(ScreenFit, ShrinksTheSkinOnASmallScreenAtALargeScale) {
  // 1366 x 768 at 150% with the task bar: 1050 x 840 pixels do not fit 708 rows.
  const Rect work{0, 0, 1366, 708};
  const int dpi = FittingDpi(144, kClient, Size{24, 54}, work);
  EXPECT_LT(dpi, 144);
  EXPECT_GT(dpi, 96);
  ExpectLargestFitting(144, Size{24, 54}, work);
  // The same monitor at 125%, and a TV's work area left of the main monitor.
  ExpectLargestFitting(120, Size{20, 46}, work);
  ExpectLargestFitting(168, Size{28, 62}, Rect{-1280, 0, 0, 680});
}

TEST(ScreenFit, NeverShrinksBelowHalfScale) {
  EXPECT_EQ(FittingDpi(96, kClient, Size{16, 39}, Rect{0, 0, 200, 150}), 48);
  EXPECT_EQ(FittingDpi(40, kClient, Size{16, 39}, Rect{0, 0, 200, 150}), 40);  // already less
  EXPECT_EQ(FittingDpi(96, kClient, Size{16, 39}, Rect{0, 0, 0, 0}), 48);      // no work area
}

TEST(ScreenFit, PlacesTheWindowCentredAndInside) {
  EXPECT_EQ(PlaceInWorkArea(Size{716, 599}, Rect{0, 0, 1920, 1040}), (Rect{602, 220, 1318, 819}));
  // A work area that does not start at 0: the task bar on top, a monitor left of the main one.
  EXPECT_EQ(PlaceInWorkArea(Size{716, 599}, Rect{0, 40, 1920, 1080}), (Rect{602, 260, 1318, 859}));
  EXPECT_EQ(PlaceInWorkArea(Size{716, 599}, Rect{-1366, 0, 0, 728}), (Rect{-1041, 64, -325, 663}));
}

TEST(ScreenFit, KeepsTheTitleBarOnTheWorkAreaWhenTheWindowIsTooLarge) {
  // Taller and wider than the work area: the top left corner stays on it.
  EXPECT_EQ(PlaceInWorkArea(Size{1074, 894}, Rect{0, 0, 1366, 728}), (Rect{146, 0, 1220, 894}));
  EXPECT_EQ(PlaceInWorkArea(Size{1500, 894}, Rect{-1366, 30, 0, 758}), (Rect{-1366, 30, 134, 924}));
}

TEST(ScreenFit, MovesAWindowBackWithoutResizingIt) {
  const Rect work{0, 0, 1366, 728};
  EXPECT_EQ(MoveIntoWorkArea(Rect{100, 50, 816, 649}, work), (Rect{100, 50, 816, 649}));
  EXPECT_EQ(MoveIntoWorkArea(Rect{900, 300, 1616, 899}, work), (Rect{650, 129, 1366, 728}));
  EXPECT_EQ(MoveIntoWorkArea(Rect{-200, -30, 516, 569}, work), (Rect{0, 0, 716, 599}));
  // Dragged to a TV above the monitor whose work area is too low for the window.
  EXPECT_EQ(MoveIntoWorkArea(Rect{10, -900, 1084, -6}, Rect{0, -720, 1280, 0}),
            (Rect{10, -720, 1084, 174}));
}

}  // namespace
}  // namespace orvik
