// Addresses the service sends (banner links, the launcher's update page) are handed to the
// system's default handler only when they are web addresses: anything else (file:, a bare
// path, a custom scheme) would let a reply start a local program.
#pragma once

#include <string_view>

namespace orvik {

// An absolute http:// or https:// address (scheme in any case) with a host, free of
// spaces, quotes and control characters.
bool IsWebAddress(std::string_view text);

// An absolute plain http:// address with a host: the only kind form posts go to.
bool IsPlainHttpUrl(std::string_view text);

}  // namespace orvik
