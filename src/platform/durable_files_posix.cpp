#include "platform/durable_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace orvik::platform {
namespace {

MoveOutcome FromErrno(int error) {
  return error == ENOSPC || error == EDQUOT ? MoveOutcome::NoSpace : MoveOutcome::Failed;
}

// A name beside `to` that no other copy of this process uses; the leading dot keeps it out
// of song listings.
std::filesystem::path TemporaryBeside(const std::filesystem::path& to) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temp = to.parent_path();
  temp /= "." + to.filename().native() + ".orvik" + std::to_string(::getpid()) + "-" +
          std::to_string(counter++);
  return temp;
}

int CopyBytes(int in, int out) {
  char buffer[1 << 16];
  while (true) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

}  // namespace

MoveOutcome CopyReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return MoveOutcome::Failed;
  struct stat st {};
  ::fstat(in, &st);
  const auto temp = TemporaryBeside(to);
  const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return FromErrno(error);
  }
  int error = CopyBytes(in, out);
  if (error == 0 && ::fsync(out) != 0) error = errno;
  if (::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error == 0 && ::rename(temp.c_str(), to.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return FromErrno(error);
  }
  return MoveOutcome::Ok;
}

MoveOutcome MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return MoveOutcome::Ok;
  if (errno != EXDEV) return FromErrno(errno);
  const MoveOutcome copied = CopyReplacing(from, to);
  if (copied == MoveOutcome::Ok) ::unlink(from.c_str());
  return copied;
}

bool SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace orvik::platform
