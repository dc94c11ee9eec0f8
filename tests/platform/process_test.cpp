#include "platform/process.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "platform/path_text.h"
#include "support/temp_dir.h"
#include "support/test_helper_program.h"

namespace orvik::platform {
namespace {

using test::kHelper;
using test::ReadTextFile;
using test::StartHelper;
using test::TempDir;

TEST(SplitArguments, BlanksSeparateAndQuotesGroup) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitArguments(""), V{});
  EXPECT_EQ(SplitArguments("   "), V{});
  EXPECT_EQ(SplitArguments("a  b\tc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitArguments("\"C:\\Program Files\\x\" -y"), (V{"C:\\Program Files\\x", "-y"}));
  EXPECT_EQ(SplitArguments("-o\"/a b\" \"\""), (V{"-o/a b", ""}));
  EXPECT_EQ(SplitArguments("곡 리스트"), (V{"곡", "리스트"}));
}

TEST(WindowsCommandLine, QuotesOnlyWhatNeedsItAndDoublesBackslashesBeforeQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},
      {"", "\"\""},
      {"C:\\Program Files\\7z", "\"C:\\Program Files\\7z\""},
      {"-oC:\\a b\\", "\"-oC:\\a b\\\\\""},  // doubled before the closing quote
      {"say \"hi\"", "\"say \\\"hi\\\"\""},  // quotes escaped
      {"a\\\"b", "\"a\\\\\\\"b\""},          // backslash before a quote: doubled
      {"x\\y", "x\\y"},                      // lone backslashes stay
  };
  for (const auto& [argument, quoted] : cases) EXPECT_EQ(QuoteWindowsArgument(argument), quoted);
  EXPECT_EQ(JoinWindowsCommandLine({"7za.exe", "x", "a b"}), "7za.exe x \"a b\"");
}

TEST(WindowsCommandLine, PlainStartKeepsOneBlankAfterTheProgram) {
  EXPECT_EQ(PlainStartCommandLine("C:\\Tunova\\player.exe", ""), "\"C:\\Tunova\\player.exe\" ");
  EXPECT_EQ(PlainStartCommandLine("C:\\노래 방\\list.exe", "-y \"a b\""),
            "\"C:\\노래 방\\list.exe\" -y \"a b\"");
}

TEST(ProcessStart, RunsInTheGivenFolderWithSplitArguments) {
  TempDir dir;
  const auto cwdFile = PathToUtf8(dir / "cwd.txt");
  auto started = StartHelper("cwd " + cwdFile, PathToUtf8(dir.path()));
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(dir / "cwd.txt"), PathToUtf8(std::filesystem::canonical(dir.path())));

  const auto argsFile = PathToUtf8(dir / "args.txt");
  started = StartHelper("args " + argsFile + " one \"two words\" 셋");
  ASSERT_TRUE(started.ok);
  ASSERT_EQ(started.process->Wait(10000), ProcessHandle::WaitResult::Exited);
  EXPECT_EQ(ReadTextFile(dir / "args.txt"), "one\ntwo words\n셋\n");
}

TEST(ProcessStart, BoundedWaitTimesOutAndTerminateEndsTheProgram) {
  auto started = StartHelper("hang");
  ASSERT_TRUE(started.ok);
  EXPECT_EQ(started.process->Wait(50), ProcessHandle::WaitResult::TimedOut);
  started.process->Terminate(1);
  EXPECT_EQ(started.process->Wait(0), ProcessHandle::WaitResult::Exited);
}

TEST(ProcessSearch, FindsByExecutableOrFirstArgumentIgnoringCase) {
  TempDir dir;
  // A name no other process has: the temporary folder's own is unique.
  const std::string name = "OrvikProbe" + PathToUtf8(dir.path().filename()) + test::kExeSuffix;
  const auto copy = dir / name;
  std::filesystem::copy_file(kHelper, copy);
  auto& processes = SystemProcesses();
  EXPECT_FALSE(processes.IsProcessRunning(name));

  StartRequest request;
  request.path = PathToUtf8(copy);
  request.arguments = "hang";
  auto started = processes.Start(request);
  ASSERT_TRUE(started.ok);
  EXPECT_TRUE(processes.IsProcessRunning(name));
  std::string upper = name;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(processes.IsProcessRunning(upper));
  started.process->Terminate(1);
  EXPECT_FALSE(processes.IsProcessRunning(name));
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
  EXPECT_TRUE(RunCommandAndWait({kHelper, "cwd", PathToUtf8(dir / "cwd.txt")}, false));
  EXPECT_FALSE(ReadTextFile(dir / "cwd.txt").empty());  // written before the call returned
  EXPECT_FALSE(RunCommandAndWait({PathToUtf8(dir / "none")}, false));
}

}  // namespace
}  // namespace orvik::platform
