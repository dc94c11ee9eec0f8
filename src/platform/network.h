#pragma once

namespace orvik::platform {

// True when an interface other than loopback is up with an address.
bool HasNetworkConnection();

}  // namespace orvik::platform
