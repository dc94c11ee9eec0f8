// Pictures of the window in the states of a song update, written as test artefacts so a
// person can judge them; the checks here only catch a window that came out blank.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

#include "window/control_ids.h"
#include "fake_logic.h"
#include "ui/image_button.h"
#include "ui/orvik_dlg.h"
#include "ui/progress_dlg.h"

namespace orvik::test {
namespace {

using ui::COrvikDlg;

class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.AttachLogic(&logic);
    const std::filesystem::path images = ORVIK_DEMO_IMAGES;
    dlg.SetBannerPictures({images / "tunova.png", images / "3.png"});
    dlg.SetListItems(ctl::kProgramList, {"tunova"}, 0);
    dlg.SetControlText(ctl::kStoredCountLabel, "12,345곡");
    dlg.SetControlChecked(ctl::kUseConfigBox, true);
    dlg.SetControlChecked(ctl::kLoopMidiBox, true);
    dlg.show();
  }
  void TearDown() override { dlg.hide(); }

  QImage Shoot(const char* name) {
    QDir().mkpath(ORVIK_SCREENSHOT_DIR);
    const QImage image = dlg.grab().toImage();
    EXPECT_TRUE(image.save(QStringLiteral(ORVIK_SCREENSHOT_DIR "/%1.png").arg(name)));
    EXPECT_EQ(image.size(), dlg.size() * image.devicePixelRatio());
    return image;
  }

  FakeLogic logic;
  COrvikDlg dlg;
};

// The share of pixels in `area` that differ from the dialog's grey.
double Inked(const QImage& image, const QRect& area) {
  int inked = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.pixelColor(x, y) != QColor(0xF0, 0xF0, 0xF0)) ++inked;
    }
  }
  return double(inked) / (area.width() * area.height());
}

TEST_F(ScreenshotTest, SongUpdateStates) {
  const QRect banner(0, 0, 700, 320), panel(22, 426, 500, 94), status(526, 420, 163, 86);

  QImage idle = Shoot("idle");
  EXPECT_GT(Inked(idle, banner), 0.9);
  EXPECT_GT(Inked(idle, panel), 0.5);
  EXPECT_GT(Inked(idle, status), 0.5);

  dlg.SetControlText(ctl::kStatusLine, "업데이트가 준비되었습니다.");
  dlg.SetControlText(ctl::kUpdateCountLabel, "27곡");
  dlg.SetControlChecked(ctl::kUpdateButton, true);
  Shoot("update-ready");

  logic.status = StatusPicture::Downloading;
  dlg.ShowControl(ctl::kUpdateButton, false);
  dlg.SetControlText(ctl::kStatusLine, "다운로드 중..");
  dlg.SetControlText(ctl::kByteProgressLabel, "42.00MB / 100.00MB (42%)");
  dlg.SetProgressPos(ctl::kProgressBar, 42);
  const QImage downloading = Shoot("downloading");
  EXPECT_GT(Inked(downloading, status), 0.5);  // picture 166 where the button was

  logic.status = StatusPicture::Unpacking;
  dlg.SetControlText(ctl::kStatusLine, "압축푸는 중");
  dlg.SetControlText(ctl::kByteProgressLabel, "100.00MB / 100.00MB (100%)");
  dlg.SetProgressPos(ctl::kProgressBar, 100);
  const QImage unpacking = Shoot("unpacking");
  EXPECT_NE(unpacking.copy(status), downloading.copy(status));

  logic.status = StatusPicture::None;
  dlg.SetControlText(ctl::kStatusLine, "곡업데이트 완료");
  dlg.SetControlText(ctl::kStoredCountLabel, "12,372곡");
  dlg.ShowControl(ctl::kRunButton, true);
  const QImage finished = Shoot("finished");
  EXPECT_NE(finished.copy(status), unpacking.copy(status));
}

TEST_F(ScreenshotTest, ProgressDialogAndAboutBox) {
  dlg.OpenProgressDialog();
  ui::CProgressDlg* progress = dlg.ProgressDialog();
  progress->SetStatus(QString::fromUtf8("곡 리스트 만드는 중"));
  progress->SetPos(42);
  const QImage shot = progress->grab().toImage();
  EXPECT_TRUE(shot.save(QStringLiteral(ORVIK_SCREENSHOT_DIR "/progress.png")));
  progress->DestroyWindow();

  QImage about;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    about = box->grab().toImage();
    box->close();
  });
  dlg.ShowAboutBox();
  ASSERT_FALSE(about.isNull());
  EXPECT_TRUE(about.save(QStringLiteral(ORVIK_SCREENSHOT_DIR "/about.png")));
}

}  // namespace
}  // namespace orvik::test
