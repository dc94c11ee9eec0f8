#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

namespace orvik::platform {

std::FILE* OpenFileStream(const std::filesystem::path& file, const char* mode) {
  return std::fopen(file.c_str(), mode);
}

bool SyncFileStream(std::FILE* stream) {
  return std::fflush(stream) == 0 && ::fsync(::fileno(stream)) == 0;
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    ::close(fd);
    // A read error (a folder in place of the file) counts as unreadable.
    if (n < 0) return std::nullopt;
    return bytes;
  }
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::optional<unsigned> mode) {
  std::random_device rd;
  auto temp = file;
  temp += ".tmp" + std::to_string(rd() % 1000000);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = !mode || ::fchmod(fd, static_cast<mode_t>(*mode & 07777)) == 0;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), file.c_str()) != 0) ok = false;
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
  }
  return ok;
}

bool IsFolderWritable(const std::filesystem::path& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::uint64_t> FreeSpace(const std::filesystem::path& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace orvik::platform
