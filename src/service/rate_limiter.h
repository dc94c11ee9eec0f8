// The package download's speed cap during the shop's opening hours, so a large package does
// not take the one line from the front desk, the card terminal and the guests' Wi-Fi.
// Both transports count the bytes they really received here; libcurl's own receive limit
// lets HTTPS bodies through noticeably too fast.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace orvik {

class SettingsTable;

// [network] openHours=HH:MM-HH:MM and maxRate= (KB/s).
struct RateSchedule {
  bool hasHours = false;
  int startMinute = 0;                  // minute of the day the hours begin
  int endMinute = 0;                    // and end (not included); equal to the start: the whole day
  std::uint64_t maxBytesPerSecond = 0;  // 0: no cap
};

// Minutes of the day of "HH:MM-HH:MM" (24:00 allowed as an end); nothing when malformed.
std::optional<RateSchedule> ParseOpenHours(std::string_view text);
// A missing or malformed openHours, or maxRate 0 or missing: no cap at any time.
RateSchedule RateScheduleFromSettings(const SettingsTable& settings);
// The cap at a minute of the day (0-1439): the schedule's inside the hours, else 0 (none).
std::uint64_t CapAt(const RateSchedule& schedule, int minuteOfDay);
// "18:00-02:00, 2000 KB/s" for the log; "none" without a cap.
std::string DescribeSchedule(const RateSchedule& schedule);
// The computer's local time as a minute of the day.
int LocalMinuteOfDay();

// A token bucket over received bytes. Received() holds the receiving thread until the cap
// allows what came; the hold ends at once when the stop token is requested.
class RateLimiter {
 public:
  using CapSource = std::function<std::uint64_t()>;  // bytes per second now; 0: none
  using Clock = std::function<double()>;             // steady seconds
  // Waits up to `seconds`; false when `stop` ended the wait.
  using Pause = std::function<bool(double seconds, std::stop_token stop)>;

  // Most a burst may run ahead of the cap, in seconds of the cap.
  static constexpr double kBurstSeconds = 0.1;
  // How often the cap is asked again: a download that crosses the hours' boundary changes
  // its rate within this.
  static constexpr double kCapRecheckSeconds = 1.0;
  // Longest single pause, so a cap that is lifted meanwhile lets the transfer go soon.
  static constexpr double kMaxPauseSeconds = 0.5;
  // A cap below this is raised to it: the transports give up below about 1 KB/s.
  static constexpr std::uint64_t kMinCapBytesPerSecond = 8 * 1024;

  explicit RateLimiter(CapSource cap, Clock clock = SteadySeconds,
                       Pause pause = PauseUnlessStopped);

  // Counts `bytes` just received and waits until they fit under the cap. False when the
  // stop token ended the wait.
  bool Received(std::size_t bytes, std::stop_token stop);
  // The cap last applied (0: none); any thread may ask.
  std::uint64_t CurrentCap() const { return cap_.load(std::memory_order_relaxed); }

  static double SteadySeconds();
  static bool PauseUnlessStopped(double seconds, std::stop_token stop);

 private:
  void Refresh(double now);

  CapSource capSource_;
  Clock clock_;
  Pause pause_;
  std::atomic<std::uint64_t> cap_{0};
  bool started_ = false;
  double lastCapCheck_ = 0;
  double lastRefill_ = 0;
  double tokens_ = 0;  // bytes that may still come at once; negative: owed
};

// The cap source of a schedule, read from the local clock.
RateLimiter::CapSource ScheduledCap(const RateSchedule& schedule);

}  // namespace orvik
