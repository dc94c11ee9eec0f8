#include <windows.h>

#include <mutex>
#include <thread>

#include "platform/held_files.h"

namespace orvik::platform {
namespace {

constexpr std::chrono::milliseconds kDefaultLimit{10000};
constexpr std::chrono::milliseconds kFirstPause{20};
constexpr std::chrono::milliseconds kLongestPause{500};

std::mutex g_mutex;
std::chrono::milliseconds g_limit = kDefaultLimit;
std::function<void(const std::filesystem::path&)> g_onRetry;

bool IsHeldError(DWORD error, const std::filesystem::path& file) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  // A file opened for deletion by a scanner denies access while it exists; a missing
  // file or a folder's access list is not a matter of waiting.
  if (error != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = ::GetFileAttributesW(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

unsigned long RetryWhileHeld(const std::filesystem::path& file,
                             const std::function<unsigned long()>& attempt, bool* held) {
  std::chrono::milliseconds limit;
  std::function<void(const std::filesystem::path&)> onRetry;
  {
    std::lock_guard lock(g_mutex);
    limit = g_limit;
    onRetry = g_onRetry;
  }
  const auto end = std::chrono::steady_clock::now() + limit;
  auto pause = kFirstPause;
  for (;;) {
    const unsigned long error = attempt();
    const bool isHeld = error != 0 && IsHeldError(error, file);
    if (!isHeld || std::chrono::steady_clock::now() >= end) {
      if (held) *held = isHeld;
      return error;
    }
    if (onRetry) onRetry(file);
    // Another program's handle gives no signal when it closes: polling is all there is.
    std::this_thread::sleep_for(std::min(pause, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                    end - std::chrono::steady_clock::now())));
    pause = std::min(pause * 2, kLongestPause);
  }
}

RenameOutcome RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  bool held = false;
  // The source is the file a scanner holds in nearly every case; the target is checked too.
  const unsigned long error = RetryWhileHeld(
      from,
      [&]() -> unsigned long {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
          return 0;
        const DWORD e = ::GetLastError();
        // Access denied by a held target: count it as the source's.
        if (e == ERROR_ACCESS_DENIED && IsHeldError(e, to)) return ERROR_SHARING_VIOLATION;
        return e;
      },
      &held);
  if (error == 0) return RenameOutcome::Ok;
  if (held) return RenameOutcome::Held;
  if (error == ERROR_NOT_SAME_DEVICE) return RenameOutcome::OtherVolume;
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return RenameOutcome::NoSpace;
  return RenameOutcome::Failed;
}

bool RemoveFileRetrying(const std::filesystem::path& file, bool* held) {
  const unsigned long error = RetryWhileHeld(
      file,
      [&]() -> unsigned long {
        if (::DeleteFileW(file.c_str())) return 0;
        const DWORD e = ::GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? 0 : e;
      },
      held);
  return error == 0;
}

void SetHeldFileRetryForTesting(std::chrono::milliseconds limit,
                                std::function<void(const std::filesystem::path&)> onRetry) {
  std::lock_guard lock(g_mutex);
  g_limit = limit.count() > 0 ? limit : kDefaultLimit;
  g_onRetry = std::move(onRetry);
}

}  // namespace orvik::platform
