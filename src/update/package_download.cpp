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

enum class Attempt { Done, Restart };

// `sidecar` describes the partial file: what a resume must match, and what a fresh body
// records before its first byte is written.
Attempt RunAttempt(HttpTransport& transport, const fs::path& archive, PackageSidecar& sidecar,
                   std::uint64_t offset, const DownloadCallbacks& callbacks, std::stop_token stop,
                   DownloadOutcome& out) {
  const fs::path part = PartialPathFor(archive);
  File file;
  bool restart = false;
  bool writeFailed = false;
  std::uint64_t received = offset;
  std::uint64_t total = 0;
  std::optional<DownloadResult> refused;

  FetchRequest request;
  request.url = sidecar.url;
  if (offset > 0) {
    request.resumeFrom = offset;
    request.ifRange = sidecar.etag.empty() ? sidecar.lastModified : sidecar.etag;
  }
  request.stop = stop;
  request.limiter = callbacks.limiter;
  request.onHead = [&](const FetchHead& head) {
    out.status = head.status;
    const bool resuming = offset > 0;
    if (resuming && head.status == 206) {
      if (!head.contentRange || head.contentRange->first != offset) {
        restart = true;  // not the piece that was asked for
        return false;
      }
      if (head.contentRange->total)
        total = *head.contentRange->total;
      else if (head.contentLength)
        total = offset + *head.contentLength;
      // Another package under the same address: start afresh.
      if ((sidecar.length != 0 && total != sidecar.length) ||
          (!head.etag.empty() && head.etag != sidecar.etag)) {
        restart = true;
        return false;
      }
    } else if (head.status == 200) {
      received = 0;  // a fresh body, also when the server ignored the Range
      total = head.contentLength.value_or(0);
    } else if (resuming && head.status == 416) {
      restart = true;  // the partial file no longer matches the package
      return false;
    } else {
      refused = DownloadResult::HttpError;
      return false;
    }

    if (total > received) {
      const auto free = platform::FreeSpace(part.parent_path());
      if (free && *free < total - received + kSpareBytes) {
        refused = DownloadResult::NoSpace;
        return false;
      }
    }
    if (received == 0) {
      sidecar.etag = head.etag;
      sidecar.lastModified = head.lastModified;
      sidecar.length = total;
      if (!WriteSidecar(archive, sidecar)) {
        writeFailed = true;
        return false;
      }
    }
    file.reset(platform::OpenFileStream(part, received > 0 ? "ab" : "wb"));
    if (!file) {
      writeFailed = true;
      return false;
    }
    std::setvbuf(file.get(), nullptr, _IOFBF, 256 * 1024);
    if (callbacks.onFileOpen) callbacks.onFileOpen();
    return true;
  };
  request.onBody = [&](std::string_view block) {
    if (!file) return false;
    if (std::fwrite(block.data(), 1, block.size(), file.get()) != block.size()) {
      writeFailed = true;
      return false;
    }
    received += block.size();
    if (callbacks.onProgress) callbacks.onProgress(DownloadProgressInfo{
        received, total, callbacks.limiter ? callbacks.limiter->CurrentCap() : 0});
    return true;
  };

  const FetchResult result = transport.Fetch(request);
  if (file && std::fflush(file.get()) != 0) writeFailed = true;
  file.reset();

  out.received = received;
  out.total = total;
  if (restart) return Attempt::Restart;
  if (refused) {
    out.result = *refused;
    if (*refused == DownloadResult::HttpError) out.detail = "HTTP " + std::to_string(out.status);
    return Attempt::Done;
  }
  if (writeFailed) {
    out.result = DownloadResult::WriteFailed;
    out.detail = platform::PathToUtf8(part);
    // Keep what was written whole for a resume; a torn last block would corrupt it.
    std::error_code ec;
    if (fs::exists(part, ec)) fs::resize_file(part, received, ec);
    return Attempt::Done;
  }
  if (stop.stop_requested()) {
    out.result = DownloadResult::Stopped;
    return Attempt::Done;
  }
  if (!result.transportOk) {
    out.result = DownloadResult::TransportError;
    out.detail = result.error;
    out.failure = result.failure;
    return Attempt::Done;
  }
  if (total != 0 && received != total) {
    out.result = DownloadResult::Incomplete;
    out.detail = std::to_string(received) + " / " + std::to_string(total);
    if (received > total) {  // more than announced: the file cannot be trusted
      std::error_code ec;
      fs::remove(part, ec);
    }
    return Attempt::Done;
  }
  out.result = DownloadResult::Complete;
  return Attempt::Done;
}

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
  if (RunAttempt(transport, archive, sidecar, offset, callbacks, stop, out) == Attempt::Restart) {
    fs::remove(part, ec);
    out = {};
    if (RunAttempt(transport, archive, sidecar, 0, callbacks, stop, out) == Attempt::Restart) {
      out.result = DownloadResult::HttpError;  // cannot happen without a resume offset
    }
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
