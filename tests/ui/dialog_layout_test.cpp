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
#include "window/dialog_layout.h"
#include "window/update_outcome_view.h"

#include <fstream>
#include <map>
#include <sstream>

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

// The Win32 resource script's templates, as far as the layout table speaks of them.
struct RcDialog {
  std::string caption;
  int width = 0, height = 0;
  std::vector<layout::Control> controls;
  std::vector<std::string> texts;  // each control's caption as written
};

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Splits "a, "b, c", d" at the commas outside quotes; fields trimmed.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  for (auto& f : out) {
    f.erase(0, f.find_first_not_of(' '));
    f.erase(f.find_last_not_of(' ') + 1);
  }
  return out;
}

std::map<std::string, RcDialog> ReadResourceScript() {
  std::map<std::string, int> names{{"IDOK", 1}, {"IDCANCEL", 2}, {"-1", -1}};
  std::istringstream defines(ReadAll(ORVIK_WIN32_UI_DIR "/resource.h"));
  for (std::string line; std::getline(defines, line);) {
    std::istringstream words(line);
    std::string define, name, value;
    if (words >> define >> name >> value && define == "#define")
      names[name] = static_cast<int>(std::stol(value, nullptr, 0));
  }
  const auto number = [&](const std::string& f) {
    return names.contains(f) ? names[f] : std::stoi(f);
  };
  const std::map<std::string, layout::Kind> kinds{
      {"LTEXT", layout::Kind::Label},          {"RTEXT", layout::Kind::RightLabel},
      {"AUTOCHECKBOX", layout::Kind::CheckBox}, {"PUSHBUTTON", layout::Kind::PushButton},
      {"DEFPUSHBUTTON", layout::Kind::DefaultButton}, {"ICON", layout::Kind::Icon},
      {"COMBOBOX", layout::Kind::Combo},        {"CONTROL", layout::Kind::Progress}};
  std::map<std::string, RcDialog> dialogs;
  RcDialog* current = nullptr;
  std::istringstream script(ReadAll(ORVIK_WIN32_UI_DIR "/orvik.rc.in"));
  for (std::string line; std::getline(script, line);) {
    std::istringstream words(line);
    std::string first, second;
    words >> first >> second;
    if (second == "DIALOGEX") {
      current = &dialogs[std::to_string(number(first))];
      std::string rest;
      std::getline(words, rest);
      const auto size = Fields(rest);
      current->width = std::stoi(size.at(2));
      current->height = std::stoi(size.at(3));
    } else if (current && first == "CAPTION") {
      const auto open = line.find('"');
      current->caption = line.substr(open + 1, line.rfind('"') - open - 1);
    } else if (current && first == "END") {
      current = nullptr;
    } else if (current && kinds.contains(first)) {
      auto fields = Fields(line.substr(line.find(first) + first.size()));
      if (first == "COMBOBOX") fields.insert(fields.begin(), "\"\"");
      if (first == "CONTROL") fields.erase(fields.begin() + 2, fields.begin() + 4);
      std::string caption = fields.at(0);
      if (caption.starts_with('"')) caption = caption.substr(1, caption.size() - 2);
      current->texts.push_back(caption);
      current->controls.push_back({number(fields.at(1)), kinds.at(first), nullptr,
                                   std::stoi(fields.at(2)), std::stoi(fields.at(3)),
                                   std::stoi(fields.at(4)), std::stoi(fields.at(5)),
                                   line.find("NOT WS_VISIBLE") == std::string::npos});
    }
  }
  return dialogs;
}

// The Qt window places its controls from the layout table; the Win32 templates must say the
// same, control by control, or the two front ends drift apart.
TEST(DialogLayoutTableTest, TheResourceScriptsTemplatesAreTheTable) {
  const auto script = ReadResourceScript();
  for (const layout::Dialog* dialog :
       {&layout::MainDialog(), &layout::ProgressDialog(), &layout::AboutDialog()}) {
    SCOPED_TRACE(dialog->id);
    ASSERT_TRUE(script.contains(std::to_string(dialog->id)));
    const RcDialog& rc = script.at(std::to_string(dialog->id));
    EXPECT_EQ(rc.caption, dialog->caption);
    EXPECT_EQ(rc.width, dialog->width);
    EXPECT_EQ(rc.height, dialog->height);
    ASSERT_EQ(rc.controls.size(), dialog->controls.size());
    for (std::size_t i = 0; i < rc.controls.size(); ++i) {
      const layout::Control& want = dialog->controls[i];
      const layout::Control& got = rc.controls[i];
      SCOPED_TRACE(rc.texts[i]);
      EXPECT_EQ(got.id, want.id);
      EXPECT_EQ(got.kind, want.kind);
      if (want.text != nullptr) {
        EXPECT_EQ(rc.texts[i], want.text);
      }
      EXPECT_EQ(std::tie(got.x, got.y, got.width, got.height),
                std::tie(want.x, want.y, want.width, want.height));
      EXPECT_EQ(got.shown, want.shown);
    }
  }
}

// Every caption of the main window's template holds on one line of its control.
TEST_F(DialogLayoutTest, TemplateCaptionsFitTheirControls) {
  for (const layout::Control& c : layout::MainDialog().controls) {
    if (!c.shown || c.text == nullptr || *c.text == '\0') continue;
    QWidget* widget = c.id == -1 ? dlg.StoredCaption()
                      : c.id == layout::kProgramCaption ? dlg.ProgramCaption()
                                                        : dlg.Control(c.id);
    ASSERT_NE(widget, nullptr) << c.text;
    EXPECT_LE(widget->sizeHint().width(), widget->width()) << c.text;
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
