#include <windows.h>

#include <atomic>
#include <string>

#include "platform/durable_files.h"
#include "platform/held_files.h"

namespace orvik::platform {
namespace {

MoveOutcome FromError(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? MoveOutcome::NoSpace
                                                                     : MoveOutcome::Failed;
}

// A name beside `to` that no other copy of this process uses; the leading dot keeps it out
// of song listings.
std::filesystem::path TemporaryBeside(const std::filesystem::path& to) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temp = to.parent_path();
  temp /= L"." + to.filename().native() + L".orvik" + std::to_wstring(::GetCurrentProcessId()) +
          L"-" + std::to_wstring(counter++);
  return temp;
}

struct Handle {
  HANDLE h;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

DWORD CopyBytes(HANDLE in, HANDLE out) {
  static thread_local char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in, buffer, sizeof buffer, &got, nullptr)) return ::GetLastError();
    if (got == 0) return 0;
    for (DWORD done = 0; done < got;) {
      DWORD put = 0;
      if (!::WriteFile(out, buffer + done, got - done, &put, nullptr)) return ::GetLastError();
      done += put;
    }
  }
}

}  // namespace

MoveOutcome CopyReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  const auto temp = TemporaryBeside(to);
  DWORD error = 0;
  {
    Handle in{INVALID_HANDLE_VALUE};
    bool held = false;
    RetryWhileHeld(
        from,
        [&]() -> unsigned long {
          in.h = ::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
          return in.h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
        },
        &held);
    if (in.h == INVALID_HANDLE_VALUE) return held ? MoveOutcome::Held : MoveOutcome::Failed;
    Handle out{::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (out.h == INVALID_HANDLE_VALUE) return FromError(::GetLastError());
    error = CopyBytes(in.h, out.h);
    if (error == 0 && !::FlushFileBuffers(out.h)) error = ::GetLastError();
  }
  if (error != 0) {
    ::DeleteFileW(temp.c_str());
    return FromError(error);
  }
  // The target may be the file a player is reading.
  const RenameOutcome renamed = RenameReplacing(temp, to);
  if (renamed == RenameOutcome::Ok) return MoveOutcome::Ok;
  ::DeleteFileW(temp.c_str());
  return renamed == RenameOutcome::Held      ? MoveOutcome::Held
         : renamed == RenameOutcome::NoSpace ? MoveOutcome::NoSpace
                                             : MoveOutcome::Failed;
}

MoveOutcome MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without MOVEFILE_COPY_ALLOWED a move across volumes fails instead of copying in place.
  switch (RenameReplacing(from, to)) {
    case RenameOutcome::Ok:
      return MoveOutcome::Ok;
    case RenameOutcome::Held:
      return MoveOutcome::Held;
    case RenameOutcome::NoSpace:
      return MoveOutcome::NoSpace;
    case RenameOutcome::Failed:
      return MoveOutcome::Failed;
    case RenameOutcome::OtherVolume:
      break;
  }
  const MoveOutcome copied = CopyReplacing(from, to);
  if (copied == MoveOutcome::Ok) RemoveFileRetrying(from);
  return copied;
}

bool SyncFolder(const std::filesystem::path& folder) {
  // A folder opens only with backup semantics; flushing it needs write access, which an
  // ordinary user may lack: the write-through renames are on disk already, so that is fine.
  Handle dir{::CreateFileW(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (dir.h == INVALID_HANDLE_VALUE) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  return ::FlushFileBuffers(dir.h) || ::GetLastError() == ERROR_ACCESS_DENIED ||
         ::GetLastError() == ERROR_INVALID_FUNCTION;
}

}  // namespace orvik::platform
