// The HTTP transport on libcurl (POSIX).
#pragma once

#include "service/library_transport.h"

namespace orvik {

class CurlTransport final : public LibraryTransport {
 public:
  using LibraryTransport::LibraryTransport;

 private:
  Outcome Run(const Exchange& exchange, Delivery& delivery) override;
};

}  // namespace orvik
