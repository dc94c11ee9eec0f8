#include "platform/module_dir.h"

#include <gtest/gtest.h>

namespace orvik::platform {
namespace {

TEST(ModuleDirectory, IsTheFolderOfThisExecutable) {
  const auto dir = GetModuleDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_TRUE(dir.is_absolute());
  EXPECT_TRUE(std::filesystem::exists(dir / "test_platform"));
}

}  // namespace
}  // namespace orvik::platform
