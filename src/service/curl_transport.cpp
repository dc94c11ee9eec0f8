#include "service/curl_transport.h"

#include "service/curl_easy.h"
#include "service/fetch_headers.h"
#include "service/system_transport.h"

namespace orvik {
namespace {

struct Transfer {
  CurlEasy* easy = nullptr;
  LibraryTransport::Delivery* delivery = nullptr;
  HeaderCollector headers;

  FetchHead Head() const {
    FetchHead head = headers.Head();
    head.status = easy->ResponseCode();
    return head;
  }
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  const size_t bytes = size * count;
  static_cast<Transfer*>(user)->headers.AddLine(std::string_view(data, bytes));
  return bytes;
}

size_t OnBodyBlock(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->easy->Stopped()) return 0;
  const bool taken = transfer->delivery->Block(std::string_view(data, bytes),
                                               [transfer] { return transfer->Head(); });
  return taken ? bytes : 0;
}

long Seconds(std::chrono::seconds duration) { return static_cast<long>(duration.count()); }

}  // namespace

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<CurlTransport>(std::move(address), std::move(shutdown));
}

LibraryTransport::Outcome CurlTransport::Run(const Exchange& exchange, Delivery& delivery) {
  Outcome outcome;
  const auto parts = SplitUrl(exchange.url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https") ||
      (exchange.secureOnly && parts->scheme != "https")) {
    outcome.invalidUrl = true;
    outcome.error = {TransportFailure::Other, 0, "Invalid URL"};
    return outcome;
  }
  CurlEasy easy(exchange.url, Address(), parts->scheme == "https", Shutdown(), exchange.stop);
  Transfer transfer{&easy, &delivery, {}};
  CURL* curl = easy.get();
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, Seconds(exchange.deadline));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(exchange.lowSpeedBytesPerSecond));
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBodyBlock);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  if (exchange.package) curl_easy_setopt(curl, CURLOPT_USERAGENT, kPackageUserAgent);
  curl_slist* headers = nullptr;
  if (exchange.post) {
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    // The service expects the body at once, not after a 100-continue round.
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, exchange.form.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(exchange.form.size()));
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }
  const std::string range =
      exchange.resumeFrom ? std::to_string(*exchange.resumeFrom) + "-" : std::string();
  if (exchange.resumeFrom) curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
  if (exchange.resumeFrom && !exchange.ifRange.empty())
    headers = curl_slist_append(headers, ("If-Range: " + exchange.ifRange).c_str());
  if (headers != nullptr) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  const CURLcode code = easy.Perform();
  curl_slist_free_all(headers);
  outcome.status = easy.ResponseCode();
  if (code == CURLE_OK) {
    outcome.whole = delivery.End([&transfer] { return transfer.Head(); });
    if (!outcome.whole) outcome.error = {TransportFailure::Aborted, outcome.status, "Aborted"};
  } else {
    outcome.error = easy.Error(code);
    outcome.error.status = outcome.status;
  }
  return outcome;
}

}  // namespace orvik
