// The opening hours' speed cap on the package download, from setting.env to the progress the
// window is given.
#include <gtest/gtest.h>

#include "core/log.h"
#include "engine_fixture.h"

namespace orvik::test {
namespace {

using UpdateRateCapTest = EngineTest;

TEST_F(UpdateRateCapTest, TheCapOfTheHoursReachesTheDownloadAndItsProgress) {
  std::mutex logMutex;
  std::vector<std::string> logged;
  logging::SetListener([&](logging::Level, const std::string& line) {
    std::lock_guard lock(logMutex);
    logged.push_back(line);
  });
  // Open all day, with a cap far above what a test package needs to come quickly.
  state_.settings.Set("network.openHours", "00:00-24:00");
  state_.settings.Set("network.maxRate", "500000");
  ReachReady();
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  logging::SetListener({});
  const auto progress = events_.Of("progress");
  ASSERT_FALSE(progress.empty());
  for (const auto& e : progress) EXPECT_EQ(e.text, std::to_string(500000u * 1024));
  bool said = false;
  for (const auto& line : logged)
    said = said || line.find("speed cap: 00:00-00:00, 500000 KB/s") != std::string::npos;
  EXPECT_TRUE(said);
}

TEST_F(UpdateRateCapTest, AZeroCapLeavesTheDownloadFree) {
  state_.settings.Set("network.openHours", "00:00-00:00");
  state_.settings.Set("network.maxRate", "0");  // a cap of 0 is none
  ReachReady();
  EXPECT_EQ(PressUpdate(), PressEnd::Finished);
  const auto progress = events_.Of("progress");
  ASSERT_FALSE(progress.empty());
  for (const auto& e : progress) EXPECT_EQ(e.text, "0");
}

}  // namespace
}  // namespace orvik::test
