#include "update/package_download.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/files.h"
#include "platform/path_text.h"
#include "service/http_transport.h"
#include "service/rate_limiter.h"
#include "update/package_sidecar.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// Room kept free beyond the package itself, so the volume is not filled to the last byte.
constexpr std::uint64_t kSpareBytes = 16 * 1024 * 1024;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// One request for the package body, from `offset` on. `sidecar` describes the partial file:
// what a resume must match, and what a fresh body records before its first byte is written.
class Attempt {
 public:
  Attempt(const fs::path& archive, PackageSidecar& sidecar, std::uint64_t offset,
          const DownloadCallbacks& callbacks, std::stop_token stop)
      : archive_(archive),
        part_(PartialPathFor(archive)),
        sidecar_(sidecar),
        offset_(offset),
        received_(offset),
        callbacks_(callbacks),
        stop_(std::move(stop)) {}

  // False: the partial file does not belong to this package; start afresh.
  bool Run(HttpTransport& transport, DownloadOutcome& out) {
    FetchRequest request;
    request.url = sidecar_.url;
    if (offset_ > 0) {
      request.resumeFrom = offset_;
      request.ifRange = sidecar_.etag.empty() ? sidecar_.lastModified : sidecar_.etag;
    }
    request.stop = stop_;
    request.limiter = callbacks_.limiter;
    request.onHead = [&](const FetchHead& head) {
      out.status = head.status;
      return AcceptHead(head) && OpenFile();
    };
    request.onBody = [&](std::string_view block) { return Write(block); };
    const FetchResult result = transport.Fetch(request);
    if (file_ && std::fflush(file_.get()) != 0) writeFailed_ = true;
    file_.reset();
    out.received = received_;
    out.total = total_;
    if (restart_) return false;
    Conclude(result, out);
    return true;
  }

 private:
  // Decides from the head whether this body is the one wanted, and how large it is.
  bool AcceptHead(const FetchHead& head) {
    const bool resuming = offset_ > 0;
    if (resuming && head.status == 206) {
      if (!head.contentRange || head.contentRange->first != offset_)
        return Restart();  // not the piece that was asked for
      if (head.contentRange->total)
        total_ = *head.contentRange->total;
      else if (head.contentLength)
        total_ = offset_ + *head.contentLength;
      // Another package under the same address: start afresh.
      if ((sidecar_.length != 0 && total_ != sidecar_.length) ||
          (!head.etag.empty() && head.etag != sidecar_.etag))
        return Restart();
    } else if (head.status == 200) {
      received_ = 0;  // a fresh body, also when the server ignored the Range
      total_ = head.contentLength.value_or(0);
    } else if (resuming && head.status == 416) {
      return Restart();  // the partial file no longer matches the package
    } else {
      refused_ = DownloadResult::HttpError;
      return false;
    }
    if (total_ > received_) {
      const auto free = platform::FreeSpace(part_.parent_path());
      if (free && *free < total_ - received_ + kSpareBytes) {
        refused_ = DownloadResult::NoSpace;
        return false;
      }
    }
    if (received_ == 0) {
      sidecar_.etag = head.etag;
      sidecar_.lastModified = head.lastModified;
      sidecar_.length = total_;
      if (!WriteSidecar(archive_, sidecar_)) return !(writeFailed_ = true);
    }
    return true;
  }

  bool Restart() {
    restart_ = true;
    return false;
  }

  bool OpenFile() {
    file_.reset(platform::OpenFileStream(part_, received_ > 0 ? "ab" : "wb"));
    if (!file_) return !(writeFailed_ = true);
    std::setvbuf(file_.get(), nullptr, _IOFBF, 256 * 1024);
    if (callbacks_.onFileOpen) callbacks_.onFileOpen();
    return true;
  }

  bool Write(std::string_view block) {
    if (!file_) return false;
    if (std::fwrite(block.data(), 1, block.size(), file_.get()) != block.size())
      return !(writeFailed_ = true);
    received_ += block.size();
    if (callbacks_.onProgress) callbacks_.onProgress(DownloadProgress{
          received_, total_, callbacks_.limiter ? callbacks_.limiter->CurrentCap() : 0});
    return true;
  }

  void Conclude(const FetchResult& result, DownloadOutcome& out) const {
    std::error_code ec;
    if (refused_) {
      out.result = *refused_;
      if (*refused_ == DownloadResult::HttpError) out.detail = "HTTP " + std::to_string(out.status);
    } else if (writeFailed_) {
      out.result = DownloadResult::WriteFailed;
      out.detail = platform::PathToUtf8(part_);
      // Keep what was written whole for a resume; a torn last block would corrupt it.
      if (fs::exists(part_, ec)) fs::resize_file(part_, received_, ec);
    } else if (stop_.stop_requested()) {
      out.result = DownloadResult::Stopped;
    } else if (!result.transportOk) {
      // A redirect to plain http comes back the same way at every try: not a cut to resume.
      out.result = result.failure == TransportFailure::UnsafeRedirect
                       ? DownloadResult::UnsafeRedirect
                       : DownloadResult::TransportError;
      out.detail = result.error;
      out.failure = result.failure;
    } else if (total_ != 0 && received_ != total_) {
      out.result = DownloadResult::Incomplete;
      out.detail = std::to_string(received_) + " / " + std::to_string(total_);
      if (received_ > total_) fs::remove(part_, ec);  // more than announced: not to be trusted
    } else {
      out.result = DownloadResult::Complete;
    }
  }

  const fs::path& archive_;
  const fs::path part_;
  PackageSidecar& sidecar_;
  const std::uint64_t offset_;
  std::uint64_t received_;
  std::uint64_t total_ = 0;
  const DownloadCallbacks& callbacks_;
  std::stop_token stop_;
  File file_;
  bool restart_ = false;
  bool writeFailed_ = false;
  std::optional<DownloadResult> refused_;
};

bool IsHttpsAddress(std::string_view url) {
  constexpr std::string_view kScheme = "https://";
  if (url.size() <= kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return false;
  return true;
}

}  // namespace

fs::path PartialPathFor(const fs::path& archive) {
  fs::path part = archive;
  part += ".part";
  return part;
}

DownloadOutcome DownloadPackage(HttpTransport& transport, const std::string& url,
                                const fs::path& archive, const DownloadCallbacks& callbacks,
                                std::stop_token stop, const std::string& updateCode) {
  DownloadOutcome out;
  if (!IsHttpsAddress(url)) {
    out.result = DownloadResult::NotSecure;
    out.detail = url;
    return out;
  }
  const fs::path part = PartialPathFor(archive);
  std::error_code ec;
  const auto kept = ReadSidecar(archive);
  const bool samePackage = kept && kept->url == url;
  // A whole archive of this package, left by an unpacking that failed for a local reason.
  if (samePackage && fs::is_regular_file(archive, ec) && !fs::exists(part, ec)) {
    out.result = DownloadResult::Complete;
    out.received = out.total = fs::file_size(archive, ec);
    return out;
  }
  std::uint64_t offset = 0;
  if (fs::is_regular_file(part, ec)) offset = fs::file_size(part, ec);
  // Resumed only onto the same package: same address and a validator to send with If-Range.
  if (ec || !samePackage || (kept->etag.empty() && kept->lastModified.empty())) offset = 0;
  if (offset == 0) fs::remove(part, ec);

  PackageSidecar sidecar = samePackage ? *kept : PackageSidecar{};
  sidecar.url = url;
  sidecar.updateCode = updateCode;
  if (!Attempt(archive, sidecar, offset, callbacks, stop).Run(transport, out)) {
    fs::remove(part, ec);
    out = {};
    if (!Attempt(archive, sidecar, 0, callbacks, stop).Run(transport, out))
      out.result = DownloadResult::HttpError;  // cannot happen without a resume offset
  }
  if (out.result != DownloadResult::Complete) return out;

  fs::rename(part, archive, ec);
  if (ec) {
    out.result = DownloadResult::WriteFailed;
    out.detail = platform::PathToUtf8(archive);
  }
  return out;
}

}  // namespace orvik
