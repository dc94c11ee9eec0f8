// The main window's controls: where they are, what they say, what shows at start, and that
// the skin and a Korean font are really there.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRawFont>
#include <cmath>

#include "core/control_ids.h"
#include "fake_logic.h"
#include "ui/image_button.h"
#include "ui/image_ex.h"
#include "ui/orvik_dlg.h"
#include "ui/rolling_banner.h"
#include "ui/skin_resources.h"
#include "update/update_texts.h"
#include "window/update_outcome_view.h"

namespace orvik::test {
namespace {

using ui::CImageButton;
using ui::COrvikDlg;

// The template's rectangle in pixels: 355 x 350 units span 690 x 532 pixels.
QRect Units(double x, double y, double w, double h) {
  const double fx = 690.0 / 355.0, fy = 532.0 / 350.0;
  const auto l = std::lround(x * fx), t = std::lround(y * fy);
  return QRect(int(l), int(t), int(std::lround((x + w) * fx) - l),
               int(std::lround((y + h) * fy) - t));
}

// Labels may grow downwards to hold a whole line of their font; nothing else moves.
void ExpectAtPlace(QWidget* w, const QRect& rect) {
  if (qobject_cast<QLabel*>(w)) {
    EXPECT_EQ(w->geometry().topLeft(), rect.topLeft());
    EXPECT_EQ(w->width(), rect.width());
    EXPECT_GE(w->height(), rect.height());
    EXPECT_GE(w->height(), QFontMetrics(w->font()).height());
  } else {
    EXPECT_EQ(w->geometry(), rect);
  }
}

class DialogLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.AttachLogic(&logic); }
  FakeLogic logic;
  COrvikDlg dlg;
};

TEST_F(DialogLayoutTest, TemplateControlsSitAtTheirPlacesWithTheirTexts) {
  struct Expect {
    int id;
    const char* text;
    QRect rect;
    bool shown;
  };
  const Expect expected[] = {
      {1011, "0%", Units(210, 235, 129, 21), true},
      {1012, "프로그램", Units(14, 235, 192, 21), true},
      {1014, "0곡", Units(112, 291, 61, 13), true},
      {1023, "업데이트 곡 수", Units(183, 275, 52, 11), true},
      {1015, "0곡", Units(182, 291, 61, 13), true},
      {1016, "가상음원 체크", Units(15, 328, 57, 10), true},
      {1017, "Loop MIDI", Units(84, 328, 47, 10), true},
      {1018, "KV Synth", Units(134, 328, 46, 10), true},
      {1019, "칸타빌레(설정파일)", Units(181, 328, 73, 10), true},
      {1003, "리스트 만들기", Units(249, 63, 56, 18), false},
      {1006, "튜노바 실행", Units(269, 272, 69, 36), false},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    QWidget* w = dlg.Control(e.id);
    ASSERT_NE(w, nullptr);
    ExpectAtPlace(w, e.rect);
    EXPECT_EQ(w->isVisibleTo(&dlg), e.shown);
    EXPECT_EQ(dlg.IsControlVisible(e.id), e.shown);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
    EXPECT_EQ(text.toStdString(), e.text);
  }
  EXPECT_EQ(dlg.StoredCaption()->text().toStdString(), "저장된 곡 수");
  ExpectAtPlace(dlg.StoredCaption(), Units(111, 276, 52, 11));
  EXPECT_EQ(dlg.ProgramCaption()->text().toStdString(), "실행될 프로그램");
  ExpectAtPlace(dlg.ProgramCaption(), Units(269, 313, 52, 11));
  EXPECT_TRUE(qobject_cast<QLabel*>(dlg.Control(1011))->alignment() & Qt::AlignRight);

  auto* bar = qobject_cast<QProgressBar*>(dlg.Control(ctl::kProgressBar));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->geometry(), Units(13, 257, 327, 6));
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 0);

  auto* combo = qobject_cast<QComboBox*>(dlg.Control(ctl::kProgramList));
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->geometry().topLeft(), Units(269, 326, 70, 30).topLeft());
  EXPECT_EQ(combo->maxVisibleItems(), 3);
  EXPECT_FALSE(combo->isEditable());

  for (int legacy : {1026, 1028, 1029, 1030, 1031}) {
    ASSERT_NE(dlg.Control(legacy), nullptr) << legacy;
    EXPECT_FALSE(dlg.Control(legacy)->isVisibleTo(&dlg)) << legacy;
  }
  EXPECT_EQ(qobject_cast<QPushButton*>(dlg.Control(1029))->text().toStdString(), "▶ Tunova");
}

TEST_F(DialogLayoutTest, ImageButtonsAreThePictureGrownByTwoPixels) {
  struct Expect {
    int id;
    QRect picture;
    bool shown;
    bool radio;
  };
  const Expect expected[] = {
      {1032, {20, 386, 122, 28}, false, true},  {1033, {152, 386, 122, 28}, false, true},
      {1034, {284, 386, 122, 28}, false, true}, {1035, {416, 386, 122, 28}, false, true},
      {1036, {548, 386, 122, 28}, false, true}, {1037, {20, 330, 220, 26}, true, false},
      {1039, {250, 330, 178, 26}, true, false}, {1038, {510, 330, 158, 26}, true, false},
      {1041, {526, 420, 163, 80}, false, true}, {1040, {526, 420, 163, 80}, true, true},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    CImageButton* b = dlg.ImageButton(e.id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->geometry(), e.picture.adjusted(-2, -2, 2, 2));
    EXPECT_EQ(b->isVisibleTo(&dlg), e.shown);
    EXPECT_TRUE(b->State().IsCheckable());
    EXPECT_EQ(b->State().HasNoSelfToggle(), e.radio);
    EXPECT_EQ(b->State().BackColor(), 0xF0F0F0u);
    EXPECT_EQ(b->IsChecked(), e.id == 1034);
  }
  // Service buttons have a disabled face; the others do not.
  EXPECT_TRUE(dlg.ImageButton(1032)->State().HasDisabledFace());
  EXPECT_FALSE(dlg.ImageButton(1040)->State().HasDisabledFace());
  // 1040 stacks above 1041, which shares its place.
  const auto children = dlg.children();
  EXPECT_GT(children.indexOf(dlg.ImageButton(1040)), children.indexOf(dlg.ImageButton(1041)));
}

TEST_F(DialogLayoutTest, EverythingShownFitsTheClientArea) {
  EXPECT_GE(dlg.width(), 700);
  EXPECT_GE(dlg.height(), 560);
  EXPECT_EQ(Units(0, 0, 355, 350), QRect(0, 0, 690, 532));
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
