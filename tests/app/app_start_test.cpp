// The launcher as a whole: copied into a fresh module folder, started from another folder,
// asked to end, and judged by the files it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/version.h"
#include "xvfb_support.h"

namespace orvik {
namespace {

bool IsGuidText(const std::string& s) {
  return s.size() == 32 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

class AppStart : public ::testing::Test {
 protected:
  void SetUp() override {
    moduleDir_ = dir_ / "module";
    startDir_ = dir_ / "start";
    std::filesystem::create_directories(moduleDir_);
    std::filesystem::create_directories(startDir_);
    std::filesystem::copy_file(ORVIK_EXECUTABLE, moduleDir_ / "orvik");
  }

  // Runs the launcher until it has opened its window, then asks it to end as a session
  // manager would. Readiness: it has touched data.r4x, which it does while the window
  // initialises, after its handler for the end request is in place.
  int RunOnce() {
    const pid_t pid = StartReady();
    if (pid < 0) return -1;
    ::kill(pid, SIGTERM);
    return WaitForExit(pid);
  }

  // Starts the launcher and waits until its window is open; -1 when it did not start.
  pid_t StartReady() {
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ::inotify_add_watch(watch, moduleDir_.c_str(),
                        IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE);
    const pid_t pid = Spawn();
    if (pid < 0) return -1;
    const bool ready = WaitForFileEnding(watch, "data.r4x");
    ::close(watch);
    EXPECT_TRUE(ready) << "the launcher never touched data.r4x";
    return pid;
  }

  pid_t Spawn() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, startDir_.c_str());
    const std::string exe = (moduleDir_ / "orvik").string();
    char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
  }

  static int WaitForExit(pid_t pid) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || ::poll(&p, 1, kWaitMs) <= 0) {
      ADD_FAILURE() << "the launcher did not end when asked";
      ::kill(pid, SIGKILL);
    }
    if (pidfd >= 0) ::close(pidfd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string ModuleFile(const char* name) { return test::ReadTextFile(moduleDir_ / name); }

  test::TempDir dir_;
  std::filesystem::path moduleDir_;
  std::filesystem::path startDir_;
};

TEST_F(AppStart, FirstStartLeavesIdentifierAndSettingsInTheModuleFolder) {
  ASSERT_EQ(RunOnce(), 0);
  const std::string id = ModuleFile("data.r4x");
  EXPECT_TRUE(IsGuidText(id)) << id;
  EXPECT_EQ(ModuleFile("setting.env"), "[config]\r\nuseConfig=\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(startDir_));  // nothing in the current folder

  ASSERT_EQ(RunOnce(), 0);
  EXPECT_EQ(ModuleFile("data.r4x"), id);
}

TEST_F(AppStart, ExistingFilesAreReadAndSettingsWrittenBack) {
  test::WriteTextFile(moduleDir_ / "data.r4x", "kept-id\r\n");
  test::WriteTextFile(moduleDir_ / "setting.env",
                      "[settings]\nservice=tunovapro\n[service]\nurl=http://127.0.0.1:1\n");
  ASSERT_EQ(RunOnce(), 0);
  EXPECT_EQ(ModuleFile("data.r4x"), "kept-id\r\n");
  EXPECT_EQ(ModuleFile("setting.env"),
            "[config]\r\nuseConfig=\r\n\r\n[service]\r\nurl=http://127.0.0.1:1\r\n\r\n"
            "[settings]\r\nrun=tunovaPRO\r\nservice=tunovapro\r\n");
}

TEST_F(AppStart, ASecondStartInTheSameFolderEndsByItselfAndWritesNothing) {
  test::WriteTextFile(moduleDir_ / "setting.env", "[settings]\nservice=tunova\n");
  const pid_t first = StartReady();
  ASSERT_GT(first, 0);
  const std::string id = ModuleFile("data.r4x");
  const pid_t second = Spawn();
  ASSERT_GT(second, 0);
  EXPECT_EQ(WaitForExit(second), 0);  // not asked to end: it ends on its own
  EXPECT_EQ(ModuleFile("data.r4x"), id);
  EXPECT_EQ(ModuleFile("setting.env"), "[settings]\nservice=tunova\n");
  ::kill(first, SIGTERM);
  EXPECT_EQ(WaitForExit(first), 0);
}

// Without a display: what `orvik ARGS` prints (stdout and stderr) and its exit code.
std::pair<std::string, int> RunWithoutDisplay(const std::string& args) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              std::string(ORVIK_EXECUTABLE) + " " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {"", -1};
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(CommandLine, AnswersAndEndsWithoutADisplay) {
  EXPECT_EQ(RunWithoutDisplay("--version"),
            std::make_pair(std::string("Orvik ") + kOrvikVersion + "\n", 0));
  const auto help = RunWithoutDisplay("--help");
  EXPECT_EQ(help.second, 0);
  EXPECT_TRUE(help.first.starts_with("Usage: orvik")) << help.first;
  const auto unknown = RunWithoutDisplay("--frobnicate");
  EXPECT_EQ(unknown.second, 2);
  EXPECT_NE(unknown.first.find("unknown option: --frobnicate"), std::string::npos);
  for (const char* usage : {"--sync --wait-player=0", "--wait-player", "--sync --wait-player=x"})
    EXPECT_EQ(RunWithoutDisplay(usage).second, 2) << usage;
  const auto plain = RunWithoutDisplay("");
  EXPECT_EQ(plain.second, 1);
  EXPECT_EQ(std::count(plain.first.begin(), plain.first.end(), '\n'), 1) << plain.first;
  EXPECT_NE(plain.first.find("디스플레이"), std::string::npos) << plain.first;
}

}  // namespace
}  // namespace orvik
