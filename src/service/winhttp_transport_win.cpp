#include "service/winhttp_transport.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "core/window_port.h"
#include "platform/network.h"
#include "platform/path_text.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"
#include "service/web_address.h"
#include "service/winhttp_exchange.h"

namespace orvik {
namespace {

constexpr char kRequestFailed[] = "HTTP request failed.";

void ErrorLine(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void Report(TransportError* out, const TransportError& error) {
  if (out != nullptr) *out = error;
}

TransportError TooLarge(long status, std::uint64_t cap) {
  return {TransportFailure::TooLarge, status,
          "The reply is larger than " + std::to_string(cap) + " bytes"};
}

// The user's proxy as Internet Options set it; the system's WinHTTP setting otherwise.
HINTERNET OpenSession() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  std::wstring proxy, bypass;
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    if (user.lpszProxy != nullptr) proxy = user.lpszProxy;
    if (user.lpszProxyBypass != nullptr) bypass = user.lpszProxyBypass;
    for (wchar_t* text : {user.lpszProxy, user.lpszProxyBypass, user.lpszAutoConfigUrl})
      if (text != nullptr) GlobalFree(text);
  }
  if (proxy.empty())
    return WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                       WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
  return WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                     bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), WINHTTP_FLAG_ASYNC);
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

WinHttpTransport::WinHttpTransport(ServiceAddress address, WindowPort* port,
                                   std::stop_token shutdown)
    : address_(std::move(address)),
      port_(port),
      shutdown_(std::move(shutdown)),
      session_(OpenSession()) {}

WinHttpTransport::~WinHttpTransport() {
  if (session_ != nullptr) WinHttpCloseHandle(session_);
}

ExchangeSettings WinHttpTransport::Settings() const {
  ExchangeSettings settings;
  settings.caFile = address_.caFile;
  settings.deadline = kRequestDeadline;
  settings.shutdown = shutdown_;
  return settings;
}

void WinHttpTransport::Tell(const std::string& text) {
  if (port_ != nullptr) port_->ShowMessage(text, MessageIcon::Warning);
}

std::optional<std::string> WinHttpTransport::PostForm(const std::string& url,
                                                      const std::string& form,
                                                      TransportError* error) {
  auto settings = Settings();
  settings.method = L"POST";
  settings.headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  settings.body = form;
  // Form posts go to the plain-http service only; anything else is not sent at all.
  if (!IsPlainHttpUrl(url)) {
    Report(error, {TransportFailure::Other, 0, "Not a plain http address"});
    return std::nullopt;
  }
  WinHttpExchange exchange(session_, std::move(settings));
  Collector reply{kMaxFormReplyBytes, {}};
  if (!exchange.Start(url) || !exchange.ReadBody(std::ref(reply))) {
    Report(error, reply.tooLarge ? TooLarge(exchange.Status(), reply.cap) : exchange.Error());
    return std::nullopt;
  }
  return JoinReplyLines(reply.body);
}

std::optional<std::string> WinHttpTransport::GetSecure(const std::string& path,
                                                       TransportError* error) {
  auto settings = Settings();
  settings.secureOnly = true;
  WinHttpExchange exchange(session_, std::move(settings));
  Collector reply{kMaxFormReplyBytes, {}};
  const bool started = exchange.Start(address_.secureOrigin + path);
  if (started && exchange.Status() != 200) {
    Report(error, {TransportFailure::HttpStatus, exchange.Status(), kRequestFailed});
    Tell(kRequestFailed);
    return std::nullopt;
  }
  if (!started || !exchange.ReadBody(std::ref(reply))) {
    if (exchange.Stopped()) return std::nullopt;  // shutting down: nobody to tell
    Report(error, reply.tooLarge ? TooLarge(200, reply.cap) : exchange.Error());
    Tell(reply.tooLarge ? std::string(kRequestFailed) : exchange.Error().detail.substr(0, 1024));
    return std::nullopt;
  }
  return JoinReplyLines(reply.body);
}

bool WinHttpTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                    TransportError* error) {
  WinHttpExchange exchange(session_, Settings());
  const std::string shownPath = platform::PathToUtf8(localPath);
  if (!exchange.Start(url)) {
    Report(error, exchange.Error());
    if (exchange.InvalidUrl())
      ErrorLine("Invalid URL: " + url);
    else
      ErrorLine("Error: " + exchange.Error().detail.substr(0, 1024));
    return false;
  }
  if (exchange.Status() != 200) {
    Report(error, {TransportFailure::HttpStatus, exchange.Status(), "HTTP status"});
    ErrorLine("Failed to get the file. HTTP status code: " + std::to_string(exchange.Status()));
    return false;
  }
  // Into a side file first: a failed transfer never replaces a good older picture.
  auto partPath = localPath;
  partPath += ".part";
  std::ofstream file(partPath, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) {
    Report(error, {TransportFailure::Other, 200, "Cannot create " + shownPath});
    ErrorLine("Failed to create local file: " + shownPath);
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
  const bool ok = received && !file.fail() && !renameError;
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(partPath, ignored);
    if (tooLarge) {
      Report(error, TooLarge(200, kMaxDownloadFileBytes));
      ErrorLine("Error: " + TooLarge(200, kMaxDownloadFileBytes).detail);
    } else if (received || writeFailed) {
      Report(error, {TransportFailure::Other, 200, "Cannot write " + shownPath});
      ErrorLine("Failed to create local file: " + shownPath);
    } else {
      Report(error, exchange.Error());
      ErrorLine("Error: " + exchange.Error().detail.substr(0, 1024));
    }
  }
  return ok;
}

bool WinHttpTransport::IsConnected() { return platform::HasNetworkConnection(); }

FetchResult WinHttpTransport::Fetch(const FetchRequest& request) {
  ExchangeSettings settings;
  settings.caFile = address_.caFile;
  settings.shutdown = shutdown_;
  settings.stop = request.stop;
  if (request.resumeFrom) {
    settings.headers = L"Range: bytes=" + std::to_wstring(*request.resumeFrom) + L"-\r\n";
    if (!request.ifRange.empty())
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
    return result;
  }
  result.transportOk = true;
  return result;
}

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address, WindowPort* port,
                                                   std::stop_token shutdown) {
  return std::make_unique<WinHttpTransport>(std::move(address), port, std::move(shutdown));
}

}  // namespace orvik
