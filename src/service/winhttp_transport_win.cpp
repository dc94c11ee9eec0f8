#include "service/winhttp_transport.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/network.h"
#include "platform/path_text.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"
#include "service/transport_texts.h"
#include "service/web_address.h"
#include "service/winhttp_exchange.h"
#include "service/winhttp_session.h"

namespace orvik {
namespace {

// A package may take long on a slow line, but not for ever, and one that moves less than
// 1 KiB a second for the low-speed window is given up.
constexpr std::chrono::hours kFetchDeadline{6};
constexpr std::uint64_t kFetchLowSpeedBytesPerSecond = 1024;

// The picture download's own report lines (besides the log).
void ErrorLine(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// Fills `out` (when given) and logs the exchange, as the libcurl transport does.
void Finish(const char* method, const std::string& url, const TransportError& error, long status,
            std::chrono::steady_clock::time_point start, TransportError* out) {
  if (error.kind != TransportFailure::Aborted)
    LogExchange(method, url, &error, status, MillisecondsSince(start));
  if (out != nullptr) *out = error;
}

// Collects a whole reply up to `cap` bytes.
struct Collector {
  std::uint64_t cap;
  std::string body;
  bool tooLarge = false;
  bool operator()(std::string_view block) {
    if (body.size() + block.size() > cap) return !(tooLarge = true);
    body.append(block);
    return true;
  }
};

}  // namespace

WinHttpTransport::WinHttpTransport(ServiceAddress address, std::stop_token shutdown)
    : address_(std::move(address)),
      shutdown_(std::move(shutdown)),
      session_(OpenWinHttpSession()) {}

WinHttpTransport::~WinHttpTransport() {
  CloseWinHttpSession(static_cast<HINTERNET>(session_));
}

ExchangeSettings WinHttpTransport::Settings() const {
  ExchangeSettings settings;
  settings.caFile = address_.caFile;
  settings.deadline = kRequestDeadline;
  settings.shutdown = shutdown_;
  return settings;
}

std::optional<std::string> WinHttpTransport::PostForm(const std::string& url,
                                                      const std::string& form,
                                                      TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  // Form posts go to the plain-http service only; anything else is not sent at all.
  if (!IsPlainHttpUrl(url)) {
    Finish("POST", url, {TransportFailure::Other, 0, "not a plain http address"}, 0, start, out);
    return std::nullopt;
  }
  auto settings = Settings();
  settings.method = L"POST";
  settings.headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  settings.body = form;
  WinHttpExchange exchange(session_, std::move(settings));
  Collector reply{kMaxFormReplyBytes, {}};
  TransportError error;
  if (!exchange.Start(url) || !exchange.ReadBody(std::ref(reply)))
    error = reply.tooLarge
                ? TransportError{TransportFailure::TooLarge, 0, "reply larger than 32 MiB"}
                : exchange.Error();
  error.status = exchange.Status();  // also with a reply: the caller may care about an error status
  Finish("POST", url, error, exchange.Status(), start, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

std::optional<std::string> WinHttpTransport::GetSecure(const std::string& path,
                                                       TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  const std::string url = address_.secureOrigin + path;
  auto settings = Settings();
  settings.secureOnly = true;
  WinHttpExchange exchange(session_, std::move(settings));
  Collector reply{kMaxFormReplyBytes, {}};
  const bool started = exchange.Start(url);
  const long status = exchange.Status();
  TransportError error;
  if (started && status != 200) {
    error = {TransportFailure::HttpStatus, status, "HTTP status " + std::to_string(status)};
  } else if (!started || !exchange.ReadBody(std::ref(reply))) {
    error = reply.tooLarge
                ? TransportError{TransportFailure::TooLarge, status, "reply larger than 32 MiB"}
                : exchange.Error();
  }
  Finish("GET", url, error, status, start, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

bool WinHttpTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                    TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  WinHttpExchange exchange(session_, Settings());
  const std::string where = platform::PathToUtf8(localPath);
  if (!exchange.Start(url)) {
    if (exchange.InvalidUrl())
      ErrorLine("Invalid URL: " + url);
    else
      ErrorLine("Error: " + exchange.Error().detail.substr(0, 1024));
    Finish("GET", url, exchange.Error(), exchange.Status(), start, out);
    return false;
  }
  const long status = exchange.Status();
  if (status != 200) {
    ErrorLine("Failed to get the file. HTTP status code: " + std::to_string(status));
    Finish("GET", url,
           {TransportFailure::HttpStatus, status, "HTTP status " + std::to_string(status)}, status,
           start, out);
    return false;
  }
  const TransportError cannotWrite{TransportFailure::Other, status,
                                   "cannot write the local file " + where};
  // Into a side file first: a failed transfer never replaces a good older picture.
  auto partPath = localPath;
  partPath += ".part";
  std::ofstream file(partPath, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) {
    ErrorLine("Failed to create local file: " + where);
    Finish("GET", url, cannotWrite, status, start, out);
    return false;
  }
  std::uint64_t written = 0;
  bool tooLarge = false, writeFailed = false;
  const bool received = exchange.ReadBody([&](std::string_view block) {
    if (written + block.size() > kMaxDownloadFileBytes) return !(tooLarge = true);
    written += block.size();
    file.write(block.data(), static_cast<std::streamsize>(block.size()));
    return !(writeFailed = !file);
  });
  file.close();
  std::error_code renameError;
  if (received && !file.fail()) std::filesystem::rename(partPath, localPath, renameError);
  TransportError error;
  if (tooLarge) {
    error = {TransportFailure::TooLarge, status, "larger than a banner picture may be"};
    ErrorLine("The file is larger than a banner picture may be: " + where);
  } else if (writeFailed || (received && (file.fail() || renameError))) {
    error = cannotWrite;
    ErrorLine("Failed to create local file: " + where);
  } else if (!received) {
    error = exchange.Error();
    ErrorLine("Error: " + error.detail.substr(0, 1024));
  }
  const bool ok = error.kind == TransportFailure::None;
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(partPath, ignored);
  }
  Finish("GET", url, error, status, start, out);
  return ok;
}

bool WinHttpTransport::IsConnected() { return platform::HasNetworkConnection(); }

FetchResult WinHttpTransport::Fetch(const FetchRequest& request) {
  ExchangeSettings settings;
  settings.caFile = address_.caFile;
  settings.shutdown = shutdown_;
  settings.stop = request.stop;
  settings.deadline = kFetchDeadline;
  settings.lowSpeedBytesPerSecond = kFetchLowSpeedBytesPerSecond;
  // The name the package service knows the launcher's downloads by.
  settings.headers = L"User-Agent: HTTPS Download\r\n";
  if (request.resumeFrom) {
    settings.headers += L"Range: bytes=" + std::to_wstring(*request.resumeFrom) + L"-\r\n";
    // A validator with a line break would add a header of the service's choosing.
    if (!request.ifRange.empty() && request.ifRange.find_first_of("\r\n") == std::string::npos)
      settings.headers += L"If-Range: " + WideFromUtf8(request.ifRange) + L"\r\n";
  }
  WinHttpExchange exchange(session_, std::move(settings));
  FetchResult result;
  bool headSent = false, refused = false;
  const auto sendHead = [&] {
    if (headSent) return !refused;
    headSent = true;
    FetchHead head = exchange.Head();
    refused = request.onHead && !request.onHead(head);
    return !refused;
  };
  const bool ok = exchange.Start(request.url) && exchange.ReadBody([&](std::string_view block) {
    return sendHead() && (!request.onBody || request.onBody(block));
  }) && sendHead();
  result.status = exchange.Status();
  if (!ok) {
    result.aborted = refused || exchange.Error().kind == TransportFailure::Aborted;
    result.error = result.aborted ? "Aborted" : exchange.Error().detail;
    result.failure = result.aborted ? TransportFailure::Aborted : exchange.Error().kind;
    if (exchange.InvalidUrl()) result.error = "Invalid URL";
    if (!result.aborted && !exchange.InvalidUrl()) {
      const TransportError error{result.failure, result.status, result.error};
      LogExchange("GET", request.url, &error, result.status, 0);
    }
    return result;
  }
  result.transportOk = true;
  return result;
}

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<WinHttpTransport>(std::move(address), std::move(shutdown));
}

}  // namespace orvik
