// State the main window shares with its worker threads. Owned by the window, handed to
// workers by reference. Flags are atomics; strings are read and written under `mutex`.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "core/settings_table.h"
#include "core/tool_options.h"

namespace orvik {

struct LauncherState {
  std::filesystem::path moduleDir;  // the launcher's own files live here

  SettingsTable settings;

  mutable std::mutex mutex;  // guards the strings and plain numbers below
  std::string m_serviceKey = "tunova";
  std::string m_selectedProgram;  // text of the selected program-list entry
  std::string m_clientId;
  std::string m_productNumber;  // ten digits, no dashes; empty: none
  int m_productKind = 0;
  int m_storedSongCount = 0;
  std::string m_storedSongIds;
  std::string m_packageUrl;
  double m_totalMB = 0.0;

  std::atomic<bool> m_isActive{true};
  std::atomic<bool> m_packageReady{false};
  std::atomic<bool> m_refreshRequested{false};
  std::atomic<bool> m_checkRunning{false};
  std::atomic<bool> m_eventPollRunning{false};
  std::atomic<bool> m_downloadRunning{false};  // stands for m_downloadThread being set
  std::atomic<bool> m_extractRunning{false};   // stands for m_extractThread being set
  // No client identifier could be read or stored: the service is not asked (it would see a
  // new device at every start).
  std::atomic<bool> m_clientIdMissing{false};
  ToolOptions m_toolOptions;
  // The run button is latched from the launch until the player has ended.
  std::atomic<bool> m_runButtonChecked{false};

  std::string ServiceKey() const {
    std::lock_guard lock(mutex);
    return m_serviceKey;
  }
  std::string ProductNumber() const {
    std::lock_guard lock(mutex);
    return m_productNumber;
  }
};

}  // namespace orvik
