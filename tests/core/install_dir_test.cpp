#include "core/install_dir.h"

#include <gtest/gtest.h>

namespace orvik {
namespace {

TEST(InstallDir, ValueUpToTheQueryBufferIsTakenWholeElseTheDefault) {
  EXPECT_EQ(InstallDirFromValue(std::nullopt), "c:\\TunovaNew");
  EXPECT_EQ(InstallDirFromValue("/opt/tunova"), "/opt/tunova");
  EXPECT_EQ(InstallDirFromValue(""), "");  // present but empty: the change of folder fails
  const std::string longest(2047, 'd');
  EXPECT_EQ(InstallDirFromValue(longest), longest);
  EXPECT_EQ(InstallDirFromValue(longest + "d"), "c:\\TunovaNew");
}

}  // namespace
}  // namespace orvik
