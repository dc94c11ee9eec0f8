#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/held_files.h"

namespace orvik::platform {

// An open file never blocks a rename or removal here: one attempt says it all.
unsigned long RetryWhileHeld(const std::filesystem::path&,
                             const std::function<unsigned long()>& attempt, bool* held) {
  if (held) *held = false;
  return attempt();
}

RenameOutcome RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return RenameOutcome::Ok;
  switch (errno) {
    case EXDEV:
      return RenameOutcome::OtherVolume;
    case ENOSPC:
    case EDQUOT:
      return RenameOutcome::NoSpace;
    default:
      return RenameOutcome::Failed;
  }
}

bool RemoveFileRetrying(const std::filesystem::path& file, bool* held) {
  if (held) *held = false;
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return !ec;
}

void SetHeldFileRetryForTesting(std::chrono::milliseconds,
                                std::function<void(const std::filesystem::path&)>) {}

}  // namespace orvik::platform
