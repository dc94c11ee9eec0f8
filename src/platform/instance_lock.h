// One launcher per module folder. The lock is one the operating system drops when its
// process ends (a crash or a kill included), never a PID file that a crash leaves behind.
#pragma once

#include <filesystem>
#include <memory>

namespace orvik::platform {

class InstanceLock {
 public:
  virtual ~InstanceLock() = default;  // releases the lock
};

// The lock of `moduleDir`; nullptr when another process holds it (or it cannot be taken).
std::unique_ptr<InstanceLock> TryLockModuleFolder(const std::filesystem::path& moduleDir);

}  // namespace orvik::platform
