#include "service/service_client.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <system_error>

#include "core/log.h"
#include "library/song_store.h"
#include "platform/codepage.h"
#include "platform/identity.h"
#include "service/transport_texts.h"
#include "service/web_address.h"

namespace orvik {
namespace {

// Leading decimal number of a songsId token, as the C library reads one; nothing when it
// has no digits or does not fit a positive 32-bit integer.
// A transport that gives nothing without saying why still failed.
TransportError FailureOf(const std::optional<std::string>& reply, const TransportError& error) {
  if (reply) return {};
  if (error.kind != TransportFailure::None) return error;
  return {TransportFailure::Other, error.status, "no reply"};
}

std::optional<std::int32_t> LeadingSongNumber(std::string_view token) {
  std::size_t i = 0;
  while (i < token.size() && std::isspace(static_cast<unsigned char>(token[i]))) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  std::int64_t value = 0;
  bool digits = false;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    digits = true;
    value = value * 10 + (token[i] - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  if (!digits || negative || value <= 0) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::string EncodePathSegment(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const bool dotSegment = text == "." || text == "..";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                       c == '-' || c == '_' || (c == '.' && !dotSegment);
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0x0F];
    }
  }
  return out;
}

CServiceClient::CServiceClient(std::string baseUrl, HttpTransport& transport,
                               DeviceIdentity identity)
    : m_baseUrl(std::move(baseUrl)), m_transport(transport), m_identity(std::move(identity)) {
  if (!m_identity.deviceName) m_identity.deviceName = [] { return platform::GetDeviceName(); };
  if (!m_identity.macAddress) m_identity.macAddress = [] { return platform::GetMacAddressText(); };
}

void CServiceClient::DeviceConnect(const std::string& clientId, const std::string& wireName,
                                   const std::string& productDigits, const std::string& version,
                                   std::int32_t songCount, const std::string& songIds,
                                   bool makeNew) {
  if (m_connectDone.exchange(true)) return;
  const std::string url = m_baseUrl + "/api/device-connect";
  if (!IsPlainHttpUrl(url)) return;
  {
    std::lock_guard lock(m_replyMutex);
    m_reply.Clear();
  }
  const std::string mac = m_identity.macAddress();
  const std::string deviceName =
      UrlEncodeFormValue(platform::NativeToCp949(m_identity.deviceName()));

  std::string body;
  body.reserve(256 + songIds.size());
  body += "clientId=" + clientId;
  body += "&keyLock=" + productDigits;
  body += "&deviceName=" + deviceName;
  body += "&deviceType=PC";
  body += "&mac=" + mac;
  body += "&serviceType=" + wireName;
  body += "&songCount=" + std::to_string(songCount);
  body += "&appVersion=" + version;
  body += "&isMakeNew=";
  body += makeNew ? "yes" : "no";
  body += "&songs=" + songIds;

  TransportError error;
  const auto reply = m_transport.PostForm(url, body, &error);
  std::lock_guard lock(m_replyMutex);
  if (reply && error.status >= 400) {
    // An error page is no answer: read as a reply it would say "nothing to update".
    m_lastFailure = {TransportFailure::HttpStatus, error.status, "device connect"};
    return;
  }
  m_lastFailure = FailureOf(reply, error);
  if (reply) ParseReply(*reply, m_reply);
}

int CServiceClient::RemoveListedSongs(const std::filesystem::path& songFolder,
                                      std::vector<std::filesystem::path>* removedFiles) {
  const std::string list = GetReplyValue("songsId");
  int removed = 0, listed = 0;
  for (const auto& token : SplitByChar(list, ',')) {
    if (token.empty()) continue;
    const auto number = LeadingSongNumber(token);
    if (!number) continue;
    ++listed;
    const auto file = SongFilePath(songFolder, *number);
    std::error_code ignored;
    if (!file.empty() && std::filesystem::remove(file, ignored)) {
      ++removed;
      if (removedFiles) removedFiles->push_back(file);
    }
  }
  logging::Info("removal: " + std::to_string(removed) + " of " + std::to_string(listed) +
                " withdrawn songs deleted");
  return removed;
}

std::string CServiceClient::GetUpdateEvent() {
  const std::string path = "/api/update/event/" + EncodePathSegment(GetReplyValue("updateCode"));
  TransportError error;
  const auto reply = m_transport.GetSecure(path, &error);
  {
    std::lock_guard lock(m_replyMutex);
    m_lastFailure = FailureOf(reply, error);
  }
  if (!reply) return {};
  ReplyMap event;
  ParseReply(*reply, event);
  return event["downloadUrl"];
}

void CServiceClient::ReportUpdateResult(std::int32_t count) {
  ReportUpdateResultFor(GetReplyValue("updateCode"), count);
}

bool CServiceClient::ReportUpdateResultFor(const std::string& updateCode, std::int32_t count,
                                           TransportError* failure) {
  // A result without its package's code would be booked against no update.
  if (updateCode.empty()) return false;
  const std::string number = std::to_string(count);
  const std::string url = m_baseUrl + "/api/update/key-lock/result/" +
                          EncodePathSegment(updateCode) +
                          "?inserCount=" + number;  // the service's spelling
  if (!IsPlainHttpUrl(url)) return false;
  TransportError error;
  const bool answered = m_transport.PostForm(url, "insertCount=" + number, &error).has_value();
  if (failure) *failure = answered ? TransportError{} : error;
  logging::Info(
      "result report: " + number + " songs, " +
      (answered ? std::string("delivered") : "not delivered: " + TransportFailureText(error)) +
      ", update code " + updateCode);
  return answered;
}

std::vector<BannerEntry> CServiceClient::Banners() const {
  std::lock_guard lock(m_bannerMutex);
  return m_banners;
}

bool CServiceClient::NeedUpdateApp() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.NeedUpdateApp();
}
bool CServiceClient::NeedUpdateSong() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.NeedUpdateSong();
}
void CServiceClient::SetNeedUpdateSong(const std::string& value) {
  std::lock_guard lock(m_replyMutex);
  m_reply.SetNeedUpdateSong(value);
}
std::string CServiceClient::GetAppFileUrl() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.GetAppFileUrl();
}
bool CServiceClient::IsActionRemove() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.IsActionRemove();
}
std::string CServiceClient::GetAction() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.GetAction();
}
std::string CServiceClient::GetUpdateSongCount() {
  std::lock_guard lock(m_replyMutex);
  return m_reply.GetUpdateSongCount();
}
void CServiceClient::SetReplyValue(const std::string& key, const std::string& value) {
  std::lock_guard lock(m_replyMutex);
  m_reply[key] = value;
}
std::string CServiceClient::GetReplyValue(const std::string& key) {
  std::lock_guard lock(m_replyMutex);
  return m_reply[key];
}
TransportError CServiceClient::LastFailure() const {
  std::lock_guard lock(m_replyMutex);
  return m_lastFailure;
}

ReplyMap CServiceClient::ReplySnapshot() const {
  std::lock_guard lock(m_replyMutex);
  return m_reply;
}

}  // namespace orvik
