#include <windows.h>

#include <io.h>

#include <random>
#include <system_error>

#include "platform/files.h"

namespace orvik::platform {
namespace {

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

}  // namespace

std::FILE* OpenFileStream(const std::filesystem::path& file, const char* mode) {
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode += static_cast<wchar_t>(*c);
  return ::_wfopen(file.c_str(), wideMode.c_str());
}

bool SyncFileStream(std::FILE* stream) {
  return std::fflush(stream) == 0 && ::_commit(::_fileno(stream)) == 0;
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& file) {
  HandleCloser f{::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (f.handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  while (true) {
    DWORD got = 0;
    if (!::ReadFile(f.handle, buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, got);
  }
}

// Windows has no permission bits to carry over: the new file inherits the folder's access
// list, as the old one did.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::optional<unsigned> /*mode*/) {
  std::random_device rd;
  auto temp = file;
  temp += ".tmp" + std::to_string(rd() % 1000000);
  bool ok = true;
  {
    HandleCloser f{::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.handle == INVALID_HANDLE_VALUE) return false;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (ok && left > 0) {
      const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
      DWORD written = 0;
      ok = ::WriteFile(f.handle, p, chunk, &written, nullptr) && written > 0;
      p += written;
      left -= written;
    }
    ok = ok && ::FlushFileBuffers(f.handle);
  }
  // Write-through: the rename is on disk when the call returns.
  ok = ok && ::MoveFileExW(temp.c_str(), file.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) ::DeleteFileW(temp.c_str());
  return ok;
}

bool IsFolderWritable(const std::filesystem::path& folder) {
  // Access lists decide, so only trying tells: create and delete a probe file.
  std::random_device rd;
  auto probe = folder;
  probe /= L".orvik-probe" + std::to_wstring(rd() % 1000000);
  const HANDLE f = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(f);
  return true;
}

std::optional<std::uint64_t> FreeSpace(const std::filesystem::path& path) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

}  // namespace orvik::platform
