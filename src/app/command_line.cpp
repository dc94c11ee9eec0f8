#include "app/command_line.h"

#include <cstdlib>

#include "core/version.h"

namespace orvik {

std::optional<int> HandleCommandLine(const std::vector<std::string>& args, bool hasDisplay,
                                     const std::function<void(const std::string&)>& out,
                                     const std::function<void(const std::string&)>& err) {
  for (const std::string& arg : args) {
    if (arg == "--version") {
      out(std::string("Orvik ") + kOrvikVersion);
      return 0;
    }
    if (arg == "--help") {
      out("Usage: orvik [--version | --help]");
      out("Starts the song manager and launcher of the Tunova karaoke players.");
      out("The settings are setting.env beside the program; the log is logs/orvik.log.");
      return 0;
    }
    err("orvik: unknown option: " + arg + " (see orvik --help)");
    return 2;
  }
  if (!hasDisplay) {
    err("orvik: 화면(디스플레이)이 필요합니다: DISPLAY가 설정되지 않았습니다 (needs a display)");
    return 1;
  }
  return std::nullopt;
}

bool HasDisplay() {
#ifdef _WIN32
  return true;
#else
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  // A platform chosen by the caller (offscreen, vnc...) needs no X or Wayland server.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0' && std::string(platform) != "xcb" &&
      std::string(platform) != "wayland")
    return true;
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
#endif
}

}  // namespace orvik
