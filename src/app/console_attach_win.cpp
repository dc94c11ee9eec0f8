#include <windows.h>

#include <io.h>

#include "app/console_attach.h"

namespace orvik {
namespace {

// A handle the starter gave us: a file or a pipe (a console handle is attached anew below,
// since a GUI program's inherited console handles are not usable by its C runtime).
bool Redirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = ::GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

}  // namespace

void AttachParentConsole() {
  const bool outRedirected = Redirected(STD_OUTPUT_HANDLE);
  const bool errRedirected = Redirected(STD_ERROR_HANDLE);
  if (outRedirected && errRedirected) return;
  // A scheduled task without redirection has no parent console: its lines then go only to
  // the log.
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* ignored = nullptr;
  if (!outRedirected) freopen_s(&ignored, "CONOUT$", "w", stdout);
  if (!errRedirected) freopen_s(&ignored, "CONOUT$", "w", stderr);
  ::SetConsoleOutputCP(CP_UTF8);
  // The progress line is redrawn with an erase-to-end sequence (consoles of Windows 10 and
  // later understand it once asked to).
  const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (::GetConsoleMode(console, &mode))
    ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  ::CloseHandle(console);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace orvik
