#include "service/winhttp_transport.h"

#include "platform/network.h"
#include "platform/wide_text.h"
#include "service/exchange_bookkeeping.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"
#include "service/web_address.h"
#include "service/winhttp_exchange.h"

namespace orvik {
namespace {

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

}  // namespace

WinHttpTransport::WinHttpTransport(ServiceAddress address, std::stop_token shutdown)
    : address_(std::move(address)),
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

std::optional<std::string> WinHttpTransport::PostForm(const std::string& url,
                                                      const std::string& form,
                                                      TransportError* out) {
  const ExchangeLog log("POST", url);
  // Form posts go to the plain-http service only; anything else is not sent at all.
  if (!IsPlainHttpUrl(url)) {
    log.Finish({TransportFailure::Other, 0, "not a plain http address"}, 0, out);
    return std::nullopt;
  }
  auto settings = Settings();
  settings.method = L"POST";
  settings.headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
  settings.body = form;
  WinHttpExchange exchange(session_, std::move(settings));
  ReplyCollector reply{kMaxFormReplyBytes};
  const auto collect = [&](std::string_view block) { return reply.Add(block); };
  TransportError error;
  if (!exchange.Start(url) || !exchange.ReadBody(collect))
    error = reply.tooLarge ? reply.TooLargeError(0) : exchange.Error();
  error.status = exchange.Status();  // also with a reply: the caller may care about an error status
  log.Finish(error, exchange.Status(), out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

std::optional<std::string> WinHttpTransport::GetSecure(const std::string& path,
                                                       TransportError* out) {
  const std::string url = address_.secureOrigin + path;
  const ExchangeLog log("GET", url);
  auto settings = Settings();
  settings.secureOnly = true;
  WinHttpExchange exchange(session_, std::move(settings));
  ReplyCollector reply{kMaxFormReplyBytes};
  const auto collect = [&](std::string_view block) { return reply.Add(block); };
  const bool started = exchange.Start(url);
  const long status = exchange.Status();
  TransportError error;
  if (started && status != 200) {
    error = StatusError(status);
  } else if (!started || !exchange.ReadBody(collect)) {
    error = reply.tooLarge ? reply.TooLargeError(status) : exchange.Error();
  }
  log.Finish(error, status, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

bool WinHttpTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                    TransportError* out) {
  const ExchangeLog log("GET", url);
  WinHttpExchange exchange(session_, Settings());
  TransportError error;
  if (!exchange.Start(url)) {
    error = exchange.Error();
  } else if (exchange.Status() != 200) {
    error = StatusError(exchange.Status());
  } else {
    PictureFile picture(localPath);
    const bool received =
        exchange.ReadBody([&](std::string_view block) { return picture.Add(block); });
    error = picture.Finish(exchange.Status(), received ? TransportError{} : exchange.Error());
  }
  log.Finish(error, exchange.Status(), out);
  return error.kind == TransportFailure::None;
}

bool WinHttpTransport::IsConnected() { return platform::HasNetworkConnection(); }

FetchResult WinHttpTransport::Fetch(const FetchRequest& request) {
  ExchangeSettings settings;
  settings.caFile = address_.caFile;
  settings.shutdown = shutdown_;
  settings.stop = request.stop;
  settings.deadline = kFetchDeadline;
  settings.lowSpeedBytesPerSecond = kFetchLowSpeedBytesPerSecond;
  settings.headers = L"User-Agent: " + platform::Utf8ToWide(kPackageUserAgent) + L"\r\n";
  if (request.resumeFrom) {
    settings.headers += L"Range: bytes=" + std::to_wstring(*request.resumeFrom) + L"-\r\n";
    // A validator with a line break would add a header of the service's choosing.
    if (!request.ifRange.empty() && request.ifRange.find_first_of("\r\n") == std::string::npos)
      settings.headers += L"If-Range: " + platform::Utf8ToWide(request.ifRange) + L"\r\n";
  }
  WinHttpExchange exchange(session_, std::move(settings));
  FetchRelay relay(request, [&] { return exchange.Head(); });
  const bool whole = exchange.Start(request.url) &&
                     exchange.ReadBody([&](std::string_view block) { return relay.Block(block); });
  if (exchange.InvalidUrl()) return FetchRelay::InvalidUrl();
  return relay.Result(whole, exchange.Error(), exchange.Status());
}

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<WinHttpTransport>(std::move(address), std::move(shutdown));
}

}  // namespace orvik
