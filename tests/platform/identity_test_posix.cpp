// Identity read from the POSIX system: the host name and the adapters, in fresh namespaces.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "platform/identity.h"
#include "platform/network.h"

namespace orvik::platform {
namespace {

// Runs `check` in a child inside fresh namespaces; -1 when the namespaces are not
// permitted here (the test is then skipped), else the child's verdict.
int InNewNamespaces(int flags, const std::function<bool()>& check) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(flags) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return 1;
  return WEXITSTATUS(status) == 2 ? -1 : WEXITSTATUS(status);
}

TEST(Identity, LongHostNameGivesEmptyDeviceName) {
  const int verdict = InNewNamespaces(CLONE_NEWUTS, [] {
    const std::string sixteen = "abcdefghijklmnop";
    const std::string fifteen = "abcdefghijklmno";
    if (::sethostname(sixteen.data(), sixteen.size()) != 0) ::_exit(2);
    if (!GetDeviceName().empty()) return false;
    ::sethostname(fifteen.data(), fifteen.size());
    return GetDeviceName() == fifteen;
  });
  if (verdict < 0) GTEST_SKIP() << "no UTS namespace here";
  EXPECT_EQ(verdict, 0);
}

TEST(Identity, MachineWithoutAdaptersHasNoMacAndNoNetwork) {
  // A new network namespace holds only a loopback interface, and that one down.
  const int verdict = InNewNamespaces(
      CLONE_NEWNET, [] { return GetMacAddressText().empty() && !HasNetworkConnection(); });
  if (verdict < 0) GTEST_SKIP() << "no network namespace here";
  EXPECT_EQ(verdict, 0);
}

}  // namespace
}  // namespace orvik::platform
