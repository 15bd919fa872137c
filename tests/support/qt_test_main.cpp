// A test main for code that needs a GUI application object: Qt's offscreen platform, no display.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessarine");  // the application title, as the program sets it
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
