// Form bodies (application/x-www-form-urlencoded) and form-style replies.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace songsvc {

// Decodes "+" and "%XX"; the first value of a repeated key wins.
std::map<std::string, std::string> ParseForm(const std::string& body);

// key=value pairs joined by "&", values as given (the launcher decodes nothing).
std::string JoinReply(const std::vector<std::pair<std::string, std::string>>& pairs);

}  // namespace songsvc
