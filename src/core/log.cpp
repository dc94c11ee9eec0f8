// spdlog is used header-only (with fmt header-only), so the cross build needs its headers
// and nothing else.
#ifndef SPDLOG_HEADER_ONLY
#define SPDLOG_HEADER_ONLY
#endif
#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY
#endif
#include "core/log.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <memory>
#include <mutex>

#include "platform/path_text.h"

namespace orvik::logging {
namespace {

constexpr std::size_t kFileBytes = 1024 * 1024;
constexpr std::size_t kFilesKept = 5;

std::mutex g_mutex;
std::shared_ptr<spdlog::logger> g_logger;
Listener g_listener;

spdlog::level::level_enum LevelOf(Level level) {
  switch (level) {
    case Level::Warning:
      return spdlog::level::warn;
    case Level::Error:
      return spdlog::level::err;
    case Level::Info:
      break;
  }
  return spdlog::level::info;
}

}  // namespace

std::filesystem::path LogFilePath(const std::filesystem::path& moduleDir) {
  return moduleDir / "logs" / "orvik.log";
}

bool OpenLogFile(const std::filesystem::path& moduleDir) {
  try {
    const auto file = LogFilePath(moduleDir);
    std::filesystem::create_directories(file.parent_path());
#ifdef SPDLOG_WCHAR_FILENAMES
    const spdlog::filename_t name = file.wstring();
#else
    const spdlog::filename_t name = platform::PathToUtf8(file);
#endif
    auto sink =
        std::make_shared<spdlog::sinks::rotating_file_sink_mt>(name, kFileBytes, kFilesKept - 1);
    auto logger = std::make_shared<spdlog::logger>("orvik", std::move(sink));
    logger->set_pattern("%Y-%m-%d %H:%M:%S.%e %-5l %v");
    logger->set_level(spdlog::level::info);
    logger->flush_on(spdlog::level::info);  // a crash must not lose the lines before it
    std::lock_guard lock(g_mutex);
    g_logger = std::move(logger);
    return true;
  } catch (...) {
    return false;
  }
}

void CloseLogFile() {
  std::lock_guard lock(g_mutex);
  g_logger.reset();
}

void Write(Level level, std::string_view text) {
  try {
    // One event, one line: a message's own line breaks become " / ".
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
      if (c == '\r') continue;
      if (c == '\n') {
        line += " / ";
      } else {
        line += c;
      }
    }
    std::lock_guard lock(g_mutex);
    if (g_logger) g_logger->log(LevelOf(level), line);
    if (g_listener) g_listener(level, line);
  } catch (...) {
    // A full disk must not take the launcher down with it.
  }
}

void SetListener(Listener listener) {
  std::lock_guard lock(g_mutex);
  g_listener = std::move(listener);
}

}  // namespace orvik::logging
