// What both transports do around an exchange, whatever the library underneath: the clock and
// the log line, the capped reply, the banner picture's side file, and handing a streamed body
// on to its caller. Internal to the transports.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "service/http_transport.h"

namespace orvik {

TransportError StatusError(long status);

// Started with the exchange; logs how it ended.
class ExchangeLog {
 public:
  ExchangeLog(const char* method, std::string url);
  // Fills `out` (when given) and logs the exchange; a stopped one is not logged.
  void Finish(const TransportError& error, long status, TransportError* out = nullptr) const;

 private:
  const char* method_;
  std::string url_;
  std::chrono::steady_clock::time_point start_;
};

// A whole reply, up to `cap` bytes.
struct ReplyCollector {
  explicit ReplyCollector(std::uint64_t limit) : cap(limit) {}

  std::uint64_t cap;
  std::string body;
  bool tooLarge = false;

  bool Add(std::string_view block);
  TransportError TooLargeError(long status) const;
};

// A downloaded picture goes into "<target>.part" and replaces the target only when whole, so
// a failed transfer never replaces a good older picture.
class PictureFile {
 public:
  explicit PictureFile(std::filesystem::path target);
  ~PictureFile();  // an unfinished side file is removed
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  // One body block (of a 200 reply); false stops the transfer.
  bool Add(std::string_view block);
  // How the download ended, once the transfer is over: `transfer` is the library's verdict
  // (kind None when the whole body came).
  TransportError Finish(long status, const TransportError& transfer);
  std::filesystem::path PartPath() const;

 private:
  bool Open();
  TransportError CannotWrite(long status) const;

  std::filesystem::path target_;
  std::ofstream file_;
  std::uint64_t written_ = 0;
  bool tooLarge_ = false;
  bool failed_ = false;  // the side file could not be made or written
  bool done_ = false;
};

// Hands a streamed body to the caller of Fetch: the head once, before the first block (or at
// the end of an empty body), then every block.
class FetchRelay {
 public:
  FetchRelay(const FetchRequest& request, std::function<FetchHead()> head);

  bool SendHead();
  bool Block(std::string_view block);
  // The caller's callbacks said no.
  bool Refused() const { return refused_; }
  // The ended transfer's result; a failure other than a stop is logged.
  FetchResult Result(bool whole, TransportError error, long status);
  static FetchResult InvalidUrl();

 private:
  const FetchRequest& request_;
  std::function<FetchHead()> head_;
  ExchangeLog log_;
  bool headSent_ = false;
  bool refused_ = false;
};

}  // namespace orvik
