#include "songsvc/control_protocol.h"

#include <cstdlib>
#include <string_view>

namespace songsvc::control {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string EncodeValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  return out;
}

std::string DecodeValue(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::uint64_t Number(const Fields& fields, const std::string& key) {
  const auto it = fields.find(key);
  return it == fields.end() ? 0 : std::strtoull(it->second.c_str(), nullptr, 10);
}

}  // namespace

std::string Encode(const Fields& fields) {
  std::string out;
  for (const auto& [key, value] : fields) {
    if (!out.empty()) out += '&';
    out += EncodeValue(key) + '=' + EncodeValue(value);
  }
  return out;
}

Fields Decode(const std::string& text) {
  Fields fields;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('&', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view pair(text.data() + at, end - at);
    const auto equals = pair.find('=');
    if (!pair.empty())
      fields.emplace(DecodeValue(pair.substr(0, equals)),
                     equals == std::string_view::npos ? "" : DecodeValue(pair.substr(equals + 1)));
    at = end + 1;
  }
  return fields;
}

Fields FromFault(const Fault& fault) {
  Fields f{{"status", std::to_string(fault.status)},
           {"slowChunkDelayMs", std::to_string(fault.slowChunkDelayMs)},
           {"ignoreRange", fault.ignoreRange ? "1" : "0"},
           {"chunked", fault.chunked ? "1" : "0"},
           {"remaining", std::to_string(fault.remaining)}};
  if (fault.rawBody) f["rawBody"] = *fault.rawBody;
  if (fault.redirectTo) f["redirectTo"] = *fault.redirectTo;
  if (fault.truncateAfter) f["truncateAfter"] = std::to_string(*fault.truncateAfter);
  if (fault.claimedLength) f["claimedLength"] = std::to_string(*fault.claimedLength);
  return f;
}

Fault ToFault(const Fields& f) {
  Fault fault;
  fault.status = static_cast<int>(Number(f, "status"));
  if (f.contains("rawBody")) fault.rawBody = f.at("rawBody");
  if (f.contains("redirectTo")) fault.redirectTo = f.at("redirectTo");
  if (f.contains("truncateAfter")) fault.truncateAfter = Number(f, "truncateAfter");
  if (f.contains("claimedLength")) fault.claimedLength = Number(f, "claimedLength");
  fault.slowChunkDelayMs = static_cast<int>(Number(f, "slowChunkDelayMs"));
  fault.ignoreRange = Number(f, "ignoreRange") != 0;
  fault.chunked = Number(f, "chunked") != 0;
  fault.remaining = f.contains("remaining") ? std::atoi(f.at("remaining").c_str()) : -1;
  return fault;
}

Fields FromRequests(const std::vector<RecordedRequest>& requests) {
  Fields f{{"count", std::to_string(requests.size())}};
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const auto& r = requests[i];
    const std::string n = std::to_string(i);
    f["secure" + n] = r.secure ? "1" : "0";
    f["method" + n] = r.method;
    f["path" + n] = r.path;
    f["query" + n] = r.query;
    f["body" + n] = r.body;
    Fields headers;
    int k = 0;
    for (const auto& [name, value] : r.headers) {
      headers["n" + std::to_string(k)] = name;
      headers["v" + std::to_string(k++)] = value;
    }
    f["headers" + n] = Encode(headers);
  }
  return f;
}

std::vector<RecordedRequest> ToRequests(const Fields& f) {
  std::vector<RecordedRequest> requests(Number(f, "count"));
  for (std::size_t i = 0; i < requests.size(); ++i) {
    auto& r = requests[i];
    const std::string n = std::to_string(i);
    const auto value = [&](const std::string& key) {
      const auto it = f.find(key + n);
      return it == f.end() ? std::string() : it->second;
    };
    r.secure = value("secure") == "1";
    r.method = value("method");
    r.path = value("path");
    r.query = value("query");
    r.body = value("body");
    const Fields headers = Decode(value("headers"));
    for (int k = 0; headers.contains("n" + std::to_string(k)); ++k)
      r.headers.emplace(headers.at("n" + std::to_string(k)), headers.at("v" + std::to_string(k)));
  }
  return requests;
}

}  // namespace songsvc::control
