#include "app/launcher_main.h"

#include <cstdio>
#include <exception>

#include "app/command_line.h"
#include "app/console_attach.h"
#include "app/orvik_app.h"
#include "core/install_dir.h"
#include "core/log.h"
#include "core/user_texts.h"
#include "platform/instance_lock.h"
#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "service/system_transport.h"
#include "window/verify_run.h"

namespace orvik {
namespace {

LineWriter LinesTo(std::FILE* stream) {
  return [stream](const std::string& text) {
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);  // in order with the programs a sync starts, and in the log
  };
}

// The empty parts of `face` become the system's.
void FillDefaults(LauncherFace& face) {
  if (face.moduleDir.empty()) face.moduleDir = platform::GetModuleDirectory();
  if (!face.hasDisplay) face.hasDisplay = HasDisplay();
  if (!face.attachConsole) face.attachConsole = AttachParentConsole;
  if (!face.out) {
    face.out = LinesTo(stdout);
    if (!face.progress && IsTerminal(stdout)) {
      face.progress = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
      };
    }
  }
  if (!face.err) face.err = LinesTo(stderr);
  if (!face.readInstallDir) face.readInstallDir = ReadInstallDir;
  if (!face.makeTransport) {
    face.makeTransport = [](const ServiceAddress& address,
                            std::stop_token shutdown) -> std::unique_ptr<HttpTransport> {
      return MakeSystemTransport(address, shutdown);
    };
  }
}

std::string Joined(const std::vector<std::string>& args) {
  std::string text = "orvik";
  for (const std::string& arg : args) text += " " + arg;
  return text;
}

// Everything but the window: what is printed and the exit code.
int Answer(const CommandLine& line, LauncherFace& face, bool holdsFolder) {
  switch (line.mode) {
    case CommandLine::Mode::Version:
      face.out(VersionLine());
      return 0;
    case CommandLine::Mode::Help:
      for (const std::string& text : HelpLines()) face.out(text);
      return 0;
    case CommandLine::Mode::Usage:
      face.err(line.error);
      logging::Warning(line.error);
      return kSyncUsage;
    case CommandLine::Mode::Sync: {
      if (!holdsFolder) {
        // Never beside a launcher: two of them would change the same store.
        face.err(text::kFolderLocked + platform::PathToUtf8(face.moduleDir) + ")");
        return kSyncLocked;
      }
      SyncSetup setup;
      setup.moduleDir = face.moduleDir;
      setup.out = face.out;
      setup.err = face.err;
      setup.progress = face.progress;
      setup.makeTransport = face.makeTransport;
      setup.processes = face.processes;
      const int synced = RunSync(line.sync, std::move(setup));
      if (!line.verifyAfterSync) return synced;
      // The store is checked at closing time whatever the update did; its failure is what
      // the exit status tells first.
      const int verified = RunVerify(face.moduleDir, face.out, face.err, face.progress);
      return synced != kSyncUpdated ? synced : verified;
    }
    case CommandLine::Mode::Verify:
      if (!holdsFolder) {
        face.err(text::kFolderLocked + platform::PathToUtf8(face.moduleDir) + ")");
        return kSyncLocked;
      }
      return RunVerify(face.moduleDir, face.out, face.err, face.progress);
    case CommandLine::Mode::Window:
      break;
  }
  face.err(text::kNeedsDisplay);
  logging::Error("start: no display for the window");
  return 1;
}

int RunWindow(LauncherFace& face) {
  WindowDependencies deps;
  deps.moduleDir = face.moduleDir;
  deps.makeTransport = face.makeTransport;
  deps.processes = face.processes;
  COrvikApp app([&] { return face.makeWindow(std::move(deps)); }, face.readInstallDir);
  app.InitInstance();
  if (!app.WindowShown()) {
    logging::Error("end: the window could not be shown");
    face.err("orvik: the window could not be shown (see logs/orvik.log)");
    return 1;
  }
  logging::Info("end: the window has closed");
  return 0;
}

}  // namespace

int LauncherMain(const std::vector<std::string>& args, LauncherFace face) {
  FillDefaults(face);
  const CommandLine line = ParseCommandLine(args);
  const bool windowed = line.mode == CommandLine::Mode::Window && *face.hasDisplay;

  // One launcher per module folder, decided before anything is written there. A second
  // windowed start writes nothing: it brings the first one forward and ends.
  const auto lock = platform::TryLockModuleFolder(face.moduleDir);
  if (!lock && windowed) {
    if (face.raiseRunning) face.raiseRunning(face.moduleDir);
    return 0;
  }
  // The log belongs to whoever holds the folder; it opens before any other line is written.
  if (lock) {
    logging::OpenLogFile(face.moduleDir);
    logging::Info("run: " + Joined(args));
  }
  if (!windowed) face.attachConsole();

  int code = 1;
  try {
    code = windowed ? RunWindow(face) : Answer(line, face, lock != nullptr);
  } catch (const std::exception& e) {
    logging::Error(std::string("end: unexpected failure: ") + e.what());
    face.err(std::string("orvik: ") + e.what());
  } catch (...) {
    logging::Error("end: unexpected failure");
    face.err("orvik: unexpected failure (see logs/orvik.log)");
  }
  if (lock) {
    logging::Info("end: exit code " + std::to_string(code));
    logging::CloseLogFile();
  }
  return code;
}

}  // namespace orvik
