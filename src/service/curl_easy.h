// One libcurl transfer with the settings every request of the launcher shares. Internal to
// the libcurl transport.
#pragma once

#include <curl/curl.h>

#include <optional>
#include <stop_token>
#include <string>

#include "service/http_transport.h"

namespace orvik {

struct ServiceAddress;

// Scheme and host of an absolute URL as libcurl reads it; nothing when it cannot be split.
struct UrlParts {
  std::string scheme;  // lower case
  std::string host;
};
std::optional<UrlParts> SplitUrl(const std::string& url);

// The operator's terms for a libcurl failure.
TransportFailure FailureOf(CURLcode code);

class CurlEasy {
 public:
  // `secureOnly`: the URL and every redirect must be https (no downgrade to plain http).
  CurlEasy(const std::string& url, const ServiceAddress& address, bool secureOnly,
           std::stop_token shutdown, std::stop_token stop = {});
  ~CurlEasy();
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;

  CURL* get() const { return curl_; }
  // Runs the transfer; the libcurl result.
  CURLcode Perform();
  long ResponseCode() const;
  // Why the transfer failed, as libcurl says it.
  std::string ErrorText(CURLcode code) const;
  // What went wrong, for a transfer that did not end with CURLE_OK.
  TransportError Error(CURLcode code) const;
  bool Stopped() const { return shutdown_.stop_requested() || stop_.stop_requested(); }

 private:
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  CURL* curl_ = nullptr;
  std::stop_token shutdown_;
  std::stop_token stop_;
  char error_[CURL_ERROR_SIZE] = {};
};

}  // namespace orvik
