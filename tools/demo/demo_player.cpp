// orvik-demo-player: the demo's stand-in karaoke player. The launcher starts it from the
// run button and watches its process until it ends; this one shows a small window until it
// is closed (its button, the window manager, or SIGTERM).
//
// Beside itself it appends "started <pid>" and "ended <pid>" to player.log, so a script can
// see each start and end without looking at the screen.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWidget>
#include <csignal>

namespace {

int g_signalSocket[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] auto n = ::write(g_signalSocket[1], &byte, 1);
}

void CloseOnTermination() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalSocket) != 0)
    return;
  // The handler only writes a byte; the window closes on the UI thread.
  auto* notifier = new QSocketNotifier(g_signalSocket[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp,
                   [] { QApplication::closeAllWindows(); });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

void Log(const char* event) {
  QFile log(QDir(QCoreApplication::applicationDirPath()).filePath("player.log"));
  if (!log.open(QIODevice::Append | QIODevice::Text)) return;
  log.write(QByteArray(event) + ' ' + QByteArray::number(QCoreApplication::applicationPid()) +
            '\n');
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  CloseOnTermination();
  Log("started");

  QWidget window;
  window.setObjectName("demoPlayer");
  window.setWindowTitle(QStringLiteral("Tunova (demo player)"));
  auto* layout = new QVBoxLayout(&window);
  auto* text = new QLabel(
      QString::fromUtf8("<b>튜노바 (데모 플레이어)</b><br><br>"
                        "Stand-in for a Tunova karaoke player.<br>"
                        "The launcher keeps its run button pressed while this window is open.<br>"
                        "Close it to end the player."));
  text->setTextFormat(Qt::RichText);
  layout->addWidget(text);
  auto* close = new QPushButton(QStringLiteral("Close"));
  close->setObjectName("closeButton");
  layout->addWidget(close);
  QObject::connect(close, &QPushButton::clicked, &window, &QWidget::close);
  window.setMinimumWidth(440);
  window.show();

  const int result = app.exec();
  Log("ended");
  return result;
}
