// What the launcher keeps about a package and its owed result holds whatever the service
// sends, and a record file that cannot be read never makes the same package come back.
#include <gtest/gtest.h>

#include "core/user_texts.h"
#include "engine_fixture.h"
#include "update/package_sidecar.h"
#include "update/pending_result.h"

namespace fs = std::filesystem;

namespace orvik::test {
namespace {

const std::string kOddCode = "U-1\nsecond line\r\\n\x01 end";

TEST(PackageSidecar, AnyCodeTheServiceSendsComesBackAsItself) {
  TempDir dir;
  const fs::path archive = dir / "1234567890.zip";
  PackageSidecar s{"https://host/p?a=1\\b", kOddCode, "\"etag\nx\"", "Mon, 07 Dec 2026", 42};
  ASSERT_TRUE(WriteSidecar(archive, s));
  const auto back = ReadSidecar(archive);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->url, s.url);
  EXPECT_EQ(back->updateCode, kOddCode);
  EXPECT_EQ(back->etag, s.etag);
  EXPECT_EQ(back->length, 42u);

  // One written before values were escaped reads as it was written.
  WriteTextFile(SidecarPathFor(archive),
                "url https://host/p\\x\ncode U7\\n\netag \"e\"\nmodified m\nlength 9\n");
  const auto old = ReadSidecar(archive);
  ASSERT_TRUE(old);
  EXPECT_EQ(old->url, "https://host/p\\x");
  EXPECT_EQ(old->updateCode, "U7\\n");
  EXPECT_EQ(old->length, 9u);
}

TEST(PendingResults, AnyCodeIsOwedAsItselfAndOldFilesStillRead) {
  TempDir dir;
  ASSERT_TRUE(AddPendingResult(dir.path(), kOddCode));
  ASSERT_TRUE(AddPendingResult(dir.path(), "U2"));
  ASSERT_TRUE(AddPendingResult(dir.path(), kOddCode));  // once, however often
  EXPECT_EQ(ReadPendingResults(dir.path()),
            (std::vector<PendingResult>{{kOddCode, false}, {"U2", false}}));

  WriteTextFile(PendingResultPath(dir.path()), "pending U1\nsending U\\2\npending U3");
  EXPECT_EQ(ReadPendingResults(dir.path()),
            (std::vector<PendingResult>{{"U1", false}, {"U\\2", true}}));  // torn U3 dropped
}

TEST(PendingResults, AnUnreadableFileIsSetAsideOnceAndResultsAreOwedAgain) {
  TempDir dir;
  const fs::path file = PendingResultPath(dir.path());
  fs::create_directories(file / "inside");  // a folder in its place
  const auto said = SetAsideUnreadablePendingResults(dir.path());
  ASSERT_TRUE(said);
  EXPECT_EQ(said->rfind(text::kPendingResultsUnreadable, 0), 0u);
  EXPECT_FALSE(SetAsideUnreadablePendingResults(dir.path()));  // said once
  EXPECT_TRUE(fs::is_directory(fs::path(file) += ".unreadable"));

  // Found while recording a result: set aside there, and the result is owed.
  fs::create_directories(file / "inside");
  EXPECT_TRUE(ReadPendingResults(dir.path()).empty());
  fs::create_directories(file / "inside");
  ASSERT_TRUE(AddPendingResult(dir.path(), "U1"));
  EXPECT_EQ(ReadPendingResults(dir.path()), (std::vector<PendingResult>{{"U1", false}}));
}

class UnreadableResultsTest : public EngineTest {};

// The installed package's result goes, and the package is not offered (and installed) again
// at every start.
TEST_F(UnreadableResultsTest, AFolderInPlaceOfTheOwedResultsDoesNotBringThePackageBack) {
  fs::create_directories(PendingResultPath(module_) / "inside");
  ReachReady();
  const std::string code = service_->LastUpdateCode();
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  EXPECT_EQ(service_->ReportedCount(code), 1);
  EXPECT_FALSE(fs::exists(Archive()));
  EXPECT_TRUE(fs::exists(fs::path(PendingResultPath(module_)) += ".unreadable"));
  for (int run = 0; run < 2; ++run) {
    Restart();
    EXPECT_TRUE(events_.Questions().empty());
    EXPECT_EQ(service_->ReportedCount(code), 1);
  }
}

}  // namespace
}  // namespace orvik::test
