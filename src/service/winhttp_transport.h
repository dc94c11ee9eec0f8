// The HTTP transport on WinHTTP (Windows). Behaves as the libcurl one does: the same statuses,
// failure kinds, log lines, limits and files.
#pragma once

#include <stop_token>

#include "core/service_address.h"
#include "service/http_transport.h"

namespace orvik {

struct ExchangeSettings;

class WinHttpTransport : public HttpTransport {
 public:
  // A stop request on `shutdown` ends every running and later transfer at once, silently.
  // The user's proxy settings are read here, once.
  explicit WinHttpTransport(ServiceAddress address, std::stop_token shutdown = {});
  ~WinHttpTransport() override;
  WinHttpTransport(const WinHttpTransport&) = delete;
  WinHttpTransport& operator=(const WinHttpTransport&) = delete;

  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) override;
  std::optional<std::string> GetSecure(const std::string& path,
                                       TransportError* error = nullptr) override;
  bool DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                    TransportError* error = nullptr) override;
  bool IsConnected() override;
  FetchResult Fetch(const FetchRequest& request) override;

 private:
  ExchangeSettings Settings() const;

  ServiceAddress address_;
  std::stop_token shutdown_;
  void* session_ = nullptr;  // HINTERNET, asynchronous
};

}  // namespace orvik
