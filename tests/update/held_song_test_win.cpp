// A song that a player or an antivirus scanner holds open while an update places its new
// version: a short hold only delays the update; one past the retry limit takes the update back
// and the status line names the file and says that another program holds it.
#include <gtest/gtest.h>

#include "core/user_texts.h"
#include "helpers/held_file.h"
#include "platform/held_files.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "support/zip_writer.h"
#include "update/package_extractor.h"
#include "update/store_verify.h"
#include "update/update_status.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;
using test::HeldFile;
using test::ReadTextFile;

class HeldSong : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteTextFile(store / "K0000" / "00001.sgd", "old1");
    test::WriteTextFile(held, "old1234");
    // A new song first (placed, then to be taken back), then the held one's new version.
    test::WriteTextFile(archive, test::StoredZip({{"K0000/00005.sgd", "new5"},
                                                  {"K1000/01234.sgd", "new1234"}}));
  }
  void TearDown() override { platform::SetHeldFileRetryForTesting({}, {}); }

  test::TempDir dir;
  fs::path store = dir / "songs";
  fs::path held = store / "K1000" / "01234.sgd";
  fs::path archive = dir / "1234567890.zip";
  int retries = 0;
};

TEST_F(HeldSong, AShortHoldOnlyDelaysTheUpdate) {
  HeldFile hold(held);
  ASSERT_TRUE(hold.held());
  // The player lets go once the update has had to wait for it.
  platform::SetHeldFileRetryForTesting(std::chrono::seconds(20), [&](const fs::path&) {
    if (retries++ == 0) hold.SignalRelease();
  });
  const ExtractReport report = InstallPackage(archive, store, dir.path(), {});
  ASSERT_EQ(report.result, ExtractResult::Ok) << report.detail;
  EXPECT_GE(retries, 1);
  EXPECT_EQ(ReadTextFile(held), "new1234");
  EXPECT_EQ(ReadTextFile(store / "K0000" / "00005.sgd"), "new5");
}

TEST_F(HeldSong, AHoldPastTheLimitTakesTheUpdateBackAndNamesTheFile) {
  HeldFile hold(held);
  ASSERT_TRUE(hold.held());
  platform::SetHeldFileRetryForTesting(std::chrono::milliseconds(300),
                                       [&](const fs::path&) { ++retries; });
  const ExtractReport report = InstallPackage(archive, store, dir.path(), {});
  EXPECT_EQ(report.result, ExtractResult::FileHeld);
  EXPECT_GT(retries, 0);
  const std::string status = ExtractFailureText(report, archive, store);
  EXPECT_EQ(status, text::kUnpackFileHeld + platform::PathToUtf8(held));
  hold.Release();
  // As before the update: the new song taken out, the held one as it was, no work folders.
  EXPECT_EQ(ReadTextFile(held), "old1234");
  EXPECT_EQ(ReadTextFile(store / "K0000" / "00001.sgd"), "old1");
  EXPECT_FALSE(fs::exists(store / "K0000" / "00005.sgd"));
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_TRUE(e.path() == store || e.path() == archive) << e.path();
}

// The store check sets a damaged song aside once the program holding it lets go, and leaves
// it in place (said in the result) when it never does.
TEST_F(HeldSong, TheStoreCheckWaitsForAHeldDamagedSong) {
  test::WriteTextFile(held, "");  // empty: damaged with or without a manifest
  {
    HeldFile hold(held);
    ASSERT_TRUE(hold.held());
    platform::SetHeldFileRetryForTesting(std::chrono::seconds(20), [&](const fs::path&) {
      if (retries++ == 0) hold.SignalRelease();
    });
    const VerifyResult r = VerifyStore(dir.path(), store);
    ASSERT_EQ(r.damaged.size(), 1u);
    EXPECT_TRUE(r.damaged[0].setAside);
    EXPECT_GE(retries, 1);
    EXPECT_FALSE(fs::exists(held));
  }
  test::WriteTextFile(held, "");
  HeldFile hold(held);
  ASSERT_TRUE(hold.held());
  platform::SetHeldFileRetryForTesting(std::chrono::milliseconds(300), {});
  const VerifyResult r = VerifyStore(dir.path(), store);
  ASSERT_EQ(r.damaged.size(), 1u);
  EXPECT_FALSE(r.damaged[0].setAside);
  EXPECT_FALSE(r.AllSetAside());
  hold.Release();
  EXPECT_TRUE(fs::exists(held));
}

}  // namespace
}  // namespace orvik
