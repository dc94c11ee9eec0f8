// Helpers of the tests that run the real launcher on a virtual X display: child processes
// with their own environment, the display itself, files appearing in a folder.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace orvik {

namespace fs = std::filesystem;
inline constexpr int kWaitMs = 15000;

inline std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', at), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(at, end - at)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    at = end + 1;
  }
  return {};
}

// A child process with its own environment; stdout optionally into a pipe, stderr kept.
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
        bool pipeOut = false) {
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      if (!env.count(entry.substr(0, entry.find('=')))) envText.push_back(entry);
    }
    for (const auto& [k, v] : env) envText.push_back(k + "=" + v);
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int out[2] = {-1, -1};
    if (pipeOut && ::pipe2(out, O_CLOEXEC) == 0) {
      posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    }
    if (::posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (out[1] >= 0) ::close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  bool Started() const { return pid_ > 0; }

  // One line of the child's output; empty at its end or after the time limit.
  std::string ReadLine() {
    std::string line;
    pollfd p{out_, POLLIN, 0};
    char c;
    while (::poll(&p, 1, kWaitMs) > 0 && ::read(out_, &c, 1) == 1) {
      if (c == '\n') return line;
      line += c;
    }
    return line;
  }

  // Asks it to end; its exit status, or -1 when it had to be killed.
  int Stop() {
    ::kill(pid_, SIGTERM);
    return Wait();
  }
  int Wait() {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    pollfd p{pidfd, POLLIN, 0};
    const bool ended = pidfd >= 0 && ::poll(&p, 1, kWaitMs) > 0;
    if (pidfd >= 0) ::close(pidfd);
    if (!ended) ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// Waits until a file whose name ends with `suffix` is created or moved into the watched
// folder.
inline bool WaitForFileEnding(int watch, const std::string& suffix) {
  pollfd p{watch, POLLIN, 0};
  while (::poll(&p, 1, kWaitMs) > 0) {
    alignas(inotify_event) char buffer[4096];
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const std::string name = event->len > 0 ? event->name : "";
      if (name.size() >= suffix.size() && name.ends_with(suffix)) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return false;
}

inline void WriteSong(const fs::path& folder, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000/%05d.sgd", number / 1000, number);
  fs::create_directories((folder / name).parent_path());
  test::WriteTextFile(folder / name, "song " + std::to_string(number));
}

// Xvfb on a free display number; Display() is empty when it did not start.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int displayPipe[2];
    if (::pipe(displayPipe) != 0) return;
    ::fcntl(displayPipe[0], F_SETFD, FD_CLOEXEC);  // only the writing end goes to Xvfb
    server_ = std::make_unique<Child>(
        std::vector<std::string>{FindProgram("Xvfb"), "-displayfd", std::to_string(displayPipe[1]),
                                 "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
        std::map<std::string, std::string>{});
    ::close(displayPipe[1]);
    std::string number;
    pollfd p{displayPipe[0], POLLIN, 0};
    char c;
    while (::poll(&p, 1, kWaitMs) > 0 && ::read(displayPipe[0], &c, 1) == 1 && c != '\n')
      number += c;
    ::close(displayPipe[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (server_) server_->Stop();
  }
  const std::string& Display() const { return display_; }

 private:
  std::unique_ptr<Child> server_;
  std::string display_;
};

}  // namespace orvik
