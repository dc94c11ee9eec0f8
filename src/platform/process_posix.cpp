// Processes on POSIX: fork and exec with an argument vector (never a shell), waits through a
// pidfd where the kernel has one, the process search through /proc.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/process.h"

namespace orvik::platform {
namespace {

// Children whose handles were dropped while they still ran; reaped when they have ended.
std::mutex g_abandonedMutex;
std::vector<pid_t> g_abandoned;

}  // namespace

std::string FindProgramOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const auto colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate += '/';
    candidate += name;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return {};
}

namespace {

struct SpawnPlan {
  std::vector<std::string> argv;  // argv[0] is the program file to run
  std::string workingDir;         // empty: stay in the current directory
  bool quiet = false;             // stdout and stderr to /dev/null
  int outputFd = -1;              // stdout and stderr to this descriptor
  bool ownGroup = false;          // a process group of its own, so it can be killed whole
};

// Marks every descriptor above stderr close-on-exec, so the child keeps none of ours.
void CloseInheritedDescriptors(int maxFd) {
#ifdef SYS_close_range
  constexpr unsigned kCloseRangeCloexec = 1U << 2;
  if (::syscall(SYS_close_range, 3U, ~0U, kCloseRangeCloexec) == 0) return;
#endif
  for (int fd = 3; fd < maxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Returns the pid, or -1 with `error` set to the errno of the failed step.
pid_t Spawn(const SpawnPlan& plan, int& error) {
  error = 0;
  if (plan.argv.empty()) {
    error = EINVAL;
    return -1;
  }
  std::vector<char*> argv;
  for (const auto& a : plan.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const long openMax = ::sysconf(_SC_OPEN_MAX);
  const int maxFd = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;

  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  int errPipe[2];
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    error = errno;
    if (devNull >= 0) ::close(devNull);
    return -1;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    if (plan.ownGroup) ::setpgid(0, 0);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (plan.outputFd >= 0) {
      ::dup2(plan.outputFd, STDOUT_FILENO);
      ::dup2(plan.outputFd, STDERR_FILENO);
    } else if (plan.quiet && devNull >= 0) {
      ::dup2(devNull, STDOUT_FILENO);
      ::dup2(devNull, STDERR_FILENO);
    }
    int childError = 0;
    if (!plan.workingDir.empty() && ::chdir(plan.workingDir.c_str()) != 0) {
      childError = errno;
    } else {
      CloseInheritedDescriptors(maxFd);
      ::execv(argv[0], argv.data());
      childError = errno;
    }
    [[maybe_unused]] const auto n = ::write(errPipe[1], &childError, sizeof childError);
    ::_exit(127);
  }
  if (devNull >= 0) ::close(devNull);
  ::close(errPipe[1]);
  if (pid < 0) {
    error = errno;
    ::close(errPipe[0]);
    return -1;
  }
  int childError = 0;
  ssize_t got;
  do {
    got = ::read(errPipe[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  ::close(errPipe[0]);
  if (got == static_cast<ssize_t>(sizeof childError)) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    error = childError;
    return -1;
  }
  return pid;
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool WaitBlocking(pid_t pid, int* status) {
  int st = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &st, 0);
  } while (r < 0 && errno == EINTR);
  if (status) *status = st;
  return r == pid;
}

class ChildProcess : public ProcessHandle {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ~ChildProcess() override {
    if (reaped_) return;
    int status;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
    std::lock_guard lock(g_abandonedMutex);
    g_abandoned.push_back(pid_);
  }

  WaitResult Wait(int timeoutMs) override {
    if (reaped_) return WaitResult::Exited;
    if (timeoutMs < 0) return Reap(0) ? WaitResult::Exited : WaitResult::Failed;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      int r;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
      do {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
      } while (r < 0 && errno == EINTR);
      ::close(pidfd);
      if (r < 0) return WaitResult::Failed;
      if (r == 0) return WaitResult::TimedOut;
      return Reap(0) ? WaitResult::Exited : WaitResult::Failed;
    }
    // Kernels without pidfd: look at the child every few milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      int status;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        reaped_ = true;
        return WaitResult::Exited;
      }
      if (r < 0 && errno != EINTR) return WaitResult::Failed;
      if (std::chrono::steady_clock::now() >= deadline) return WaitResult::TimedOut;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  void Terminate(int /*exitCode*/) override {
    // POSIX has no chosen exit code for a killed process; it ends by SIGKILL.
    if (reaped_) return;
    ::kill(pid_, SIGKILL);
    Reap(0);
  }

 private:
  bool Reap(int flags) {
    int status;
    pid_t r;
    do {
      r = ::waitpid(pid_, &status, flags);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) reaped_ = true;
    return reaped_;
  }

  pid_t pid_;
  bool reaped_ = false;
};

bool NameMatches(std::string_view fullPath, const std::string& name) {
  const auto sep = fullPath.find_last_of("/\\");
  std::string_view file = sep == std::string_view::npos ? fullPath : fullPath.substr(sep + 1);
  constexpr std::string_view kDeleted = " (deleted)";
  if (file.size() > kDeleted.size() && file.ends_with(kDeleted) && file.size() != name.size()) {
    file.remove_suffix(kDeleted.size());
  }
  return file.size() == name.size() && ::strncasecmp(file.data(), name.data(), name.size()) == 0;
}

bool ProcessMatches(const char* pidText, const std::string& name) {
  char path[64];
  char target[PATH_MAX];
  std::snprintf(path, sizeof path, "/proc/%s/exe", pidText);
  const ssize_t n = ::readlink(path, target, sizeof target - 1);
  if (n > 0 && NameMatches(std::string_view(target, static_cast<std::size_t>(n)), name)) {
    return true;
  }
  // argv[0]: a program run through an interpreter or Wine shows its own name only here.
  std::snprintf(path, sizeof path, "/proc/%s/cmdline", pidText);
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t got = ::read(fd, target, sizeof target - 1);
  ::close(fd);
  if (got <= 0) return false;
  target[got] = '\0';
  return NameMatches(std::string_view(target), name);
}

class PosixProcesses : public ProcessApi {
 public:
  bool PathExists(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
  }

  StartResult Start(const StartRequest& request) override {
    ReapEndedChildren();
    SpawnPlan plan;
    plan.quiet = !request.show;
    if (request.elevated) {
      // Raised rights come from polkit's pkexec; without it there is no way to ask.
      const std::string pkexec = FindProgramOnPath("pkexec");
      if (pkexec.empty()) return {nullptr, false, static_cast<unsigned long>(ENOENT)};
      plan.argv.push_back(pkexec);
    } else {
      plan.workingDir = request.workingDir;
    }
    plan.argv.push_back(request.path);
    for (auto& a : SplitArguments(request.arguments)) plan.argv.push_back(std::move(a));
    int error = 0;
    const pid_t pid = Spawn(plan, error);
    if (pid < 0) return {nullptr, false, static_cast<unsigned long>(error)};
    return {std::make_unique<ChildProcess>(pid), true, 0};
  }

  bool IsProcessRunning(const std::string& exeName) override {
    ReapEndedChildren();
    if (exeName.empty()) return false;
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    bool found = false;
    while (const dirent* e = ::readdir(proc)) {
      if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
      if (ProcessMatches(e->d_name, exeName)) {
        found = true;
        break;
      }
    }
    ::closedir(proc);
    return found;
  }
};

}  // namespace

ProcessApi& SystemProcesses() {
  static PosixProcesses processes;
  return processes;
}

void ReapEndedChildren() {
  std::lock_guard lock(g_abandonedMutex);
  std::erase_if(g_abandoned, [](pid_t pid) {
    int status;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

bool RunCommandAndWait(const std::vector<std::string>& argv, bool show) {
  if (argv.empty()) return false;
  SpawnPlan plan;
  plan.argv = argv;
  plan.argv[0] = FindProgramOnPath(argv[0]);
  plan.quiet = !show;
  int error = 0;
  const pid_t pid = Spawn(plan, error);
  if (pid < 0) return false;
  WaitBlocking(pid, nullptr);
  return true;
}

int RunAndCapture(const std::vector<std::string>& argv,
                  const std::function<void(std::string_view)>& onOutput, std::stop_token stop) {
  if (argv.empty()) return -1;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return -1;
  SpawnPlan plan;
  plan.argv = argv;
  plan.argv[0] = FindProgramOnPath(argv[0]);
  plan.outputFd = out[1];
  plan.ownGroup = true;
  int error = 0;
  const pid_t pid = Spawn(plan, error);
  ::close(out[1]);
  if (pid < 0) {
    ::close(out[0]);
    return -1;
  }
  // The child is killed only while it is not yet reaped, so its pid cannot have been reused.
  std::mutex m;
  bool ended = false;
  bool stopped = false;
  std::stop_callback onStop(stop, [&] {
    std::lock_guard lock(m);
    if (ended) return;
    stopped = true;
    ::kill(-pid, SIGKILL);
  });
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (onOutput) onOutput(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  ::close(out[0]);
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
  }
  {
    std::lock_guard lock(m);
    ended = true;
  }
  int status = 0;
  WaitBlocking(pid, &status);
  if (stopped) return -2;
  return ExitCodeOf(status);
}

}  // namespace orvik::platform
