#include <QApplication>
#include <gtest/gtest.h>

// Every suite runs with a QApplication: the windows need one, and the engine raises its
// events through the GUI thread's event loop. Without a display (also when ctest lists the
// tests) the windows go to the offscreen platform.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LC_NUMERIC", "C");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
