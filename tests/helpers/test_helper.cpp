// A small program the process tests start: it exits, hangs, or reports what it was given.
//   exit N           ends with exit code N
//   hang             waits until it is killed
//   print TEXT       writes TEXT to stdout
//   cwd FILE         writes its working folder to FILE
//   args FILE A...   writes its arguments to FILE, one per line
//   fds FILE         writes the numbers of its open descriptors to FILE, one per line (POSIX)
//   hold FILE READY RELEASE   opens FILE without sharing, sets the named event READY and keeps
//                    the file open until the named event RELEASE is set (Windows)
// With ORVIK_HELPER_COMMAND_LINE set (Windows), its raw command line is written to that file
// first.
// Texts are UTF-8 on every platform.
#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include "platform/wide_text.h"
#else
#include <dirent.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

#ifdef _WIN32
// The C runtime's narrow argv is in the ANSI code page; the wide command line is exact.
std::vector<std::string> Arguments(int, char**) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(orvik::platform::WideToUtf8(wide[i]));
  ::LocalFree(wide);
  return args;
}
std::string OpenDescriptors() { return {}; }
#else
std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

std::string OpenDescriptors() {
  std::string text;
  DIR* dir = opendir("/proc/self/fd");
  const int own = dir ? dirfd(dir) : -1;
  while (dirent* e = dir ? readdir(dir) : nullptr) {
    if (e->d_name[0] == '.' || std::atoi(e->d_name) == own) continue;
    text += e->d_name;
    text += '\n';
  }
  if (dir) closedir(dir);
  return text;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  if (const wchar_t* file = ::_wgetenv(L"ORVIK_HELPER_COMMAND_LINE")) {
    const std::wstring line = ::GetCommandLineW();
    std::string utf8(line.size() * 3, '\0');
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                              utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::ofstream(std::filesystem::path(file), std::ios::binary) << utf8;
  }
#endif
  const std::vector<std::string> args = Arguments(argc, argv);
  if (args.size() < 2) return 2;
  const std::string& mode = args[1];
  if (mode == "exit") return args.size() > 2 ? std::atoi(args[2].c_str()) : 0;
  if (mode == "hang") {
#ifdef _WIN32
    for (;;) ::Sleep(INFINITE);
#else
    for (;;) pause();
#endif
  }
  if (mode == "print" && args.size() > 2) {
    std::fputs(args[2].c_str(), stdout);
    return 0;
  }
  if (args.size() < 3) return 2;
#ifdef _WIN32
  if (mode == "hold" && args.size() > 4) {
    const std::wstring file = PathOf(args[2]).wstring();
    const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 4;
    const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, PathOf(args[3]).c_str());
    const HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, PathOf(args[4]).c_str());
    if (!ready || !release) return 5;
    ::SetEvent(ready);
    ::WaitForSingleObject(release, INFINITE);
    ::CloseHandle(held);
    return 0;
  }
#endif
  // Listed before the output file is opened, so that its descriptor is not among them.
  const std::string fds = mode == "fds" ? OpenDescriptors() : "";
  std::ofstream out(PathOf(args[2]), std::ios::binary);
  if (!out) return 3;
  if (mode == "cwd") {
    std::error_code ec;
    out << TextOf(std::filesystem::current_path(ec));
  } else if (mode == "args") {
    for (std::size_t i = 3; i < args.size(); ++i) out << args[i] << '\n';
  } else if (mode == "fds") {
    out << fds;
  }
  return 0;
}
