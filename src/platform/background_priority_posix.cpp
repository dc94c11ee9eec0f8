#include "platform/background_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace orvik::platform {
namespace {

// Linux keeps a nice value and an I/O priority per thread; the C library wraps neither
// per-thread call, so the system calls are made directly.
#if defined(__linux__)
constexpr int kIoPrioWhoProcess = 1;  // with a thread id: that thread
constexpr int kIoPrioClassShift = 13;
constexpr int kIoPrioClassIdle = 3;

long ThreadId() { return syscall(SYS_gettid); }
#endif

}  // namespace

BackgroundPriority::BackgroundPriority() {
#if defined(__linux__)
  const auto tid = static_cast<id_t>(ThreadId());
  errno = 0;
  oldNice_ = getpriority(PRIO_PROCESS, tid);
  const bool niced = errno == 0 && setpriority(PRIO_PROCESS, tid, 19) == 0;
  oldIoPriority_ = static_cast<int>(syscall(SYS_ioprio_get, kIoPrioWhoProcess, ThreadId()));
  const bool idled = syscall(SYS_ioprio_set, kIoPrioWhoProcess, ThreadId(),
                             kIoPrioClassIdle << kIoPrioClassShift) == 0;
  lowered_ = niced && idled;
#else
  errno = 0;
  oldNice_ = getpriority(PRIO_PROCESS, 0);
  lowered_ = errno == 0 && setpriority(PRIO_PROCESS, 0, 19) == 0;
#endif
}

BackgroundPriority::~BackgroundPriority() {
#if defined(__linux__)
  const auto tid = static_cast<id_t>(ThreadId());
  // Raising it back needs a privilege an operator's account may lack: then it stays low, and
  // the thread's work is over anyway.
  setpriority(PRIO_PROCESS, tid, oldNice_);
  if (oldIoPriority_ >= 0) syscall(SYS_ioprio_set, kIoPrioWhoProcess, ThreadId(), oldIoPriority_);
#else
  setpriority(PRIO_PROCESS, 0, oldNice_);
#endif
}

}  // namespace orvik::platform
