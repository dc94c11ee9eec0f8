#include "platform/module_dir.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvik::platform
