// The owner-drawn controls under the mouse: image buttons, the banner, the progress dialog.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "window/control_ids.h"
#include "fake_logic.h"
#include "support/temp_dir.h"
#include "ui/image_button.h"
#include "ui/orvik_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/rolling_banner.h"

namespace orvik::test {
namespace {

using ui::CImageButton;
using ui::COrvikDlg;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.AttachLogic(&logic);
    dlg.show();
  }
  void TearDown() override { dlg.hide(); }
  std::vector<long long> Commands() const {
    std::vector<long long> ids;
    for (const auto& call : logic.CallsOf("command")) ids.push_back(call.id);
    return ids;
  }

  FakeLogic logic;
  COrvikDlg dlg;
};

QColor Centre(QWidget* w) {
  const QImage image = w->grab().toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST_F(ControlsTest, ClickOnAnImageButtonIsItsCommand) {
  CImageButton* update = dlg.ImageButton(ctl::kUpdateButton);
  QTest::mouseClick(update, Qt::LeftButton);
  EXPECT_EQ(Commands(), std::vector<long long>{ctl::kUpdateButton});
  // Radio mode: the window decides the latch, the mouse does not.
  EXPECT_FALSE(update->IsChecked());
  QTest::mouseClick(update, Qt::RightButton);
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(ControlsTest, ToggleButtonFlipsOnEveryReleaseButClicksOnlyOverItself) {
  CImageButton* list = dlg.ImageButton(ctl::kMakeListButton);
  QTest::mouseClick(list, Qt::LeftButton);
  EXPECT_TRUE(list->IsChecked());
  QTest::mousePress(list, Qt::LeftButton);
  QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_FALSE(list->IsChecked());
  EXPECT_EQ(Commands(), std::vector<long long>{ctl::kMakeListButton});
}

TEST_F(ControlsTest, PressedPlainFaceAndDisabledFaces) {
  CImageButton plain(5000, &dlg);
  plain.SetFaces(159, 160);
  plain.SetBackColor(0xF0F0F0);
  plain.Place(0, 0, 163, 80);
  const QColor up = Centre(&plain);
  QTest::mousePress(&plain, Qt::LeftButton);
  const QColor down = Centre(&plain);
  QTest::mouseRelease(&plain, Qt::LeftButton);
  EXPECT_NE(up, down);
  EXPECT_EQ(Centre(&plain), up);

  // Without a disabled face a disabled button is nothing but its back colour.
  plain.SetDisabled(true);
  const QImage blank = plain.grab().toImage();
  for (int y = 0; y < blank.height(); y += 7) {
    for (int x = 0; x < blank.width(); x += 7) {
      ASSERT_EQ(blank.pixelColor(x, y), QColor(0xF0, 0xF0, 0xF0)) << x << "," << y;
    }
  }

  CImageButton* service = dlg.ImageButton(ctl::kServiceTunovaNEW);
  const QColor enabled = Centre(service);
  dlg.EnableControl(ctl::kServiceTunovaNEW, false);
  EXPECT_TRUE(service->IsDisabled());
  EXPECT_NE(Centre(service), enabled);
}

class BannerTest : public ControlsTest {
 protected:
  std::filesystem::path Picture(const std::string& name, QColor colour) {
    const auto path = dir.path() / name;
    QImage image(350, 160, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(path.string())));
    return path;
  }
  std::vector<long long> Clicks() const {
    std::vector<long long> indices;
    for (const auto& call : logic.CallsOf("message")) {
      if (call.id == WM_BANNER_CLICKED) indices.push_back(call.wParam);
    }
    return indices;
  }
  // Ticks until the banner holds `index` again.
  void AdvanceTo(int index) {
    ui::CRollingBanner* banner = dlg.Banner();
    for (int i = 0;
         i < 10000 && (banner->State().Current() != index || banner->State().IsSliding()); ++i) {
      banner->Tick();
    }
    ASSERT_EQ(banner->State().Current(), index);
  }
  TempDir dir;
};

TEST_F(BannerTest, ClickPostsTheIndexOfThePictureHeld) {
  dlg.SetBannerPictures(
      {Picture("a.png", Qt::red), dir.path() / "missing.png", Picture("b.png", Qt::blue)});
  ui::CRollingBanner* banner = dlg.Banner();
  EXPECT_EQ(banner->ImageCount(), 2);
  EXPECT_EQ(banner->geometry(), QRect(0, 0, dlg.width(), 320));
  EXPECT_EQ(Centre(banner), QColor(Qt::red));  // stretched over the whole strip

  QTest::mouseClick(banner, Qt::LeftButton);
  AdvanceTo(1);
  EXPECT_EQ(Centre(banner), QColor(Qt::blue));
  QTest::mouseClick(banner, Qt::LeftButton);
  ASSERT_TRUE(PumpUntil([&] { return Clicks().size() == 2; }));
  EXPECT_EQ(Clicks(), (std::vector<long long>{0, 1}));

  // Half-way through a slide: both pictures show, and clicks are ignored.
  for (int i = 0; !banner->State().IsSliding(); ++i) banner->Tick();
  for (int i = 0; i < 25; ++i) banner->Tick();
  const QImage frame = banner->grab().toImage();
  EXPECT_EQ(frame.pixelColor(frame.width() / 4, 100), QColor(Qt::blue));
  EXPECT_EQ(frame.pixelColor(frame.width() * 3 / 4, 100), QColor(Qt::red));
  QTest::mouseClick(banner, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Clicks().size(), 2u);
}

TEST_F(BannerTest, AddedPictureTakesItsTurn) {
  dlg.SetBannerPictures({Picture("a.png", Qt::red), Picture("b.png", Qt::blue)});
  AdvanceTo(1);
  dlg.AddBannerPicture(Picture("c.png", Qt::green));
  dlg.AddBannerPicture(dir.path() / "broken.png");
  EXPECT_EQ(dlg.Banner()->ImageCount(), 3);
  AdvanceTo(0);
  AdvanceTo(1);
  AdvanceTo(2);
  EXPECT_EQ(Centre(dlg.Banner()), QColor(Qt::green));
}

TEST_F(ControlsTest, ProgressDialogCancelsAndGivesTheWindowBack) {
  dlg.OpenProgressDialog();
  ui::CProgressDlg* progress = dlg.ProgressDialog();
  ASSERT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->windowTitle().toStdString(), "진행상태");
  EXPECT_EQ(progress->PercentText().toStdString(), " 0 %");
  EXPECT_EQ(progress->CancelButton()->text().toStdString(), "취소");
  EXPECT_FALSE(dlg.isEnabled());

  EXPECT_EQ(progress->SetPos(100), 0);
  EXPECT_EQ(progress->PercentText().toStdString(), "100%");
  progress->SetPos(150);
  EXPECT_EQ(progress->PercentText().toStdString(), "50%");

  // Enter does nothing; cancel sets the flag once and closes the dialog.
  QTest::keyClick(progress, Qt::Key_Return);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_FALSE(progress->CheckCancelButton());
  progress->CancelButton()->click();
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(dlg.isEnabled());
  EXPECT_TRUE(progress->CheckCancelButton());
  EXPECT_FALSE(progress->CheckCancelButton());
  EXPECT_EQ(logic.CallsOf("progresscancel").size(), 1u);  // the logic hears of it

  // It opens again for the next list, and leaves an already disabled owner disabled.
  dlg.setEnabled(false);
  ASSERT_TRUE(progress->Create(&dlg));
  progress->DestroyWindow();
  EXPECT_FALSE(dlg.isEnabled());
  dlg.setEnabled(true);
}

TEST_F(ControlsTest, TheLogicDrivesTheProgressDialogThroughThePort) {
  ui::CProgressDlg* progress = dlg.ProgressDialog();
  dlg.SetProgressDialog("closed", 30);  // nothing while it is closed
  dlg.OpenProgressDialog();
  EXPECT_TRUE(progress->StatusText().isEmpty());
  EXPECT_EQ(progress->PercentText().toStdString(), " 0 %");

  dlg.SetProgressDialog("1 / 4곡 검사", 40);
  EXPECT_EQ(progress->StatusText().toStdString(), "1 / 4곡 검사");
  EXPECT_EQ(progress->PercentText().toStdString(), "40%");

  // The logic closes it when the work ends: the window is back, and that is no cancel.
  dlg.CloseProgressDialog();
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(dlg.isEnabled());
  EXPECT_TRUE(logic.CallsOf("progresscancel").empty());

  // Opened again, the last work's line is gone.
  dlg.OpenProgressDialog();
  EXPECT_TRUE(progress->StatusText().isEmpty());
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(logic.CallsOf("progresscancel").size(), 1u);
}

}  // namespace
}  // namespace orvik::test
