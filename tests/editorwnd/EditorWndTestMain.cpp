// Test entry for the editor window tests: one application object for all of them.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Also for test discovery at build time, which runs without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
