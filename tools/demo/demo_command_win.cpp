// orvik-demo-command.exe: gives the launcher's window a command, as one of its controls or
// its system menu would. The demo's screenshots use it to reach what has no visible control
// (the hidden "make list" button that opens the progress dialog).
//   orvik-demo-command.exe command ID     WM_COMMAND with control ID
//   orvik-demo-command.exe syscommand ID  WM_SYSCOMMAND with item ID
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputws(L"usage: orvik-demo-command.exe command|syscommand ID\n", stderr);
    return 2;
  }
  HWND window = FindWindowW(L"OrvikLauncherDialog", nullptr);
  if (!window) {
    std::fputws(L"orvik-demo-command: no launcher window\n", stderr);
    return 1;
  }
  const std::wstring kind = argv[1];
  const auto id = static_cast<WPARAM>(std::wcstoul(argv[2], nullptr, 10));
  const UINT message = kind == L"syscommand" ? WM_SYSCOMMAND : WM_COMMAND;
  return PostMessageW(window, message, message == WM_COMMAND ? MAKEWPARAM(id, BN_CLICKED) : id, 0)
             ? 0
             : 1;
}
