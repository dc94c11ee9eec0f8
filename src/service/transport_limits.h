// Bounds every exchange keeps, whatever the library underneath: a reply that drips or never
// ends cannot hold a worker or fill a disk.
#pragma once

#include <chrono>
#include <cstdint>

namespace orvik {

// A form reply; a removal list for a million songs must fit.
inline constexpr std::uint64_t kMaxFormReplyBytes = 32u * 1024 * 1024;
// A banner picture (or event page) fetched with DownloadFile.
inline constexpr std::uint64_t kMaxDownloadFileBytes = 8u * 1024 * 1024;
// Whole form requests and pictures; the package download has none (low-speed rule only).
inline constexpr std::chrono::seconds kRequestDeadline{120};

}  // namespace orvik
