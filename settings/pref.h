#pragma once
#include <QWidget>

namespace tess {

// Placeholder for the settings dialog.
class TPref : public QWidget {
 public:
  TPref();
};

}  // namespace tess
