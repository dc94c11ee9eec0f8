#include "service/curl_easy.h"

#include <cctype>
#include <memory>

#include "core/service_address.h"
#include "service/exchange_bookkeeping.h"
#include "service/transport_limits.h"

namespace orvik {
namespace {

// curl_global_init is not thread-safe: run it once, before the first handle.
void EnsureCurlReady() {
  static const CURLcode ready = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)ready;
}

struct UrlHandleDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::optional<std::string> UrlPart(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return std::nullopt;
  std::string out(text);
  curl_free(text);
  return out;
}

}  // namespace

std::optional<UrlParts> SplitUrl(const std::string& url) {
  EnsureCurlReady();
  std::unique_ptr<CURLU, UrlHandleDeleter> handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return std::nullopt;
  auto scheme = UrlPart(handle.get(), CURLUPART_SCHEME);
  auto host = UrlPart(handle.get(), CURLUPART_HOST);
  if (!scheme || !host || host->empty()) return std::nullopt;
  for (char& c : *scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return UrlParts{std::move(*scheme), std::move(*host)};
}

CurlEasy::CurlEasy(const std::string& url, const ServiceAddress& address, bool secureOnly,
                   std::stop_token shutdown, std::stop_token stop)
    : shutdown_(std::move(shutdown)), stop_(std::move(stop)) {
  EnsureCurlReady();
  curl_ = curl_easy_init();
  if (curl_ == nullptr) return;
  const char* protocols = secureOnly ? "https" : "http,https";
  curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
  curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kConnectTimeout.count()));
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(kLowSpeedBytesPerSecond));
  curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kLowSpeedWindow.count()));
  // Certificates are always checked; the configured bundle is trusted besides the
  // system's (the system's certificate folder stays in use).
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!address.caFile.empty()) curl_easy_setopt(curl_, CURLOPT_CAINFO, address.caFile.c_str());
  curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &CurlEasy::OnProgress);
  curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
}

CurlEasy::~CurlEasy() {
  if (curl_ != nullptr) curl_easy_cleanup(curl_);
}

int CurlEasy::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CurlEasy*>(self)->Stopped() ? 1 : 0;
}

CURLcode CurlEasy::Perform() {
  if (curl_ == nullptr) return CURLE_FAILED_INIT;
  if (Stopped()) return CURLE_ABORTED_BY_CALLBACK;
  return curl_easy_perform(curl_);
}

long CurlEasy::ResponseCode() const {
  long code = 0;
  if (curl_ != nullptr) curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
  return code;
}

TransportFailure FailureOf(CURLcode code) {
  using F = TransportFailure;
  static const FailureCodes<CURLcode> kTable[] = {
      {F::None, {CURLE_OK}},
      {F::Unreachable, {CURLE_COULDNT_CONNECT, CURLE_COULDNT_RESOLVE_HOST,
                        CURLE_COULDNT_RESOLVE_PROXY, CURLE_SEND_ERROR, CURLE_RECV_ERROR,
                        CURLE_GOT_NOTHING}},
      {F::TimedOut, {CURLE_OPERATION_TIMEDOUT}},
      {F::Certificate, {CURLE_PEER_FAILED_VERIFICATION, CURLE_SSL_CONNECT_ERROR,
                        CURLE_SSL_CACERT_BADFILE, CURLE_SSL_CERTPROBLEM, CURLE_SSL_ISSUER_ERROR,
                        CURLE_SSL_PINNEDPUBKEYNOTMATCH}},
      {F::Aborted, {CURLE_ABORTED_BY_CALLBACK}},
  };
  return FailureIn(kTable, code);
}

TransportError CurlEasy::Error(CURLcode code) const {
  TransportError error;
  error.kind = Stopped() ? TransportFailure::Aborted : FailureOf(code);
  // The first address is checked before the transfer: a refused scheme now is a redirect's.
  long redirects = 0;
  if (curl_ != nullptr) curl_easy_getinfo(curl_, CURLINFO_REDIRECT_COUNT, &redirects);
  if (error.kind == TransportFailure::Other && code == CURLE_UNSUPPORTED_PROTOCOL && redirects > 0)
    error.kind = TransportFailure::UnsafeRedirect;
  error.detail = ErrorText(code).substr(0, 1024);
  return error;
}

std::string CurlEasy::ErrorText(CURLcode code) const {
  return error_[0] != '\0' ? std::string(error_) : std::string(curl_easy_strerror(code));
}

}  // namespace orvik
