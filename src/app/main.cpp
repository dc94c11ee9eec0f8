#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_attach.h"
#include "app/orvik_app.h"
#include "app/termination_signal.h"
#include "platform/module_dir.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto line = [](std::FILE* stream) {
    return [stream](const std::string& text) {
      std::fprintf(stream, "%s\n", text.c_str());
      std::fflush(stream);  // in order with the programs a sync starts
    };
  };
  const auto sync = [&](const orvik::SyncOptions& options) {
    orvik::AttachParentConsole();
    orvik::SyncSetup setup;
    setup.moduleDir = orvik::platform::GetModuleDirectory();
    setup.out = line(stdout);
    setup.err = line(stderr);
    if (orvik::IsTerminal(stdout)) {
      setup.progress = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
      };
    }
    return orvik::RunSync(options, std::move(setup));
  };
  if (const auto code =
          orvik::HandleCommandLine(args, orvik::HasDisplay(), line(stdout), line(stderr), sync))
    return *code;

  QApplication application(argc, argv);
  orvik::CloseWindowsOnTermination();
  orvik::COrvikApp theApp;
  theApp.InitInstance();
  return 0;
}
