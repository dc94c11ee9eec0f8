// The POSIX side of processes: descriptors, errno values, zombies, argv[0] names.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/process.h"
#include "support/temp_dir.h"
#include "support/test_helper_program.h"

namespace orvik::platform {
namespace {

using test::kHelper;
using test::ReadTextFile;
using test::StartHelper;
using test::TempDir;

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

TEST(ProcessSearch, FindsAProgramByItsFirstArgument) {
  auto& processes = SystemProcesses();
  StartRequest request;
  // A program under an interpreter or Wine: its name is only in argv[0], Windows style.
  const std::string player = "Player" + std::to_string(::getpid()) + ".EXE";
  request.path = "/bin/bash";
  request.arguments = "-c \"exec -a 'C:\\Tunova\\" + player + "' " + kHelper + " hang\"";
  auto started = processes.Start(request);
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

}  // namespace
}  // namespace orvik::platform
