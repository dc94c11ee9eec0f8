// The Windows side of the platform layer: system error codes, exact arguments through the
// command line, the module-folder lock, the shell's refusals, the registry's 32-bit view.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "support/temp_dir.h"
#include "support/test_helper_program.h"

namespace orvik::platform {
namespace {

using test::kHelper;
using test::ReadTextFile;
using test::TempDir;

TEST(ProcessStart, MissingFileAndFolderFailWithTheSystemError) {
  TempDir dir;
  auto& processes = SystemProcesses();
  EXPECT_FALSE(processes.PathExists(PathToUtf8(dir / "none.exe")));
  EXPECT_TRUE(processes.PathExists(PathToUtf8(dir.path())));

  StartRequest request;
  request.path = PathToUtf8(dir / "none.exe");
  auto started = processes.Start(request);
  EXPECT_FALSE(started.ok);
  EXPECT_EQ(started.error, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));

  request.path = kHelper;
  request.workingDir = PathToUtf8(dir / "gone");
  started = processes.Start(request);
  EXPECT_FALSE(started.ok);
  EXPECT_NE(started.error, 0ul);
}

// Some players read their raw command line: a start without arguments ends in one blank.
TEST(ProcessStart, PlainStartPassesTheQuotedPathAndOneBlank) {
  TempDir dir;
  const auto lineFile = dir / "line.txt";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"ORVIK_HELPER_COMMAND_LINE", lineFile.c_str()));
  StartRequest request;
  request.path = kHelper;
  request.show = false;
  auto started = SystemProcesses().Start(request);
  ::SetEnvironmentVariableW(L"ORVIK_HELPER_COMMAND_LINE", nullptr);
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(lineFile), "\"" + kHelper + "\" ");
}

// Arguments go through one command line and come back out of the child's parsing whole:
// blanks, quotes, trailing backslashes and Korean text.
TEST(RunCommandAndWait, ArgumentsArriveExactly) {
  TempDir dir;
  const std::vector<std::string> args{"a b", "say \"hi\"", "C:\\dir\\", "", "곡 목록", "x\\\\\"y"};
  std::vector<std::string> argv{kHelper, "args", PathToUtf8(dir / "노래.txt")};
  argv.insert(argv.end(), args.begin(), args.end());
  ASSERT_TRUE(RunCommandAndWait(argv, false));
  std::string expected;
  for (const auto& a : args) expected += a + "\n";
  EXPECT_EQ(ReadTextFile(dir / "노래.txt"), expected);
}

TEST(InstanceLock, OneHolderPerModuleFolderIgnoringCase) {
  TempDir dir;
  auto lock = TryLockModuleFolder(dir.path());
  ASSERT_NE(lock, nullptr);
  std::wstring upper = dir.path().native();
  for (auto& c : upper) c = static_cast<wchar_t>(::towupper(c));
  EXPECT_EQ(TryLockModuleFolder(upper), nullptr);
  EXPECT_NE(TryLockModuleFolder(dir / "other"), nullptr);
  lock.reset();
  EXPECT_NE(TryLockModuleFolder(dir.path()), nullptr);
}

TEST(ShellOpen, RefusesProgramsAndUnknownTargets) {
  TempDir dir;
  test::WriteTextFile(dir / "run.bat", "@echo off\r\n");
  for (const std::string& address :
       {std::string(""), PathToUtf8(dir / "run.bat"), std::string("C:\\windows\\notepad.exe"),
        std::string("file:///C:/windows/notepad.exe"), PathToUtf8(dir / "missing.png")}) {
    EXPECT_FALSE(OpenWithDefaultHandler(address)) << address;
  }
}

// The players' 32-bit installer writes the 32-bit view; a 64-bit launcher must read that
// one, not a value of the same name in its own view.
TEST(MachineValue, ReadsTheThirtyTwoBitView) {
  const wchar_t* key = L"SOFTWARE\\OrvikTest";
  auto write = [&](REGSAM view, const std::wstring& value) {
    HKEY h = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &h,
                          nullptr) != ERROR_SUCCESS) {
      return false;
    }
    ::RegSetValueExW(h, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(h);
    return true;
  };
  if (!write(KEY_WOW64_32KEY, L"C:\\노래방\\Tunova") || !write(KEY_WOW64_64KEY, L"C:\\wrong"))
    GTEST_SKIP() << "HKLM is not writable here";
  EXPECT_EQ(ReadMachineValue("SOFTWARE\\OrvikTest", "installdir"), "C:\\노래방\\Tunova");
  EXPECT_EQ(ReadMachineValue("SOFTWARE\\OrvikTest", "Missing"), std::nullopt);
  EXPECT_EQ(ReadMachineValue("SOFTWARE\\OrvikNone", "InstallDir"), std::nullopt);
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, view, 0);
}

}  // namespace
}  // namespace orvik::platform
