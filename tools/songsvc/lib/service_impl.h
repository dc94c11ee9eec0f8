// Inside of SongService: state shared by the listeners, the request handlers, the reply
// writer and the package builders.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "songsvc/song_service.h"

namespace songsvc {

// What a handler answers; the reply writer turns it into bytes, applying any fault.
struct Reply {
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;            // used when `file` is empty
  std::filesystem::path file;  // streamed from disk
  std::uint64_t fileSize = 0;
  bool rangeable = false;  // honours "Range: bytes=N-" / "bytes=N-M"
  std::vector<std::pair<std::string, std::string>> headers;
};

struct Package {
  std::vector<int> songs;
  std::filesystem::path file;
  std::uint64_t size = 0;
  bool built = false;
  bool failed = false;
  std::chrono::steady_clock::time_point connectedAt;
  std::optional<int> reportedCount;
};

struct SongService::Impl {
  explicit Impl(Options o) : options(std::move(o)) {}

  Options options;

  std::unique_ptr<httplib::Server> http;
  std::unique_ptr<httplib::SSLServer> https;
  std::thread httpThread;
  std::thread httpsThread;
  int httpPort = 0;
  int httpsPort = 0;
  bool started = false;

  mutable std::mutex mutex;  // everything below
  std::condition_variable changed;
  bool stopping = false;
  std::vector<RecordedRequest> requests;
  std::map<std::string, Fault> faults;
  std::map<std::string, Package> packages;
  std::vector<std::thread> builders;
  std::string lastUpdateCode;
  std::uint64_t codeCounter = 0;

  // Routing (handlers.cpp).
  void Install(httplib::Server& server, bool secure);
  void Handle(const httplib::Request& req, httplib::Response& res, bool secure);
  Reply Route(const httplib::Request& req, const std::string& path, bool secure);
  Reply DeviceConnect(const httplib::Request& req);
  Reply UpdateEvent(const std::string& code);
  Reply UpdateResult(const httplib::Request& req, const std::string& code);
  Reply BannerList();
  Reply BannerPicture(const std::string& name);
  Reply PackageDownload(const std::string& name);

  // Packages (packages.cpp).
  std::string StartPackage(std::vector<int> songs,
                           const std::map<int, std::filesystem::path>& catalog);
  void BuildPackage(std::string code, std::vector<std::pair<int, std::filesystem::path>> files);

  // Reply writing with faults and ranges (reply_writer.cpp).
  std::optional<Fault> TakeFault(const std::string& path);
  void Write(const httplib::Request& req, httplib::Response& res, Reply reply,
             const std::optional<Fault>& fault);
  // Waits up to `delay` (bounded) unless stopping; false when the service stops.
  bool Pause(int delayMs);

  std::string BaseUrl() const;
  std::string SecureOrigin() const;
};

}  // namespace songsvc
