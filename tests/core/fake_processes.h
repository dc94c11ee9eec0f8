// A process layer for launching tests: records starts and existence tests in one event log,
// and lets a test decide which files exist, which names run, and what a start does.
#pragma once

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/process.h"

namespace orvik::test {

class FakeProcesses : public platform::ProcessApi {
 public:
  struct Handle : platform::ProcessHandle {
    FakeProcesses* owner;
    explicit Handle(FakeProcesses* o) : owner(o) {}
    WaitResult Wait(int timeoutMs) override {
      owner->log.push_back("wait-process " + std::to_string(timeoutMs));
      return owner->waitResult;
    }
    void Terminate(int exitCode) override {
      owner->log.push_back("terminate " + std::to_string(exitCode));
    }
  };

  bool PathExists(const std::string& path) override {
    return existing.count(path) > 0 || existing.count("*") > 0;
  }
  platform::StartResult Start(const platform::StartRequest& request) override {
    requests.push_back(request);
    log.push_back("start " + request.path + (request.elevated ? " elevated" : ""));
    if (onStart) onStart(request);
    if (failWith != 0) return {nullptr, false, failWith};
    if (failPlainWith != 0 && !request.elevated) return {nullptr, false, failPlainWith};
    if (noHandle) return {nullptr, true, 0};
    return {std::make_unique<Handle>(this), true, 0};
  }
  bool IsProcessRunning(const std::string& exeName) override {
    return running.count(exeName) > 0;
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(log.begin(), log.end(), event));
  }

  std::set<std::string> existing{"*"};
  std::set<std::string> running;
  std::function<void(const platform::StartRequest&)> onStart;
  unsigned long failWith = 0;
  unsigned long failPlainWith = 0;  // fails the starts that are not elevated
  bool noHandle = false;
  platform::ProcessHandle::WaitResult waitResult = platform::ProcessHandle::WaitResult::Exited;
  std::vector<platform::StartRequest> requests;
  std::vector<std::string> log;
};

}  // namespace orvik::test
