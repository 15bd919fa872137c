#pragma once
// A presenter for a window that another program owns: a screen-saver daemon (xscreensaver,
// MATE, Xfce) names an X window and we draw our frames into it over our own X connection, without
// a window of our own. The daemon watches the user and ends us; we only follow the window's size
// and notice when it goes away.
#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/presenter.h"

namespace tess {

class IFramePacer;
class TGlWindow;
class TX11Blitter;

// The window id in XSCREENSAVER_WINDOW ("0x..." or decimal), or nothing when the variable is
// unset or empty. A value that names no window at all (not a number, 0, beyond 32 bits) gives
// nothing too, and `problem` says so: a daemon asked for its window and must not get a
// full-screen saver over its preview instead.
std::optional<uint32_t> DaemonWindowFromEnvironment(std::string& problem);

class TX11WindowPresenter : public IPresenter {
 public:
  // Connects to the display and attaches to the window; on failure returns null and says why.
  static std::unique_ptr<TX11WindowPresenter> Attach(uint32_t window, std::string& error);
  ~TX11WindowPresenter() override;

  // The window's size, bounded by the screen: a window larger than what can be seen gets frames
  // of the size that can (drawn from its top left corner).
  QSize ClientSize() const override { return Bounded(size_); }
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  void AwaitPresented() override;
  int PlanFrame() override;
  void WaitForVerticalBlank() override;
  void RestartPacing() override;
  QImage AllocateBackBuffer(QSize size) override;
  const IFramePacer* Pacer() const override { return pacer_.get(); }
  IFrameExecutor* Executor() override;
  void ExecutorFailed() override;
  std::string RendererDescription() const override;

  // Composes the frames on the graphics device where the renderer choice allows it, at the
  // window's size divided by `scale`; says which renderer it is. Before the first frame.
  void UseGraphicsDevice(int scale);

  // The primary monitor's size in device pixels, for the settings' bounds; and the desktop's
  // font resolution (Xft.dpi, 0 when unset), for its HiDPI scale.
  QSize PrimaryMonitorSize() const { return primaryMonitor_; }
  double DesktopDpi() const { return dpi_; }

  // The connection's file descriptor, readable when events wait.
  int FileDescriptor() const;
  // The daemon's window.
  uint32_t Window() const;
  // Handles waiting events: size changes, the window's destruction, errors. False once the
  // window is gone or the connection broke; `reason` then says which.
  bool ProcessEvents(std::string& reason);
  bool Alive() const { return alive_; }

 private:
  explicit TX11WindowPresenter(std::unique_ptr<TX11Blitter> blitter);
  QSize Bounded(QSize size) const { return size.boundedTo(screen_); }
  void SayWhenBounded();

  std::unique_ptr<TX11Blitter> blitter_;
  QSize size_;
  QSize screen_;  // the root window's size: nothing beyond it can be seen
  QSize primaryMonitor_;
  double dpi_ = 0;
  bool alive_ = true;
  bool saidBounded_ = false;
  std::unique_ptr<IFramePacer> pacer_;
  std::unique_ptr<TGlWindow> gl_;
  std::string software_ = "not asked for";  // why the frames are composed on the processor
};

}  // namespace tess
