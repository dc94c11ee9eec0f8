// A request to end the process (SIGTERM, SIGINT, SIGHUP on POSIX) closes the windows the
// normal way, so the main window's end-of-run work (saving setting.env) still happens.
#pragma once

namespace orvik {

void CloseWindowsOnTermination();

}  // namespace orvik
