#include "service/rate_limiter.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/settings_table.h"
#include "service/service_fixture.h"

namespace orvik {
namespace {

constexpr std::uint64_t kKB = 1024;

// Time moves only when the limiter pauses or a test says the line took it.
struct FakeTime {
  double now = 100.0;
  std::vector<double> pauses;
  std::stop_source* stopDuringPause = nullptr;  // asked to stop on the next pause

  RateLimiter Limiter(RateLimiter::CapSource cap) {
    return RateLimiter(
        std::move(cap), [this] { return now; },
        [this](double seconds, std::stop_token stop) {
          pauses.push_back(seconds);
          if (stopDuringPause) stopDuringPause->request_stop();
          if (stop.stop_requested()) return false;
          now += seconds;
          return true;
        });
  }
};

TEST(RateLimiter, HoldsTheTransferToTheCapAfterOneBurst) {
  FakeTime time;
  RateLimiter limiter = time.Limiter([] { return 100 * kKB; });
  const double start = time.now;
  // 2 MB over a line much faster than the cap, in 16 KB blocks.
  for (int i = 0; i < 128; ++i) ASSERT_TRUE(limiter.Received(16 * kKB, {}));
  const double burst = 100 * kKB * RateLimiter::kBurstSeconds;
  EXPECT_NEAR(time.now - start, (2048 * kKB - burst) / (100 * kKB), 1e-6);
  EXPECT_EQ(limiter.CurrentCap(), 100 * kKB);

  // A block that arrives after a quiet spell finds the bucket full again, but no fuller.
  time.now += 60;
  time.pauses.clear();
  ASSERT_TRUE(limiter.Received(static_cast<std::size_t>(burst), {}));
  EXPECT_TRUE(time.pauses.empty());
  ASSERT_TRUE(limiter.Received(1, {}));
  EXPECT_EQ(time.pauses.size(), 1u);
}

TEST(RateLimiter, WithoutACapNothingWaitsAndTinyCapsAreRaised) {
  FakeTime time;
  RateLimiter free = time.Limiter([] { return 0; });
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(free.Received(1 << 20, {}));
  EXPECT_TRUE(time.pauses.empty());
  EXPECT_EQ(free.CurrentCap(), 0u);

  // 1 KB/s would trip the transports' low-speed rule; a large block pauses in short steps.
  RateLimiter tiny = time.Limiter([] { return 1 * kKB; });
  EXPECT_EQ(tiny.CurrentCap(), RateLimiter::kMinCapBytesPerSecond);  // known before a block
  ASSERT_TRUE(tiny.Received(64 * kKB, {}));
  EXPECT_EQ(tiny.CurrentCap(), RateLimiter::kMinCapBytesPerSecond);
  for (double p : time.pauses) EXPECT_LE(p, RateLimiter::kMaxPauseSeconds);
  EXPECT_GT(time.pauses.size(), 10u);
}

TEST(RateLimiter, FollowsTheCapWhenTheHoursBeginOrEnd) {
  FakeTime time;
  const double opens = time.now + 5;
  std::uint64_t capNow = 0;
  RateLimiter limiter = time.Limiter([&] { return time.now < opens ? 0 : capNow; });
  capNow = 200 * kKB;
  // A 10 MB/s line: each 16 KB block takes 1.6 ms to come.
  std::uint64_t afterOpening = 0;
  while (time.now < opens + 10) {
    time.now += 16.0 / (10 * 1024);
    ASSERT_TRUE(limiter.Received(16 * kKB, {}));
    if (time.now >= opens + RateLimiter::kCapRecheckSeconds) afterOpening += 16 * kKB;
  }
  const double cappedSeconds = 10 - RateLimiter::kCapRecheckSeconds;
  EXPECT_NEAR(static_cast<double>(afterOpening), cappedSeconds * 200 * kKB, 40 * kKB);

  // The hours end while a large block is owed: the transfer goes on within the recheck.
  FakeTime later;
  const double closes = later.now + 0.2;
  RateLimiter ending = later.Limiter([&] { return later.now < closes ? 8 * kKB : 0; });
  const double start = later.now;
  ASSERT_TRUE(ending.Received(4 << 20, {}));  // 512 s at the cap
  EXPECT_LE(later.now - start, RateLimiter::kCapRecheckSeconds + RateLimiter::kMaxPauseSeconds);
  EXPECT_EQ(ending.CurrentCap(), 0u);
}

TEST(RateLimiter, AStopEndsTheHoldAtOnce) {
  FakeTime time;
  std::stop_source stop;
  time.stopDuringPause = &stop;
  RateLimiter limiter = time.Limiter([] { return 8 * kKB; });
  EXPECT_FALSE(limiter.Received(1 << 20, stop.get_token()));
  EXPECT_EQ(time.pauses.size(), 1u);
  EXPECT_FALSE(limiter.Received(1, stop.get_token()));  // already stopped: no pause at all
  EXPECT_EQ(time.pauses.size(), 1u);

  // The real pause wakes on the stop, however long it was meant to be.
  std::stop_source real;
  std::mutex mutex;
  std::condition_variable entered;
  bool pausing = false;
  bool result = true;
  std::thread holder([&] {
    {
      std::lock_guard lock(mutex);
      pausing = true;
    }
    entered.notify_one();
    result = RateLimiter::PauseUnlessStopped(1e6, real.get_token());
  });
  {
    std::unique_lock lock(mutex);
    entered.wait(lock, [&] { return pausing; });
  }
  real.request_stop();
  holder.join();
  EXPECT_FALSE(result);
  EXPECT_TRUE(RateLimiter::PauseUnlessStopped(0.001, {}));
}

TEST(RateSchedule, ReadsTheHoursAndTheCapFromTheSettings) {
  const auto hours = ParseOpenHours(" 9:30 - 24:00 ");
  ASSERT_TRUE(hours);
  EXPECT_EQ(hours->startMinute, 9 * 60 + 30);
  EXPECT_EQ(hours->endMinute, 0);  // midnight
  for (const char* bad : {"", "18:00", "18:00-", "25:00-02:00", "18:60-02:00", "18-02",
                          "18:00-02:00x", "-1:00-02:00", "24:00-02:00", "18:000-02:00"}) {
    EXPECT_FALSE(ParseOpenHours(bad)) << bad;
  }

  SettingsTable settings;
  settings.Parse("[network]\nopenHours=18:00-02:00\nmaxRate=2000\n");
  const RateSchedule schedule = RateScheduleFromSettings(settings);
  EXPECT_EQ(schedule.maxBytesPerSecond, 2000 * kKB);
  EXPECT_EQ(DescribeSchedule(schedule), "18:00-02:00, 2000 KB/s");

  // No cap: maxRate 0, missing or not a number, or hours that cannot be read.
  for (const char* text :
       {"[network]\nopenHours=18:00-02:00\nmaxRate=0\n", "[network]\nopenHours=18:00-02:00\n",
        "[network]\nopenHours=18:00-02:00\nmaxRate=fast\n",
        "[network]\nopenHours=evening\nmaxRate=500\n", "[network]\nmaxRate=500\n"}) {
    SettingsTable s;
    s.Parse(text);
    const RateSchedule none = RateScheduleFromSettings(s);
    for (int m = 0; m < 24 * 60; m += 30) EXPECT_EQ(CapAt(none, m), 0u) << text << " " << m;
    EXPECT_EQ(DescribeSchedule(none), "none");
  }
}

TEST(RateSchedule, CapsInsideTheHoursAlsoAcrossMidnight) {
  RateSchedule evening = *ParseOpenHours("18:00-02:00");
  evening.maxBytesPerSecond = 500 * kKB;
  EXPECT_EQ(CapAt(evening, 17 * 60 + 59), 0u);
  EXPECT_EQ(CapAt(evening, 18 * 60), 500 * kKB);
  EXPECT_EQ(CapAt(evening, 23 * 60 + 59), 500 * kKB);
  EXPECT_EQ(CapAt(evening, 0), 500 * kKB);
  EXPECT_EQ(CapAt(evening, 1 * 60 + 59), 500 * kKB);
  EXPECT_EQ(CapAt(evening, 2 * 60), 0u);
  EXPECT_EQ(CapAt(evening, 12 * 60), 0u);

  RateSchedule day = *ParseOpenHours("10:00-22:00");
  day.maxBytesPerSecond = 1;
  EXPECT_EQ(CapAt(day, 9 * 60 + 59), 0u);
  EXPECT_EQ(CapAt(day, 10 * 60), 1u);
  EXPECT_EQ(CapAt(day, 22 * 60), 0u);

  // Equal ends, or midnight to midnight: open all day.
  for (const char* allDay : {"00:00-24:00", "11:00-11:00"}) {
    RateSchedule always = *ParseOpenHours(allDay);
    always.maxBytesPerSecond = 7;
    for (int m = 0; m < 24 * 60; m += 7) EXPECT_EQ(CapAt(always, m), 7u) << allDay << " " << m;
  }
}

// Both transports hand every received block to the limiter, and a stop during its hold
// ends the transfer.
class RateLimitedFetch : public test::ServiceTest {};

TEST_F(RateLimitedFetch, EveryBlockIsCountedAndAStopInTheHoldEndsTheTransfer) {
  constexpr std::size_t kSize = 3u << 20;
  test::WriteTextFile(BannerPictures() / "big.bin", std::string(kSize, 'q'));
  const std::string url = Service().BaseUrl() + "/banners/big.bin";

  FakeTime time;
  RateLimiter limiter([] { return 1000 * kKB; }, [&] { return time.now; },
                      [&](double seconds, std::stop_token) { return time.now += seconds, true; });
  std::uint64_t body = 0;
  FetchRequest request{.url = url,
                       .onBody = [&](std::string_view b) { return body += b.size(), true; },
                       .limiter = &limiter};
  auto result = transport_->Fetch(request);
  ASSERT_TRUE(result.transportOk) << result.error;
  EXPECT_EQ(body, kSize);
  // 3 MB at 1000 KB/s, less the first burst, went by on the limiter's clock.
  EXPECT_NEAR(time.now - 100.0, (kSize - 100.0 * kKB) / (1000 * kKB), 0.01);

  std::stop_source stop;
  int pauses = 0;
  RateLimiter stopping([] { return 8 * kKB; }, [] { return 0.0; },
                       [&](double, std::stop_token token) {
                         ++pauses;
                         stop.request_stop();
                         return !token.stop_requested();
                       });
  body = 0;
  FetchRequest stopped{.url = url,
                       .onBody = [&](std::string_view b) { return body += b.size(), true; },
                       .stop = stop.get_token(),
                       .limiter = &stopping};
  result = transport_->Fetch(stopped);
  EXPECT_TRUE(result.aborted);
  EXPECT_FALSE(result.transportOk);
  EXPECT_EQ(pauses, 1);
  EXPECT_LT(body, kSize);
}

}  // namespace
}  // namespace orvik
