// What the two HTTP transports share: every request the launcher makes (form post, secure
// GET, picture, package) with its limits, its failures in the operator's terms and its log
// line, written once. A library (libcurl, WinHTTP) only runs one exchange. Internal to the
// transports.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "core/service_address.h"
#include "service/http_transport.h"
#include "service/transport_limits.h"

namespace orvik {

class LibraryTransport : public HttpTransport {
 public:
  // A stop request on `shutdown` ends every running and later transfer at once, silently.
  LibraryTransport(ServiceAddress address, std::stop_token shutdown)
      : address_(std::move(address)), shutdown_(std::move(shutdown)) {}

  std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                      TransportError* error = nullptr) final;
  std::optional<std::string> GetSecure(const std::string& path,
                                       TransportError* error = nullptr) final;
  bool DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                    TransportError* error = nullptr) final;
  bool IsConnected() final;
  FetchResult Fetch(const FetchRequest& request) final;

  struct Exchange {
    bool post = false;  // a form post of `form`; else a GET
    std::string url;
    bool secureOnly = false;  // the address must be https (no redirect ever goes down to http)
    std::string form;
    std::chrono::seconds deadline = kRequestDeadline;  // for the whole exchange
    std::uint64_t lowSpeedBytesPerSecond = kLowSpeedBytesPerSecond;
    bool package = false;  // sends the package service's user agent
    std::optional<std::uint64_t> resumeFrom;
    std::string ifRange;  // with resumeFrom; never one with a line break
    std::stop_token stop;
  };

  // Hands the reply on: the final response's header once, before its first body block (or at
  // the end of a whole empty body), then every block. A false return ends the transfer.
  class Delivery {
   public:
    Delivery(std::function<bool(const FetchHead&)> onHead,
             std::function<bool(std::string_view)> onBody)
        : onHead_(std::move(onHead)), onBody_(std::move(onBody)) {}
    bool Block(std::string_view block, const std::function<FetchHead()>& head);
    // The whole body came; false when the caller refused the head now asked for.
    bool End(const std::function<FetchHead()>& head);
    bool Refused() const { return refused_; }

   private:
    bool SendHead(const std::function<FetchHead()>& head);
    std::function<bool(const FetchHead&)> onHead_;
    std::function<bool(std::string_view)> onBody_;
    bool headSent_ = false;
    bool refused_ = false;
  };

  struct Outcome {
    bool whole = false;  // the whole reply arrived and was taken
    TransportError error;  // why not (kind Aborted when stopped or refused)
    long status = 0;
    bool invalidUrl = false;  // nothing was sent
  };

 protected:
  // Runs one exchange; failures come back in the Outcome, never as an exception.
  virtual Outcome Run(const Exchange& exchange, Delivery& delivery) = 0;

  const ServiceAddress& Address() const { return address_; }
  const std::stop_token& Shutdown() const { return shutdown_; }

 private:
  ServiceAddress address_;
  std::stop_token shutdown_;
};

}  // namespace orvik
