// The streamed GET of the libcurl transport.
#include "service/curl_easy.h"
#include "service/curl_transport.h"
#include "service/exchange_bookkeeping.h"
#include "service/fetch_headers.h"
#include "service/transport_limits.h"

namespace orvik {
namespace {

struct FetchState {
  CurlEasy* easy = nullptr;
  HeaderCollector headers;
  FetchRelay* relay = nullptr;
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  const size_t bytes = size * count;
  static_cast<FetchState*>(user)->headers.AddLine(std::string_view(data, bytes));
  return bytes;
}

size_t OnBodyBlock(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<FetchState*>(user);
  const size_t bytes = size * count;
  if (state->easy->Stopped()) return 0;
  return state->relay->Block(std::string_view(data, bytes)) ? bytes : 0;
}

}  // namespace

FetchResult CurlTransport::Fetch(const FetchRequest& request) {
  const auto parts = SplitUrl(request.url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https"))
    return FetchRelay::InvalidUrl();
  CurlEasy easy(request.url, Address(), parts->scheme == "https", shutdown_, request.stop);
  FetchState state;
  state.easy = &easy;
  FetchRelay relay(request, [&] {
    FetchHead head = state.headers.Head();
    head.status = easy.ResponseCode();
    return head;
  });
  state.relay = &relay;
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, static_cast<long>(
                                                    std::chrono::seconds(kFetchDeadline).count()));
  curl_easy_setopt(easy.get(), CURLOPT_LOW_SPEED_LIMIT,
                   static_cast<long>(kFetchLowSpeedBytesPerSecond));
  curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, kPackageUserAgent);
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
  return relay.Result(code == CURLE_OK, code == CURLE_OK ? TransportError{} : easy.Error(code),
                      easy.ResponseCode());
}

}  // namespace orvik
