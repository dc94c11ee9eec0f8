#include "platform/process.h"

namespace orvik::platform {

std::vector<std::string> SplitArguments(std::string_view arguments) {
  std::vector<std::string> out;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (const char c : arguments) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;  // "" stands for an empty argument
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument) out.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) out.push_back(std::move(current));
  return out;
}

}  // namespace orvik::platform
