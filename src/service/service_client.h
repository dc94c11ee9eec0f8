// The song-service client: device connect, package event and result, banner list.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "service/banner_reply.h"
#include "service/http_transport.h"
#include "service/reply_parser.h"

namespace orvik {

// How the device names itself to the service. Unset members fall back to the platform
// (host name in the platform's text encoding, first adapter's hardware address).
struct DeviceIdentity {
  std::function<std::string()> deviceName;
  std::function<std::string()> macAddress;
};

// Percent-encodes every byte outside A-Z a-z 0-9 - _ . (and the dots of "." and "..")
// so a value from a reply cannot add path segments, a query or a header.
std::string EncodePathSegment(std::string_view text);

class CServiceClient {
 public:
  // `baseUrl`: "http://" and the service host (and port), no trailing "/".
  CServiceClient(std::string baseUrl, HttpTransport& transport, DeviceIdentity identity = {});

  const std::string& BaseUrl() const { return m_baseUrl; }
  HttpTransport& Transport() const { return m_transport; }

  // Once per selection: while set, DeviceConnect sends nothing.
  bool GetConnectDone() const { return m_connectDone.load(); }
  void SetConnectDone(bool done) { m_connectDone.store(done); }

  // The update check. `songCount` and `songIds` come from the inventory; `productDigits` is
  // the product number without dashes. The reply lands in the reply map (empty on failure).
  void DeviceConnect(const std::string& clientId, const std::string& wireName,
                     const std::string& productDigits, const std::string& version,
                     std::int32_t songCount, const std::string& songIds, bool makeNew);
  // Deletes the store files of the songs listed under "songsId"; gives how many it deleted.
  int RemoveListedSongs(const std::filesystem::path& songFolder,
                        std::vector<std::filesystem::path>* removedFiles = nullptr);
  // The package URL, empty while it is not ready or when the request failed.
  std::string GetUpdateEvent();
  void ReportUpdateResult(std::int32_t count);  // with the reply's update code
  // True when the request was answered. Nothing is sent for an empty code.
  bool ReportUpdateResultFor(const std::string& updateCode, std::int32_t count,
                             TransportError* failure = nullptr);

  // Banner list request: appends the reply's entries and keeps the reply in
  // moduleDir/bin/banner.dat. Defined with the banner thread.
  void FetchBanners(const std::string& family, const std::filesystem::path& moduleDir);
  std::vector<BannerEntry> Banners() const;

  // Readings of the device-connect reply (each inserts a missing key, as the map does).
  bool NeedUpdateApp();
  bool NeedUpdateSong();
  void SetNeedUpdateSong(const std::string& value);
  std::string GetAppFileUrl();
  bool IsActionRemove();
  std::string GetAction();
  std::string GetUpdateSongCount();
  std::string GetReplyValue(const std::string& key);
  void SetReplyValue(const std::string& key, const std::string& value);
  ReplyMap ReplySnapshot() const;

  // How the last device connect, update-event or result request ended (kind None: a reply
  // came). A failed connect leaves an empty reply, which must not read as "up to date".
  TransportError LastFailure() const;

 private:
  std::string m_baseUrl;
  std::atomic<bool> m_connectDone{false};
  mutable std::mutex m_replyMutex;  // the window reads the reply the worker wrote
  ReplyMap m_reply;
  mutable std::mutex m_bannerMutex;
  std::vector<BannerEntry> m_banners;
  TransportError m_lastFailure;  // under m_replyMutex
  HttpTransport& m_transport;
  DeviceIdentity m_identity;
};

}  // namespace orvik
