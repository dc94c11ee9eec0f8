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

std::string QuoteWindowsArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
    return std::string(argument);
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  // Before the closing quote as well.
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string JoinWindowsCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const auto& a : argv) {
    if (!line.empty()) line += ' ';
    line += QuoteWindowsArgument(a);
  }
  return line;
}

std::string PlainStartCommandLine(std::string_view path, std::string_view arguments) {
  std::string line;
  line.reserve(path.size() + arguments.size() + 3);
  line += '"';
  line += path;
  line += "\" ";
  line += arguments;
  return line;
}

}  // namespace orvik::platform
