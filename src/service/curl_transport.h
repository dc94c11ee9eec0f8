// The HTTP transport on libcurl.
#pragma once

#include <stop_token>

#include "core/service_address.h"
#include "service/http_transport.h"

namespace orvik {


class CurlTransport : public HttpTransport {
 public:
  // A stop request on `shutdown` ends every running and later transfer at once, silently.
  explicit CurlTransport(ServiceAddress address, std::stop_token shutdown = {});

  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) override;
  std::optional<std::string> GetSecure(const std::string& path,
                                       TransportError* error = nullptr) override;
  bool DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                    TransportError* error = nullptr) override;
  bool IsConnected() override;
  FetchResult Fetch(const FetchRequest& request) override;

  const ServiceAddress& Address() const { return address_; }

 private:
  ServiceAddress address_;
  std::stop_token shutdown_;
};

}  // namespace orvik
