#include "service/rate_limiter.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "core/launcher_settings.h"
#include "core/settings_table.h"
#include "platform/local_time.h"

namespace orvik {
namespace {

constexpr int kMinutesPerDay = 24 * 60;

// "HH:MM" with one or two hour digits and two minute digits; 24:00 only when allowed.
std::optional<int> ParseClock(std::string_view s, bool allow24) {
  const auto colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || s.size() != colon + 3)
    return std::nullopt;
  int hours = 0, minutes = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i == colon) continue;
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    (i < colon ? hours : minutes) = (i < colon ? hours : minutes) * 10 + (s[i] - '0');
  }
  if (minutes > 59) return std::nullopt;
  if (hours == 24 && minutes == 0 && allow24) return kMinutesPerDay;
  if (hours > 23) return std::nullopt;
  return hours * 60 + minutes;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string ClockText(int minute) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minute / 60, minute % 60);
  return buf;
}

}  // namespace

std::optional<RateSchedule> ParseOpenHours(std::string_view text) {
  text = Trim(text);
  const auto dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto start = ParseClock(Trim(text.substr(0, dash)), false);
  const auto end = ParseClock(Trim(text.substr(dash + 1)), true);
  if (!start || !end) return std::nullopt;
  RateSchedule schedule;
  schedule.hasHours = true;
  schedule.startMinute = *start;
  schedule.endMinute = *end % kMinutesPerDay;
  return schedule;
}

RateSchedule RateScheduleFromSettings(const SettingsTable& settings) {
  auto schedule = ParseOpenHours(settings.Get("network.openHours"));
  if (!schedule) return {};
  const int kb = LeadingInteger(Trim(settings.Get("network.maxRate")));
  schedule->maxBytesPerSecond = kb > 0 ? static_cast<std::uint64_t>(kb) * 1024 : 0;
  return *schedule;
}

std::uint64_t CapAt(const RateSchedule& schedule, int minuteOfDay) {
  if (!schedule.hasHours || schedule.maxBytesPerSecond == 0) return 0;
  const int m = ((minuteOfDay % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
  const int start = schedule.startMinute, end = schedule.endMinute;
  bool inside;
  if (start == end)
    inside = true;  // "10:00-10:00", "00:00-24:00": all day
  else if (start < end)
    inside = m >= start && m < end;
  else
    inside = m >= start || m < end;  // across midnight
  return inside ? schedule.maxBytesPerSecond : 0;
}

std::string DescribeSchedule(const RateSchedule& schedule) {
  if (!schedule.hasHours || schedule.maxBytesPerSecond == 0) return "none";
  return ClockText(schedule.startMinute) + "-" + ClockText(schedule.endMinute) + ", " +
         std::to_string(schedule.maxBytesPerSecond / 1024) + " KB/s";
}

int LocalMinuteOfDay() {
  const std::tm local = platform::LocalTimeNow();
  return local.tm_hour * 60 + local.tm_min;
}

RateLimiter::CapSource ScheduledCap(const RateSchedule& schedule) {
  return [schedule] { return CapAt(schedule, LocalMinuteOfDay()); };
}

RateLimiter::RateLimiter(CapSource cap, Clock clock, Pause pause)
    : capSource_(std::move(cap)), clock_(std::move(clock)), pause_(std::move(pause)) {
  Refresh(clock_());  // the cap is known before the first block, for the progress line
}

double RateLimiter::SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool RateLimiter::PauseUnlessStopped(double seconds, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any never;
  std::unique_lock lock(mutex);
  never.wait_for(lock, stop, std::chrono::duration<double>(seconds), [] { return false; });
  return !stop.stop_requested();
}

// Asks for the cap when it is due and fills the bucket for the time gone by.
void RateLimiter::Refresh(double now) {
  if (!started_ || now - lastCapCheck_ >= kCapRecheckSeconds) {
    std::uint64_t cap = capSource_ ? capSource_() : 0;
    if (cap != 0) cap = std::max(cap, kMinCapBytesPerSecond);
    const std::uint64_t was = cap_.exchange(cap, std::memory_order_relaxed);
    if (!started_ || (was == 0 && cap != 0)) {
      tokens_ = static_cast<double>(cap) * kBurstSeconds;  // a fresh cap starts with a burst
      lastRefill_ = now;
    }
    started_ = true;
    lastCapCheck_ = now;
  }
  const double cap = static_cast<double>(cap_.load(std::memory_order_relaxed));
  if (cap == 0) {
    tokens_ = 0;
  } else {
    tokens_ = std::min(cap * kBurstSeconds, tokens_ + std::max(0.0, now - lastRefill_) * cap);
  }
  lastRefill_ = now;
}

bool RateLimiter::Received(std::size_t bytes, std::stop_token stop) {
  if (stop.stop_requested()) return false;
  Refresh(clock_());
  if (CurrentCap() == 0) return true;
  tokens_ -= static_cast<double>(bytes);
  // Less than a byte owed is paid: rounding must not leave a pause too short to move a clock.
  while (tokens_ <= -1.0) {
    const double cap = static_cast<double>(CurrentCap());
    if (cap == 0) break;  // the hours ended during the pause
    const double wait = std::min(-tokens_ / cap, kMaxPauseSeconds);
    if (!pause_(wait, stop)) return false;
    Refresh(clock_());
  }
  return true;
}

}  // namespace orvik
