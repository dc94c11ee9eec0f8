#include <gtest/gtest.h>

#include "window/download_rate.h"

namespace orvik {
namespace {

constexpr std::uint64_t kMB = 1048576;

TEST(DownloadProgressTextUnderACap, MarksTheCapAndCountsTheTimeLeftAtIt) {
  // The line measures faster than the cap for a moment (the first burst): the cap counts.
  EXPECT_EQ(DownloadProgressText(10 * kMB, 70 * kMB, 3.0 * kMB, 1000 * 1024),
            "10.00MB / 70.00MB (14%)  1.0MB/s (제한)  남은 시간 1:01");
  // Before a second of samples the cap alone gives the figures.
  EXPECT_EQ(DownloadProgressText(0, 120 * kMB, std::nullopt, 2 * kMB),
            "0.00MB / 120.00MB (0%)  2.0MB/s (제한)  남은 시간 1:00");
  // A line slower than the cap: its own speed and time, still marked as capped.
  EXPECT_EQ(DownloadProgressText(0, 60 * kMB, 0.5 * kMB, 2 * kMB),
            "0.00MB / 60.00MB (0%)  0.5MB/s (제한)  남은 시간 2:00");
  // No cap: as before.
  EXPECT_EQ(DownloadProgressText(0, 60 * kMB, 0.5 * kMB, 0),
            "0.00MB / 60.00MB (0%)  0.5MB/s  남은 시간 2:00");
  EXPECT_EQ(DownloadProgressText(5 * kMB, 5 * kMB, 1.0 * kMB, kMB), "5.00MB / 5.00MB (100%)");
}

}  // namespace
}  // namespace orvik
