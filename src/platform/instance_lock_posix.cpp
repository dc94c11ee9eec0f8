#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/instance_lock.h"

namespace orvik::platform {
namespace {

class FlockInstanceLock : public InstanceLock {
 public:
  explicit FlockInstanceLock(int fd) : fd_(fd) {}
  ~FlockInstanceLock() override { ::close(fd_); }  // closing drops the lock

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<InstanceLock> TryLockModuleFolder(const std::filesystem::path& moduleDir) {
  // The lock is taken on the module folder itself: no lock file is written (a read-only
  // folder works too), and the kernel drops it with the process, a crash included.
  const int fd = ::open(moduleDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FlockInstanceLock>(fd);
}

}  // namespace orvik::platform
