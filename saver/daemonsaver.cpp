#include "saver/daemonsaver.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

#include "core/screen.h"
#include "render/errorreport.h"
#include "render/x11windowpresenter.h"
#include "saver/saverengine.h"

namespace tess {

int RunInDaemonWindow(std::unique_ptr<TX11WindowPresenter> window) {
  TX11WindowPresenter& presenter = *window;
  const ScreenSizeProvider previous = SetScreenSizeProvider([&presenter] {
    const QSize size = presenter.ClientSize();
    return ScreenSize{size.width(), size.height()};
  });
  TSaverEngine engine;
  engine.DXD1.SetPresenter(&presenter);
  // The daemon's window never makes us the active application.
  engine.DXT1.ActiveOnly = false;

  QSocketNotifier events(presenter.FileDescriptor(), QSocketNotifier::Read);
  std::string reason;
  const auto followWindow = [&] {
    if (!presenter.ProcessEvents(reason)) {
      std::fprintf(stderr, "tessarine: %s\n", reason.c_str());
      QCoreApplication::exit(0);
      return;
    }
    const QSize size = presenter.ClientSize();
    engine.DXD1.ControlResized(size.width(), size.height());
  };
  QObject::connect(&events, &QSocketNotifier::activated, [&] {
    try {
      followWindow();
    } catch (const std::exception& error) {
      ReportException(error);
    }
  });
  // Presenting reads the connection for its round trip, and events read with it no longer wake
  // the notifier: look at them after every frame too.
  engine.DXT1.OnTimer = [&](TDXTimer& timer, int32_t lagCount) {
    engine.DXT1Timer(timer, lagCount);
    followWindow();
  };

  int status = 0;
  try {
    engine.PrepareFrames();
    engine.DXD1.FormShown();
    engine.DXT1.SetEnabled(true);
    status = QCoreApplication::exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessarine: %s\n", error.what());
    status = 1;
  }
  engine.DXT1.SetEnabled(false);
  SetScreenSizeProvider(previous);
  return status;
}

}  // namespace tess
