// orvik --verify, and the check after --sync --verify: the store check on the console. The
// caller holds the module folder's lock (no update moves files meanwhile).
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "update/store_verify.h"

namespace orvik {

inline constexpr int kVerifySound = 0;
inline constexpr int kVerifyDamaged = 1;  // damaged songs found (and set aside), or no store

using VerifyLine = std::function<void(const std::string&)>;

// Finishes an interrupted update first (its staged songs are not damage), then checks the
// configured song store. `progress` (null: not a terminal) gets a line rewritten in place.
int RunVerify(const std::filesystem::path& moduleDir, const VerifyLine& out, const VerifyLine& err,
              const VerifyLine& progress);

// "검사 1,234 / 5,678곡, 12.3 MB/s, 남은 시간 1:02" for the console and the progress dialog.
std::string VerifyProgressText(const VerifyProgress& progress, double seconds);

}  // namespace orvik
