// The HTTP transport on WinHTTP (Windows). Behaves as the libcurl one does: the same statuses,
// failure kinds, log lines, limits and files (library_transport.h).
#pragma once

#include "service/library_transport.h"

namespace orvik {

class WinHttpTransport final : public LibraryTransport {
 public:
  // The user's proxy settings are read here, once.
  WinHttpTransport(ServiceAddress address, std::stop_token shutdown = {});
  ~WinHttpTransport() override;
  WinHttpTransport(const WinHttpTransport&) = delete;
  WinHttpTransport& operator=(const WinHttpTransport&) = delete;

 private:
  Outcome Run(const Exchange& exchange, Delivery& delivery) override;

  void* session_ = nullptr;  // HINTERNET, asynchronous
};

}  // namespace orvik
