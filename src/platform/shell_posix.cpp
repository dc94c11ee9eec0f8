#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/shell.h"

#include "platform/process.h"

namespace orvik::platform {

bool OpenWithDefaultHandler(const std::string& address) {
  if (address.empty()) return false;
  // Resolved before fork, so the child only calls async-signal-safe functions.
  const std::string opener = FindProgramOnPath("xdg-open");
  if (opener.empty()) return false;
  std::vector<char*> argv{const_cast<char*>(opener.c_str()), const_cast<char*>(address.c_str()),
                          nullptr};

  // The opener may run as long as the program it starts; it is started from an
  // intermediate child that exits at once, so it is never waited for and leaves no zombie.
  // A close-on-exec pipe tells whether the exec itself worked.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::setsid();
      ::execv(argv[0], argv.data());
      const int error = errno;
      [[maybe_unused]] auto n = ::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace orvik::platform
