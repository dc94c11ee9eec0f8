#include "platform/background_priority.h"

#include <windows.h>

namespace orvik::platform {

// Background mode lowers the thread's CPU, I/O and memory priority together.
BackgroundPriority::BackgroundPriority() {
  lowered_ = SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN) != FALSE;
}

BackgroundPriority::~BackgroundPriority() {
  if (lowered_) SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_END);
}

}  // namespace orvik::platform
