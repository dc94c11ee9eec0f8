#include <windows.h>

#include <io.h>

#include "app/console_attach.h"

namespace orvik {

// Called by the Windows entry point before RunSync; a scheduled task has no parent console,
// and then the output goes only to the log.
void AttachParentConsole() {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* ignored = nullptr;
  freopen_s(&ignored, "CONOUT$", "w", stdout);
  freopen_s(&ignored, "CONOUT$", "w", stderr);
  ::SetConsoleOutputCP(CP_UTF8);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace orvik
