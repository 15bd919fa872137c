#pragma once
// The drawing surface control's window inside a form: it hands its size, its showing and its
// repaints to the TDXDraw, and shows the frames that Flip presents.
#include <QWidget>
#include <memory>

#include "render/presenter.h"

namespace tess {

class IFramePacer;
class TDXDraw;
class TX11Blitter;

class TDXDrawWidget : public QWidget, public IPresenter {
 public:
  // Hooks the form the widget belongs to, so that the drawing surface initialises at the form's
  // first showing, after the form's own show handling.
  TDXDrawWidget(TDXDraw& dxdraw, QWidget* form);
  ~TDXDrawWidget() override;

  QSize ClientSize() const override;
  void Present(const QImage& back, const QRegion& area, QPoint offset) override;
  void WaitForVerticalBlank() override;
  QImage AllocateBackBuffer(QSize size) override;
  // Frames go to the window over our own X connection, not through the GUI layer's painting.
  QPaintEngine* paintEngine() const override;

  const IFramePacer* Pacer() const { return pacer_.get(); }
  bool DrawsDirectly() const { return direct_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void InitializeAfterShow();
  TX11Blitter* Blitter();

  TDXDraw& dxdraw_;
  QWidget* form_;
  std::unique_ptr<IFramePacer> pacer_;
  bool direct_ = false;
  std::unique_ptr<TX11Blitter> blitter_;
};

}  // namespace tess
