#include "shell/termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace tess {

namespace {

int gSignalPipe[2] = {-1, -1};
int gSignal = 0;

void OnSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  (void)!::write(gSignalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void QuitOnTerminationSignals(QCoreApplication& app) {
  if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char bytes[16];
    ssize_t n;
    while ((n = ::read(gSignalPipe[0], bytes, sizeof bytes)) > 0) {
      if (gSignal == 0) gSignal = bytes[0];  // the first signal decides
    }
    QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(signal, &action, nullptr);
}

int TerminationSignal() {
  return gSignal;
}

void DieByTerminationSignal() {
  if (gSignal == 0) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(gSignal, &action, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, gSignal);
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(gSignal);
}

}  // namespace tess
