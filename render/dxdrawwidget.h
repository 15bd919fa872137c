#pragma once
// The drawing surface control's window inside a form: it hands its size, its showing and its
// repaints to the TDXDraw, and shows the frames that Flip presents, through the presenter that
// suits the display (see widgetpresenters.h), enlarged on a HiDPI screen.
#include <QWidget>
#include <memory>
#include <string>

#include "render/presenter.h"

namespace tess {

class TBackingStorePresenter;
class TDXDraw;
class TGlWindow;
class TQtGlSurface;
class TScaledPresenter;
class TX11DirectPresenter;

class TDXDrawWidget : public QWidget, public IPresenter {
 public:
  // Hooks the form the widget belongs to, so that the drawing surface initialises at the form's
  // first showing, after the form's own show handling. `scale` is the whole-number HiDPI scale:
  // frames are composed at the widget's size divided by it. The widget presents for `dxdraw`
  // until its owner disconnects them; its destruction never touches the drawing surface.
  TDXDrawWidget(TDXDraw& dxdraw, QWidget* form, int scale = 1);
  ~TDXDrawWidget() override;

  // What the drawing surface presents through: the widget itself, or the enlarging presenter in
  // front of it.
  IPresenter& FramePresenter();
  int Scale() const { return scale_; }

  // The window, in device pixels.
  QSize ClientSize() const override;
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  void AwaitPresented() override;
  int PlanFrame() override;
  void WaitForVerticalBlank() override;
  void RestartPacing() override;
  QImage AllocateBackBuffer(QSize size) override;
  const IFramePacer* Pacer() const override;
  IFrameExecutor* Executor() override;
  void ExecutorFailed() override;
  // "gl (<device>)" or "software (<why>)": what composes the frames.
  std::string RendererDescription() const override;
  // Frames go to the window over our own X connection, not through the GUI layer's painting.
  QPaintEngine* paintEngine() const override;

  bool DrawsDirectly() const { return direct_ != nullptr; }
  bool ComposesOnDevice() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void InitializeAfterShow();
  IPresenter& Device();
  void OpenDevice();
  void LeaveDevice();
  // On displays other than X: Qt's OpenGL widget over this one, made before the first showing
  // where the renderer choice may take the device.
  void PrepareQtSurface();
  void FollowSize();

  TDXDraw& dxdraw_;
  QWidget* form_;
  int scale_;
  bool wantsDirect_ = false;
  bool triedDevice_ = false;
  std::string software_;  // why the frames are composed on the processor
  std::unique_ptr<TGlWindow> gl_;
  std::unique_ptr<TQtGlSurface> qtSurface_;  // until the first frame hands it to gl_
  QWidget* qtSurfaceWidget_ = nullptr;       // that widget, while it lives
  std::unique_ptr<TX11DirectPresenter> direct_;
  std::unique_ptr<TBackingStorePresenter> backingStore_;
  std::unique_ptr<TScaledPresenter> scaled_;
};

}  // namespace tess
