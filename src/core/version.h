// The launcher's version, as the About box, --version, the log and the device connect
// give it.
#pragma once

namespace orvik {

inline constexpr const char* kOrvikVersion = "0.9.1";

}  // namespace orvik
