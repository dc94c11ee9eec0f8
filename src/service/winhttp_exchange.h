// One request of the WinHTTP transport. WinHTTP runs asynchronously underneath, so that a stop
// request or a deadline ends the exchange at once, whatever the network does: the waiting
// thread simply stops waiting. Internal to the WinHTTP transport (Windows only).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <cstdint>
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
// The kind of a failed secure request. Windows gives ERROR_WINHTTP_SECURE_CHANNEL_ERROR both
// for a handshake without a protocol both sides take and (Wine) for an untrusted CA: the flags
// of the secure-failure notification tell them apart where it came. Without it (Wine sends
// none) the code alone decides, and a channel error stays a certificate problem.
TransportFailure FailureOfSecureError(DWORD code, std::optional<DWORD> secureFailureFlags);
// WinHTTP's own text for an error code, for the log.
std::string DescribeWinHttpError(DWORD code);

// Paces the body reads. Each WinHTTP read is a round trip through its worker thread, and a
// read waits until all it asked for has come (or the reply ends): a stream is read what has
// come at a time until it shows itself fast, then in larger reads without asking first.
class ReadPace {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kSpan{100};     // the rate is judged over this
  static constexpr std::chrono::milliseconds kReadTime{10};  // one read's worth at that rate

  // `bytes` were read, the read ending at `now`.
  void Add(std::uint64_t bytes, Clock::time_point now);
  // Bytes the stream delivered in kReadTime over the last span; 0 before a span is measured.
  std::uint64_t Hint() const { return hint_; }

 private:
  bool started_ = false;
  Clock::time_point spanStart_;
  std::uint64_t spanBytes_ = 0;
  std::uint64_t hint_ = 0;
};

// The largest read made without asking what has come: what a stream at the floor brings in
// three quarters of the low-speed window, within the buffer. A stream that slows down to just
// above the floor still completes such a read before a wait is given up.
DWORD UnaskedReadLimit(std::uint64_t floorBytesPerSecond, DWORD buffer);

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
