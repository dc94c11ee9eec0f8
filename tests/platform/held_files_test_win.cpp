// Renames and removals wait out another program's hold on a file, up to their limit.
#include "platform/held_files.h"

#include <gtest/gtest.h>

#include "helpers/held_file.h"
#include "support/temp_dir.h"

namespace orvik::platform {
namespace {

namespace fs = std::filesystem;
using test::HeldFile;
using test::ReadTextFile;
using test::TempDir;
using test::WriteTextFile;

class HeldFiles : public ::testing::Test {
 protected:
  void SetUp() override { WriteTextFile(song, "song"); }
  void TearDown() override { SetHeldFileRetryForTesting({}, {}); }

  TempDir dir;
  fs::path song = dir / "00001.sgd";
  int retries = 0;
};

TEST_F(HeldFiles, AHoldThatEndsInTimeOnlyDelaysTheMoveAndRemoval) {
  {
    HeldFile hold(song);
    ASSERT_TRUE(hold.held());
    SetHeldFileRetryForTesting(std::chrono::seconds(20), [&](const fs::path& file) {
      EXPECT_EQ(file, song);
      if (retries++ == 0) hold.SignalRelease();
    });
    EXPECT_EQ(MoveReplacing(song, dir / "moved.sgd"), MoveOutcome::Ok);
  }
  EXPECT_GE(retries, 1);
  EXPECT_EQ(ReadTextFile(dir / "moved.sgd"), "song");
  EXPECT_FALSE(fs::exists(song));

  retries = 0;
  HeldFile hold(dir / "moved.sgd");
  ASSERT_TRUE(hold.held());
  SetHeldFileRetryForTesting(std::chrono::seconds(20), [&](const fs::path&) {
    if (retries++ == 0) hold.SignalRelease();
  });
  bool held = true;
  EXPECT_TRUE(RemoveFileRetrying(dir / "moved.sgd", &held));  // (the hook releases it)
  EXPECT_FALSE(held);
  EXPECT_GE(retries, 1);
  EXPECT_FALSE(fs::exists(dir / "moved.sgd"));
}

TEST_F(HeldFiles, AHoldPastTheLimitIsReportedAsHeldAndChangesNothing) {
  HeldFile hold(song);
  ASSERT_TRUE(hold.held());
  SetHeldFileRetryForTesting(std::chrono::milliseconds(200), [&](const fs::path&) { ++retries; });
  WriteTextFile(dir / "new.sgd", "new");
  EXPECT_EQ(MoveReplacing(song, dir / "moved.sgd"), MoveOutcome::Held);
  EXPECT_EQ(MoveReplacing(dir / "new.sgd", song), MoveOutcome::Held);  // held as the target
  EXPECT_EQ(CopyReplacing(dir / "new.sgd", song), MoveOutcome::Held);
  bool held = false;
  EXPECT_FALSE(RemoveFileRetrying(song, &held));
  EXPECT_TRUE(held);
  EXPECT_GT(retries, 3);
  hold.Release();
  EXPECT_EQ(ReadTextFile(song), "song");
  EXPECT_EQ(ReadTextFile(dir / "new.sgd"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(HeldFiles, OtherFailuresAreNotRetried) {
  SetHeldFileRetryForTesting(std::chrono::seconds(20), [&](const fs::path&) { ++retries; });
  EXPECT_EQ(MoveReplacing(dir / "none.sgd", dir / "x.sgd"), MoveOutcome::Failed);
  EXPECT_EQ(RenameReplacing(song, dir / "no folder" / "x.sgd"), RenameOutcome::Failed);
  EXPECT_TRUE(RemoveFileRetrying(dir / "none.sgd"));  // already gone
  EXPECT_EQ(retries, 0);
}

}  // namespace
}  // namespace orvik::platform
