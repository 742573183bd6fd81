// Runs the main window tests on the offscreen platform with a private runtime directory, so
// the instance lock and the hand-over channel of this run meet nobody else's, and a private
// configuration folder, so that no setting of the user's (such as the open dialog's last
// folder) reaches them.
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
  QTemporaryDir configDir;
  if (configDir.isValid()) qputenv("XDG_CONFIG_HOME", QFile::encodeName(configDir.path()));
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
