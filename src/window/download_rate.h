// Speed and time left of the package download, smoothed over the last few seconds so the
// figures do not jump with every block.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace orvik {

class DownloadRate {
 public:
  static constexpr double kWindowSeconds = 5.0;

  void Reset() { samples_.clear(); }
  // `received`: bytes so far (a resumed part included); `seconds`: a steady clock reading.
  void Add(std::uint64_t received, double seconds);
  // Bytes per second over the window; nothing before a second of samples.
  std::optional<double> BytesPerSecond() const;

 private:
  struct Sample {
    std::uint64_t received;
    double seconds;
  };
  std::deque<Sample> samples_;
};

// "26.41MB / 114.74MB (23%)", then "  1.8MB/s  남은 시간 0:49" when a speed is known.
// Under a cap (bytes per second, 0: none) the speed is at most the cap, is marked
// "  1.0MB/s (제한)", and the time left is reckoned at it.
std::string DownloadProgressText(std::uint64_t received, std::uint64_t total,
                                 std::optional<double> bytesPerSecond,
                                 std::uint64_t capBytesPerSecond = 0);

}  // namespace orvik
