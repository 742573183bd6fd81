// Runs the main window tests on the offscreen platform with a private runtime directory, so
// the instance lock and the hand-over channel of this run meet nobody else's, and with their
// own settings and desktop folders, so the user's settings and file associations stay untouched.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtimeDir;
  if (runtimeDir.isValid()) {
    QFile::setPermissions(runtimeDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()));
  }
  QTemporaryDir userDir;
  if (!userDir.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(userDir.filePath(QStringLiteral("config"))));
  qputenv("XDG_DATA_HOME", QFile::encodeName(userDir.filePath(QStringLiteral("data"))));
  qunsetenv("XDG_CURRENT_DESKTOP");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
