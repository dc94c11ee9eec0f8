// Processes: start, wait, terminate, search by executable name, and run-and-capture.
// Behind an interface so that launching logic is tested with a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace orvik::platform {

struct StartRequest {
  std::string path;
  std::string arguments;   // one text, appended after the quoted path
  std::string workingDir;  // empty: the launcher's current directory
  bool show = true;
  bool elevated = false;
};

class ProcessHandle {
 public:
  virtual ~ProcessHandle() = default;
  enum class WaitResult { Exited, TimedOut, Failed };
  virtual WaitResult Wait(int timeoutMs) = 0;  // timeoutMs < 0: no limit
  virtual void Terminate(int exitCode) = 0;
  // Dropping a handle does not end the process; the platform still reaps it once it ends.
};

// The system error of a plain start of a program whose manifest asks for administrator
// rights (ERROR_ELEVATION_REQUIRED); such a start is tried once more elevated.
inline constexpr unsigned long kElevationRequiredError = 740;

struct StartResult {
  std::unique_ptr<ProcessHandle> process;  // null when elevation gave no handle back
  bool ok = false;
  unsigned long error = 0;  // system error number when !ok
};

class ProcessApi {
 public:
  virtual ~ProcessApi() = default;
  // The existence test of a path (file or folder).
  virtual bool PathExists(const std::string& path) = 0;
  virtual StartResult Start(const StartRequest& request) = 0;
  // Case-insensitive search of running executables by file name ("loopMIDI.exe").
  virtual bool IsProcessRunning(const std::string& exeName) = 0;
};

// The full path of a program found on the PATH (a name with a separator is taken as it
// is); empty when there is none.
std::string FindProgramOnPath(const std::string& name);

// The real processes of this machine.
ProcessApi& SystemProcesses();

// Starts argv[0] (searched on the PATH when it holds no separator) with the given arguments,
// no shell, in the current directory, and waits without time limit for it to end. `show`
// false keeps its output off the launcher's console. True when the process could be
// started; its exit code is not looked at.
bool RunCommandAndWait(const std::vector<std::string>& argv, bool show);

// The argument vector of a plain start: `arguments` split on blanks and tabs; a double-quoted
// part keeps its blanks, the quotes themselves are dropped, "" is an empty argument.
std::vector<std::string> SplitArguments(std::string_view arguments);

// One argument quoted for a Windows command line, so that the C runtime's parsing gives it
// back unchanged (backslashes are doubled only before a quote); and a whole command line.
std::string QuoteWindowsArgument(std::string_view argument);
std::string JoinWindowsCommandLine(const std::vector<std::string>& argv);
// The command line of a plain start: the quoted program, one blank, then the arguments as
// they are. Without arguments the blank stays after the closing quote: players that read
// their own command line expect it there.
std::string PlainStartCommandLine(std::string_view path, std::string_view arguments);

// Reaps started processes that have ended after their handles were dropped. Called by the
// process calls themselves; exposed so that callers can tidy up at a moment of their choice.
void ReapEndedChildren();

// Runs argv[0] with its arguments (no shell), hands its merged stdout/stderr to `onOutput`
// as it arrives, and returns the exit code; -1 when it could not be started, -2 when it
// was stopped through `stop` (the child is killed).
int RunAndCapture(const std::vector<std::string>& argv,
                  const std::function<void(std::string_view)>& onOutput, std::stop_token stop = {});

}  // namespace orvik::platform
