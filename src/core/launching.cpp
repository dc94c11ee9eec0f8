#include "core/launching.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/log.h"
#include "core/tool_paths.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

using platform::ProcessHandle;

std::string ErrorText(const char* format, unsigned long code) {
  char text[160];
  std::snprintf(text, sizeof text, format, code);
  return text;
}

// The bounded wait shared by plain and elevated starts. False when the program was killed.
bool WaitBounded(LaunchContext& ctx, ProcessHandle& process) {
  switch (process.Wait(ctx.responseTimeoutMs)) {
    case ProcessHandle::WaitResult::Exited:
      return true;
    case ProcessHandle::WaitResult::TimedOut:
      process.Terminate(1);
      ctx.port.ShowMessage(text::kProcessNotResponding, MessageIcon::Stop);
      return false;
    case ProcessHandle::WaitResult::Failed:
      ctx.port.ShowMessage(ErrorText(text::kWaitFailed, static_cast<unsigned long>(errno)),
                           MessageIcon::Stop);
      return true;
  }
  return true;
}

bool StartTool(LaunchContext& ctx, const ToolInfo& tool) {
  if (RunProgram(ctx, tool.path, "", true, false, false)) return true;
  if (tool.option == ToolOption::LoopMidi) {
    ctx.port.ShowMessage(text::kLoopMidiFailed, MessageIcon::None);
  } else {
    ctx.port.ShowMessage(text::kKvSynthFailed, MessageIcon::None);
  }
  return false;
}

bool NeedsStart(LaunchContext& ctx, const ToolInfo& tool) {
  return ToolNeedsStart(ctx, tool.processName, tool.option);
}

enum class ToolRound { Ready, Retry, Failed };

// One round of the tool starts; Retry when a started tool is not yet in the process list.
ToolRound StartToolsRound(LaunchContext& ctx) {
  const ToolInfo& loop = LoopMidiTool();
  const ToolInfo& synth = KvSynthTool();
  if (NeedsStart(ctx, loop)) {
    if (!StartTool(ctx, loop)) return ToolRound::Failed;
    ctx.wait(1000);
  }
  if (NeedsStart(ctx, synth)) {
    // The synth needs the loopback ports; start it only once loopMIDI shows up.
    if (NeedsStart(ctx, loop)) return ToolRound::Retry;
    ctx.wait(1000);
    if (!StartTool(ctx, synth)) return ToolRound::Failed;
  }
  return NeedsStart(ctx, synth) ? ToolRound::Retry : ToolRound::Ready;
}

}  // namespace

void SleepFor(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string WorkingFolderOf(const std::string& path) {
#ifdef _WIN32
  const auto sep = path.find_last_of("\\/");
#else
  const auto sep = path.find_last_of('/');
#endif
  if (sep == std::string::npos) return {};
  if (sep == 0) return path.substr(0, 1);  // a program in the root folder
  return path.substr(0, sep);
}

int RunProgram(LaunchContext& ctx, const std::string& path, const std::string& arguments, bool show,
               bool wait, bool elevated) {
  if (path.empty()) {
    ctx.port.ShowMessage(text::kNoProgramConfigured, MessageIcon::Warning);
    return 0;
  }
  if (!ctx.processes.PathExists(path)) {
    ctx.port.ShowMessage(path + text::kProgramMissing, MessageIcon::Warning);
    return 0;
  }
  platform::StartRequest request;
  request.path = path;
  request.arguments = arguments;
  request.show = show;
  request.elevated = elevated;
  if (!elevated) request.workingDir = WorkingFolderOf(path);  // elevated: the current folder
  platform::StartResult started = ctx.processes.Start(request);
  if (!started.ok && !elevated && started.error == platform::kElevationRequiredError) {
    logging::Info("launch: " + path + " needs administrator rights; starting it elevated");
    request.elevated = elevated = true;
    request.workingDir.clear();
    started = ctx.processes.Start(request);
  }
  if (!started.ok) {
    const char* format = elevated ? text::kElevatedStartFailed : text::kStartFailed;
    // The program is named: the code alone does not tell which start failed.
    ctx.port.ShowMessage(path + "\n" + ErrorText(format, started.error), MessageIcon::Stop);
    logging::Error("launch: " + path + " failed with error " + std::to_string(started.error));
    return 0;
  }
  logging::Info("launch: " + path + (arguments.empty() ? "" : " " + arguments));
  if (wait && started.process && !WaitBounded(ctx, *started.process)) return 0;
  return 1;
}

bool IsProcessRunning(LaunchContext& ctx, const std::string& exeName) {
  return ctx.processes.IsProcessRunning(exeName);
}

bool ToolNeedsStart(LaunchContext& ctx, const std::string& exeName, ToolOption tool) {
  return ctx.options.Wants(tool) && !IsProcessRunning(ctx, exeName);
}

bool LaunchPlayer(LaunchContext& ctx, const std::string& runProgramPath,
                  const std::string& selectedProgram) {
  for (int attempt = 1; ctx.options.useTools; ++attempt) {
    const ToolRound round = StartToolsRound(ctx);
    if (round == ToolRound::Failed) return false;
    if (round == ToolRound::Ready) break;
    if (attempt >= ctx.maxToolAttempts) {
      const ToolInfo& missing = NeedsStart(ctx, LoopMidiTool()) ? LoopMidiTool() : KvSynthTool();
      ctx.port.ShowMessage(missing.displayName + text::kToolNotStarted + missing.displayName +
                               text::kToolCheckAndRetry,
                           MessageIcon::Warning);
      return false;
    }
    ctx.wait(500);
  }
  // The player starts either way: the room may still sing through another output.
  ReportMidiPort(ctx.port, ctx.sayStatus, WaitForMidiPort(ctx.midiPort, ctx.listMidiPorts, ctx.wait));
  ctx.wait(1000);
  const bool elevated = selectedProgram == "tunovaNEW";
  return RunProgram(ctx, runProgramPath, "", true, false, elevated) != 0;
}

bool StartToolsOnly(LaunchContext& ctx) {
  if (!ctx.options.useTools) return true;
  for (const ToolInfo* tool : {&LoopMidiTool(), &KvSynthTool()}) {
    if (NeedsStart(ctx, *tool) && !StartTool(ctx, *tool)) return false;
  }
  return true;
}

}  // namespace orvik
