// One request of the WinHTTP transport. WinHTTP runs asynchronously underneath, so that a stop
// request or a deadline ends the exchange at once, whatever the network does: the waiting
// thread simply stops waiting. Internal to the WinHTTP transport (Windows only).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "service/http_transport.h"
#include "service/transport_limits.h"

namespace orvik {

TransportFailure FailureOfWinHttpError(DWORD code);
// WinHTTP's own text for an error code, for the log.
std::string DescribeWinHttpError(DWORD code);

struct ExchangeSettings {
  const wchar_t* method = L"GET";
  bool secureOnly = false;  // the URL must be https; no redirect ever goes down to http
  std::string caFile;       // PEM bundle trusted besides the system's store
  std::optional<std::chrono::seconds> deadline;  // for the whole exchange
  // Less than this over the low-speed window ends the transfer.
  std::uint64_t lowSpeedBytesPerSecond = kLowSpeedBytesPerSecond;
  std::wstring headers;  // extra request header lines, CRLF-separated
  std::string body;
  std::stop_token shutdown;
  std::stop_token stop;
};

class WinHttpExchange {
 public:
  // `session` must have been opened with WINHTTP_FLAG_ASYNC.
  WinHttpExchange(HINTERNET session, ExchangeSettings settings);
  ~WinHttpExchange();
  WinHttpExchange(const WinHttpExchange&) = delete;
  WinHttpExchange& operator=(const WinHttpExchange&) = delete;

  // Sends the request and reads the final response's header (redirects followed), with the
  // server's certificate checked. False: see Error().
  bool Start(const std::string& url);
  long Status() const { return status_; }
  // What the final response's header says (status included).
  const FetchHead& Head() const { return head_; }
  // Hands the body to `sink` block by block. True at its end; false when the transfer failed
  // or `sink` said no (then Error().kind is Aborted).
  bool ReadBody(const std::function<bool(std::string_view)>& sink);

  bool Stopped() const {
    return settings_.shutdown.stop_requested() || settings_.stop.stop_requested();
  }
  bool InvalidUrl() const { return invalidUrl_; }
  const TransportError& Error() const { return error_; }

  struct Pending;  // shared with WinHTTP's status callback

 private:
  bool Open(const std::string& url);
  // Issues an asynchronous call and waits for its completion, a stop request or the limit.
  bool Await(const std::function<BOOL()>& call, DWORD* bytes = nullptr);
  bool Fail(TransportFailure kind, std::string detail);
  bool FailCode(DWORD code);
  bool CheckCertificate();
  bool CheckRedirect(bool failed);
  void CloseRequest();

  ExchangeSettings settings_;
  HINTERNET session_;
  HINTERNET connect_ = nullptr;
  HINTERNET request_ = nullptr;
  DWORD_PTR context_ = 0;
  std::wstring url_;
  std::chrono::steady_clock::time_point deadline_;
  std::shared_ptr<Pending> pending_;
  struct Wake {
    std::shared_ptr<Pending> pending;
    void operator()() const;
  };
  std::optional<std::stop_callback<Wake>> onShutdown_;
  std::optional<std::stop_callback<Wake>> onStop_;
  long status_ = 0;
  FetchHead head_;
  bool invalidUrl_ = false;
  TransportError error_;
};

// True when the server's certificate of `request` (whose final host is `host`) chains to a
// certificate of the PEM file `caFile` or to a root of the system store. `why` learns why not.
bool ServerCertificateTrusted(HINTERNET request, const std::string& caFile,
                              const std::wstring& host, std::string* why);

}  // namespace orvik
