#include <unistd.h>

#include "app/console_attach.h"

namespace orvik {

void AttachParentConsole() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace orvik
