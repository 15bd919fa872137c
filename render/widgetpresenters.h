#pragma once
// The two ways the saver's own window shows its frames. On an X display they go straight from
// the back surface (in memory shared with the server) into the window's native X window, with no
// copy through the GUI layer; elsewhere (Wayland, or TESSARINE_DIRECT=0) the GUI layer's backing
// store paints them. Both pace the frames to the refresh of the screen the window is on.
#include <QImage>
#include <QRegion>
#include <memory>

#include "render/presenter.h"

class QPainter;
class QWidget;

namespace tess {

class TX11Blitter;

class TWidgetPresenter : public IPresenter {
 public:
  explicit TWidgetPresenter(QWidget& widget);
  ~TWidgetPresenter() override;

  // The widget's size in device pixels.
  QSize ClientSize() const override;
  int PlanFrame() override;
  void WaitForVerticalBlank() override;
  void RestartPacing() override;
  const IFramePacer* Pacer() const override { return pacer_.get(); }

 protected:
  QWidget& widget_;

 private:
  // Made at the first frame, for the screen the window is on then.
  IFramePacer& DisplayPacer();

  std::unique_ptr<IFramePacer> pacer_;
};

// Frames into the widget's native X window over our own connection.
class TX11DirectPresenter : public TWidgetPresenter {
 public:
  // Null when the window cannot be drawn into this way (a pixel format we cannot draw).
  static std::unique_ptr<TX11DirectPresenter> Open(QWidget& widget);
  ~TX11DirectPresenter() override;

  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  void AwaitPresented() override;
  QImage AllocateBackBuffer(QSize size) override;
  // Paints an area of the window black (before the first frame exists).
  void Clear(const QRect& rect);

 private:
  TX11DirectPresenter(QWidget& widget, std::unique_ptr<TX11Blitter> blitter);
  std::unique_ptr<TX11Blitter> blitter_;
};

// Frames through the GUI layer's painting of the widget.
class TBackingStorePresenter : public TWidgetPresenter {
 public:
  explicit TBackingStorePresenter(QWidget& widget);

  // Paints the frame at once and hands it to the display.
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  // The widget's paint handler: paints the frame being presented into the widget's area; false
  // when no frame is being presented (an exposure: the caller shows the last frame again).
  bool Paint(QPainter& painter, const QRegion& region) const;

 private:
  const QImage* presenting_ = nullptr;  // only while Present runs
  QPoint offset_;
};

}  // namespace tess
