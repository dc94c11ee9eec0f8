// Banner pictures from the service and what a click on each picture opens.
#include "core/user_texts.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

class BannerWindow : public WindowTest {
 protected:
  void Open(const std::string& reply) {
    transport_->formReplies["/api/app/banner/launcher/tunova"] = reply;
    WindowTest::Open("[settings]\r\nservice=tunova\r\n");
    SettleBanners();
  }
  std::vector<std::string> Added() {
    std::vector<std::string> out;
    for (const auto& c : port_.CallsOf("addbanner")) out.push_back(c.text);
    return out;
  }
  std::vector<std::string> OpenedByClick(std::size_t index) {
    const std::size_t before = port_.Opened().size();
    window_->OnWindowMessage(WM_BANNER_CLICKED, index, 0);
    const auto opened = port_.Opened();
    return {opened.begin() + static_cast<std::ptrdiff_t>(before), opened.end()};
  }
  using Opened = std::vector<std::string>;
};

constexpr char kThreeBanners[] =
    "a,http://pics.test/p1.png,p1.png,http://one.test/|"
    "b,http://pics.test/p2.png,p2.png,https://two.test/x?y=1|"
    "c,http://pics.test/p3.png,p3.png";

TEST_F(BannerWindow, PicturesAreAddedInListOrderAndClicksOpenTheirLinks) {
  MakePicture("tunova.png");
  MakePicture("3.png");
  Open(kThreeBanners);
  EXPECT_EQ(Added(), (std::vector<std::string>{(Images() / "p1.png").string(),
                                               (Images() / "p2.png").string(),
                                               (Images() / "p3.png").string()}));

  EXPECT_EQ(OpenedByClick(0), Opened{});
  EXPECT_EQ(OpenedByClick(1), Opened{(Images() / "3_default.png").string()});
  EXPECT_EQ(OpenedByClick(2), Opened{"http://one.test/"});
  EXPECT_EQ(OpenedByClick(3), Opened{"https://two.test/x?y=1"});
  EXPECT_EQ(OpenedByClick(4), Opened{});  // no link
  EXPECT_EQ(OpenedByClick(5), Opened{});  // past the list
  EXPECT_EQ(OpenedByClick(static_cast<std::size_t>(-1)), Opened{});
  EXPECT_TRUE(port_.Messages().empty());

  port_.openSucceeds = false;
  EXPECT_EQ(OpenedByClick(3).size(), 1u);
  EXPECT_EQ(port_.Messages(),
            std::vector<std::string>{std::string(text::kOpenUrlFailed) + "https://two.test/x?y=1"});
}

TEST_F(BannerWindow, AMissingPictureDoesNotShiftTheLinksOfTheOthers) {
  MakePicture("tunova.png");  // no 3.png: the first service banner sits at position 1
  transport_->failingDownloads = {"http://pics.test/p1.png"};
  Open(kThreeBanners);
  EXPECT_EQ(Added(), (std::vector<std::string>{(Images() / "p2.png").string(),
                                               (Images() / "p3.png").string()}));
  EXPECT_EQ(OpenedByClick(1), Opened{"https://two.test/x?y=1"});
  EXPECT_EQ(OpenedByClick(2), Opened{});  // p3 has no link
  EXPECT_EQ(OpenedByClick(3), Opened{});
}

TEST_F(BannerWindow, WithoutABannerReplyTheWindowIsStillToldOnceAndKeepsItsOwnPictures) {
  MakePicture("tunova.png");
  WindowTest::Open("[settings]\r\nservice=tunova\r\n");  // the service answers nothing
  SettleBanners();
  window_->OnClose();  // the banner thread is joined: no second message can follow
  EXPECT_EQ(port_.Posted().size(), 1u);
  EXPECT_TRUE(Added().empty());
  ASSERT_EQ(port_.CallsOf("banner").size(), 1u);
  EXPECT_EQ(port_.CallsOf("banner")[0].text, (Images() / "tunova.png").string());
}

TEST_F(BannerWindow, OnlyWebLinksAreOpened) {
  MakePicture("tunova.png");
  MakePicture("3.png");
  Open(
      "a,http://pics.test/p1.png,p1.png,file:///bin/sh|b,http://pics.test/p2.png,p2.png,"
      "calc.exe|c,http://pics.test/p3.png,p3.png,HTTPS://three.test/");
  EXPECT_EQ(Added().size(), 3u);
  EXPECT_EQ(OpenedByClick(2), Opened{});
  EXPECT_EQ(OpenedByClick(3), Opened{});
  EXPECT_EQ(OpenedByClick(4), Opened{"HTTPS://three.test/"});
}

}  // namespace
}  // namespace orvik::test
