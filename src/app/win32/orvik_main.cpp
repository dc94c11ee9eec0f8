// orvik.exe: the launcher on Windows. One launcher per module folder (a second start brings
// the first one's window to the front); the player installation is the current directory
// while the main window runs modally; --version and --help answer on the parent console.
#include <windows.h>
// windows.h first: the headers below need it.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "core/install_dir.h"
#include "platform/instance_lock.h"
#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "platform/wide_text.h"
#include "service/system_transport.h"
#include "ui/win32/orvik_dlg.h"
#include "window/orvik_window.h"

#ifndef ORVIK_VERSION
#define ORVIK_VERSION "0.9.1"
#endif

namespace {

constexpr char kHelp[] =
    "Usage: orvik.exe [--version | --help]\n"
    "Starts the Orvik launcher of the Tunova karaoke players. Its settings (setting.env),\n"
    "song data and logs are kept in the folder of orvik.exe.\n"
    "  --version  prints the version and ends\n"
    "  --help     prints this text and ends\n";

std::atomic<orvik::ui::win::COrvikDlg*> g_dialog{nullptr};

// Text for a console the program was started from (GUI programs have none of their own).
void PrintToParentConsole(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  // Redirected output (a pipe or a file) is used as it is; else the parent's console.
  if (!out || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_UNKNOWN) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                      nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
  }
  DWORD mode = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring wide = orvik::platform::Utf8ToWide(text);
    DWORD written = 0;
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// Console close, Ctrl+C, log-off and shut-down close the window the normal way, so that the
// settings are still saved.
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (auto* dialog = g_dialog.load()) {
    dialog->RequestClose();
    return TRUE;
  }
  return FALSE;
}

void BringFirstLauncherForward() {
  HWND other = FindWindowW(orvik::ui::win::COrvikDlg::kClassName, nullptr);
  if (!other) return;
  if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
  SetForegroundWindow(GetLastActivePopup(other));
}

int RunLauncher() {
  using namespace orvik;
  const std::filesystem::path moduleDir = platform::GetModuleDirectory();
  const auto lock = platform::TryLockModuleFolder(moduleDir);
  if (!lock) {
    BringFirstLauncherForward();
    return 0;
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  auto dlg = std::make_unique<ui::win::COrvikDlg>();
  WindowDependencies deps;
  deps.moduleDir = moduleDir;
  deps.makeTransport = [](const ServiceAddress& address,
                          std::stop_token shutdown) -> std::unique_ptr<HttpTransport> {
    return MakeSystemTransport(address, shutdown);
  };
  auto logic = std::make_unique<COrvikWindow>(*dlg, std::move(deps));
  dlg->AttachLogic(logic.get());

  std::error_code ec;
  const std::filesystem::path startDir = std::filesystem::current_path(ec);
  // A missing installation folder is no error: the launcher then stays where it started.
  const std::filesystem::path installDir = platform::PathFromUtf8(ReadInstallDir());
  if (!installDir.empty()) std::filesystem::current_path(installDir, ec);

  g_dialog = dlg.get();
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  dlg->DoModal();
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  g_dialog = nullptr;

  if (!startDir.empty()) std::filesystem::current_path(startDir, ec);
  logic->OnClose();  // workers joined, setting.env saved (once; the window may have done it)
  logic.reset();
  dlg.reset();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring option = argv && argc > 1 ? argv[1] : L"";
  if (argv) LocalFree(argv);
  if (option == L"--version") {
    PrintToParentConsole("orvik " ORVIK_VERSION "\n");
    return 0;
  }
  if (option == L"--help" || option == L"/?") {
    PrintToParentConsole(kHelp);
    return 0;
  }
  if (!option.empty()) {
    PrintToParentConsole("orvik: unknown option (try --help)\n");
    return 2;
  }
  try {
    return RunLauncher();
  } catch (...) {
    return 1;
  }
}
