// Turns a Reply into the HTTP answer: byte ranges, streaming from disk in 64 KiB blocks, and
// the injected faults (lying lengths, cut bodies, slow bodies, ignored ranges).
#include <algorithm>
#include <charconv>
#include <fstream>

#include "service_impl.h"

namespace songsvc {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kMaxChunkDelayMs = 2000;

struct ByteRange {
  std::uint64_t first = 0;
  std::optional<std::uint64_t> last;
};

// "bytes=N-" or "bytes=N-M"; anything else (suffix or multiple ranges) is not honoured.
std::optional<ByteRange> ParseRange(const std::string& header) {
  const std::string prefix = "bytes=";
  if (header.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::string_view rangeText = std::string_view(header).substr(prefix.size());
  size_t dash = rangeText.find('-');
  if (dash == 0 || dash == std::string_view::npos ||
      rangeText.find(',') != std::string_view::npos) {
    return std::nullopt;
  }
  ByteRange range;
  auto first = rangeText.substr(0, dash);
  auto [p, ec] = std::from_chars(first.data(), first.data() + first.size(), range.first);
  if (ec != std::errc() || p != first.data() + first.size()) return std::nullopt;
  auto last = rangeText.substr(dash + 1);
  if (!last.empty()) {
    std::uint64_t value = 0;
    auto [q, ec2] = std::from_chars(last.data(), last.data() + last.size(), value);
    if (ec2 != std::errc() || q != last.data() + last.size() || value < range.first) {
      return std::nullopt;
    }
    range.last = value;
  }
  return range;
}

}  // namespace

std::optional<Fault> SongService::Impl::TakeFault(const std::string& path) {
  std::lock_guard lock(mutex);
  auto best = faults.end();
  for (auto it = faults.begin(); it != faults.end(); ++it) {
    if (path.compare(0, it->first.size(), it->first) == 0 &&
        (best == faults.end() || it->first.size() > best->first.size())) {
      best = it;
    }
  }
  if (best == faults.end()) return std::nullopt;
  Fault fault = best->second;
  if (best->second.remaining > 0 && --best->second.remaining == 0) faults.erase(best);
  return fault;
}

bool SongService::Impl::Pause(int delayMs) {
  std::unique_lock lock(mutex);
  auto bound = std::chrono::milliseconds(std::clamp(delayMs, 0, kMaxChunkDelayMs));
  return !changed.wait_for(lock, bound, [this] { return stopping; });
}

void SongService::Impl::Write(const httplib::Request& req, httplib::Response& res, Reply reply,
                              const std::optional<Fault>& fault) {
  // httplib would apply ranges itself, without bounds checks; this writer owns them.
  std::string rangeHeader = req.get_header_value("Range");
  const_cast<httplib::Request&>(req).ranges.clear();

  const bool fromFile = !reply.file.empty();
  const std::uint64_t total = fromFile ? reply.fileSize : reply.body.size();
  std::uint64_t start = 0;
  std::uint64_t length = total;
  int status = reply.status;

  // A range of another version of the body is not served: If-Range gets the whole body.
  const std::string ifRange = req.get_header_value("If-Range");
  if (!ifRange.empty()) {
    bool same = false;
    for (const auto& [name, value] : reply.headers)
      same = same || (name == "ETag" && value == ifRange);
    if (!same) rangeHeader.clear();
  }
  if (reply.rangeable && !rangeHeader.empty() && !(fault && fault->ignoreRange)) {
    if (auto range = ParseRange(rangeHeader)) {
      if (range->first >= total) {
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(total));
        res.set_content("", "text/plain");
        return;
      }
      start = range->first;
      std::uint64_t last = std::min(range->last.value_or(total - 1), total - 1);
      length = last - start + 1;
      status = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(start) + "-" +
                                          std::to_string(last) + "/" + std::to_string(total));
    }
  }
  if (reply.rangeable) res.set_header("Accept-Ranges", "bytes");
  for (const auto& [name, value] : reply.headers) res.set_header(name, value);
  res.status = status;

  const bool plain = !fault && !fromFile;
  if (plain || (length == 0 && !fault)) {
    res.set_content(reply.body.substr(0, length), reply.contentType);
    return;
  }

  std::uint64_t toSend = length;
  if (fault && fault->truncateAfter) toSend = std::min(toSend, *fault->truncateAfter);
  const bool chunked = fault && fault->chunked;
  std::uint64_t announced = fault && fault->claimedLength ? *fault->claimedLength : length;
  if (announced == 0 && !chunked) {
    // httplib refuses an empty provider; nothing is sent in any case.
    res.set_content("", reply.contentType);
    return;
  }
  if (chunked ? toSend != length : announced != toSend) res.set_header("Connection", "close");

  // Gives the next block of at most 64 KiB; false when the body is done or cannot be read.
  auto file = fromFile ? std::make_shared<std::ifstream>(reply.file, std::ios::binary) : nullptr;
  auto body = std::make_shared<std::string>(std::move(reply.body));
  auto sent = std::make_shared<std::uint64_t>(0);
  const int delayMs = fault ? fault->slowChunkDelayMs : 0;
  auto next = [this, file, body, sent, start, toSend, delayMs](std::string& chunk) {
    if (*sent >= toSend) return false;
    if (*sent > 0 && delayMs > 0 && !Pause(delayMs)) return false;
    std::uint64_t n = std::min<std::uint64_t>(kChunk, toSend - *sent);
    if (file) {
      chunk.resize(static_cast<size_t>(n));
      file->seekg(static_cast<std::streamoff>(start + *sent));
      file->read(chunk.data(), static_cast<std::streamsize>(n));
      if (file->gcount() != static_cast<std::streamsize>(n)) return false;
    } else {
      chunk = body->substr(static_cast<size_t>(start + *sent), static_cast<size_t>(n));
    }
    *sent += n;
    return true;
  };

  if (chunked) {
    const bool whole = toSend == length;
    res.set_chunked_content_provider(reply.contentType,
                                     [next, sent, toSend, whole](size_t, httplib::DataSink& sink) {
                                       std::string chunk;
                                       if (next(chunk))
                                         return sink.write(chunk.data(), chunk.size());
                                       if (!whole || *sent < toSend)
                                         return false;  // cut short: no final chunk
                                       sink.done();
                                       return true;
                                     });
    return;
  }
  res.set_content_provider(static_cast<size_t>(announced), reply.contentType,
                           [next](size_t, size_t, httplib::DataSink& sink) {
                             std::string chunk;
                             // Out of bytes before the announced length: the connection drops.
                             if (!next(chunk)) return false;
                             return sink.write(chunk.data(), chunk.size());
                           });
}

}  // namespace songsvc
