#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cwctype>
#include <mutex>
#include <vector>

#include "platform/wide_text.h"
#include "service/fetch_headers.h"
#include "service/winhttp_exchange.h"
#include "service/winhttp_session.h"

namespace orvik {
namespace {

using Clock = std::chrono::steady_clock;

// A transfer that moves less than the settings' floor over the low-speed window is given up;
// the same bound holds for any single wait (connect, answer, next block).
constexpr DWORD kReadBlock = 1024 * 1024;
// Below this (a form reply's floor of a byte a second), every read asks what has come.
constexpr DWORD kSmallestUnaskedRead = 16 * 1024;

bool IsPlainHttp(std::wstring_view url) {
  constexpr std::wstring_view kScheme = L"http:";
  if (url.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i)
    if (std::towlower(url[i]) != kScheme[i]) return false;
  return true;
}

}  // namespace

void ReadPace::Add(std::uint64_t bytes, Clock::time_point now) {
  if (!started_) {  // the first read's bytes came before anything was timed
    started_ = true;
    spanStart_ = now;
    return;
  }
  spanBytes_ += bytes;
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(now - spanStart_);
  if (span < kSpan) return;
  const auto readTime = std::chrono::duration_cast<std::chrono::microseconds>(kReadTime);
  hint_ = static_cast<std::uint64_t>(static_cast<double>(spanBytes_) * readTime.count() /
                                     static_cast<double>(span.count()));
  spanStart_ = now;
  spanBytes_ = 0;
}

DWORD UnaskedReadLimit(std::uint64_t floorBytesPerSecond, DWORD buffer) {
  const std::uint64_t window = static_cast<std::uint64_t>(kLowSpeedWindow.count());
  return static_cast<DWORD>(std::min<std::uint64_t>(floorBytesPerSecond * window * 3 / 4, buffer));
}

// What the status callback and the waiting thread share. The callback's reference keeps it
// alive until the request handle is gone, so an abandoned wait never leaves WinHTTP writing
// into freed memory (the body and read buffer live here for the same reason).
struct WinHttpExchange::Pending {
  std::mutex mutex;
  std::condition_variable changed;
  bool completed = false;
  bool woken = false;  // a stop request
  DWORD error = 0;
  DWORD bytes = 0;
  std::wstring redirectedTo;  // the last redirect's address (Wine cannot be asked for it)
  long redirects = 0;         // redirects followed
  std::wstring current;       // the address asked last
  std::wstring downgradedTo;  // a redirect from https to this plain-http address
  std::string body;
  std::vector<char> buffer;                 // made by the first read
  std::optional<DWORD> secureFailureFlags;  // of the last secure-failure notification
};

void WinHttpExchange::Wake::operator()() const {
  {
    std::lock_guard lock(pending->mutex);
    pending->woken = true;
  }
  pending->changed.notify_all();
}

namespace {

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
  auto* holder = reinterpret_cast<std::shared_ptr<WinHttpExchange::Pending>*>(context);
  if (holder == nullptr) return;
  if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    delete holder;
    return;
  }
  auto& pending = **holder;
  if (status == WINHTTP_CALLBACK_STATUS_REDIRECT) {
    std::lock_guard lock(pending.mutex);
    pending.redirectedTo.assign(static_cast<const wchar_t*>(info), length);
    ++pending.redirects;
    if (IsPlainHttp(pending.redirectedTo) && !IsPlainHttp(pending.current))
      pending.downgradedTo = pending.redirectedTo;
    pending.current = pending.redirectedTo;
    return;
  }
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE) {
    if (info == nullptr || length < sizeof(DWORD)) return;
    std::lock_guard lock(pending.mutex);
    pending.secureFailureFlags = *static_cast<const DWORD*>(info);
    return;
  }
  DWORD error = 0, bytes = 0;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      bytes = length;
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      bytes = *static_cast<const DWORD*>(info);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      error = static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError;
      if (error == 0) error = ERROR_WINHTTP_INTERNAL_ERROR;
      break;
    default:
      return;
  }
  {
    std::lock_guard lock(pending.mutex);
    pending.completed = true;
    pending.error = error;
    pending.bytes = bytes;
  }
  pending.changed.notify_all();
}

}  // namespace

WinHttpExchange::WinHttpExchange(HINTERNET session, ExchangeSettings settings)
    : settings_(std::move(settings)), session_(session), pending_(std::make_shared<Pending>()) {
  deadline_ = settings_.deadline ? Clock::now() + *settings_.deadline : Clock::time_point::max();
  pending_->body = std::move(settings_.body);
  onShutdown_.emplace(settings_.shutdown, Wake{pending_});
  onStop_.emplace(settings_.stop, Wake{pending_});
}

WinHttpExchange::~WinHttpExchange() {
  CloseRequest();
  if (connect_ != nullptr) WinHttpCloseHandle(connect_);
}

void WinHttpExchange::CloseRequest() {
  if (request_ != nullptr) WinHttpCloseHandle(request_);
  request_ = nullptr;
}

bool WinHttpExchange::Fail(TransportFailure kind, std::string detail) {
  if (Stopped()) {
    kind = TransportFailure::Aborted;
    detail = "Aborted";
  }
  error_.kind = kind;
  error_.status = status_;
  error_.detail = std::move(detail);
  CloseRequest();
  return false;
}

bool WinHttpExchange::FailCode(DWORD code) {
  if (code == ERROR_WINHTTP_REDIRECT_FAILED && !CheckRedirect(true)) return false;
  std::optional<DWORD> flags;
  {
    std::lock_guard lock(pending_->mutex);
    flags = pending_->secureFailureFlags;
  }
  std::string detail = DescribeWinHttpError(code);
  if (flags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%#lx", static_cast<unsigned long>(*flags));
    detail += std::string(" (secure failure flags ") + hex + ")";
  }
  return Fail(FailureOfSecureError(code, flags), std::move(detail));
}

// WinHTTP never follows a secure request down to plain http: Windows hands back the redirect
// itself, Wine fails the request (as it does past the redirect limit). Either way the server
// sent a secure request to an unsafe address. False: the exchange failed so.
bool WinHttpExchange::CheckRedirect(bool failed) {
  std::wstring from = url_, to;
  long redirects = 0;
  {
    std::lock_guard lock(pending_->mutex);
    if (!pending_->redirectedTo.empty()) from = pending_->redirectedTo;
    redirects = pending_->redirects;
    to = pending_->downgradedTo;
  }
  if (!to.empty())
    return Fail(TransportFailure::UnsafeRedirect, "redirected to " + platform::WideToUtf8(to));
  if (IsPlainHttp(from)) return true;
  if (request_ != nullptr) {
    DWORD size = 0;
    WinHttpQueryHeaders(request_, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                        WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
    to.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(to.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX,
                             to.data(), &size, WINHTTP_NO_HEADER_INDEX))
      size = 0;
    to.resize(size / sizeof(wchar_t));
  }
  const bool unsafe = IsPlainHttp(to) || (failed && to.empty() && redirects < kMaxRedirects);
  if (!unsafe) return true;
  return Fail(TransportFailure::UnsafeRedirect,
              "redirected from " + platform::WideToUtf8(from) + " to " +
                  (to.empty() ? std::string("a plain http address") : platform::WideToUtf8(to)));
}

bool WinHttpExchange::Await(const std::function<BOOL()>& call, DWORD* bytes) {
  if (Stopped()) return Fail(TransportFailure::Aborted, "Aborted");
  {
    std::lock_guard lock(pending_->mutex);
    pending_->completed = false;
  }
  if (!call()) return FailCode(GetLastError());
  const auto limit = std::min(deadline_, Clock::now() + kLowSpeedWindow);
  std::unique_lock lock(pending_->mutex);
  pending_->changed.wait_until(lock, limit, [&] { return pending_->completed || pending_->woken; });
  const bool completed = pending_->completed;
  const DWORD error = pending_->error;
  if (bytes != nullptr) *bytes = pending_->bytes;
  lock.unlock();
  if (Stopped()) return Fail(TransportFailure::Aborted, "Aborted");
  if (!completed) return Fail(TransportFailure::TimedOut, "No progress within the time limit");
  if (error != 0) return FailCode(error);
  return true;
}

bool WinHttpExchange::Open(const std::string& url) {
  url_ = platform::Utf8ToWide(url);
  const std::wstring& wide = url_;
  pending_->current = url_;  // before the request exists: no callback runs yet
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  const bool cracked = !wide.empty() && WinHttpCrackUrl(wide.c_str(), 0, 0, &parts);
  const bool secure = cracked && parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (!cracked || parts.dwHostNameLength == 0 ||
      !(secure || (parts.nScheme == INTERNET_SCHEME_HTTP && !settings_.secureOnly))) {
    invalidUrl_ = true;
    return Fail(TransportFailure::Other, "Invalid URL");
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  connect_ = WinHttpConnect(session_, host.c_str(), parts.nPort, 0);
  if (connect_ == nullptr) return FailCode(GetLastError());
  request_ =
      WinHttpOpenRequest(connect_, settings_.method, path.c_str(), nullptr, WINHTTP_NO_REFERER,
                         WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0);
  if (request_ == nullptr) return FailCode(GetLastError());
  if (TransportError refused; !PrepareWinHttpRequest(session_, request_, wide, secure, &refused))
    return Fail(refused.kind, refused.detail);
  // The callback owns one reference until WinHTTP says the handle is closing.
  auto* holder = new std::shared_ptr<Pending>(pending_);
  context_ = reinterpret_cast<DWORD_PTR>(holder);
  if (!WinHttpSetOption(request_, WINHTTP_OPTION_CONTEXT_VALUE, &context_, sizeof context_)) {
    delete holder;
    return FailCode(GetLastError());
  }
  const DWORD notifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                              WINHTTP_CALLBACK_FLAG_HANDLES | WINHTTP_CALLBACK_FLAG_REDIRECT |
                              WINHTTP_CALLBACK_FLAG_SECURE_FAILURE;
  if (WinHttpSetStatusCallback(request_, &OnStatus, notifications, 0) ==
      WINHTTP_INVALID_STATUS_CALLBACK)
    return FailCode(GetLastError());

  const auto window = static_cast<int>(std::chrono::milliseconds(kLowSpeedWindow).count());
  WinHttpSetTimeouts(request_, 0, static_cast<int>(kConnectTimeout.count()), window, window);
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
  WinHttpSetOption(request_, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
  DWORD redirects = static_cast<DWORD>(kMaxRedirects);
  WinHttpSetOption(request_, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                   sizeof redirects);
  if (!settings_.caFile.empty()) {
    // A private CA is not in the system's store: WinHTTP lets it through (names and dates
    // are still checked) and CheckCertificate decides before any body byte is read.
    DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    WinHttpSetOption(request_, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
  }
  return true;
}

bool WinHttpExchange::Start(const std::string& url) {
  if (Stopped()) return Fail(TransportFailure::Aborted, "Aborted");
  if (!Open(url)) return false;
  auto& body = pending_->body;
  const wchar_t* headers =
      settings_.headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : settings_.headers.c_str();
  const auto headersLength = static_cast<DWORD>(settings_.headers.size());
  const auto bodyLength = static_cast<DWORD>(body.size());
  if (!Await([&] {
        return WinHttpSendRequest(request_, headers, headersLength,
                                  body.empty() ? WINHTTP_NO_REQUEST_DATA : body.data(), bodyLength,
                                  bodyLength, context_);
      }))
    return false;
  if (!Await([&] { return WinHttpReceiveResponse(request_, nullptr); })) return false;

  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return FailCode(GetLastError());
  status_ = static_cast<long>(status);
  size = 0;
  WinHttpQueryHeaders(request_, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                      WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX);
  std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(raw.size() * sizeof(wchar_t));
  if (WinHttpQueryHeaders(request_, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                          raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    HeaderCollector headers;
    const std::string lines =
        platform::WideToUtf8(std::wstring_view(raw.data(), size / sizeof(wchar_t)));
    for (std::string_view rest = lines; !rest.empty();) {
      const auto end = rest.find('\n');
      headers.AddLine(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    head_ = headers.Head();
  }
  head_.status = status_;
  if (status_ >= 300 && status_ < 400 && !CheckRedirect(false)) return false;
  return CheckCertificate();
}

bool WinHttpExchange::CheckCertificate() {
  if (settings_.caFile.empty()) return true;  // WinHTTP checked against the system store
  // Redirects may have moved the request: check the host it ended on.
  std::wstring finalUrl;
  {
    std::lock_guard lock(pending_->mutex);
    finalUrl = pending_->redirectedTo;
  }
  if (finalUrl.empty()) finalUrl = url_;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = DWORD(-1);
  if (!WinHttpCrackUrl(finalUrl.c_str(), 0, 0, &parts))
    return Fail(TransportFailure::Other, "The request's address could not be read");
  if (parts.nScheme != INTERNET_SCHEME_HTTPS) return true;
  std::string why;
  if (ServerCertificateTrusted(request_, settings_.caFile,
                               std::wstring(parts.lpszHostName, parts.dwHostNameLength), &why))
    return true;
  return Fail(TransportFailure::Certificate, why);
}

bool WinHttpExchange::ReadBody(const std::function<bool(std::string_view)>& sink) {
  if (request_ == nullptr) return false;
  auto windowStart = Clock::now();
  std::uint64_t windowBytes = 0, received = 0;
  ReadPace pace;
  const DWORD unaskedLimit = UnaskedReadLimit(settings_.lowSpeedBytesPerSecond, kReadBlock);
  for (;;) {
    // Asking what has come first: a read waits until all it asked for has come, and the
    // progress and a slow server's pauses would not show. A stream fast enough to bring a
    // whole unasked read within moments is read without asking, each read no larger than
    // the floor brings within most of a window, so a stream that slows down but stays above
    // the floor is never given up in the middle of a read.
    DWORD available = 0, bytes = 0;
    const bool ask = unaskedLimit < kSmallestUnaskedRead || pace.Hint() < unaskedLimit;
    if (ask && !Await([&] { return WinHttpQueryDataAvailable(request_, nullptr); }, &available))
      return false;
    if (pending_->buffer.empty()) pending_->buffer.resize(kReadBlock);
    auto* buffer = pending_->buffer.data();
    const DWORD want = ask ? std::clamp<DWORD>(available, 1, kReadBlock) : unaskedLimit;
    if (!Await([&] { return WinHttpReadData(request_, buffer, want, nullptr); }, &bytes))
      return false;
    if (bytes == 0) {
      // Wine ends a body that the server cut short as if it were whole.
      if (head_.contentLength && received != *head_.contentLength && status_ != 204 &&
          status_ != 304 && std::wstring_view(settings_.method) != L"HEAD")
        return Fail(TransportFailure::Other, "The connection closed before the whole reply came");
      return true;
    }
    received += bytes;
    if (!sink(std::string_view(buffer, bytes))) return Fail(TransportFailure::Aborted, "Aborted");
    windowBytes += bytes;
    const auto now = Clock::now();
    pace.Add(bytes, now);
    if (now - windowStart >= kLowSpeedWindow) {
      if (windowBytes < settings_.lowSpeedBytesPerSecond * kLowSpeedWindow.count())
        return Fail(TransportFailure::TimedOut, "Transfer slower than the low-speed floor");
      windowStart = now;
      windowBytes = 0;
    }
  }
}

}  // namespace orvik
