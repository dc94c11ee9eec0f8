// The streamed GET of the libcurl transport.
#include "service/curl_easy.h"
#include "service/curl_transport.h"
#include "service/fetch_headers.h"
#include "service/rate_limiter.h"
#include "service/transport_texts.h"

namespace orvik {
namespace {

constexpr long kFetchDeadlineSeconds = 6 * 60 * 60;
constexpr long kFetchLowSpeedBytes = 1024;  // per second, over the shared low-speed time

struct FetchState {
  const FetchRequest* request = nullptr;
  CurlEasy* easy = nullptr;
  HeaderCollector headers;
  bool headSent = false;
  bool abortedByCaller = false;

  bool SendHead() {
    if (headSent) return true;
    headSent = true;
    FetchHead head = headers.Head();
    head.status = easy->ResponseCode();
    if (request->onHead && !request->onHead(head)) abortedByCaller = true;
    return !abortedByCaller;
  }
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  const size_t bytes = size * count;
  static_cast<FetchState*>(user)->headers.AddLine(std::string_view(data, bytes));
  return bytes;
}

size_t OnBodyBlock(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<FetchState*>(user);
  const size_t bytes = size * count;
  if (state->easy->Stopped() || !state->SendHead()) return 0;
  if (state->request->onBody && !state->request->onBody(std::string_view(data, bytes))) {
    state->abortedByCaller = true;
    return 0;
  }
  // A stop during the hold ends the transfer like any stop.
  RateLimiter* limiter = state->request->limiter;
  if (limiter && !limiter->Received(bytes, state->request->stop)) return 0;
  return bytes;
}

}  // namespace

FetchResult CurlTransport::Fetch(const FetchRequest& request) {
  FetchResult result;
  const auto parts = SplitUrl(request.url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
    result.error = "Invalid URL";
    result.failure = TransportFailure::Other;
    return result;
  }
  CurlEasy easy(request.url, Address(), parts->scheme == "https", shutdown_, request.stop);
  FetchState state;
  state.request = &request;
  state.easy = &easy;
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  // A package may take long on a slow line, but not for ever, and a reply that drips a
  // byte a second is given up after a minute.
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kFetchDeadlineSeconds);
  curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_LIMIT, kFetchLowSpeedBytes);
  // The name the package service knows the launcher's downloads by.
  curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, "HTTPS Download");
  curl_easy_setopt(easy.get(), CURLOPT_HEADERFUNCTION, &OnHeaderLine);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &OnBodyBlock);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &state);
  const std::string range =
      request.resumeFrom ? std::to_string(*request.resumeFrom) + "-" : std::string();
  if (request.resumeFrom) curl_easy_setopt(easy.get(), CURLOPT_RANGE, range.c_str());
  // A validator with a line break would add a header of the service's choosing.
  curl_slist* headers = nullptr;
  if (request.resumeFrom && !request.ifRange.empty() &&
      request.ifRange.find_first_of("\r\n") == std::string::npos) {
    headers = curl_slist_append(headers, ("If-Range: " + request.ifRange).c_str());
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers);
  }

  const CURLcode code = easy.Perform();
  curl_slist_free_all(headers);
  result.status = easy.ResponseCode();
  if (code == CURLE_OK && !state.SendHead()) {
    result.aborted = true;
    result.error = "Aborted";
    result.failure = TransportFailure::Aborted;
    return result;
  }
  if (code != CURLE_OK) {
    result.aborted = state.abortedByCaller || easy.Stopped();
    result.error = result.aborted ? "Aborted" : easy.ErrorText(code);
    result.failure = result.aborted ? TransportFailure::Aborted : FailureOf(code);
    if (!result.aborted) {
      const TransportError error{result.failure, result.status, result.error};
      LogExchange("GET", request.url, &error, result.status, 0);
    }
    return result;
  }
  result.transportOk = true;
  return result;
}

}  // namespace orvik
