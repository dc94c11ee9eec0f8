// Bad days on a virtual X display: whatever goes wrong with the service or the settings,
// the run button shows with the reason on the status line, and it starts the player.
// Each state is photographed (xvfb_bad_day_<name>.png beside the test).
#include <fstream>

#include "xvfb_support.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;

// Waits until the launcher's log holds `text` (bounded; woken by each write to the log).
bool WaitForLogLine(const fs::path& module, const std::string& text) {
  const fs::path logs = module / "logs";
  fs::create_directories(logs);
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, logs.c_str(), IN_MODIFY | IN_CREATE);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  bool found = false;
  while (!found && std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(logs / "orvik.log");
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    found = content.find(text) != std::string::npos;
    if (found) break;
    pollfd p{watch, POLLIN, 0};
    if (::poll(&p, 1, kWaitMs) <= 0) break;
    char buffer[4096];
    [[maybe_unused]] auto n = ::read(watch, buffer, sizeof buffer);
  }
  ::close(watch);
  return found;
}

struct BadDay {
  const char* name;
  std::vector<std::string> serviceArgs;  // besides catalog, work and certs
  bool refused = false;                  // the settings point at a port nobody listens on
  bool trustCa = true;
  bool productNumber = true;
  std::vector<int> catalogSongs;  // the store holds 1 and 2
  const char* logged;             // the log line that says the state is reached
  bool pressRun = false;
};

TEST(XvfbBadDay, TheRunButtonShowsWithTheReasonAndStartsThePlayer) {
  for (const char* tool : {"Xvfb", "import", "xdotool"})
    if (FindProgram(tool).empty()) GTEST_SKIP() << tool << " is not installed";
  const BadDay days[] = {
      {"refused", {}, true, true, true, {1, 2, 3}, "status: 서버에 연결할 수 없습니다", true},
      {"certificate",
       {},
       false,
       false,
       true,
       {1, 2, 3},
       "status: 서버 인증서를 확인할 수 없습니다"},
      {"503",
       {"--fault", "/api/device-connect=503"},
       false,
       true,
       true,
       {1, 2, 3},
       "status: 서버 오류 503"},
      {"removal-done", {}, false, true, true, {1}, "removal: 1 of 1 withdrawn songs deleted"},
      {"no-product-number", {}, false, true, false, {1, 2, 3}, "status: 제품 번호가 없습니다"},
  };
  VirtualDisplay screen;
  ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not report its display";
  for (const BadDay& day : days) {
    SCOPED_TRACE(day.name);
    test::TempDir dir;
    const fs::path catalog = dir / "catalog", work = dir / "work", module = dir / "module";
    for (int song : day.catalogSongs) WriteSong(catalog, song);
    for (int song : {1, 2}) WriteSong(module / "songs", song);
    fs::create_directories(work);
    fs::copy_file(ORVIK_EXECUTABLE, module / "orvik");
    const fs::path started = dir / "player-started";
    test::WriteTextFile(module / "player", "#!/bin/sh\ntouch '" + started.string() + "'\n");
    fs::permissions(module / "player", fs::perms::owner_all);

    std::vector<std::string> args = {
        ORVIK_SONGSVC_EXECUTABLE, "--catalog", catalog.string(), "--work", work.string(), "--certs",
        ORVIK_TEST_CERT_DIR};
    args.insert(args.end(), day.serviceArgs.begin(), day.serviceArgs.end());
    Child service(args, {}, true);
    std::map<std::string, std::string> printed;
    for (int i = 0; i < 3; ++i) {
      const std::string line = service.ReadLine();
      printed[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    ASSERT_EQ(printed.size(), 3u) << "the song service did not start";
    const std::string closed = "http://127.0.0.1:1";
    test::WriteTextFile(
        module / "setting.env",
        "[settings]\nservice=tunova\nrun=tunova\n[run]\ntunova=" + (module / "player").string() +
            "\n[songs]\ntunova=" + (module / "songs").string() + "\n" +
            (day.productNumber ? "[product]\nnumber=12345-67890\n" : "") +
            "[service]\nurl=" + (day.refused ? closed : printed["http"]) +
            "\nsecureUrl=" + (day.refused ? closed : printed["https"]) + "\n" +
            (day.trustCa ? "caFile=" + printed["ca"] + "\n" : ""));

    Child launcher({(module / "orvik").string()},
                   {{"DISPLAY", screen.Display()}, {"QT_QPA_PLATFORM", "xcb"}});
    ASSERT_TRUE(WaitForLogLine(module, day.logged)) << day.logged;
    // The window shows the state once its own queue has run past the outcome.
    Child window({FindProgram("xdotool"), "search", "--sync", "--onlyvisible", "--name", "^ $"},
                 {{"DISPLAY", screen.Display()}}, true);
    const std::string windowId = window.ReadLine();
    ASSERT_FALSE(windowId.empty());
    const fs::path shot =
        fs::path(ORVIK_SCREENSHOT_DIR) / (std::string("xvfb_bad_day_") + day.name + ".png");
    Child grab({FindProgram("import"), "-window", windowId, shot.string()},
               {{"DISPLAY", screen.Display()}});
    EXPECT_EQ(grab.Wait(), 0);
    if (day.pressRun) {
      Child click(
          {FindProgram("xdotool"), "mousemove", "--window", windowId, "607", "460", "click", "1"},
          {{"DISPLAY", screen.Display()}});
      EXPECT_EQ(click.Wait(), 0);
      EXPECT_TRUE(WaitForLogLine(module, "launch: " + (module / "player").string()));
      const int watch = ::inotify_init1(IN_CLOEXEC);
      ::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE | IN_ATTRIB);
      EXPECT_TRUE(fs::exists(started) || WaitForFileEnding(watch, "player-started"));
      ::close(watch);
    }
    EXPECT_EQ(launcher.Stop(), 0);
    EXPECT_EQ(service.Stop(), 0);
  }
}

}  // namespace
}  // namespace orvik
