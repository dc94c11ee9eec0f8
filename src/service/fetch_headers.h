// Reading the response header lines a streamed GET cares about.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "service/http_transport.h"

namespace orvik {

// A decimal number that fits 64 bits, surrounded by optional blanks; nothing otherwise.
std::optional<std::uint64_t> ParseDecimal64(std::string_view text);
// "bytes first-last/total" or "bytes first-last/*", with first <= last < total.
std::optional<FetchHead::Range> ParseContentRange(std::string_view value);

// Feeds header lines of every response of a transfer (redirects included); keeps what
// the last response said.
class HeaderCollector {
 public:
  void AddLine(std::string_view line);
  const FetchHead& Head() const { return head_; }

 private:
  FetchHead head_;
};

}  // namespace orvik
