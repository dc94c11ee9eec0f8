#include "core/client_id.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvik {
namespace {

bool IsGuidText(const std::string& s) {
  return s.size() == 32 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST(ClientId, FirstStartCreatesTheFileSecondStartReadsItUntouched) {
  test::TempDir dir;
  const std::string first = LoadClientId(dir.path());
  EXPECT_TRUE(IsGuidText(first)) << first;
  EXPECT_EQ(test::ReadTextFile(dir / "data.r4x"), first);  // no line end, no terminator

  const auto before = std::filesystem::last_write_time(dir / "data.r4x");
  EXPECT_EQ(LoadClientId(dir.path()), first);
  EXPECT_EQ(std::filesystem::last_write_time(dir / "data.r4x"), before);
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().filename(), "data.r4x");  // no temporary left
}

TEST(ClientId, StoredBytesAreTakenAsTheyAre) {
  test::TempDir dir;
  test::WriteTextFile(dir / "data.r4x", "abc-Id\r\n");
  EXPECT_EQ(LoadClientId(dir.path()), "abc-Id\r\n");

  test::WriteTextFile(dir / "data.r4x", std::string("ID\0tail", 7));
  EXPECT_EQ(LoadClientId(dir.path()), "ID");
  EXPECT_EQ(test::ReadTextFile(dir / "data.r4x").size(), 7u);
}

TEST(ClientId, EmptyFileGivesEmptyIdAndIsNotRewritten) {
  test::TempDir dir;
  test::WriteTextFile(dir / "data.r4x", "");
  EXPECT_EQ(LoadClientId(dir.path()), "");
  EXPECT_EQ(std::filesystem::file_size(dir / "data.r4x"), 0u);
}

// No identifier is invented when none can be read or kept: a new one at every start would
// be a new device to the service each time.
TEST(ClientId, AnIdThatCannotBeReadOrStoredIsNoneAndSaysWhy) {
  test::TempDir dir;
  test::WriteTextFile(dir / "plain-file", "x");
  ClientIdProblem problem = ClientIdProblem::None;
  EXPECT_EQ(LoadClientId(dir / "plain-file", &problem), "");  // its "folder" is a file
  EXPECT_EQ(problem, ClientIdProblem::CannotStore);
  EXPECT_EQ(test::ReadTextFile(dir / "plain-file"), "x");

  std::filesystem::create_directory(dir / "data.r4x");
  test::WriteTextFile(dir / "data.r4x" / "keep", "k");
  EXPECT_EQ(LoadClientId(dir.path(), &problem), "");
  EXPECT_EQ(problem, ClientIdProblem::Unreadable);
  EXPECT_EQ(test::ReadTextFile(dir / "data.r4x" / "keep"), "k");
}

}  // namespace
}  // namespace orvik
