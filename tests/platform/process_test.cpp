#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "support/temp_dir.h"

namespace orvik::platform {
namespace {

using test::ReadTextFile;
using test::TempDir;

const std::string kHelper = ORVIK_TEST_HELPER;

StartResult StartHelper(const std::string& arguments, const std::string& workingDir = {}) {
  StartRequest request;
  request.path = kHelper;
  request.arguments = arguments;
  request.workingDir = workingDir;
  request.show = false;
  return SystemProcesses().Start(request);
}

TEST(SplitArguments, BlanksSeparateAndQuotesGroup) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitArguments(""), V{});
  EXPECT_EQ(SplitArguments("   "), V{});
  EXPECT_EQ(SplitArguments("a  b\tc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitArguments("\"C:\\Program Files\\x\" -y"), (V{"C:\\Program Files\\x", "-y"}));
  EXPECT_EQ(SplitArguments("-o\"/a b\" \"\""), (V{"-o/a b", ""}));
  EXPECT_EQ(SplitArguments("곡 리스트"), (V{"곡", "리스트"}));
}

TEST(ProcessStart, RunsInTheGivenFolderWithSplitArguments) {
  TempDir dir;
  const auto cwdFile = (dir / "cwd.txt").string();
  auto started = StartHelper("cwd " + cwdFile, dir.path().string());
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(cwdFile), std::filesystem::canonical(dir.path()).string());

  const auto argsFile = (dir / "args.txt").string();
  started = StartHelper("args " + argsFile + " one \"two words\" 셋");
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(argsFile), "one\ntwo words\n셋\n");
}

TEST(ProcessStart, ChildInheritsNoDescriptorsOfTheLauncher) {
  TempDir dir;
  const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaked, 3);
  const auto fdsFile = (dir / "fds.txt").string();
  auto started = StartHelper("fds " + fdsFile);
  ::close(leaked);
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(fdsFile), "0\n1\n2\n");
}

TEST(ProcessStart, MissingFileAndFolderFailWithTheSystemError) {
  TempDir dir;
  auto& processes = SystemProcesses();
  EXPECT_FALSE(processes.PathExists((dir / "none.exe").string()));
  EXPECT_TRUE(processes.PathExists(dir.path().string()));

  StartRequest request;
  request.path = (dir / "none.exe").string();
  auto started = processes.Start(request);
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(started.error, static_cast<unsigned long>(ENOENT));

  request.path = dir.path().string();
  started = processes.Start(request);
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(started.error, static_cast<unsigned long>(EACCES));

  request.path = kHelper;
  request.workingDir = (dir / "gone").string();
  started = processes.Start(request);
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(started.error, static_cast<unsigned long>(ENOENT));
}

TEST(ProcessStart, BoundedWaitTimesOutAndTerminateEndsTheProgram) {
  auto started = StartHelper("hang");
  ASSERT_TRUE(started.ok);
  EXPECT_EQ(started.process->Wait(50), ProcessHandle::WaitResult::TimedOut);
  started.process->Terminate(1);
  EXPECT_EQ(started.process->Wait(0), ProcessHandle::WaitResult::Exited);
}

TEST(ProcessStart, DroppedHandlesAreReapedOnceTheProgramEnds) {
  // Still running when its handle goes (a program that ends at once may already be reaped
  // by the handle itself), so only the reaping of abandoned children can collect it.
  ASSERT_TRUE(StartHelper("hang").ok);  // handle dropped at once
  const std::string children =
      ReadTextFile("/proc/self/task/" + std::to_string(::gettid()) + "/children");
  if (children.empty()) GTEST_SKIP() << "the kernel does not list children";
  const pid_t pid =
      std::atoi(children.substr(children.find_last_of(' ', children.size() - 2) + 1).c_str());
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGKILL);
  siginfo_t info{};
  // Block until the child has ended, without reaping it ourselves.
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0);
  ReapEndedChildren();
  errno = 0;
  EXPECT_EQ(::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "a zombie child is left";
}

TEST(ProcessSearch, FindsByExecutableOrFirstArgumentIgnoringCase) {
  TempDir dir;
  const std::string name = "OrvikProbe" + std::to_string(::getpid());
  const auto copy = dir / name;
  std::filesystem::copy_file(kHelper, copy);
  auto& processes = SystemProcesses();
  EXPECT_FALSE(processes.IsProcessRunning(name));

  StartRequest request;
  request.path = copy.string();
  request.arguments = "hang";
  auto started = processes.Start(request);
  ASSERT_TRUE(started.ok);
  EXPECT_TRUE(processes.IsProcessRunning(name));
  std::string upper = name;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(processes.IsProcessRunning(upper));
  started.process->Terminate(1);
  EXPECT_FALSE(processes.IsProcessRunning(name));

  // A program under an interpreter or Wine: its name is only in argv[0], Windows style.
  const std::string player = "Player" + std::to_string(::getpid()) + ".EXE";
  request.path = "/bin/bash";
  request.arguments = "-c \"exec -a 'C:\\Tunova\\" + player + "' " + copy.string() + " hang\"";
  started = processes.Start(request);
  ASSERT_TRUE(started.ok);
  // bash replaces itself; wait on the thing itself rather than on time.
  bool seen = false;
  for (int i = 0; i < 2000 && !seen; ++i) {
    seen = processes.IsProcessRunning("player" + std::to_string(::getpid()) + ".exe");
    if (!seen) std::this_thread::yield();
  }
  EXPECT_TRUE(seen);
  started.process->Terminate(1);
}

TEST(RunAndCapture, OutputExitCodeMissingProgramAndStop) {
  std::string output;
  auto collect = [&](std::string_view s) { output += s; };
  EXPECT_EQ(RunAndCapture({kHelper, "print", "안녕 7z"}, collect), 0);
  EXPECT_EQ(output, "안녕 7z");
  EXPECT_EQ(RunAndCapture({kHelper, "exit", "3"}, collect), 3);
  EXPECT_EQ(RunAndCapture({"/nonexistent/7zz"}, collect), -1);
  EXPECT_EQ(RunAndCapture({"orvik-no-such-program-on-path"}, collect), -1);

  std::stop_source stop;
  int result = 0;
  {
    std::jthread runner([&] {
      result = RunAndCapture({kHelper, "hang"}, collect, stop.get_token());
    });
    stop.request_stop();
  }
  EXPECT_EQ(result, -2);
}

TEST(RunCommandAndWait, WaitsAndReportsWhetherItStarted) {
  TempDir dir;
  const auto file = (dir / "cwd.txt").string();
  EXPECT_TRUE(RunCommandAndWait({kHelper, "cwd", file}, false));
  EXPECT_FALSE(ReadTextFile(file).empty());  // written before the call returned
  EXPECT_FALSE(RunCommandAndWait({(dir / "none").string()}, false));
}

}  // namespace
}  // namespace orvik::platform
