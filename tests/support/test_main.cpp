#include <QApplication>
#include <gtest/gtest.h>

// Every suite runs with a QApplication: the windows need one, and the engine raises its
// events through the GUI thread's event loop.
int main(int argc, char** argv) {
  qputenv("LC_NUMERIC", "C");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
