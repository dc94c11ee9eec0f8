#include <windows.h>

#include <atomic>
#include <string>

#include "platform/durable_files.h"

namespace orvik::platform {
namespace {

MoveOutcome FromLastError() {
  const DWORD error = ::GetLastError();
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? MoveOutcome::NoSpace
                                                                     : MoveOutcome::Failed;
}

// A name beside `to` that no other copy of this process uses; the leading dot keeps it out
// of song listings.
std::filesystem::path TemporaryBeside(const std::filesystem::path& to) {
  static std::atomic<unsigned> counter{0};
  std::wstring name = L"." + to.filename().native() + L".orvik" +
                      std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  return to.parent_path() / name;
}

bool FlushFile(const std::filesystem::path& file) {
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::FlushFileBuffers(handle) != FALSE;
  ::CloseHandle(handle);
  return ok;
}

}  // namespace

MoveOutcome CopyReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  const auto temp = TemporaryBeside(to);
  if (!::CopyFileW(from.c_str(), temp.c_str(), TRUE)) return FromLastError();
  // Write-through: the rename is on disk when the call returns.
  if (!FlushFile(temp) || !::MoveFileExW(temp.c_str(), to.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const MoveOutcome outcome = FromLastError();
    ::DeleteFileW(temp.c_str());
    return outcome;
  }
  return MoveOutcome::Ok;
}

MoveOutcome MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return MoveOutcome::Ok;
  if (::GetLastError() != ERROR_NOT_SAME_DEVICE) return FromLastError();
  const MoveOutcome copied = CopyReplacing(from, to);
  if (copied == MoveOutcome::Ok) ::DeleteFileW(from.c_str());
  return copied;
}

bool SyncFolder(const std::filesystem::path& folder) {
  // Renames into the folder were made write-through; a folder cannot be flushed on its own.
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec);
}

}  // namespace orvik::platform
