// The context menu's store check: it runs on a worker, shows its progress in the progress
// dialog, whose cancel stops it and keeps what it found, ends with a box and a new song
// count, and never runs while an update unpacks.
#include <future>

#include "core/user_texts.h"
#include "update/store_manifest.h"
#include "window/verify_run.h"
#include "window_fixture.h"

namespace orvik::test {
namespace {

class WindowVerifyTest : public WindowTest {
 protected:
  std::filesystem::path Songs() const { return dir_ / "songs"; }
  void SetUp() override {
    // Two songs the manifest lists (one now cut short) and one it does not.
    WriteTextFile(Songs() / "K1000" / "01000.sgd", "sound song");
    WriteTextFile(Songs() / "K1000" / "01001.sgd", "cut");
    WriteTextFile(Songs() / "K2000" / "02000.sgd", "unlisted");
    StoreManifest manifest;
    manifest.store = std::filesystem::absolute(Songs()).lexically_normal();
    manifest.Record({{"K1000/01000.sgd", 10, std::nullopt}, {"K1000/01001.sgd", 9, std::nullopt}},
                    {"U1", 0});
    ASSERT_TRUE(SaveStoreManifest(dir_.path(), manifest));
    Open("[settings]\r\nservice=tunova\r\n[songs]\r\ntunova=" + Songs().string() + "\r\n");
  }
  bool WaitForMessage() {
    return port_.WaitFor([](const std::vector<PortCall>& calls) {
      for (const auto& c : calls)
        if (c.kind == "message") return true;
      return false;
    });
  }
};

// Where the dialog calls stand among the others: open first, then its lines, closed
// before the summary box.
std::vector<std::string> DialogAndBoxes(const std::vector<PortCall>& calls) {
  std::vector<std::string> kinds;
  for (const auto& c : calls)
    if (c.kind.starts_with("progressdlg") || c.kind == "message") kinds.push_back(c.kind);
  return kinds;
}

TEST_F(WindowVerifyTest, TheMenuItemChecksInTheDialogSetsAsideAndCountsAgain) {
  ASSERT_STREQ(window_->VerifyMenuItem(), text::kVerifyMenu);
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  ASSERT_TRUE(WaitForMessage());
  const auto messages = port_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with(text::kVerifyFoundDamage)) << messages[0];
  EXPECT_NE(messages[0].find("K1000/01001.sgd: size differs"), std::string::npos) << messages[0];
  EXPECT_FALSE(std::filesystem::exists(Songs() / "K1000" / "01001.sgd"));
  EXPECT_TRUE(std::filesystem::exists(Songs() / "K1000" / "01000.sgd"));
  EXPECT_EQ(port_.Text(ctl::kStoredCountLabel), "2" + std::string(text::kSongsUnit));
  EXPECT_STREQ(window_->VerifyMenuItem(), text::kVerifyMenu);

  // Every song's step reaches the dialog (three songs: each moves the bar), in order, the
  // last one full; the dialog has closed before the box.
  const auto lines = port_.CallsOf("progressdlg-set");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, text::kVerifyMenu);
  for (std::size_t i = 1; i <= 3; ++i) {
    const std::string counted = std::to_string(i) + " / 3" + text::kVerifySongsChecked + ", ";
    EXPECT_TRUE(lines[i].text.starts_with(counted)) << lines[i].text;
    EXPECT_NE(lines[i].text.find(" MB/s, " + std::string(text::kVerifyTimeLeft)), std::string::npos)
        << lines[i].text;
    EXPECT_GE(lines[i].value, lines[i - 1].value);
  }
  EXPECT_EQ(lines[3].value, 100);
  const auto order = DialogAndBoxes(port_.Calls());
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order.front(), "progressdlg");
  EXPECT_EQ(order[order.size() - 2], "progressdlg-close");
  EXPECT_EQ(order.back(), "message");
  EXPECT_EQ(port_.CallsOf("progressdlg-close").size(), 1u);
  // The window's own bar belongs to the updates.
  EXPECT_TRUE(port_.CallsOf("progress").empty());

  // The store is sound now.
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_TRUE(port_.Messages()[0].starts_with(text::kVerifyAllSound));
}

TEST_F(WindowVerifyTest, CancelInTheDialogStopsTheCheckAndKeepsWhatItFound) {
  // Holds the worker at the second song's line until the operator's cancel is in.
  std::promise<void> cancelled;
  std::shared_future<void> cancelIn = cancelled.get_future().share();
  port_.onCall = [cancelIn](const PortCall& call) {
    if (call.kind == "progressdlg-set" && call.text.starts_with("2 / 3")) cancelIn.wait();
  };
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  ASSERT_TRUE(port_.WaitFor([](const std::vector<PortCall>& calls) {
    for (const auto& c : calls)
      if (c.kind == "progressdlg-set" && c.text.starts_with("2 / 3")) return true;
    return false;
  }));
  // The dialog closed itself on the operator's cancel and tells the logic so.
  window_->OnProgressCancel();
  cancelled.set_value();
  ASSERT_TRUE(WaitForMessage());
  port_.onCall = nullptr;

  const auto messages = port_.Messages();
  ASSERT_EQ(messages.size(), 1u);
  // The damaged song found before the cancel is set aside; the third song was never read.
  EXPECT_TRUE(messages[0].starts_with(text::kVerifyFoundDamage)) << messages[0];
  EXPECT_NE(messages[0].find(text::kVerifyCancelled), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("K1000/01001.sgd: size differs"), std::string::npos) << messages[0];
  EXPECT_FALSE(std::filesystem::exists(Songs() / "K1000" / "01001.sgd"));
  EXPECT_TRUE(std::filesystem::exists(Songs() / "K2000" / "02000.sgd"));
  for (const auto& line : port_.CallsOf("progressdlg-set"))
    EXPECT_FALSE(line.text.starts_with("3 / 3")) << line.text;
  EXPECT_EQ(DialogAndBoxes(port_.Calls()).back(), "message");
  EXPECT_STREQ(window_->VerifyMenuItem(), text::kVerifyMenu);

  // A cancel with no check running (the song-list dialog's) changes nothing.
  window_->OnProgressCancel();
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_TRUE(port_.Messages()[0].starts_with(text::kVerifyAllSound)) << port_.Messages()[0];
}

TEST_F(WindowVerifyTest, NoCheckWhileAnUpdateUnpacks) {
  window_->State().m_extractRunning = true;
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  EXPECT_EQ(port_.Messages(), std::vector<std::string>{text::kVerifyBusy});
  EXPECT_TRUE(port_.CallsOf("progressdlg").empty());
  EXPECT_TRUE(std::filesystem::exists(Songs() / "K1000" / "01001.sgd"));
}

}  // namespace
}  // namespace orvik::test
