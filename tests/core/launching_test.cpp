#include "core/launching.h"

#include <gtest/gtest.h>

#include <map>

#include "core/fake_processes.h"
#include "core/tool_paths.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

using test::FakeProcesses;
using test::RecordingPort;
using V = std::vector<std::string>;

const std::string kPlayer = "/opt/tunova/tunova";
const std::string kLoopMidiFail =
    "Loop MIDI 를 실행할수 없습니다\nLoop MIDI가 설치되어있는디 확인해주세요";
const std::string kKvSynthFail =
    "KV Synth 를 실행할수 없습니다.\nKV Synth가 설치되어있는지 확인해주세요";

class Launching : public ::testing::Test {
 protected:
  Launching() {
    ctx.wait = [this](int ms) { fake.log.push_back("sleep " + std::to_string(ms)); };
  }
  void Options(bool useConfig, bool loop, bool synth) {
    options.useTools = useConfig;
    options.loopMidi = loop;
    options.kvSynth = synth;
  }
  // Started tools show up in the process list at once.
  void ToolsComeUp() {
    fake.onStart = [this](const platform::StartRequest& r) {
      if (r.path == LoopMidiTool().path) fake.running.insert(LoopMidiTool().processName);
      if (r.path == KvSynthTool().path) fake.running.insert(KvSynthTool().processName);
    };
  }
  const std::string loopStart = "start " + LoopMidiTool().path;
  const std::string synthStart = "start " + KvSynthTool().path;

  FakeProcesses fake;
  RecordingPort port;
  ToolOptions options;
  LaunchContext ctx{fake, port, options};
};

TEST_F(Launching, ToolBoxesCountOnlyUnderTheMasterSwitch) {
  Options(false, true, true);
  EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(fake.log, (V{"sleep 1000", "start " + kPlayer}));
  EXPECT_FALSE(fake.requests[0].elevated);
  EXPECT_EQ(fake.requests[0].workingDir, "/opt/tunova");
  EXPECT_EQ(fake.requests[0].arguments, "");
  EXPECT_TRUE(fake.requests[0].show);
}

TEST_F(Launching, StartsLoopMidiThenKvSynthThenThePlayer) {
  Options(true, true, true);
  ToolsComeUp();
  EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, "tunovaPRO"));
  EXPECT_EQ(fake.log, (V{loopStart, "sleep 1000", "sleep 1000", synthStart, "sleep 1000",
                         "start " + kPlayer}));
  EXPECT_TRUE(port.Messages().empty());
}

TEST_F(Launching, RunningToolsAreNotStartedAgain) {
  Options(true, true, true);
  fake.running = {LoopMidiTool().processName, KvSynthTool().processName};
  EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(fake.log, (V{"sleep 1000", "start " + kPlayer}));
}

TEST_F(Launching, ElevationOnlyForTunovaNew) {
  const std::map<std::string, bool> cases{
      {"tunovaNEW", true}, {"tunovaPRONEW", false}, {"tunova", false}, {"tunovanew", false}};
  for (const auto& [entry, elevated] : cases) {
    fake.requests.clear();
    EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, entry));
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].elevated, elevated) << entry;
    // Raised rights start in the launcher's current folder.
    EXPECT_EQ(fake.requests[0].workingDir.empty(), elevated) << entry;
  }
}

TEST_F(Launching, ToolThatNeverShowsUpIsRetriedTenTimesThenReported) {
  Options(true, true, true);  // loopMIDI starts but never appears in the process list
  EXPECT_FALSE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(fake.Count(loopStart), 10);
  EXPECT_EQ(fake.Count(synthStart), 0);  // KV Synth waits for loopMIDI
  EXPECT_EQ(fake.Count("sleep 500"), 9);
  EXPECT_EQ(fake.Count("start " + kPlayer), 0);
  ASSERT_EQ(port.Messages().size(), 1u);
  EXPECT_NE(port.Messages()[0].find("Loop MIDI"), std::string::npos);
}

TEST_F(Launching, ToolsTurnedOffWhileRetryingEndTheRetriesAndThePlayerStarts) {
  Options(true, true, true);  // loopMIDI never appears
  // The operator unticks "use the tools" during the first pause: the worker sees the
  // option the window wrote, with no box to read.
  ctx.wait = [this](int ms) {
    fake.log.push_back("sleep " + std::to_string(ms));
    if (ms == 500) options.useTools = false;
  };
  EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(fake.Count(loopStart), 1);
  EXPECT_EQ(fake.Count("start " + kPlayer), 1);
  EXPECT_TRUE(port.Messages().empty());
}

TEST_F(Launching, SlowSynthIsWaitedForThenThePlayerStarts) {
  Options(true, false, true);
  int rounds = 0;  // KV Synth appears in the process list after its third start
  fake.onStart = [&](const platform::StartRequest& r) {
    if (r.path == KvSynthTool().path && ++rounds == 3) {
      fake.running.insert(KvSynthTool().processName);
    }
  };
  EXPECT_TRUE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(fake.Count(synthStart), 3);
  EXPECT_EQ(fake.Count("sleep 500"), 2);
  EXPECT_EQ(fake.log.back(), "start " + kPlayer);
  EXPECT_TRUE(port.Messages().empty());
}

TEST_F(Launching, ToolThatCannotStartEndsTheLaunch) {
  Options(true, true, true);
  fake.existing = {kPlayer};
  EXPECT_FALSE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(port.Messages(),
            (V{LoopMidiTool().path + "\n지정된 파일이 존재하지 않습니다.", kLoopMidiFail}));
  EXPECT_TRUE(fake.requests.empty());

  port.Clear();
  fake.existing = {kPlayer, LoopMidiTool().path};
  ToolsComeUp();
  EXPECT_FALSE(LaunchPlayer(ctx, kPlayer, "tunova"));
  EXPECT_EQ(port.Messages().back(), kKvSynthFail);
  EXPECT_EQ(port.CallsOf("message").back().value, static_cast<long long>(MessageIcon::None));
}

TEST_F(Launching, StartToolsOnlyHasNoWaitsAndNoPlayer) {
  Options(true, true, true);
  EXPECT_TRUE(StartToolsOnly(ctx));  // no re-check: tools need not show up
  EXPECT_EQ(fake.log, (V{loopStart, synthStart}));

  fake.log.clear();
  Options(false, true, true);
  EXPECT_TRUE(StartToolsOnly(ctx));
  EXPECT_TRUE(fake.log.empty());

  Options(true, true, true);
  fake.failWith = 13;
  EXPECT_FALSE(StartToolsOnly(ctx));
  EXPECT_EQ(fake.Count(synthStart), 0);
  EXPECT_EQ(port.Messages().back(), kLoopMidiFail);
}

TEST_F(Launching, RunProgramMessagesAndIcons) {
  fake.existing = {};
  EXPECT_EQ(RunProgram(ctx, "/x/곡 list", "", true, false, false), 0);
  fake.existing = {"*"};
  fake.failWith = 13;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, false, false), 0);
  fake.failWith = 2;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, false, true), 0);
  EXPECT_EQ(RunProgram(ctx, "", "", true, false, false), 0);  // no program configured
  const auto messages = port.CallsOf("message");
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].text, "/x/곡 list\n지정된 파일이 존재하지 않습니다.");
  EXPECT_EQ(messages[0].value, static_cast<long long>(MessageIcon::Warning));
  EXPECT_EQ(messages[1].text, "/x/a\n프로세스 생성 실패: 오류 코드 13");
  EXPECT_EQ(messages[1].value, static_cast<long long>(MessageIcon::Stop));
  EXPECT_EQ(messages[2].text, "/x/a\n관리자 권한으로 실행 실패: 오류 코드 2");
  EXPECT_EQ(messages[2].value, static_cast<long long>(MessageIcon::Stop));
  EXPECT_EQ(messages[3].text, "실행할 프로그램이 설정되지 않았습니다.\nsetting.env를 확인하세요.");
}

TEST_F(Launching, RunProgramBoundedWait) {
  ctx.responseTimeoutMs = 250;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "-q", false, true, false), 1);
  EXPECT_EQ(fake.log, (V{"start /x/a", "wait-process 250"}));
  EXPECT_FALSE(fake.requests[0].show);
  EXPECT_TRUE(port.Messages().empty());

  fake.log.clear();
  fake.waitResult = platform::ProcessHandle::WaitResult::TimedOut;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, true, false), 0);
  EXPECT_EQ(fake.log, (V{"start /x/a", "wait-process 250", "terminate 1"}));
  EXPECT_EQ(port.Messages(), V{"프로세스가 응답하지 않아 종료되었습니다."});

  // Elevation that gives no handle back cannot be waited for: a success.
  fake.log.clear();
  fake.noHandle = true;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, true, true), 1);
  EXPECT_EQ(fake.log, V{"start /x/a elevated"});
}

// A player whose manifest asks for administrator rights: one more try, elevated; a failure
// of that try is reported as an elevated start's failure, and nothing is tried a third time.
TEST_F(Launching, ElevationRequiredIsTriedOnceElevated) {
  fake.failPlainWith = platform::kElevationRequiredError;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "-q", true, false, false), 1);
  EXPECT_EQ(fake.log, (V{"start /x/a", "start /x/a elevated"}));
  EXPECT_EQ(fake.requests[1].arguments, "-q");
  EXPECT_TRUE(fake.requests[1].workingDir.empty());
  EXPECT_TRUE(port.Messages().empty());

  fake.log.clear();
  fake.failWith = 5;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, false, false), 0);
  EXPECT_EQ(fake.log, (V{"start /x/a"}));  // another error: no elevated try
  fake.failWith = 0;
  fake.failPlainWith = 0;

  fake.log.clear();
  fake.onStart = [this](const platform::StartRequest& r) {
    if (r.elevated) fake.failWith = 1223;  // the operator declined the prompt
  };
  fake.failPlainWith = platform::kElevationRequiredError;
  EXPECT_EQ(RunProgram(ctx, "/x/a", "", true, false, false), 0);
  EXPECT_EQ(fake.log, (V{"start /x/a", "start /x/a elevated"}));
  EXPECT_EQ(port.Messages().back(), "/x/a\n관리자 권한으로 실행 실패: 오류 코드 1223");
}

TEST(WorkingFolder, PathUpToItsLastSeparator) {
  EXPECT_EQ(WorkingFolderOf("/opt/tunova/tunova"), "/opt/tunova");
  EXPECT_EQ(WorkingFolderOf("/tunova"), "/");
  EXPECT_EQ(WorkingFolderOf("tunova"), "");
}

// Real starts of the helper program.
class RealLaunching : public ::testing::Test {
 protected:
  RecordingPort port;
  ToolOptions options;
  LaunchContext ctx{platform::SystemProcesses(), port, options};
  const std::string helper = ORVIK_TEST_HELPER;
};

TEST_F(RealLaunching, WaitedProgramThatEndsShowsNothing) {
  EXPECT_NE(RunProgram(ctx, helper, "exit 0", false, true, false), 0);
  EXPECT_TRUE(port.Messages().empty());
}

TEST_F(RealLaunching, HangingProgramIsTerminatedAfterTheBoundedWait) {
  ctx.responseTimeoutMs = 100;
  EXPECT_EQ(RunProgram(ctx, helper, "hang", false, true, false), 0);
  EXPECT_EQ(port.Messages(), V{"프로세스가 응답하지 않아 종료되었습니다."});
}

TEST_F(RealLaunching, MissingFileAndFolderPath) {
  test::TempDir dir;
  EXPECT_EQ(RunProgram(ctx, (dir / "none").string(), "", true, false, false), 0);
  EXPECT_EQ(RunProgram(ctx, dir.path().string(), "", true, false, false), 0);
#ifdef _WIN32
  const std::string denied = "5";  // ERROR_ACCESS_DENIED
#else
  const std::string denied = "13";  // EACCES
#endif
  EXPECT_EQ(port.Messages(),
            (V{(dir / "none").string() + "\n지정된 파일이 존재하지 않습니다.",
               dir.path().string() + "\n프로세스 생성 실패: 오류 코드 " + denied}));
}

}  // namespace
}  // namespace orvik
