// The platform's HTTP transport: libcurl on POSIX, WinHTTP on Windows.
#pragma once

#include <memory>
#include <stop_token>

#include "core/service_address.h"
#include "service/http_transport.h"

namespace orvik {

class WindowPort;

// `port` receives the messages of GetSecure (may be null: then they are dropped). A stop
// request on `shutdown` ends every running and later transfer at once, silently.
std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address, WindowPort* port,
                                                   std::stop_token shutdown = {});

}  // namespace orvik
