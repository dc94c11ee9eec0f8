// orvik.exe: the launcher with the Win32 front end. wWinMain only converts its arguments
// to UTF-8 and says how to make the Win32 window; the start-up is the shared one.
#include <windows.h>
// windows.h first: the headers below need it.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/launcher_main.h"
#include "platform/wide_text.h"
#include "ui/win32/orvik_dlg.h"

namespace {

std::atomic<orvik::ui::win::COrvikDlg*> g_dialog{nullptr};

// Console close, Ctrl+C, log-off and shut-down close the window the normal way, so that the
// settings are still saved.
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (auto* dialog = g_dialog.load()) {
    dialog->RequestClose();
    return TRUE;
  }
  return FALSE;
}

class Win32LauncherWindow : public orvik::LauncherWindow {
 public:
  explicit Win32LauncherWindow(orvik::WindowDependencies deps)
      : com_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)),
        controls_(InitControls()),
        window_(std::in_place, std::move(deps)) {}
  ~Win32LauncherWindow() override {
    window_.reset();
    if (SUCCEEDED(com_)) CoUninitialize();
  }
  bool RunModal() override {
    g_dialog = window_->dialog.get();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    const INT_PTR result = window_->dialog->DoModal();
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    g_dialog = nullptr;
    return result != -1;  // -1: the dialog could not be created
  }

 private:
  static bool InitControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls);
  }

  HRESULT com_;  // before the window, which may use COM; ended after it
  bool controls_;
  std::optional<orvik::DialogWithLogic<orvik::ui::win::COrvikDlg>> window_;
};

// A second start: the first launcher's window comes to the front.
void BringFirstLauncherForward(const std::filesystem::path&) {
  HWND other = FindWindowW(orvik::ui::win::COrvikDlg::kClassName, nullptr);
  if (!other) return;
  if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
  SetForegroundWindow(GetLastActivePopup(other));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::string> args;
  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) args.push_back(orvik::platform::WideToUtf8(argv[i]));
    LocalFree(argv);
  }
  orvik::LauncherFace face;
  face.makeWindow = [](orvik::WindowDependencies deps) {
    return std::make_unique<Win32LauncherWindow>(std::move(deps));
  };
  face.raiseRunning = BringFirstLauncherForward;
  return orvik::LauncherMain(args, std::move(face));
}
