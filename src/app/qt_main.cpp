// orvik: the launcher with the Qt front end. main only converts its arguments and says how
// to make the Qt window; the start-up is the shared one.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "app/instance_signal.h"
#include "app/launcher_main.h"
#include "app/termination_signal.h"
#include "ui/orvik_dlg.h"

namespace {

class QtLauncherWindow : public orvik::LauncherWindow {
 public:
  QtLauncherWindow(int& argc, char** argv, orvik::WindowDependencies deps)
      : application_(argc, argv), moduleDir_(deps.moduleDir), window_(std::move(deps)) {
    orvik::CloseWindowsOnTermination();
    orvik::RaiseOnSecondStart(moduleDir_, window_.dialog.get());
  }
  bool RunModal() override {
    window_.dialog->exec();
    return true;
  }

 private:
  QApplication application_;  // before any widget
  std::filesystem::path moduleDir_;
  orvik::DialogWithLogic<orvik::ui::COrvikDlg> window_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  orvik::LauncherFace face;
  face.makeWindow = [&argc, argv](orvik::WindowDependencies deps) {
    return std::make_unique<QtLauncherWindow>(argc, argv, std::move(deps));
  };
  face.raiseRunning = orvik::KnockOnRunningLauncher;
  return orvik::LauncherMain(args, std::move(face));
}
