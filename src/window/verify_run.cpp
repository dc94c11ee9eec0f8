#include "window/verify_run.h"

#include <chrono>
#include <cstdio>

#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/user_texts.h"
#include "core/window_port.h"
#include "window/control_ids.h"
#include "library/inventory.h"
#include "platform/path_text.h"
#include "update/store_move.h"

namespace orvik {

std::string VerifyProgressText(const VerifyProgress& p, double seconds) {
  const double mb = static_cast<double>(p.bytesChecked) / (1024.0 * 1024.0);
  const double rate = seconds > 0 ? mb / seconds : 0;
  std::string left = "-";
  if (p.bytesChecked > 0 && seconds > 0) {
    const double bytesPerSecond = static_cast<double>(p.bytesChecked) / seconds;
    const auto remaining =
        static_cast<long>(static_cast<double>(p.bytesTotal - p.bytesChecked) / bytesPerSecond);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld", remaining / 60, remaining % 60);
    left = buf;
  }
  char buf[160];
  std::snprintf(buf, sizeof buf, "%zu / %zu%s, %.1f MB/s, %s%s", p.songsChecked, p.songsTotal,
                text::kVerifySongsChecked, rate, text::kVerifyTimeLeft, left.c_str());
  return buf;
}

int RunVerify(const std::filesystem::path& moduleDir, const VerifyLine& out, const VerifyLine& err,
              const VerifyLine& progress) {
  LauncherState state;
  state.moduleDir = moduleDir;
  LoadSettings(state);
  const std::filesystem::path songFolder = GetSongsFolderPath(state);
  const StoreRecovery recovery = FinishOpenJournal(moduleDir, songFolder);
  if (!recovery.logLine.empty()) (recovery.error ? logging::Error : logging::Warning)(recovery.logLine);
  if (recovery.outcome == Recovery::Incomplete) {
    err("orvik: " + recovery.statusText);
    return kVerifyDamaged;
  }

  VerifyOptions options;
  const auto started = std::chrono::steady_clock::now();
  auto lastShown = started - std::chrono::seconds(1);
  if (progress) {
    options.onProgress = [&](const VerifyProgress& p) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastShown < std::chrono::milliseconds(200) && p.songsChecked < p.songsTotal)
        return;
      lastShown = now;
      progress("\r" + VerifyProgressText(p, std::chrono::duration<double>(now - started).count()));
    };
  }
  const VerifyResult result = VerifyStore(moduleDir, songFolder, options);
  if (progress) progress("\n");
  const auto lines = VerifySummary(result);
  if (!result.storeFound) {
    err("orvik: " + lines.front() + ": " + platform::PathToUtf8(songFolder));
    return kVerifyDamaged;
  }
  for (const std::string& line : lines) out(line);
  if (!result.damaged.empty()) return kVerifyDamaged;
  return kVerifySound;
}

const char* VerifyMenuText(bool running) {
  return running ? text::kVerifyCancelMenu : text::kVerifyMenu;
}

void VerifyRun::Start(WindowPort& port, LauncherState& state) {
  if (running_.exchange(true)) return;
  if (worker_.joinable()) worker_.join();  // the last check's worker has ended
  const std::filesystem::path moduleDir = state.moduleDir;
  const std::filesystem::path songFolder = GetSongsFolderPath(state);
  logging::Info("verify: started from the window");
  // The dialog disables the window meanwhile, so no update starts under the check; its
  // cancel comes back as WindowEvents::OnProgressCancel.
  port.OpenProgressDialog();
  port.SetProgressDialog(text::kVerifyMenu, 0);
  worker_ = std::jthread([this, &port, &state, moduleDir, songFolder](std::stop_token stop) {
    VerifyOptions options;
    options.stop = stop;
    const auto started = std::chrono::steady_clock::now();
    auto lastShown = started;
    int shownPercent = -1, shownSongsPercent = -1;
    options.onProgress = [&](const VerifyProgress& p) {
      // A hundred steps of bytes and of songs at most, and the rate and time left now and then.
      const auto now = std::chrono::steady_clock::now();
      // A damaged song's bytes may go unread: the bar is full when every song is checked.
      const int percent = p.songsChecked == p.songsTotal ? 100
                          : p.bytesTotal > 0
                              ? static_cast<int>(p.bytesChecked * 100 / p.bytesTotal)
                              : 0;
      const int songsPercent =
          p.songsTotal > 0 ? static_cast<int>(p.songsChecked * 100 / p.songsTotal) : 0;
      if (percent == shownPercent && songsPercent == shownSongsPercent &&
          now - lastShown < std::chrono::milliseconds(250))
        return;
      lastShown = now;
      shownPercent = percent;
      shownSongsPercent = songsPercent;
      port.SetProgressDialog(
          VerifyProgressText(p, std::chrono::duration<double>(now - started).count()), percent);
    };
    const VerifyResult result = VerifyStore(moduleDir, songFolder, options);
    port.CloseProgressDialog();
    const auto lines = VerifySummary(result);
    port.SetControlText(ctl::kStatusLine, lines.front());
    // Songs set aside no longer count; the next device connect reports them missing.
    if (result.storeFound && !result.damaged.empty()) {
      struct CountLabel : InventoryListener {
        explicit CountLabel(WindowPort& p) : port(p) {}
        void OnCounted(int songs) override {
          port.SetControlText(ctl::kStoredCountLabel, StoredCountLabel(songs));
        }
        WindowPort& port;
      } label(port);
      RefreshSongInventory(songFolder, moduleDir, label, state);
    }
    running_ = false;
    if (closing_) return;
    std::string box = result.damaged.empty() ? text::kVerifyAllSound : text::kVerifyFoundDamage;
    if (!result.damaged.empty()) box += std::to_string(result.damaged.size());
    for (const std::string& line : lines) box += "\n" + line;
    port.ShowMessage(box, result.damaged.empty() ? MessageIcon::Information : MessageIcon::Warning);
  });
}

void VerifyRun::Stop() {
  closing_ = true;
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
}

}  // namespace orvik
