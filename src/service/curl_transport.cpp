#include "service/curl_transport.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "core/log.h"
#include "core/window_port.h"
#include "platform/network.h"
#include "platform/path_text.h"
#include "service/curl_easy.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"
#include "service/transport_texts.h"

namespace orvik {
namespace {

constexpr long kRequestDeadlineSeconds = static_cast<long>(kRequestDeadline.count());

struct ReplySink {
  CurlEasy* easy = nullptr;
  std::string body;
  bool tooLarge = false;
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
  if (sink->body.size() + bytes > kMaxFormReplyBytes) {
    sink->tooLarge = true;
    return 0;
  }
  sink->body.append(data, bytes);
  return bytes;
}

struct FileSink {
  CurlEasy* easy = nullptr;
  std::filesystem::path partPath;
  std::ofstream file;
  std::uint64_t written = 0;
  bool tooLarge = false;
  bool rejected = false;
  bool createFailed = false;
  bool writeFailed = false;

  bool Open() {
    if (file.is_open()) return true;
    file.open(partPath, std::ios::binary | std::ios::trunc);
    createFailed = !file.is_open();
    return !createFailed;
  }
};

size_t WriteToFile(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<FileSink*>(user);
  const size_t bytes = size * count;
  if (sink->easy->Stopped()) return 0;
  if (sink->easy->ResponseCode() != 200) {
    sink->rejected = true;
    return 0;
  }
  if (!sink->Open()) return 0;
  if (sink->written + bytes > kMaxDownloadFileBytes) {
    sink->tooLarge = true;
    return 0;
  }
  sink->written += bytes;
  sink->file.write(data, static_cast<std::streamsize>(bytes));
  if (!sink->file) {
    sink->writeFailed = true;
    return 0;
  }
  return bytes;
}

// The picture download's own report lines (besides the log).
void ErrorLine(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

}  // namespace

CurlTransport::CurlTransport(ServiceAddress address, std::stop_token shutdown)
    : address_(std::move(address)), shutdown_(std::move(shutdown)) {}

namespace {

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// Fills `out` (when given) and logs the exchange.
void Finish(const char* method, const std::string& url, const TransportError& error, long status,
            std::chrono::steady_clock::time_point start, TransportError* out) {
  if (error.kind != TransportFailure::Aborted)
    LogExchange(method, url, &error, status, MillisecondsSince(start));
  if (out != nullptr) *out = error;
}

}  // namespace

std::optional<std::string> CurlTransport::PostForm(const std::string& url, const std::string& form,
                                                   TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  const auto parts = SplitUrl(url);
  if (!parts || parts->scheme != "http") {
    Finish("POST", url, {TransportFailure::Other, 0, "not a plain http address"}, 0, start, out);
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
  if (sink.tooLarge) {
    error = {TransportFailure::TooLarge, status, "reply larger than 32 MiB"};
  } else if (code != CURLE_OK) {
    error = easy.Error(code);
  }
  error.status = status;  // also with a reply: the caller may care about an error status
  Finish("POST", url, error, status, start, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(sink.body);
}

std::optional<std::string> CurlTransport::GetSecure(const std::string& path, TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  const std::string url = address_.secureOrigin + path;
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
    error = {TransportFailure::HttpStatus, status, "HTTP status " + std::to_string(status)};
  } else if (sink.tooLarge) {
    error = {TransportFailure::TooLarge, status, "reply larger than 32 MiB"};
  } else if (code != CURLE_OK) {
    error = easy.Error(code);
  }
  Finish("GET", url, error, status, start, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(sink.body);
}

bool CurlTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                 TransportError* out) {
  const auto start = std::chrono::steady_clock::now();
  const std::string where = platform::PathToUtf8(localPath);
  const auto parts = SplitUrl(url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
    ErrorLine("Invalid URL: " + url);
    Finish("GET", url, {TransportFailure::Other, 0, "invalid address"}, 0, start, out);
    return false;
  }
  // Into a side file first: a failed transfer never replaces a good older picture.
  CurlEasy easy(url, address_, parts->scheme == "https", shutdown_);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  FileSink sink;
  sink.easy = &easy;
  sink.partPath = std::filesystem::path(localPath) += ".part";
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  const long status = easy.ResponseCode();

  TransportError error;
  const TransportError cannotWrite{TransportFailure::Other, status,
                                   "cannot write the local file " + where};
  if (sink.tooLarge) {
    error = {TransportFailure::TooLarge, status, "larger than a banner picture may be"};
    ErrorLine("The file is larger than a banner picture may be: " + where);
  } else if (sink.rejected || (code == CURLE_OK && status != 200)) {
    error = {TransportFailure::HttpStatus, status, "HTTP status " + std::to_string(status)};
    ErrorLine("Failed to get the file. HTTP status code: " + std::to_string(status));
  } else if (sink.createFailed) {
    error = cannotWrite;
  } else if (code != CURLE_OK) {
    error = easy.Error(code);
    ErrorLine("Error: " + error.detail);
  } else if (!sink.Open()) {  // an empty 200 reply still makes the (empty) file
    error = cannotWrite;
  } else {
    sink.file.close();
    std::error_code renameError;
    if (!sink.file.fail()) std::filesystem::rename(sink.partPath, localPath, renameError);
    if (sink.file.fail() || renameError) error = cannotWrite;
  }
  if (error.detail == cannotWrite.detail) ErrorLine("Failed to create local file: " + where);
  if (sink.file.is_open()) sink.file.close();
  const bool ok = error.kind == TransportFailure::None;
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(sink.partPath, ignored);
  }
  Finish("GET", url, error, status, start, out);
  return ok;
}

bool CurlTransport::IsConnected() { return platform::HasNetworkConnection(); }

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<CurlTransport>(std::move(address), std::move(shutdown));
}

}  // namespace orvik
