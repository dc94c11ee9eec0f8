// The context menu's store check: it runs on a worker, shows its progress, ends with a box
// and a new song count, and never runs while an update unpacks.
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

TEST_F(WindowVerifyTest, TheMenuItemChecksSetsAsideAndCountsAgain) {
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
  EXPECT_FALSE(port_.Visible(ctl::kProgressBar));  // shown while it ran, hidden at the end
  EXPECT_STREQ(window_->VerifyMenuItem(), text::kVerifyMenu);

  // The store is sound now.
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  ASSERT_TRUE(WaitForMessage());
  EXPECT_TRUE(port_.Messages()[0].starts_with(text::kVerifyAllSound));
}

TEST_F(WindowVerifyTest, NoCheckWhileAnUpdateUnpacks) {
  window_->State().m_extractRunning = true;
  port_.Clear();
  window_->OnCommand(kVerifyCommand);
  EXPECT_EQ(port_.Messages(), std::vector<std::string>{text::kVerifyBusy});
  EXPECT_TRUE(std::filesystem::exists(Songs() / "K1000" / "01001.sgd"));
}

}  // namespace
}  // namespace orvik::test
