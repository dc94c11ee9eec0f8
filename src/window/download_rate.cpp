#include "window/download_rate.h"

#include "core/user_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvik {

void DownloadRate::Add(std::uint64_t received, double seconds) {
  // A restarted transfer counts from its own start.
  if (!samples_.empty() && received < samples_.back().received) samples_.clear();
  samples_.push_back({received, seconds});
  // Keep one sample at or before the window's start, so the window stays full.
  while (samples_.size() > 2 && seconds - samples_[1].seconds >= kWindowSeconds)
    samples_.pop_front();
}

std::optional<double> DownloadRate::BytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const double span = samples_.back().seconds - samples_.front().seconds;
  if (span < 1.0) return std::nullopt;
  return static_cast<double>(samples_.back().received - samples_.front().received) / span;
}

std::string DownloadProgressText(std::uint64_t received, std::uint64_t total,
                                 std::optional<double> bytesPerSecond,
                                 std::uint64_t capBytesPerSecond) {
  constexpr double kMB = 1048576.0;
  const int percent = total == 0 ? 0 : static_cast<int>(received * 100 / total);
  char buf[160];
  int n = std::snprintf(buf, sizeof buf, "%.2fMB / %.2fMB (%d%%)", received / kMB, total / kMB,
                        percent);
  const double cap = static_cast<double>(capBytesPerSecond);
  if (cap > 0) bytesPerSecond = bytesPerSecond ? std::min(*bytesPerSecond, cap) : cap;
  if (bytesPerSecond && *bytesPerSecond > 0 && received < total) {
    const double left = static_cast<double>(total - received) / *bytesPerSecond;
    const long long secs = std::llround(std::min(left, 359999.0));
    n += std::snprintf(buf + n, sizeof buf - n, "  %.1fMB/s%s  %s", *bytesPerSecond / kMB,
                       cap > 0 ? text::kRateCapped : "", text::kRemainingTime);
    if (secs >= 3600) {
      std::snprintf(buf + n, sizeof buf - n, "%lld:%02lld:%02lld", secs / 3600, secs / 60 % 60,
                    secs % 60);
    } else {
      std::snprintf(buf + n, sizeof buf - n, "%lld:%02lld", secs / 60, secs % 60);
    }
  }
  return buf;
}

}  // namespace orvik
