#pragma once
// The drawing surface control's window inside a form: it hands its size, its showing and its
// repaints to the TDXDraw, and shows the frames that Flip presents.
#include <QWidget>
#include <memory>

#include "render/presenter.h"

namespace tess {

class IFramePacer;
class TDXDraw;

class TDXDrawWidget : public QWidget, public IPresenter {
 public:
  // Hooks the form the widget belongs to, so that the drawing surface initialises at the form's
  // first showing, after the form's own show handling.
  TDXDrawWidget(TDXDraw& dxdraw, QWidget* form);
  ~TDXDrawWidget() override;

  QSize ClientSize() const override;
  void Present(const QImage& back, const QRegion& area, QPoint offset) override;
  void WaitForVerticalBlank() override;

  const IFramePacer* Pacer() const { return pacer_.get(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void InitializeAfterShow();

  TDXDraw& dxdraw_;
  QWidget* form_;
  std::unique_ptr<IFramePacer> pacer_;
};

}  // namespace tess
