// An HTTP transport for the window's table tests: form replies by path, picture downloads
// that write a small file, and a package fetch the test holds and releases.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "service/http_transport.h"

namespace orvik::test {

class FakeTransport : public HttpTransport {
 public:
  // Replies to form posts whose URL path ends with the key.
  std::map<std::string, std::string> formReplies;
  std::string secureReply;                 // every GetSecure answer
  std::set<std::string> failingDownloads;  // picture URLs that fail
  // The package: its size, and where the connection breaks (no break when >= size).
  std::uint64_t packageSize = 0;
  std::uint64_t breakAfter = UINT64_MAX;
  static constexpr std::size_t kBlock = 64 * 1024;

  std::optional<std::string> PostForm(const std::string& url, const std::string&,
                                      TransportError* = nullptr) override {
    std::lock_guard lock(mutex_);
    posted_.push_back(url);
    const std::string path = url.substr(0, url.find('?'));
    for (const auto& [suffix, reply] : formReplies)
      if (path.size() >= suffix.size() && path.ends_with(suffix)) return reply;
    return std::nullopt;
  }
  std::optional<std::string> GetSecure(const std::string&, TransportError* = nullptr) override {
    std::lock_guard lock(mutex_);
    return secureReply;
  }
  bool DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                    TransportError* = nullptr) override {
    {
      std::lock_guard lock(mutex_);
      if (failingDownloads.count(url)) return false;
    }
    std::ofstream(localPath, std::ios::binary) << "picture";
    return true;
  }
  bool IsConnected() override { return true; }

  // Waits until the test releases one fetch (or the download is stopped), then serves the
  // package in blocks, breaking off where the script says.
  FetchResult Fetch(const FetchRequest& request) override {
    {
      std::unique_lock lock(mutex_);
      ++fetchesStarted_;
      changed_.notify_all();
      changed_.wait(lock, request.stop, [&] { return released_ > fetchesServed_; });
      if (released_ <= fetchesServed_) return {false, true, 0, "stopped"};
      ++fetchesServed_;
    }
    FetchHead head;
    head.status = 200;
    head.contentLength = packageSize;
    if (!request.onHead(head)) return {true, true, 200, {}};
    const std::string block(kBlock, 'z');
    std::uint64_t sent = 0;
    while (sent < packageSize) {
      if (sent >= breakAfter) return {false, false, 200, "connection reset"};
      const std::uint64_t n = std::min<std::uint64_t>(kBlock, packageSize - sent);
      if (!request.onBody(std::string_view(block.data(), n))) return {true, true, 200, {}};
      sent += n;
    }
    return {true, false, 200, {}};
  }

  void ReleaseFetch() {
    std::lock_guard lock(mutex_);
    ++released_;
    changed_.notify_all();
  }
  bool WaitForFetches(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20),
                             [&] { return fetchesStarted_ >= count; });
  }
  int FetchesStarted() {
    std::lock_guard lock(mutex_);
    return fetchesStarted_;
  }
  std::vector<std::string> Posted() {
    std::lock_guard lock(mutex_);
    return posted_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<std::string> posted_;
  int fetchesStarted_ = 0;
  int fetchesServed_ = 0;
  int released_ = 0;
};

}  // namespace orvik::test
