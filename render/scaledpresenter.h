#pragma once
// Frames composed at a logical size, shown on a HiDPI display enlarged s times, pixel by pixel
// (each pixel an s x s block), so that a 4K screen at scale 2 shows exactly the picture of a
// 1080p one. Only what changed is enlarged and handed on, into memory that the display's
// presenter can show without copying where it has some.
#include <QImage>
#include <vector>

#include "render/presenter.h"

namespace tess {

class TScaledPresenter : public IPresenter {
 public:
  TScaledPresenter(IPresenter& device, int scale);

  int Scale() const { return scale_; }
  // The device's size divided by the scale (a remainder of pixels at the right and bottom stays
  // black).
  QSize ClientSize() const override;
  void Present(const QImage& back, TPresentParts parts, QPoint offset) override;
  int PlanFrame() override { return device_.PlanFrame(); }
  void WaitForVerticalBlank() override { device_.WaitForVerticalBlank(); }
  void RestartPacing() override { device_.RestartPacing(); }
  // The enlarged frame is the device's to read until it says it is done; the logical frame is
  // copied from at once, so it is free when Present returns.
  void AwaitPresented() override {}
  // The logical frame lives in ordinary memory; the enlarged one is the device's.
  QImage AllocateBackBuffer(QSize) override { return {}; }
  const IFramePacer* Pacer() const override { return device_.Pacer(); }
  // A device that composes on the graphics device enlarges there too.
  IFrameExecutor* Executor() override { return device_.Executor(); }
  void ExecutorFailed() override { device_.ExecutorFailed(); }
  std::string RendererDescription() const override { return device_.RendererDescription(); }

 private:
  void EnsureEnlargedFrame();
  // Enlarges `source` of the frame into the device frame with its top left at logical `at`.
  void Enlarge(const QImage& back, const QRect& source, QPoint at);

  IPresenter& device_;
  int scale_;
  QImage enlarged_;
  std::vector<QRect> deviceParts_;
};

// `back` enlarged `scale` times, pixel by pixel: what TScaledPresenter shows of a whole frame.
QImage EnlargedPixels(const QImage& back, int scale);

}  // namespace tess
