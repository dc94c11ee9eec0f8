// The reference song service: a real HTTP + HTTPS server on 127.0.0.1 that answers every
// request the launcher makes from a catalogue folder laid out like a song store, records
// what it received, and can inject faults. Tests start it in-process; orvik-songsvc runs it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace songsvc {

struct RecordedRequest {
  bool secure = false;  // arrived on the HTTPS listener
  std::string method;
  std::string path;   // without the query
  std::string query;  // raw, without '?'
  std::multimap<std::string, std::string> headers;
  std::string body;
};

// A fault applies to every request whose path starts with `pathPrefix`.
struct Fault {
  int status = 0;                              // non-zero: answer with this status
  std::optional<std::string> rawBody;          // answer with exactly these bytes
  std::optional<std::string> redirectTo;       // answer 302 (or `status`) with this Location
  std::optional<std::uint64_t> truncateAfter;  // send only this many body bytes, then drop
  std::optional<std::uint64_t> claimedLength;  // Content-Length to announce (lying)
  int slowChunkDelayMs = 0;                    // pause between 64 KiB chunks (bounded)
  bool ignoreRange = false;                    // answer 200 with the whole body to a Range
  bool chunked = false;  // send the body chunked, announcing no Content-Length
  int remaining = -1;    // applies this many times; -1: until cleared
};

struct TestCertificates {
  std::filesystem::path caFile;    // PEM of the test CA (what the client trusts)
  std::filesystem::path certFile;  // server certificate for "localhost" and 127.0.0.1
  std::filesystem::path keyFile;
};

// Makes a fresh CA and server certificate in `dir` with the openssl command (reused when
// already there and still valid). Throws std::runtime_error on failure.
TestCertificates MakeTestCertificates(const std::filesystem::path& dir);
// The certificates the tests share: made once per user under the temporary folder (in the
// Windows build: the native host's).
TestCertificates SharedTestCertificates();

struct Options {
  std::filesystem::path catalogDir;  // K-folders of .sgd files: what the service offers
  std::filesystem::path bannersDir;  // pictures served under /banners/; may be empty
  std::filesystem::path workDir;     // prepared packages are written here
  TestCertificates certificates;     // certFile/keyFile used by the HTTPS listener
  std::string host = "127.0.0.1";
  int httpPort = 0;                               // 0: any free port
  int httpsPort = 0;                              // 0: any free port
  std::chrono::milliseconds preparationDelay{0};  // until the package URL is announced
  bool announceAppUpdate = false;
  std::string appFileUrl;   // sent as appFileUrl when announcing
  std::string bannerReply;  // explicit banner-list reply; empty: built from bannersDir
};

class SongService {
 public:
  explicit SongService(Options options);
  ~SongService();
  SongService(const SongService&) = delete;
  SongService& operator=(const SongService&) = delete;

  void Start();  // throws std::runtime_error when a listener cannot start
  void Stop();

  int HttpPort() const;
  int HttpsPort() const;
  std::string BaseUrl() const;       // "http://127.0.0.1:<port>"
  std::string SecureOrigin() const;  // "https://localhost:<port>"

  std::vector<RecordedRequest> Requests() const;
  void ClearRequests();

  void SetFault(const std::string& pathPrefix, Fault fault);
  void ClearFaults();

  // Adjusts behaviour at run time (tests).
  void SetPreparationDelay(std::chrono::milliseconds delay);
  void SetAppUpdate(bool announce, const std::string& appFileUrl);
  void SetBannerReply(const std::string& reply);

  // Packages (tests). The update code of the latest insert decision; empty before one.
  std::string LastUpdateCode() const;
  // Waits until the update-event reply for `code` names the package (made and past the
  // preparation delay). False on time-out, an unknown code, a failed package or Stop().
  bool WaitForPackage(const std::string& code, std::chrono::milliseconds timeout) const;
  std::filesystem::path PackageFile(const std::string& code) const;  // empty when unknown
  // The count the launcher reported for `code` (insertCount of the result request).
  std::optional<int> ReportedCount(const std::string& code) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace songsvc
