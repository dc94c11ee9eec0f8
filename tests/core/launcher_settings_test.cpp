#include "core/launcher_settings.h"

#include <gtest/gtest.h>

#include "core/launcher_state.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

using Entries = std::vector<std::string>;

class LauncherSettings : public ::testing::Test {
 protected:
  LauncherSettings() { state_.moduleDir = dir_.path(); }

  ProgramList Load(const std::string& file) {
    test::WriteTextFile(dir_ / "setting.env", file);
    return LoadSettings(state_);
  }
  std::string SaveAndRead() {
    EXPECT_TRUE(SaveSettings(state_));
    return test::ReadTextFile(dir_ / "setting.env");
  }

  test::TempDir dir_;
  LauncherState state_;
};

TEST_F(LauncherSettings, LowerCaseProServiceSavesBackAsSixLines) {
  const auto list = Load("[settings]\r\nservice=tunovapro\r\n");
  EXPECT_EQ(state_.ServiceKey(), "tunovaPRO");
  EXPECT_EQ(list.entries, (Entries{"tunova", "tunovaNEW", "tunovaPRO", "tunovaPRONEW"}));
  EXPECT_EQ(list.selected, 2);
  GetConfigFlag(state_, ToolOption::UseTools);  // as the start-up's tool options do
  EXPECT_EQ(SaveAndRead(),
            "[config]\r\nuseConfig=\r\n\r\n[settings]\r\nrun=tunovaPRO\r\nservice=tunovapro\r\n");
}

TEST_F(LauncherSettings, SecondEntryWinsAndEntryBeforeHeaderKeepsEmptySection) {
  Load("lonely=1\n[settings]\nrun=tunova\nrun=TUNOVA\nservice=tunova\n");
  EXPECT_EQ(state_.settings.Get("settings.run"), "tunova");  // the entry's own case
  const std::string saved = SaveAndRead();
  EXPECT_EQ(saved, "[]\r\nlonely=1\r\n[settings]\r\nrun=tunova\r\nservice=tunova\r\n");

  LauncherState again;
  again.moduleDir = dir_.path();
  LoadSettings(again);
  EXPECT_EQ(again.settings.Get(".lonely"), "1");
}

TEST_F(LauncherSettings, WantedProgramMatchesIgnoringCaseElseServiceElseFirst) {
  auto list = Load("[settings]\nservice=tunovaPRO\nrun=tunovapronew\n");
  EXPECT_EQ(list.entries[list.selected], "tunovaPRONEW");
  EXPECT_EQ(state_.settings.Get("settings.run"), "tunovaPRONEW");

  LauncherState other;
  other.moduleDir = dir_.path();
  test::WriteTextFile(dir_ / "setting.env", "[settings]\nservice=TUNOVANEW\nrun=tunovaHL\n");
  list = LoadSettings(other);
  EXPECT_EQ(other.ServiceKey(), "tunovaNEW");
  EXPECT_EQ(list.entries[list.selected], "tunovaNEW");
}

TEST_F(LauncherSettings, UnknownServiceLeavesNothingToSelectOrStore) {
  const auto list = Load("[settings]\nservice=tunova7\nrun=keep-me\n");
  EXPECT_EQ(state_.ServiceKey(), "tunova7");
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(list.selected, -1);
  EXPECT_EQ(state_.settings.Get("settings.run"), "keep-me");
  EXPECT_EQ(GetRunProgramPath(state_), kDefaultRunProgram);
}

TEST_F(LauncherSettings, NoFileLeavesTheDefaultsAndSavesTwoLines) {
  const auto list = LoadSettings(state_);
  EXPECT_EQ(state_.ServiceKey(), "tunova");
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(GetConfigFlag(state_, ToolOption::UseTools), 0);
  EXPECT_EQ(SaveAndRead(), "[config]\r\nuseConfig=\r\n");
}

TEST_F(LauncherSettings, ConfigFlagsReadTheLeadingInteger) {
  Load("[config]\nuseConfig=2\nloopMIDI=-1\nkvSYNTH=yes\ncantata=7abc\n");
  EXPECT_EQ(GetConfigFlag(state_, ToolOption::UseTools), 2);
  EXPECT_EQ(GetConfigFlag(state_, ToolOption::LoopMidi), -1);
  EXPECT_EQ(GetConfigFlag(state_, ToolOption::KvSynth), 0);
  EXPECT_EQ(GetConfigFlag(state_, ToolOption::Cantata), 7);
  EXPECT_EQ(LeadingInteger(" +12"), 12);
  EXPECT_NE(LeadingInteger("99999999999999999999"), 0);
  EXPECT_NE(LeadingInteger("-99999999999999999999"), 0);

  SetConfigFlag(state_, ToolOption::LoopMidi, true);
  SetConfigFlag(state_, ToolOption::KvSynth, false);
  EXPECT_EQ(state_.settings.Get("config.loopMIDI"), "1");
  EXPECT_EQ(state_.settings.Get("config.kvSYNTH"), "0");
  EXPECT_EQ(state_.settings.Entries().size(), 6u);  // 4 config + settings.run/service
}

TEST_F(LauncherSettings, PathLookupsAreDefaultsThatLeaveTheFileAlone) {
  Load("[settings]\nservice=tunovaNEW\n[run]\ntunovaNEW=d:\\p\\new.exe\n");
  EXPECT_EQ(GetSongsFolder(state_), "");  // no song store
  EXPECT_EQ(GetListProgramPath(state_), kDefaultListProgram);
  EXPECT_EQ(GetRunProgramPath(state_), "d:\\p\\new.exe");
  OnProgramSelected(state_, "tunova");
  EXPECT_EQ(GetRunProgramPath(state_), kDefaultRunProgram);
  EXPECT_EQ(SaveAndRead(),
            "[run]\r\ntunovaNEW=d:\\p\\new.exe\r\n\r\n[settings]\r\nrun=tunova\r\n"
            "service=tunovaNEW\r\n");

  state_.settings.Parse("[songs]\ntunovaNEW=e:\\songs\n[list]\ntunovaNEW=e:\\l.exe\n");
  EXPECT_EQ(GetSongsFolder(state_), "e:\\songs");
  EXPECT_EQ(GetListProgramPath(state_), "e:\\l.exe");

  // Written on Korean Windows: CP949, read as such (노래, 목록) and saved as it was.
  const std::string cp949 = "[songs]\r\ntunovaNEW=e:\\\xB3\xEB\xB7\xA1\r\n";
  state_.settings.Parse(cp949 + "[list]\r\ntunovaNEW=\xB8\xF1\xB7\xCF.exe\r\n");
  EXPECT_EQ(platform::PathToUtf8(GetSongsFolderPath(state_)), "e:\\노래");
  EXPECT_EQ(GetListProgramPath(state_), "목록.exe");
  EXPECT_NE(SaveAndRead().find(cp949), std::string::npos);
}

}  // namespace
}  // namespace orvik
