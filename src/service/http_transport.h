// Every exchange with the song service and the banner pictures goes through this interface;
// libcurl implements it on POSIX, WinHTTP on Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace orvik {

class RateLimiter;

// Why an exchange failed, in the terms the operator is told.
enum class TransportFailure {
  None,
  Unreachable,  // no connection could be made (refused, no route, name not found)
  TimedOut,     // connect, low-speed or overall deadline
  Certificate,  // TLS: the server's certificate could not be checked
  HttpStatus,   // a reply came, with a status the caller does not take
  TooLarge,     // the reply went past the caller's cap
  UnsafeRedirect,  // the server sent a secure request on to a plain-http address
  Aborted,      // the stop token or a callback ended it
  Other,
  TlsProtocol,  // TLS: no protocol both sides take (an old system without TLS 1.2)
};

struct TransportError {
  TransportFailure kind = TransportFailure::None;
  long status = 0;     // the HTTP status when one came
  std::string detail;  // the library's own text, for the log only
};

// What a streamed GET learned from the final response's header.
struct FetchHead {
  long status = 0;
  std::optional<std::uint64_t> contentLength;
  // "Content-Range: bytes first-last/total" of a partial reply; total absent for "*".
  struct Range {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::optional<std::uint64_t> total;
  };
  std::optional<Range> contentRange;
  // Validators of the body, empty when the server sent none.
  std::string etag;
  std::string lastModified;
};

struct FetchRequest {
  std::string url;  // http or https
  // Asks for the body from this byte on ("Range: bytes=N-").
  std::optional<std::uint64_t> resumeFrom;
  // Called once, before the first body block (or at the end of an empty body).
  // Returning false aborts the transfer.
  std::function<bool(const FetchHead&)> onHead;
  // Called for every body block as it arrives; returning false aborts the transfer.
  std::function<bool(std::string_view block)> onBody;
  std::stop_token stop;
  // With resumeFrom: sent as "If-Range", so a changed body comes back whole (200).
  std::string ifRange;
  // Holds the transfer to its cap after every block (null: full speed).
  RateLimiter* limiter = nullptr;
};

struct FetchResult {
  bool transportOk = false;  // the whole reply arrived (any status)
  bool aborted = false;      // a callback or the stop token ended it
  long status = 0;           // 0 when no response came
  std::string error;         // why the transfer failed; empty when transportOk
  TransportFailure failure = TransportFailure::None;
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;

  // Form POST to a plain-http URL. The status is not examined. Gives the reply lines joined
  // without their line feeds, or nothing when no exchange took place (also for a URL that is
  // not plain http: then nothing is sent).
  // `error` (may be null) learns why when nothing is given, and the status of any reply.
  virtual std::optional<std::string> PostForm(const std::string& url, const std::string& form,
                                              TransportError* error = nullptr) = 0;

  // GET of a path on the service's secure origin. A status other than 200 or a transport
  // failure gives nothing; the caller tells the operator (see TransportError).
  virtual std::optional<std::string> GetSecure(const std::string& path,
                                               TransportError* error = nullptr) = 0;

  // Stores the body of a 200 reply at `localPath`; a failure keeps the older file there.
  virtual bool DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                            TransportError* error = nullptr) = 0;

  virtual bool IsConnected() = 0;

  // Streamed GET for large bodies (the song package): never holds the body in memory.
  virtual FetchResult Fetch(const FetchRequest& request) = 0;
};

// Form value encoding: letters and digits stay, a space becomes "+", every other byte
// becomes "%XX" with upper-case hex digits.
std::string UrlEncodeFormValue(std::string_view text);

// Joins reply lines as the service's replies are read: every line feed is dropped, a
// carriage return before it stays.
std::string JoinReplyLines(std::string_view body);

}  // namespace orvik
