// The real launcher on a virtual X display, talking to the reference song service: its
// window is photographed once the service has answered the update check, then the launcher
// is asked to end and must leave its settings behind.
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
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace orvik {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 15000;

std::string FindProgram(const std::string& name) {
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
bool WaitForFileEnding(int watch, const std::string& suffix) {
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

void WriteSong(const fs::path& folder, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000/%05d.sgd", number / 1000, number);
  fs::create_directories((folder / name).parent_path());
  test::WriteTextFile(folder / name, "song " + std::to_string(number));
}

TEST(XvfbWindow, ShowsCountsFromTheServiceAndSavesSettingsOnTermination) {
  const std::string xvfb = FindProgram("Xvfb");
  const std::string import = FindProgram("import");
  if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
  if (import.empty()) GTEST_SKIP() << "ImageMagick's import is not installed";

  test::TempDir dir;
  const fs::path catalog = dir / "catalog", work = dir / "work", module = dir / "module";
  for (int song : {1, 2, 3, 4, 5, 1001}) WriteSong(catalog, song);
  for (int song : {1, 2}) WriteSong(module / "songs", song);
  fs::create_directories(work);
  fs::create_directories(module / "bin" / "images");
  fs::copy_file(ORVIK_EXECUTABLE, module / "orvik");
  // One banner picture only: a single picture does not slide, so the screen holds still.
  fs::copy_file(fs::path(ORVIK_SOURCE_DIR) / "data/images/tunova.png",
                module / "bin/images/tunova.png");

  // The display: Xvfb picks a free number and writes it once it accepts connections.
  int displayPipe[2];
  ASSERT_EQ(::pipe(displayPipe), 0);
  ::fcntl(displayPipe[0], F_SETFD, FD_CLOEXEC);  // only the writing end goes to Xvfb
  Child server({xvfb, "-displayfd", std::to_string(displayPipe[1]), "-screen", "0", "1024x768x24",
                "-nolisten", "tcp"},
               {});
  ::close(displayPipe[1]);
  ASSERT_TRUE(server.Started());
  std::string number;
  {
    pollfd p{displayPipe[0], POLLIN, 0};
    char c;
    while (::poll(&p, 1, kWaitMs) > 0 && ::read(displayPipe[0], &c, 1) == 1 && c != '\n')
      number += c;
    ::close(displayPipe[0]);
  }
  ASSERT_FALSE(number.empty()) << "Xvfb did not report its display";
  const std::string display = ":" + number;

  Child service({ORVIK_SONGSVC_EXECUTABLE, "--catalog", catalog.string(), "--work", work.string(),
                 "--certs", ORVIK_TEST_CERT_DIR},
                {}, true);
  ASSERT_TRUE(service.Started());
  std::map<std::string, std::string> printed;
  for (int i = 0; i < 3; ++i) {
    const std::string line = service.ReadLine();
    printed[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  ASSERT_EQ(printed.size(), 3u) << "the song service did not start";

  test::WriteTextFile(module / "setting.env",
                      "[settings]\nservice=tunova\n[songs]\ntunova=" + (module / "songs").string() +
                          "\n[product]\nnumber=12345-67890\n[service]\nurl=" + printed["http"] +
                          "\nsecureUrl=" + printed["https"] + "\ncaFile=" + printed["ca"] + "\n");

  // The service writes the package once the launcher has reported its songs.
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, work.c_str(), IN_CREATE | IN_MOVED_TO);
  Child launcher({(module / "orvik").string()}, {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
  ASSERT_TRUE(launcher.Started());
  const bool checked = WaitForFileEnding(watch, ".zip");
  ::close(watch);
  EXPECT_TRUE(checked) << "the launcher never reported its songs";

  const fs::path shot = fs::path(ORVIK_SCREENSHOT_DIR) / "xvfb_orvik_window.png";
  fs::remove(shot);
  Child grab({import, "-window", "root", shot.string()}, {{"DISPLAY", display}});
  EXPECT_EQ(grab.Wait(), 0);
  EXPECT_GT(fs::exists(shot) ? fs::file_size(shot) : 0, 10000u) << shot;

  EXPECT_EQ(launcher.Stop(), 0);
  const std::string saved = test::ReadTextFile(module / "setting.env");
  EXPECT_NE(saved.find("[settings]\r\nrun=tunova\r\nservice=tunova\r\n"), std::string::npos)
      << saved;
  EXPECT_NE(saved.find("number=12345-67890\r\n"), std::string::npos) << saved;
  EXPECT_EQ(service.Stop(), 0);
  server.Stop();
}

}  // namespace
}  // namespace orvik
