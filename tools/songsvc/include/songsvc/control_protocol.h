// The control exchange between the tests of a Windows build (under Wine, where the reference
// service cannot be built) and a native host of reference services on loopback. Requests are
// form posts to /control/<operation>; replies are form-encoded too, so they hold no line feed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "songsvc/song_service.h"

namespace songsvc::control {

using Fields = std::map<std::string, std::string>;

std::string Encode(const Fields& fields);
// The first value of a repeated key wins.
Fields Decode(const std::string& text);

Fields FromFault(const Fault& fault);
Fault ToFault(const Fields& fields);
Fields FromRequests(const std::vector<RecordedRequest>& requests);
std::vector<RecordedRequest> ToRequests(const Fields& fields);

}  // namespace songsvc::control
