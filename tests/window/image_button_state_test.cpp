#include "window/image_button_state.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

using Face = ImageButtonState::Face;

TEST(ImageButtonState, FaceFollowsDisabledThenLatchThenPress) {
  ImageButtonState plain;
  plain.SetHasDisabledFace(true);
  EXPECT_EQ(plain.FaceToDraw(), Face::Normal);
  plain.MouseDown();
  EXPECT_EQ(plain.FaceToDraw(), Face::Down);
  plain.SetChecked(true);  // a plain button ignores its latch
  plain.MouseUp(true);
  EXPECT_EQ(plain.FaceToDraw(), Face::Normal);

  ImageButtonState radio;
  radio.SetHasDisabledFace(true);
  radio.SetMode(true, true);
  radio.MouseDown();
  EXPECT_EQ(radio.FaceToDraw(), Face::Normal);  // a latching button ignores the press
  radio.SetChecked(true);
  EXPECT_EQ(radio.FaceToDraw(), Face::Down);
  radio.SetDisabled(true);
  EXPECT_EQ(radio.FaceToDraw(), Face::Disabled);  // disabled wins over checked and pressed
  EXPECT_TRUE(radio.IsDisabled());

  // Two faces only: disabled shows nothing but the back colour.
  ImageButtonState twoFaces;
  twoFaces.SetDisabled(true);
  EXPECT_EQ(twoFaces.FaceToDraw(), std::nullopt);
}

TEST(ImageButtonState, ReleaseTogglesOnlyInToggleModeAndClicksOnlyOverButton) {
  ImageButtonState toggle;
  toggle.SetMode(true, false);
  toggle.MouseDown();
  EXPECT_TRUE(toggle.IsPressed());
  EXPECT_TRUE(toggle.MouseUp(true));
  EXPECT_FALSE(toggle.IsPressed());
  EXPECT_TRUE(toggle.IsChecked());
  toggle.MouseDown();
  EXPECT_FALSE(toggle.MouseUp(false));  // released outside: no click, yet the face flips
  EXPECT_FALSE(toggle.IsChecked());
  EXPECT_EQ(toggle.FaceToDraw(), Face::Normal);

  ImageButtonState radio;
  radio.SetMode(true, true);
  radio.MouseDown();
  EXPECT_TRUE(radio.MouseUp(true));
  EXPECT_FALSE(radio.IsChecked());  // only the parent sets it
  radio.SetChecked(true);
  radio.MouseDown();
  radio.MouseUp(true);
  EXPECT_TRUE(radio.IsChecked());

  // A release without a press on this button (dragged in from elsewhere) is no click.
  ImageButtonState stray;
  stray.SetMode(true, false);
  EXPECT_FALSE(stray.MouseUp(true));
  EXPECT_FALSE(stray.IsChecked());
}

TEST(ImageButtonState, PlaceMovesWindowOnceAroundThePicture) {
  ImageButtonState button;
  const auto moved = button.Place(526, 420, 163, 80);
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(*moved, (Rect{524, 418, 691, 502}));
  EXPECT_EQ(button.ImageRect(), (Rect{526, 420, 689, 500}));
  EXPECT_EQ(button.Place(526, 420, 163, 80), std::nullopt);

  const auto again = button.Place(20, 330, 220, 26);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->right - again->left, 224);
  EXPECT_EQ(again->bottom - again->top, 30);
}

}  // namespace
}  // namespace orvik
