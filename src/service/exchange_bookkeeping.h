// What every exchange keeps track of, whatever the library underneath: the clock and the log
// line, the capped reply, the banner picture's side file. Internal to the transports.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "service/http_transport.h"

namespace orvik {

TransportError StatusError(long status);

// A library's error codes by the operator's terms; a code in no row is Other.
template <class Code>
struct FailureCodes {
  TransportFailure kind;
  std::initializer_list<Code> codes;
};

template <class Code, std::size_t N>
TransportFailure FailureIn(const FailureCodes<Code> (&table)[N], Code code) {
  for (const auto& row : table)
    for (Code c : row.codes)
      if (c == code) return row.kind;
  return TransportFailure::Other;
}

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

}  // namespace orvik
