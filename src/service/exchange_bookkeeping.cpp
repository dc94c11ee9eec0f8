#include "service/exchange_bookkeeping.h"

#include <system_error>

#include "platform/path_text.h"
#include "service/transport_limits.h"
#include "service/transport_texts.h"

namespace orvik {

TransportError StatusError(long status) {
  return {TransportFailure::HttpStatus, status, "HTTP status " + std::to_string(status)};
}

ExchangeLog::ExchangeLog(const char* method, std::string url)
    : method_(method), url_(std::move(url)), start_(std::chrono::steady_clock::now()) {}

void ExchangeLog::Finish(const TransportError& error, long status, TransportError* out) const {
  if (error.kind != TransportFailure::Aborted) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    LogExchange(method_, url_, &error, status, elapsed.count());
  }
  if (out != nullptr) *out = error;
}

bool ReplyCollector::Add(std::string_view block) {
  if (body.size() + block.size() > cap) return !(tooLarge = true);
  body.append(block);
  return true;
}

TransportError ReplyCollector::TooLargeError(long status) const {
  return {TransportFailure::TooLarge, status,
          "reply larger than " + std::to_string(cap >> 20) + " MiB"};
}

PictureFile::PictureFile(std::filesystem::path target) : target_(std::move(target)) {}

PictureFile::~PictureFile() {
  if (file_.is_open()) file_.close();
  if (done_) return;
  std::error_code ignored;
  std::filesystem::remove(PartPath(), ignored);
}

std::filesystem::path PictureFile::PartPath() const {
  auto part = target_;
  part += ".part";
  return part;
}

bool PictureFile::Open() {
  if (file_.is_open()) return true;
  if (failed_) return false;
  file_.open(PartPath(), std::ios::binary | std::ios::trunc);
  failed_ = !file_.is_open();
  return !failed_;
}

bool PictureFile::Add(std::string_view block) {
  if (!Open()) return false;
  if (written_ + block.size() > kMaxDownloadFileBytes) return !(tooLarge_ = true);
  written_ += block.size();
  file_.write(block.data(), static_cast<std::streamsize>(block.size()));
  return !(failed_ = !file_);
}

TransportError PictureFile::CannotWrite(long status) const {
  return {TransportFailure::Other, status,
          "cannot write the local file " + platform::PathToUtf8(target_)};
}

TransportError PictureFile::Finish(long status, const TransportError& transfer) {
  if (tooLarge_) return {TransportFailure::TooLarge, status, "larger than a banner picture may be"};
  if (failed_) return CannotWrite(status);
  if (transfer.kind != TransportFailure::None) return transfer;
  if (!Open()) return CannotWrite(status);  // an empty 200 reply still makes the (empty) file
  file_.close();
  if (file_.fail()) return CannotWrite(status);
  std::error_code renameError;
  std::filesystem::rename(PartPath(), target_, renameError);
  if (renameError) return CannotWrite(status);
  done_ = true;
  return {};
}

}  // namespace orvik
