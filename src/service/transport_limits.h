// Bounds every exchange keeps, whatever the library underneath: a reply that drips or never
// ends cannot hold a worker or fill a disk. Both transports read them from here only.
#pragma once

#include <chrono>
#include <cstdint>

namespace orvik {

// A form reply; a removal list for a million songs must fit.
inline constexpr std::uint64_t kMaxFormReplyBytes = 32u * 1024 * 1024;
// A banner picture (or event page) fetched with DownloadFile.
inline constexpr std::uint64_t kMaxDownloadFileBytes = 8u * 1024 * 1024;
// Whole form requests and pictures; the package download has its own, longer one.
inline constexpr std::chrono::seconds kRequestDeadline{120};
// A package may take long on a slow line, but not for ever.
inline constexpr std::chrono::hours kFetchDeadline{6};

inline constexpr std::chrono::milliseconds kConnectTimeout{15000};
// A transfer that moves less than its floor over this window is given up.
inline constexpr std::chrono::seconds kLowSpeedWindow{60};
// The floor of every exchange: nothing at all for a whole window.
inline constexpr std::uint64_t kLowSpeedBytesPerSecond = 1;
// The package's floor: a reply that drips a few bytes a second is given up after a window.
inline constexpr std::uint64_t kFetchLowSpeedBytesPerSecond = 1024;
inline constexpr long kMaxRedirects = 5;

// The name the package service knows the launcher's downloads by.
inline constexpr const char* kPackageUserAgent = "HTTPS Download";

}  // namespace orvik
