#pragma once
#include <QWidget>

namespace tess {

// Placeholder for the full-screen saver window.
class TMain : public QWidget {
 public:
  TMain();
};

}  // namespace tess
