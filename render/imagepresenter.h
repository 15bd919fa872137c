#pragma once
// A presenter without a display: frames land in an image of the client size. Headless rendering
// and the tests use it; nothing waits for a refresh.
#include <QImage>
#include <QRegion>
#include <vector>

#include "render/presenter.h"

namespace tess {

class TImagePresenter : public IPresenter {
 public:
  explicit TImagePresenter(QSize clientSize);

  QSize ClientSize() const override { return screen_.size(); }
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  void WaitForVerticalBlank() override { ++verticalBlanks_; }

  // What the "display" shows now.
  const QImage& Screen() const { return screen_; }
  int PresentCount() const { return presents_; }
  int VerticalBlankCount() const { return verticalBlanks_; }
  // The pixels handed over by the last Present, in client coordinates.
  QRegion LastPresentedArea() const;

 private:
  QImage screen_;
  std::vector<QRect> lastParts_;
  int presents_ = 0;
  int verticalBlanks_ = 0;
};

}  // namespace tess
