#include "service/fetch_headers.h"

#include <cctype>
#include <limits>

namespace orvik {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::optional<std::uint64_t> ParseDecimal64(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (kMax - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<FetchHead::Range> ParseContentRange(std::string_view value) {
  value = TrimBlanks(value);
  if (value.size() < 6 || !EqualsNoCase(value.substr(0, 6), "bytes ")) return std::nullopt;
  value = value.substr(6);
  const auto dash = value.find('-');
  const auto slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash)
    return std::nullopt;
  const auto first = ParseDecimal64(value.substr(0, dash));
  const auto last = ParseDecimal64(value.substr(dash + 1, slash - dash - 1));
  if (!first || !last || *first > *last) return std::nullopt;
  FetchHead::Range range{*first, *last, std::nullopt};
  const auto totalText = TrimBlanks(value.substr(slash + 1));
  if (totalText != "*") {
    range.total = ParseDecimal64(totalText);
    if (!range.total || *last >= *range.total) return std::nullopt;
  }
  return range;
}

void HeaderCollector::AddLine(std::string_view line) {
  if (line.starts_with("HTTP/")) {
    head_ = FetchHead{};  // a new response (after a redirect or an interim reply)
    return;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const auto name = TrimBlanks(line.substr(0, colon));
  const auto value = line.substr(colon + 1);
  if (EqualsNoCase(name, "Content-Length")) {
    head_.contentLength = ParseDecimal64(value);
  } else if (EqualsNoCase(name, "Content-Range")) {
    head_.contentRange = ParseContentRange(value);
  } else if (EqualsNoCase(name, "ETag")) {
    head_.etag = std::string(TrimBlanks(value));
  } else if (EqualsNoCase(name, "Last-Modified")) {
    head_.lastModified = std::string(TrimBlanks(value));
  }
}

}  // namespace orvik
