#include "core/midi_port_check.h"

#include <gtest/gtest.h>

#include "core/fake_processes.h"
#include "core/launching.h"
#include "core/settings_table.h"
#include "support/recording_port.h"

namespace orvik {
namespace {

using platform::MidiPortList;
using V = std::vector<std::string>;

MidiPortList Listed(V names) { return {true, std::move(names), {}}; }
MidiPortList Unreadable(std::string why) { return {false, {}, std::move(why)}; }

// A system whose outputs change as it is asked: answer i for the i-th call, the last one
// from then on. Waits are counted, not slept.
struct FakeSystem {
  std::vector<MidiPortList> answers;
  int calls = 0;
  int waitedMs = 0;

  MidiPortLister Lister() {
    return [this] { return answers[std::min<std::size_t>(calls++, answers.size() - 1)]; };
  }
  MidiPollWait Wait() {
    return [this](int ms) { waitedMs += ms; };
  }
  MidiPortCheck Check(const std::string& port) { return WaitForMidiPort(port, Lister(), Wait()); }
};

TEST(MidiPortCheck, FindsThePortAtOnceOrWhenItComesLate) {
  FakeSystem now{{Listed({"Microsoft GS Wavetable Synth", "loopMIDI Port"})}};
  const MidiPortCheck atOnce = now.Check("loopMIDI Port");
  EXPECT_EQ(atOnce.status, MidiPortStatus::Present);
  EXPECT_EQ(now.calls, 1);
  EXPECT_EQ(now.waitedMs, 0);

  // loopMIDI creates its port two seconds after its process shows up: 8 polls of 250 ms.
  FakeSystem late;
  late.answers.assign(9, Listed({"Microsoft GS Wavetable Synth"}));
  late.answers.push_back(Listed({"Microsoft GS Wavetable Synth", "loopMIDI Port"}));
  const MidiPortCheck afterTwoSeconds = late.Check("loopMIDI Port");
  EXPECT_EQ(afterTwoSeconds.status, MidiPortStatus::Present);
  EXPECT_EQ(late.waitedMs, 2250);
  EXPECT_EQ(late.calls, 10);
}

TEST(MidiPortCheck, GivesUpAfterTheBoundWhenThePortIsAbsentOrRenamed) {
  FakeSystem none{{Listed({})}};
  const MidiPortCheck absent = none.Check("loopMIDI Port");
  EXPECT_EQ(absent.status, MidiPortStatus::Missing);
  EXPECT_EQ(none.waitedMs, 5000);
  EXPECT_EQ(none.calls, 21);  // one look at the start and one after every pause
  EXPECT_EQ(MidiPortLogLine(absent), "midi port: \"loopMIDI Port\" missing; outputs: none");

  // Only a port of another name: not taken for the configured one.
  FakeSystem renamed{{Listed({"loopMIDI Port 2", "Karaoke Port"})}};
  const MidiPortCheck other = renamed.Check("loopMIDI Port");
  EXPECT_EQ(other.status, MidiPortStatus::Missing);
  EXPECT_EQ(other.seen, (V{"loopMIDI Port 2", "Karaoke Port"}));
  // The technician reads in the log what there was instead.
  EXPECT_EQ(MidiPortLogLine(other),
            "midi port: \"loopMIDI Port\" missing; outputs: loopMIDI Port 2, Karaoke Port");
  EXPECT_EQ(MidiPortMessage(other),
            "가상 MIDI 포트(loopMIDI Port)를 찾을 수 없습니다.\nloopMIDI에서 포트를 확인하세요.");
}

TEST(MidiPortCheck, AListThatCannotBeReadIsSaidAtOnceAndNotWaitedFor) {
  FakeSystem failing{{Unreadable("ALSA sequencer: No such file or directory")}};
  const MidiPortCheck check = failing.Check("loopMIDI Port");
  EXPECT_EQ(check.status, MidiPortStatus::Unchecked);
  EXPECT_EQ(failing.calls, 1);
  EXPECT_EQ(failing.waitedMs, 0);
  EXPECT_EQ(MidiPortStatusText(check), "가상 MIDI 포트(loopMIDI Port)를 확인할 수 없습니다.");
  EXPECT_NE(MidiPortMessage(check).find("MIDI 출력 목록을 읽지 못했습니다"), std::string::npos);
  EXPECT_EQ(MidiPortLogLine(check),
            "midi port: \"loopMIDI Port\" could not be checked: ALSA sequencer: No such file or "
            "directory");

  // The call fails on a later poll: still not a "missing" port.
  FakeSystem flaky{{Listed({}), Listed({}), Unreadable("midiOutGetDevCapsW failed: 6")}};
  EXPECT_EQ(flaky.Check("loopMIDI Port").status, MidiPortStatus::Unchecked);
  EXPECT_EQ(flaky.calls, 3);
}

TEST(MidiPortCheck, AnEmptyNameTurnsTheCheckOff) {
  FakeSystem system{{Listed({})}};
  EXPECT_EQ(system.Check("").status, MidiPortStatus::Off);
  EXPECT_EQ(system.Check("  ").status, MidiPortStatus::Off);
  EXPECT_EQ(system.calls, 0);
  EXPECT_EQ(MidiPortMessage(MidiPortCheck{}), "");

  SettingsTable settings;
  // Missing: loopMIDI's default when the virtual tools are used, else nothing to check.
  EXPECT_EQ(ConfiguredMidiPort(settings, true), "loopMIDI Port");
  EXPECT_EQ(ConfiguredMidiPort(settings, false), "");
  settings.Parse("[config]\nmidiPort=\n");
  EXPECT_EQ(ConfiguredMidiPort(settings, true), "");
  settings.Parse("[config]\nmidiPort= Room 3 Port \n");
  EXPECT_EQ(ConfiguredMidiPort(settings, false), "Room 3 Port");
}

TEST(MidiPortCheck, NamesMatchAsTheSystemsSpellThem) {
  EXPECT_TRUE(MidiPortMatches("loopMIDI Port", "loopMIDI Port"));
  EXPECT_TRUE(MidiPortMatches("LOOPMIDI PORT ", "loopmidi port"));
  EXPECT_FALSE(MidiPortMatches("loopMIDI Port 1", "loopMIDI Port"));
  EXPECT_FALSE(MidiPortMatches("loopMIDI", "loopMIDI Port"));
  EXPECT_FALSE(MidiPortMatches("", ""));
  // winmm keeps 31 characters of a name: the cut name is the long one.
  const std::string longName = "Karaoke Room Seven Virtual Port A";  // 33 characters
  EXPECT_TRUE(MidiPortMatches(longName.substr(0, 31), longName));
  EXPECT_FALSE(MidiPortMatches(longName.substr(0, 30), longName));
  // Counted in UTF-16 units, as winmm counts: 10 Hangul syllables + 21 letters.
  const std::string hangul = "노래방가상미디포트일" + std::string(21, 'x');
  EXPECT_TRUE(MidiPortMatches(hangul, hangul + "yz"));
  EXPECT_FALSE(MidiPortMatches(hangul.substr(0, hangul.size() - 1), hangul + "yz"));
}

TEST(MidiPortCheck, AboutLineListsTheOutputsOrSaysWhyNot) {
  EXPECT_EQ(MidiOutputsLine(Listed({"A", "loopMIDI Port"})), "MIDI 출력: A, loopMIDI Port");
  EXPECT_EQ(MidiOutputsLine(Listed({})), "MIDI 출력: 없음");
  EXPECT_EQ(MidiOutputsLine(Unreadable("x")), "MIDI 출력: 목록을 읽을 수 없습니다");
}

// The run button with a port configured: the player starts whatever the port check found,
// after the operator has been told.
class LaunchWithMidiPort : public ::testing::Test {
 protected:
  LaunchWithMidiPort() {
    ctx.wait = [this](int ms) { fake.log.push_back("sleep " + std::to_string(ms)); };
    ctx.midiPort = "loopMIDI Port";
    ctx.sayStatus = [this](const std::string& status) { port.SetControlText(kStatus, status); };
  }
  static constexpr int kStatus = 1;
  std::vector<test::PortCall> Told() {
    std::vector<test::PortCall> told;
    for (const auto& c : port.Calls())
      if (c.kind == "message" || (c.kind == "text" && c.id == kStatus)) told.push_back(c);
    return told;
  }
  test::FakeProcesses fake;
  test::RecordingPort port;
  ToolOptions options;
  LaunchContext ctx{fake, port, options};
};

TEST_F(LaunchWithMidiPort, MissingPortIsToldAndThePlayerStartsAnyway) {
  int lists = 0;
  ctx.listMidiPorts = [&] {
    fake.log.push_back("list");
    ++lists;
    return Listed({"Microsoft GS Wavetable Synth"});
  };
  EXPECT_TRUE(LaunchPlayer(ctx, "/opt/tunova/tunova", "tunova"));
  EXPECT_EQ(lists, 21);
  EXPECT_EQ(fake.log.back(), "start /opt/tunova/tunova");
  const auto told = Told();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].text, "가상 MIDI 포트(loopMIDI Port)를 찾을 수 없습니다.");
  EXPECT_EQ(told[1].kind, "message");
  EXPECT_EQ(told[1].value, static_cast<long long>(MessageIcon::Warning));
}

TEST_F(LaunchWithMidiPort, PresentOrUnconfiguredPortSaysNothing) {
  ctx.listMidiPorts = [] { return Listed({"loopMIDI Port"}); };
  EXPECT_TRUE(LaunchPlayer(ctx, "/opt/tunova/tunova", "tunova"));
  ctx.midiPort.clear();
  ctx.listMidiPorts = [] { return Unreadable("never asked"); };
  EXPECT_TRUE(LaunchPlayer(ctx, "/opt/tunova/tunova", "tunova"));
  EXPECT_TRUE(Told().empty());
  EXPECT_EQ(fake.Count("start /opt/tunova/tunova"), 2);
}

TEST_F(LaunchWithMidiPort, UnreadableListIsToldAndThePlayerStarts) {
  ctx.listMidiPorts = [] { return Unreadable("no sequencer"); };
  EXPECT_TRUE(LaunchPlayer(ctx, "/opt/tunova/tunova", "tunova"));
  const auto told = Told();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_NE(told[1].text.find("loopMIDI Port"), std::string::npos);
  EXPECT_EQ(fake.log, (V{"sleep 1000", "start /opt/tunova/tunova"}));
}

}  // namespace
}  // namespace orvik
