// A song file that another program holds open without sharing, as a player or an antivirus
// scanner does on Windows: the helper program opens it and keeps it until released.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/path_text.h"
#include "support/test_helper_program.h"

namespace orvik::test {

class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& file) {
    static std::atomic<int> counter{0};
    const std::string base = "OrvikHeld" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(counter++);
    ready_ = ::CreateEventW(nullptr, TRUE, FALSE, platform::PathFromUtf8(base + "r").c_str());
    release_ = ::CreateEventW(nullptr, TRUE, FALSE, platform::PathFromUtf8(base + "x").c_str());
    process_ = StartHelper("hold \"" + platform::PathToUtf8(file) + "\" " + base + "r " + base +
                           "x")
                   .process;
    held_ = process_ && ::WaitForSingleObject(ready_, 20000) == WAIT_OBJECT_0;
  }
  ~HeldFile() {
    Release();
    ::CloseHandle(ready_);
    ::CloseHandle(release_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool held() const { return held_; }
  // Lets go and waits until the helper has closed the file.
  void Release() {
    ::SetEvent(release_);
    if (process_) process_->Wait(20000);
    process_.reset();
  }
  // For a retry callback: lets go without waiting (the retry finds the file free soon).
  void SignalRelease() { ::SetEvent(release_); }

 private:
  HANDLE ready_ = nullptr;
  HANDLE release_ = nullptr;
  std::unique_ptr<platform::ProcessHandle> process_;
  bool held_ = false;
};

}  // namespace orvik::test
