// The console of --sync, --help and --version. A Windows GUI program has none of its own:
// output redirected by its starter (a scheduled task's file, a pipe) is used as it is, and
// otherwise it writes to its parent's console. Elsewhere the standard streams are there.
#pragma once

#include <cstdio>

namespace orvik {

void AttachParentConsole();
// True when `stream` is an interactive terminal (one progress line redrawn in place).
bool IsTerminal(std::FILE* stream);

}  // namespace orvik
