// Downloads the song package into "<archive>.part" and renames it to the archive path only
// when the whole body arrived, so a failed or cut download is never unpacked. A later call
// resumes the partial file with a Range request.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>

#include "service/http_transport.h"
#include "update/update_events.h"

namespace orvik {

enum class DownloadResult {
  Complete,        // the archive is on disk, whole
  HttpError,       // the service answered with a status other than 200/206
  TransportError,  // no answer, or the connection broke (the partial file is kept)
  Incomplete,      // fewer (or more) bytes than announced (the partial file is kept)
  NoSpace,         // not enough free space for the announced size; nothing written
  WriteFailed,     // the local file could not be created or written
  Stopped,         // the window closed (the partial file is kept)
  NotSecure,       // the package address is not https: songs are only taken over TLS
  UnsafeRedirect,  // the service sent the https address on to a plain-http one
};

struct DownloadOutcome {
  DownloadResult result = DownloadResult::TransportError;
  long status = 0;
  std::uint64_t received = 0;  // bytes in the file, resumed part included
  std::uint64_t total = 0;     // 0 when the size is unknown
  std::string detail;
  // TransportError: why, in the operator's terms.
  TransportFailure failure = TransportFailure::None;
};

struct DownloadCallbacks {
  std::function<void()> onFileOpen;                             // the body starts
  std::function<void(const DownloadProgress&)> onProgress;  // after every block
  RateLimiter* limiter = nullptr;  // null: full speed
};

std::filesystem::path PartialPathFor(const std::filesystem::path& archive);

// The address, the server's validators and `updateCode` are kept beside the archive
// (package_sidecar.h); a partial file of another package is never resumed, and a whole
// archive of this one is not fetched again.
DownloadOutcome DownloadPackage(HttpTransport& transport, const std::string& url,
                                const std::filesystem::path& archive,
                                const DownloadCallbacks& callbacks, std::stop_token stop = {},
                                const std::string& updateCode = {});

}  // namespace orvik
