#include <QApplication>

#include "app/orvik_app.h"
#include "app/termination_signal.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  orvik::CloseWindowsOnTermination();
  orvik::COrvikApp theApp;
  theApp.InitInstance();
  return 0;
}
