// The platform's HTTP transport: libcurl on POSIX, WinHTTP on Windows.
#pragma once

#include <memory>
#include <stop_token>

#include "core/service_address.h"
#include "service/http_transport.h"

namespace orvik {

// Failures come back as TransportError and the caller tells the operator. A stop request on
// `shutdown` ends every running and later transfer at once, silently.
std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown = {});

}  // namespace orvik
