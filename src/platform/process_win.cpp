// Processes on Windows: CreateProcessW with a quoted command line (never a shell), the
// elevated start through ShellExecuteExW "runas", the process search through Toolhelp32.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <mutex>

#include "platform/process.h"
#include "platform/wide_text.h"

namespace orvik::platform {
namespace {

// Handles are made inheritable only for the moment of one start, so a child never keeps
// another start's pipe open (its reader would then wait for that child too).
std::mutex g_inheritMutex;

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() {
    if (h_) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  void reset(HANDLE h = nullptr) {
    if (h_) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_;
};

class WinProcess : public ProcessHandle {
 public:
  explicit WinProcess(HANDLE process) : process_(process) {}

  WaitResult Wait(int timeoutMs) override {
    const DWORD r = ::WaitForSingleObject(process_.get(),
                                          timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (r == WAIT_OBJECT_0) return WaitResult::Exited;
    return r == WAIT_TIMEOUT ? WaitResult::TimedOut : WaitResult::Failed;
  }

  void Terminate(int exitCode) override {
    if (::TerminateProcess(process_.get(), static_cast<UINT>(exitCode)))
      ::WaitForSingleObject(process_.get(), INFINITE);
  }

 private:
  Handle process_;
};

struct Launch {
  std::wstring commandLine;
  std::wstring workingDir;  // empty: the current directory
  bool hidden = false;
  HANDLE output = nullptr;  // stdout and stderr of the child, inheritable while it starts
  bool suspended = false;
};

// The process handle, or null with `error` set.
HANDLE CreateChild(const Launch& launch, DWORD& error, HANDLE* thread = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (launch.hidden) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  Handle nul;
  if (launch.output) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    nul.reset(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                            OPEN_EXISTING, 0, nullptr));
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = nul.get();
    startup.hStdOutput = launch.output;
    startup.hStdError = launch.output;
  }
  DWORD flags = CREATE_UNICODE_ENVIRONMENT;
  if (launch.hidden || launch.output) flags |= CREATE_NO_WINDOW;
  if (launch.suspended) flags |= CREATE_SUSPENDED;
  std::wstring commandLine = launch.commandLine;  // CreateProcessW may write into it
  PROCESS_INFORMATION info{};
  BOOL ok;
  {
    std::lock_guard lock(g_inheritMutex);
    if (launch.output)
      ::SetHandleInformation(launch.output, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    ok = ::CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, launch.output != nullptr, flags, nullptr,
        launch.workingDir.empty() ? nullptr : launch.workingDir.c_str(), &startup, &info);
    error = ok ? 0 : ::GetLastError();
    if (launch.output) ::SetHandleInformation(launch.output, HANDLE_FLAG_INHERIT, 0);
  }
  if (!ok) return nullptr;
  if (thread)
    *thread = info.hThread;
  else
    ::CloseHandle(info.hThread);
  return info.hProcess;
}

std::wstring CommandLineOf(const std::vector<std::string>& argv) {
  std::vector<std::string> resolved = argv;
  resolved[0] = FindProgramOnPath(argv[0]);
  return Utf8ToWide(JoinWindowsCommandLine(resolved));
}

StartResult StartElevated(const StartRequest& request) {
  // The shell's verbs may run through COM extensions: the calling thread needs COM, in the
  // apartment the shell expects. A thread already in another apartment keeps its own.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  struct ComScope {
    bool own;
    ~ComScope() {
      if (own) ::CoUninitialize();
    }
  } comScope{SUCCEEDED(com)};
  const std::wstring file = Utf8ToWide(request.path);
  const std::wstring parameters = Utf8ToWide(request.arguments);
  const std::wstring folder = Utf8ToWide(request.workingDir);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = request.show ? SW_SHOWNORMAL : SW_HIDE;
  if (!::ShellExecuteExW(&info)) return {nullptr, false, ::GetLastError()};
  if (!info.hProcess) return {nullptr, true, 0};
  return {std::make_unique<WinProcess>(info.hProcess), true, 0};
}

class WinProcesses : public ProcessApi {
 public:
  bool PathExists(const std::string& path) override {
    const std::wstring wide = Utf8ToWide(path);
    return !wide.empty() && ::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  StartResult Start(const StartRequest& request) override {
    if (request.elevated) return StartElevated(request);
    Launch launch;
    launch.commandLine = Utf8ToWide(PlainStartCommandLine(request.path, request.arguments));
    launch.workingDir = Utf8ToWide(request.workingDir);
    launch.hidden = !request.show;
    DWORD error = 0;
    const HANDLE process = CreateChild(launch, error);
    if (!process) return {nullptr, false, error};
    return {std::make_unique<WinProcess>(process), true, 0};
  }

  bool IsProcessRunning(const std::string& exeName) override {
    const std::wstring name = Utf8ToWide(exeName);
    if (name.empty()) return false;
    Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.get()) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      if (::CompareStringOrdinal(entry.szExeFile, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
        return true;
    }
    return false;
  }
};

}  // namespace

std::string FindProgramOnPath(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos) return name;
  const std::wstring wide = Utf8ToWide(name);
  if (wide.empty()) return {};
  std::wstring found(MAX_PATH, L'\0');
  DWORD n = ::SearchPathW(nullptr, wide.c_str(), L".exe", static_cast<DWORD>(found.size()),
                          found.data(), nullptr);
  if (n >= found.size()) {
    found.resize(n);
    n = ::SearchPathW(nullptr, wide.c_str(), L".exe", n, found.data(), nullptr);
  }
  if (n == 0 || n >= found.size()) return {};
  found.resize(n);
  const DWORD attributes = ::GetFileAttributesW(found.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return WideToUtf8(found);
}

ProcessApi& SystemProcesses() {
  static WinProcesses processes;
  return processes;
}

// Windows keeps no zombies: a dropped handle is all there is to tidy.
void ReapEndedChildren() {}

bool RunCommandAndWait(const std::vector<std::string>& argv, bool show) {
  if (argv.empty()) return false;
  Launch launch;
  launch.commandLine = CommandLineOf(argv);
  launch.hidden = !show;
  DWORD error = 0;
  Handle process(CreateChild(launch, error));
  if (!process.get()) return false;
  ::WaitForSingleObject(process.get(), INFINITE);
  return true;
}

int RunAndCapture(const std::vector<std::string>& argv,
                  const std::function<void(std::string_view)>& onOutput, std::stop_token stop) {
  if (argv.empty()) return -1;
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return -1;
  Handle reader(readEnd);
  Handle writer(writeEnd);
  // In a job that dies with its last handle: the child ends with the launcher, however
  // the launcher ends.
  Handle job(::CreateJobObjectW(nullptr, nullptr));
  if (job.get()) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  Launch launch;
  launch.commandLine = CommandLineOf(argv);
  launch.output = writer.get();
  launch.suspended = true;
  DWORD error = 0;
  HANDLE threadHandle = nullptr;
  Handle process(CreateChild(launch, error, &threadHandle));
  Handle thread(threadHandle);
  writer.reset();  // the child holds the only write end now: its end is our end of file
  if (!process.get()) return -1;
  if (job.get() && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
  ::ResumeThread(thread.get());

  std::mutex m;
  bool ended = false;
  bool stopped = false;
  std::stop_callback onStop(stop, [&] {
    std::lock_guard lock(m);
    if (ended) return;
    stopped = true;
    if (job.get()) ::TerminateJobObject(job.get(), 1);
    ::TerminateProcess(process.get(), 1);
  });
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    if (onOutput) onOutput(std::string_view(buffer, got));
  }
  ::WaitForSingleObject(process.get(), INFINITE);
  {
    std::lock_guard lock(m);
    ended = true;
  }
  if (stopped) return -2;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) return -1;
  return static_cast<int>(code);
}

}  // namespace orvik::platform
