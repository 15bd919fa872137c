#pragma once
// Shared set-up of the benchmarks: a background picture on disk, named in the settings.
#include <QTemporaryDir>
#include <string>

namespace tess::bench {

// With `enabled`, writes a 1920 x 1080 bitmap with a gradient and selects it as the background
// picture; the file goes away with the object.
class ScopedBackground {
 public:
  explicit ScopedBackground(bool enabled);
  ~ScopedBackground();

 private:
  QTemporaryDir dir_;
};

}  // namespace tess::bench
