// The helper program of the process tests (tests/helpers), started for real.
#pragma once

#include <string>

#include "platform/process.h"

namespace orvik::test {

inline const std::string kHelper = ORVIK_TEST_HELPER;
#ifdef _WIN32
inline const std::string kExeSuffix = ".exe";
#else
inline const std::string kExeSuffix;
#endif

inline platform::StartResult StartHelper(const std::string& arguments,
                                         const std::string& workingDir = {}) {
  platform::StartRequest request;
  request.path = kHelper;
  request.arguments = arguments;
  request.workingDir = workingDir;
  request.show = false;
  return platform::SystemProcesses().Start(request);
}

}  // namespace orvik::test
