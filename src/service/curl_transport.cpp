#include "service/curl_transport.h"

#include "platform/network.h"
#include "service/curl_easy.h"
#include "service/exchange_bookkeeping.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"

namespace orvik {
namespace {

constexpr long kRequestDeadlineSeconds = static_cast<long>(kRequestDeadline.count());

struct ReplySink {
  CurlEasy* easy = nullptr;
  ReplyCollector reply{kMaxFormReplyBytes};
  bool requireOk = false;
  bool rejected = false;  // status other than 200 where one is required
};

size_t CollectReply(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<ReplySink*>(user);
  const size_t bytes = size * count;
  if (sink->easy->Stopped()) return 0;
  if (sink->requireOk && sink->easy->ResponseCode() != 200) {
    sink->rejected = true;
    return 0;
  }
  return sink->reply.Add(std::string_view(data, bytes)) ? bytes : 0;
}

struct FileSink {
  CurlEasy* easy = nullptr;
  PictureFile* picture = nullptr;
  bool rejected = false;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<FileSink*>(user);
  const size_t bytes = size * count;
  if (sink->easy->Stopped()) return 0;
  if (sink->easy->ResponseCode() != 200) {
    sink->rejected = true;
    return 0;
  }
  return sink->picture->Add(std::string_view(data, bytes)) ? bytes : 0;
}

}  // namespace

CurlTransport::CurlTransport(ServiceAddress address, std::stop_token shutdown)
    : address_(std::move(address)), shutdown_(std::move(shutdown)) {}

std::optional<std::string> CurlTransport::PostForm(const std::string& url, const std::string& form,
                                                   TransportError* out) {
  const ExchangeLog log("POST", url);
  const auto parts = SplitUrl(url);
  if (!parts || parts->scheme != "http") {
    log.Finish({TransportFailure::Other, 0, "not a plain http address"}, 0, out);
    return std::nullopt;
  }

  CurlEasy easy(url, address_, false, shutdown_);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  ReplySink sink;
  sink.easy = &easy;
  curl_slist* headers =
      curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
  // The service expects the body at once, not after a 100-continue round.
  headers = curl_slist_append(headers, "Expect:");
  curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, form.data());
  curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(form.size()));
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &CollectReply);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  curl_slist_free_all(headers);
  const long status = easy.ResponseCode();
  TransportError error;
  if (sink.reply.tooLarge) {
    error = sink.reply.TooLargeError(status);
  } else if (code != CURLE_OK) {
    error = easy.Error(code);
  }
  error.status = status;  // also with a reply: the caller may care about an error status
  log.Finish(error, status, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(sink.reply.body);
}

std::optional<std::string> CurlTransport::GetSecure(const std::string& path, TransportError* out) {
  const std::string url = address_.secureOrigin + path;
  const ExchangeLog log("GET", url);
  CurlEasy easy(url, address_, true, shutdown_);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  ReplySink sink;
  sink.easy = &easy;
  sink.requireOk = true;
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &CollectReply);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  const long status = easy.ResponseCode();
  TransportError error;
  if (easy.Stopped()) {
    error = {TransportFailure::Aborted, status, "stopped"};
  } else if (sink.rejected || (code == CURLE_OK && status != 200)) {
    error = StatusError(status);
  } else if (sink.reply.tooLarge) {
    error = sink.reply.TooLargeError(status);
  } else if (code != CURLE_OK) {
    error = easy.Error(code);
  }
  log.Finish(error, status, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(sink.reply.body);
}

bool CurlTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                 TransportError* out) {
  const ExchangeLog log("GET", url);
  const auto parts = SplitUrl(url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
    log.Finish({TransportFailure::Other, 0, "invalid address"}, 0, out);
    return false;
  }
  CurlEasy easy(url, address_, parts->scheme == "https", shutdown_);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  PictureFile picture(localPath);
  FileSink sink{&easy, &picture};
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  const long status = easy.ResponseCode();

  TransportError error;
  if (sink.rejected || (code == CURLE_OK && status != 200))
    error = StatusError(status);
  else
    error = picture.Finish(status, code == CURLE_OK ? TransportError{} : easy.Error(code));
  log.Finish(error, status, out);
  return error.kind == TransportFailure::None;
}

bool CurlTransport::IsConnected() { return platform::HasNetworkConnection(); }

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<CurlTransport>(std::move(address), std::move(shutdown));
}

}  // namespace orvik
