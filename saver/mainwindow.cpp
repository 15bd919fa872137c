#include "saver/mainwindow.h"

namespace tess {

TMain::TMain() { setWindowTitle(QStringLiteral("Tessarine")); }

}  // namespace tess
