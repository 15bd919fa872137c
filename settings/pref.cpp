#include "settings/pref.h"

namespace tess {

TPref::TPref() {
  setWindowTitle(QString::fromUtf8("Orvanex - Настройка"));
}

}  // namespace tess
