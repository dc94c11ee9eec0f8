// The real launcher on a virtual X display, talking to the reference song service: its
// window is photographed once the service has answered the update check, then the launcher
// is asked to end and must leave its settings behind.
#include "xvfb_support.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;

TEST(XvfbWindow, ShowsCountsFromTheServiceAndSavesSettingsOnTermination) {
  const std::string xvfb = FindProgram("Xvfb");
  const std::string import = FindProgram("import");
  if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
  if (import.empty()) GTEST_SKIP() << "ImageMagick's import is not installed";

  test::TempDir dir;
  const fs::path catalog = dir / "catalog", work = dir / "work", module = dir / "module";
  for (int song : {1, 2, 3, 4, 5, 1001}) WriteSong(catalog, song);
  for (int song : {1, 2}) WriteSong(module / "songs", song);
  fs::create_directories(work);
  fs::create_directories(module / "bin" / "images");
  fs::copy_file(ORVIK_EXECUTABLE, module / "orvik");
  // One banner picture only: a single picture does not slide, so the screen holds still.
  fs::copy_file(fs::path(ORVIK_SOURCE_DIR) / "data/images/tunova.png",
                module / "bin/images/tunova.png");

  VirtualDisplay screen;
  ASSERT_FALSE(screen.Display().empty()) << "Xvfb did not report its display";
  const std::string display = screen.Display();

  Child service({ORVIK_SONGSVC_EXECUTABLE, "--catalog", catalog.string(), "--work", work.string(),
                 "--certs", ORVIK_TEST_CERT_DIR},
                {}, true);
  ASSERT_TRUE(service.Started());
  std::map<std::string, std::string> printed;
  for (int i = 0; i < 3; ++i) {
    const std::string line = service.ReadLine();
    printed[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  ASSERT_EQ(printed.size(), 3u) << "the song service did not start";

  test::WriteTextFile(module / "setting.env",
                      "[settings]\nservice=tunova\n[songs]\ntunova=" + (module / "songs").string() +
                          "\n[product]\nnumber=12345-67890\n[service]\nurl=" + printed["http"] +
                          "\nsecureUrl=" + printed["https"] + "\ncaFile=" + printed["ca"] + "\n");

  // The service writes the package once the launcher has reported its songs.
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(watch, work.c_str(), IN_CREATE | IN_MOVED_TO);
  Child launcher({(module / "orvik").string()}, {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
  ASSERT_TRUE(launcher.Started());
  const bool checked = WaitForFileEnding(watch, ".zip");
  ::close(watch);
  EXPECT_TRUE(checked) << "the launcher never reported its songs";

  const fs::path shot = fs::path(ORVIK_SCREENSHOT_DIR) / "xvfb_orvik_window.png";
  fs::remove(shot);
  Child grab({import, "-window", "root", shot.string()}, {{"DISPLAY", display}});
  EXPECT_EQ(grab.Wait(), 0);
  EXPECT_GT(fs::exists(shot) ? fs::file_size(shot) : 0, 10000u) << shot;

  EXPECT_EQ(launcher.Stop(), 0);
  const std::string saved = test::ReadTextFile(module / "setting.env");
  EXPECT_NE(saved.find("[settings]\r\nrun=tunova\r\nservice=tunova\r\n"), std::string::npos)
      << saved;
  EXPECT_NE(saved.find("number=12345-67890\r\n"), std::string::npos) << saved;
  EXPECT_EQ(service.Stop(), 0);
}

}  // namespace
}  // namespace orvik
