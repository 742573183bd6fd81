// Test entry for the Content browser tests: one application object for all of them, as the
// browser engine starts once per process.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The tests run from their own folder, not beside the program where the plugin lies.
  qputenv("QUILLON_PLUGIN_DIR", QUILLON_PLUGIN_DIR);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
