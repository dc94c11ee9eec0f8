#include "service/curl_transport.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "core/window_port.h"
#include "platform/network.h"
#include "platform/path_text.h"
#include "service/curl_easy.h"
#include "service/system_transport.h"
#include "service/transport_limits.h"

namespace orvik {
namespace {

// A form reply is a line of key=value pairs; a removal list of a million songs must fit.
constexpr std::size_t kMaxReplyBytes = 32 * 1024 * 1024;
// A banner picture; a larger "picture" would fill the module volume.
constexpr std::uint64_t kMaxPictureBytes = 8 * 1024 * 1024;
// Besides the low-speed rule: a reply that drips a byte a second still ends.
constexpr long kRequestDeadlineSeconds = 120;
constexpr char kRequestFailed[] = "HTTP request failed.";

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

void ErrorLine(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

// Why a finished transfer failed, for the caller's error.
void SetFailure(TransportError* error, CurlEasy& easy, CURLcode code, bool tooLarge) {
  if (error == nullptr) return;
  error->status = easy.ResponseCode();
  if (tooLarge) {
    error->kind = TransportFailure::TooLarge;
  } else if (code == CURLE_OPERATION_TIMEDOUT) {
    error->kind = TransportFailure::TimedOut;
  } else if (easy.Stopped() || code == CURLE_ABORTED_BY_CALLBACK) {
    error->kind = TransportFailure::Aborted;
  } else if (code != CURLE_OK) {
    error->kind = TransportFailure::Other;
  } else {
    return;
  }
  error->detail = easy.ErrorText(code);
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
  if (sink->written + bytes > kMaxPictureBytes) {
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

}  // namespace

CurlTransport::CurlTransport(ServiceAddress address, WindowPort* port, std::stop_token shutdown)
    : address_(std::move(address)), port_(port), shutdown_(std::move(shutdown)) {}

void CurlTransport::Tell(const std::string& text) {
  if (port_ != nullptr) port_->ShowMessage(text, MessageIcon::Warning);
}

std::optional<std::string> CurlTransport::PostForm(const std::string& url, const std::string& form,
                                                   TransportError* error) {
  const auto parts = SplitUrl(url);
  if (!parts || parts->scheme != "http") return std::nullopt;

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
  if (code != CURLE_OK) {
    SetFailure(error, easy, code, sink.tooLarge);
    return std::nullopt;
  }
  return JoinReplyLines(sink.body);
}

std::optional<std::string> CurlTransport::GetSecure(const std::string& path,
                                                    TransportError* error) {
  CurlEasy easy(address_.secureOrigin + path, address_, true, shutdown_);
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  ReplySink sink;
  sink.easy = &easy;
  sink.requireOk = true;
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &CollectReply);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  if (code != CURLE_OK) SetFailure(error, easy, code, sink.tooLarge);
  if (easy.Stopped()) return std::nullopt;  // shutting down: nobody to tell
  if (sink.rejected || sink.tooLarge || (code == CURLE_OK && easy.ResponseCode() != 200)) {
    Tell(kRequestFailed);
    return std::nullopt;
  }
  if (code != CURLE_OK) {
    Tell(easy.ErrorText(code).substr(0, 1024));
    return std::nullopt;
  }
  return JoinReplyLines(sink.body);
}

bool CurlTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                 TransportError* error) {
  const auto parts = SplitUrl(url);
  if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
    ErrorLine("Invalid URL: " + url);
    return false;
  }
  // Into a side file first: a failed transfer never replaces a good older picture.
  CurlEasy easy(url, address_, parts->scheme == "https", shutdown_);
  FileSink sink;
  sink.easy = &easy;
  sink.partPath = std::filesystem::path(localPath) += ".part";
  curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kRequestDeadlineSeconds);
  curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
  const CURLcode code = easy.Perform();
  const long status = easy.ResponseCode();
  if (code != CURLE_OK) SetFailure(error, easy, code, sink.tooLarge);

  bool ok = false;
  if (sink.tooLarge) {
    ErrorLine("The file is larger than a banner picture may be: " +
              platform::PathToUtf8(localPath));
  } else if (sink.rejected || (code == CURLE_OK && status != 200)) {
    ErrorLine("Failed to get the file. HTTP status code: " + std::to_string(status));
  } else if (sink.createFailed) {
    ErrorLine("Failed to create local file: " + platform::PathToUtf8(localPath));
  } else if (code != CURLE_OK) {
    ErrorLine("Error: " + easy.ErrorText(code).substr(0, 1024));
  } else if (!sink.Open()) {  // an empty 200 reply still makes the (empty) file
    ErrorLine("Failed to create local file: " + platform::PathToUtf8(localPath));
  } else {
    sink.file.close();
    std::error_code error;
    if (!sink.file.fail()) std::filesystem::rename(sink.partPath, localPath, error);
    ok = !sink.file.fail() && !error;
    if (!ok) ErrorLine("Failed to create local file: " + platform::PathToUtf8(localPath));
  }
  if (sink.file.is_open()) sink.file.close();
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(sink.partPath, ignored);
  }
  return ok;
}

bool CurlTransport::IsConnected() { return platform::HasNetworkConnection(); }

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address, WindowPort* port,
                                                   std::stop_token shutdown) {
  return std::make_unique<CurlTransport>(std::move(address), port, std::move(shutdown));
}

}  // namespace orvik
