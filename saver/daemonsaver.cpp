#include "saver/daemonsaver.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

#include "core/screen.h"
#include "render/displayscale.h"
#include "render/errorreport.h"
#include "render/scaledpresenter.h"
#include "render/x11windowpresenter.h"
#include "saver/framegate.h"
#include "saver/saverengine.h"

namespace tess {

namespace {

ScreenSize SizeOf(const IPresenter& presenter) {
  const QSize size = presenter.ClientSize();
  return {size.width(), size.height()};
}

}  // namespace

int RunInDaemonWindow(std::unique_ptr<TX11WindowPresenter> window) {
  TX11WindowPresenter& device = *window;
  // Qt knows no screen here: the desktop's font resolution gives the HiDPI scale.
  const int scale = DisplayScaleForDpi(device.DesktopDpi());
  device.UseGraphicsDevice(scale);
  std::unique_ptr<TScaledPresenter> scaled;
  if (scale > 1) scaled = std::make_unique<TScaledPresenter>(device, scale);
  IPresenter& presenter = scaled ? static_cast<IPresenter&>(*scaled) : device;

  TSaverEngine engine;
  engine.SetScreenSize([&presenter] { return SizeOf(presenter); });
  engine.DXD1.SetPresenter(&presenter);
  // The daemon's window never makes us the active application.
  engine.DXT1.ActiveOnly = false;

  QSocketNotifier events(device.FileDescriptor(), QSocketNotifier::Read);
  std::string reason;
  bool ending = false;
  const auto followWindow = [&] {
    if (ending) return;
    if (!device.ProcessEvents(reason)) {
      ending = true;  // said once, however many events still come
      std::fprintf(stderr, "tessarine: %s\n", reason.c_str());
      QCoreApplication::exit(0);
      return;
    }
    const ScreenSize size = SizeOf(presenter);
    engine.DXD1.ControlResized(size.W, size.H);
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

  // Frames only while the daemon's window can be seen: a locker may cover it for hours.
  TFrameGate gate(nullptr, device.Window());
  gate.OnChange = [&] {
    engine.SetShown(gate.Shown());
    if (gate.Shown()) {
      engine.ResumeFrames();
    } else {
      engine.PauseFrames();
    }
  };

  int status = 0;
  try {
    engine.PrepareFrames();
    engine.DXD1.FormShown();
    engine.SetShown(gate.Shown());
    engine.DXT1.SetEnabled(gate.Shown());
    status = QCoreApplication::exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessarine: %s\n", error.what());
    status = 1;
  }
  engine.DXT1.SetEnabled(false);
  // The engine lets go of the presenters before they go, in this order.
  engine.DXD1.SetPresenter(nullptr);
  return status;
}

}  // namespace tess
