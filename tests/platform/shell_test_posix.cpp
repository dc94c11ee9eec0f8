#include "platform/shell.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace orvik::platform {
namespace {

// Puts a stand-in xdg-open first on PATH for the test's life.
class ShellOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    fifo_ = dir_ / "argv.fifo";
    ASSERT_EQ(::mkfifo(fifo_.c_str(), 0600), 0);
  }
  void TearDown() override { ::setenv("PATH", savedPath_.c_str(), 1); }

  void InstallOpener(const std::string& script) {
    test::WriteTextFile(dir_ / "bin" / "xdg-open", script);
    std::filesystem::permissions(dir_ / "bin" / "xdg-open", std::filesystem::perms::owner_all);
    ::setenv("PATH", (dir_ / "bin").c_str(), 1);
  }

  // What the stand-in wrote into the fifo; waits for the writer, at most 20 s.
  std::string ReadFifo() {
    const int fd = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
    std::string got;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 20000) > 0) {
      char buffer[256];
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, n);
      if (n == 0 && !got.empty()) break;  // writer done
    }
    ::close(fd);
    return got;
  }

  test::TempDir dir_;
  std::filesystem::path fifo_;
  std::string savedPath_;
};

TEST_F(ShellOpen, PassesTheAddressAsOneArgumentWithoutAShell) {
  InstallOpener("#!/bin/sh\nprintf '%s|' \"$#\" \"$1\" > " + fifo_.string() + "\n");
  const std::string address = "https://x.example/a b?c=1&d='2';touch \"$HOME/pwned\"";
  ASSERT_TRUE(OpenWithDefaultHandler(address));
  EXPECT_EQ(ReadFifo(), "1|" + address + "|");
}

TEST_F(ShellOpen, FailsWithoutAnOpener) {
  ::setenv("PATH", (dir_ / "nothing-here").c_str(), 1);
  EXPECT_FALSE(OpenWithDefaultHandler("https://x.example/"));
  InstallOpener("#!/bin/sh\n");
  EXPECT_FALSE(OpenWithDefaultHandler(""));
}

}  // namespace
}  // namespace orvik::platform
