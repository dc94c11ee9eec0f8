// orvik --sync writes to the console it was started from. A Windows GUI program has none of
// its own, so it attaches to its parent's; elsewhere the standard streams are already there.
#pragma once

#include <cstdio>

namespace orvik {

void AttachParentConsole();
// True when `stream` is an interactive terminal (one progress line redrawn in place).
bool IsTerminal(std::FILE* stream);

}  // namespace orvik
