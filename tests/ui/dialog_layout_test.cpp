// The main window's controls: that they fit and hold their texts, and that the skin and a
// Korean font are really there.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QRawFont>

#include "window/control_ids.h"
#include "fake_logic.h"
#include "ui/image_button.h"
#include "ui/image_ex.h"
#include "ui/orvik_dlg.h"
#include "ui/rolling_banner.h"
#include "ui/skin_resources.h"
#include "core/user_texts.h"
#include "window/update_outcome_view.h"

namespace orvik::test {
namespace {

using ui::CImageButton;
using ui::COrvikDlg;

class DialogLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.AttachLogic(&logic); }
  FakeLogic logic;
  COrvikDlg dlg;
};

// Template labels shorter than a text line would cut their text: they grow downwards.
// 1040 and 1041 share a place; the update button is the one on top at start.
TEST_F(DialogLayoutTest, LabelsHoldALineAndTheUpdateButtonLiesOverTheRunButton) {
  for (QLabel* label : dlg.findChildren<QLabel*>())
    EXPECT_GE(label->height(), QFontMetrics(label->font()).height()) << label->text().toStdString();
  CImageButton* update = dlg.ImageButton(ctl::kUpdateButton);
  CImageButton* run = dlg.ImageButton(ctl::kRunButton);
  EXPECT_EQ(update->geometry(), run->geometry());
  EXPECT_TRUE(update->isVisibleTo(&dlg));
  EXPECT_FALSE(run->isVisibleTo(&dlg));
  const auto children = dlg.children();
  EXPECT_GT(children.indexOf(update), children.indexOf(run));
}

TEST_F(DialogLayoutTest, EverythingShownFitsTheClientArea) {
  EXPECT_GE(dlg.width(), 700);
  EXPECT_GE(dlg.height(), 560);
  for (QWidget* w : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!w->isVisibleTo(&dlg)) continue;
    EXPECT_TRUE(dlg.rect().contains(w->geometry())) << w->metaObject()->className();
  }
  EXPECT_EQ(dlg.Banner()->geometry(), QRect(0, 0, dlg.width(), 320));
}

TEST_F(DialogLayoutTest, CountLabelsUseTheLargeFontTheRestTheDialogFont) {
  const QFont counts = dlg.Control(1014)->font();
  EXPECT_EQ(counts, dlg.Control(1015)->font());
  // A cell of 24 pixels, as the native font height means it.
  EXPECT_NEAR(QFontMetrics(counts).height(), 24, 1);
  EXPECT_NE(dlg.Control(1012)->font(), counts);
  EXPECT_EQ(dlg.Control(1012)->font().pixelSize(), 13);
  EXPECT_EQ(dlg.palette().color(QPalette::Window), QColor(0xF0, 0xF0, 0xF0));
}

// Without a Hangul font every Korean text is a row of empty boxes, which no pixel test
// notices; this one fails instead.
TEST_F(DialogLayoutTest, AKoreanFontRendersTheDialogTexts) {
  const QStringList korean = QFontDatabase::families(QFontDatabase::Korean);
  ASSERT_FALSE(korean.isEmpty()) << "no font family with Hangul glyphs is installed";
  const QFont font = dlg.Control(ctl::kStatusLine)->font();
  const QString family = QFontInfo(font).family();
  const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::Korean);
  ASSERT_TRUE(raw.isValid()) << family.toStdString();
  for (QChar c : QString::fromUtf8("곡프로그램저장된업데이트")) {
    EXPECT_TRUE(raw.supportsCharacter(c)) << family.toStdString();
  }
  EXPECT_TRUE(QFontMetrics(font).inFont(QString::fromUtf8("곡").at(0))) << family.toStdString();
}

// The longest texts the two labels of the status row are given, at the real font.
TEST_F(DialogLayoutTest, TheStatusRowShowsItsLongestTextsWhole) {
  const std::string folder = "/home/karaoke/Tunova/Songs";
  const std::pair<int, std::string> texts[] = {
      {ctl::kStatusLine,
       std::string(text::kDownloadInterrupted) + "서버 인증서를 확인할 수 없습니다"},
      {ctl::kStatusLine, text::kUnpackNotWritable + folder},
      {ctl::kStatusLine, text::kUnpackNoSevenZip},
      {ctl::kStatusLine, text::kNoProductNumber},
      {ctl::kStatusLine, text::kPollExpired},
      {ctl::kByteProgressLabel, "1026.41MB / 1114.74MB (92%)  11.8MB/s  남은 시간 1:06:49"},
  };
  for (const auto& [id, text] : texts) {
    auto* label = qobject_cast<QLabel*>(dlg.Control(id));
    ASSERT_NE(label, nullptr);
    const QRect needed = QFontMetrics(label->font())
                             .boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap,
                                           QString::fromStdString(text));
    EXPECT_LE(needed.height(), label->height()) << text;
    EXPECT_LE(needed.width(), label->width()) << text;
  }
}

TEST(SkinTest, ResourcesLoadFromTheLibrary) {
  ASSERT_TRUE(ui::SkinBuiltIn());
  ui::CImageEx panel(161);
  ASSERT_FALSE(panel.IsNull());
  EXPECT_EQ(panel.Size(), QSize(500, 94));
  for (int id : {131, 135, 136, 137, 138, 139, 141, 142, 143, 144, 145, 146, 151, 153, 154,
                 155, 156, 157, 158, 159, 160, 161, 162, 164, 165, 166, 167, 168, 169}) {
    EXPECT_FALSE(ui::CImageEx(id).IsNull()) << id;
  }
  COrvikDlg dlg;
  EXPECT_FALSE(dlg.windowIcon().isNull());
}

TEST(SkinTest, AMissingPictureDrawsNothing) {
  ui::CImageEx missing(9999);
  EXPECT_TRUE(missing.IsNull());
  QImage target(20, 20, QImage::Format_ARGB32);
  target.fill(Qt::red);
  QPainter painter(&target);
  missing.Draw(painter, 0, 0, 20, 20);
  painter.end();
  EXPECT_EQ(target.pixelColor(10, 10), QColor(Qt::red));
}

TEST(SkinTest, StretchedPictureBlendsOverWhatIsBeneath) {
  ui::CImageEx face(159);  // the update button: rounded, so its corners are transparent
  ASSERT_FALSE(face.IsNull());
  ASSERT_EQ(face.Image().pixelColor(0, 0).alpha(), 0);
  QImage target(face.Size() * 2, QImage::Format_ARGB32);
  target.fill(QColor(0xF0, 0xF0, 0xF0));
  QPainter painter(&target);
  face.Draw(painter, 0, 0, target.width(), target.height());
  painter.end();
  EXPECT_EQ(target.pixelColor(0, 0), QColor(0xF0, 0xF0, 0xF0));
  EXPECT_NE(target.pixelColor(target.width() / 2, target.height() / 2), QColor(0xF0, 0xF0, 0xF0));
}

}  // namespace
}  // namespace orvik::test
