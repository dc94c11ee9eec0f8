#include "app/command_line.h"

#include <cstdlib>

#include "core/version.h"

namespace orvik {

namespace {

// "--wait-player" or "--wait-player=MINUTES" (1 to 1440); nothing when it is neither.
std::optional<int> WaitPlayerMinutes(const std::string& arg) {
  const std::string name = "--wait-player";
  if (arg == name) return kDefaultWaitPlayerMinutes;
  if (arg.rfind(name + "=", 0) != 0) return std::nullopt;
  const std::string digits = arg.substr(name.size() + 1);
  if (digits.empty() || digits.size() > 4 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int minutes = std::stoi(digits);
  if (minutes < 1 || minutes > 1440) return std::nullopt;
  return minutes;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool sync = false, verify = false;
  for (const std::string& arg : args) {
    // The first answering option wins, as it always has: "--version --frobnicate" answers.
    if (arg == "--version") return {CommandLine::Mode::Version, {}, {}};
    if (arg == "--help" || arg == "/?") return {CommandLine::Mode::Help, {}, {}};
    if (arg == "--sync") {
      sync = true;
      continue;
    }
    if (arg == "--verify") {
      verify = true;
      continue;
    }
    if (const auto minutes = WaitPlayerMinutes(arg)) {
      line.sync.waitPlayer.emplace();
      line.sync.waitPlayer->limit = std::chrono::minutes(*minutes);
      continue;
    }
    return {CommandLine::Mode::Usage, {}, "orvik: unknown option: " + arg + " (see orvik --help)"};
  }
  if (line.sync.waitPlayer && !sync)
    return {CommandLine::Mode::Usage, {}, "orvik: --wait-player goes with --sync (see orvik --help)"};
  if (sync) {
    line.mode = CommandLine::Mode::Sync;
    line.verifyAfterSync = verify;
  } else if (verify) {
    line.mode = CommandLine::Mode::Verify;
  }
  return line;
}

std::string VersionLine() { return std::string("Orvik ") + kOrvikVersion; }

std::vector<std::string> HelpLines() {
  return {
      "Usage: orvik [--version | --help | --sync [--wait-player[=MINUTES]] [--verify] | --verify]",
      "Starts the song manager and launcher of the Tunova karaoke players.",
      "--sync updates the songs without a window and ends: exit status 0 updated or",
      "  nothing to do, 1 failed, 2 usage, 3 another launcher holds the program folder.",
      "--wait-player first waits until no player runs, checking every minute, at most",
      "  MINUTES (1-1440, default " + std::to_string(kDefaultWaitPlayerMinutes) +
          "); a player still running then fails the sync.",
      "--verify checks every song of the store and moves damaged ones aside (the next",
      "  update brings them back): exit status 0 all sound, 1 damaged songs found,",
      "  2 usage, 3 another launcher holds the program folder. With --sync it checks",
      "  after the update (a failed update's status comes first).",
      "The settings are setting.env beside the program; the log is logs/orvik.log.",
  };
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
