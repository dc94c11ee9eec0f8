#include "platform/identity.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

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

bool IsGuidText(const std::string& s) {
  return s.size() == 32 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST(Identity, GuidTextIsThirtyTwoUpperHexDigitsAndFresh) {
  const std::string a = MakeGuidText();
  const std::string b = MakeGuidText();
  EXPECT_TRUE(IsGuidText(a)) << a;
  EXPECT_TRUE(IsGuidText(b)) << b;
  EXPECT_NE(a, b);
}

TEST(Identity, GuidFieldsAreReadInTheWindowsOrder) {
  GuidValue g;
  g.data1 = 0x0123ABCD;
  g.data2 = 0x00EF;
  g.data3 = 0xBEEF;
  const std::uint8_t tail[8] = {0x10, 0x20, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  std::copy(std::begin(tail), std::end(tail), g.data4);
  // bytes 2-5 and 6-7 of the tail are little-endian numbers
  EXPECT_EQ(FormatGuidText(g), "0123ABCD00EFBEEF1020040302010605");
  EXPECT_EQ(FormatGuidText(GuidValue{}), std::string(32, '0'));
}

TEST(Identity, MacAddressForm) {
  const std::uint8_t bytes[6] = {0x00, 0x1a, 0xFF, 0x0b, 0x7c, 0x01};
  EXPECT_EQ(FormatMacAddress(bytes), "00-1A-FF-0B-7C-01");
  const std::string mac = GetMacAddressText();
  if (!mac.empty()) {
    EXPECT_TRUE(mac.size() == 17 &&
                mac.find_first_not_of("0123456789ABCDEF-") == std::string::npos && mac[2] == '-' &&
                mac[14] == '-')
        << mac;
    EXPECT_NE(mac, "00-00-00-00-00-00");
  }
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
