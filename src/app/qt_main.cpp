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
      : application_(argc, argv) {
    orvik::CloseWindowsOnTermination();
    const std::filesystem::path moduleDir = deps.moduleDir;
    dlg_ = std::make_unique<orvik::ui::COrvikDlg>();
    orvik::RaiseOnSecondStart(moduleDir, dlg_.get());
    logic_ = std::make_unique<orvik::COrvikWindow>(*dlg_, std::move(deps));
    dlg_->AttachLogic(logic_.get());
  }
  ~QtLauncherWindow() override {
    logic_->OnClose();  // workers joined, setting.env saved (once; the dialog may have done it)
    logic_.reset();
    dlg_.reset();
  }
  bool RunModal() override {
    dlg_->exec();
    return true;
  }

 private:
  QApplication application_;
  std::unique_ptr<orvik::ui::COrvikDlg> dlg_;
  std::unique_ptr<orvik::COrvikWindow> logic_;
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
