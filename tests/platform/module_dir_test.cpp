#include "platform/module_dir.h"
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvik::platform {
namespace {

TEST(ModuleDirectory, IsTheFolderOfThisExecutable) {
  const auto dir = GetModuleDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(dir.is_absolute());
#ifdef _WIN32
  EXPECT_TRUE(std::filesystem::exists(dir / "test_platform.exe"));
#else
  EXPECT_TRUE(std::filesystem::exists(dir / "test_platform"));
#endif
}

// Two launchers in one folder: the second is refused until the first lets go, and taking
// the lock writes nothing into the folder.
TEST(ModuleFolderLock, OneHolderPerFolder) {
  test::TempDir dir, other;
  auto first = TryLockModuleFolder(dir.path());
  ASSERT_TRUE(first);
  EXPECT_FALSE(TryLockModuleFolder(dir.path()));
  EXPECT_TRUE(TryLockModuleFolder(other.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  first.reset();
  EXPECT_TRUE(TryLockModuleFolder(dir.path()));
}

}  // namespace
}  // namespace orvik::platform
