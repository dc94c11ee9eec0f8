#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/orvik_app.h"
#include "app/termination_signal.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const auto line = [](std::FILE* stream) {
    return [stream](const std::string& text) { std::fprintf(stream, "%s\n", text.c_str()); };
  };
  if (const auto code =
          orvik::HandleCommandLine(args, orvik::HasDisplay(), line(stdout), line(stderr)))
    return *code;

  QApplication application(argc, argv);
  orvik::CloseWindowsOnTermination();
  orvik::COrvikApp theApp;
  theApp.InitInstance();
  return 0;
}
