// orvik-demo-player.exe: the demo's stand-in karaoke player on Windows. The launcher starts
// it from the run button and watches its process until it ends; this one shows a small
// window until it is closed (its button, the close box, or taskkill).
//
// Beside itself it appends "started <pid>" and "ended <pid>" (Windows process ids) to
// player.log, so a script can see each start and end without looking at the screen.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Log(const char* event) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::wstring log(self, length);
  log = log.substr(0, log.find_last_of(L"\\/") + 1) + L"player.log";
  FILE* file = _wfopen(log.c_str(), L"ab");
  if (!file) return;
  std::fprintf(file, "%s %lu\n", event, static_cast<unsigned long>(GetCurrentProcessId()));
  std::fclose(file);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  Log("started");
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.lpszClassName = L"OrvikDemoPlayer";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"Tunova (demo player)",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 360, 160, nullptr, nullptr, instance, nullptr);
  CreateWindowExW(0, L"STATIC", L"The demo stands in for a karaoke player.", WS_CHILD | WS_VISIBLE,
                  20, 20, 320, 20, window, nullptr, instance, nullptr);
  CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 130, 60, 90, 28,
                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance,
                  nullptr);
  ShowWindow(window, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Log("ended");
  return 0;
}
