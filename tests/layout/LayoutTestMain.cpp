// Runs the layout tests with their own XDG folders, so nothing reads or writes the user's
// settings or desktop files.
#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  char dir[] = "/tmp/quillon-layout-XXXXXX";
  if (!mkdtemp(dir)) {
    std::perror("mkdtemp");
    return 1;
  }
  const QString root = QString::fromLocal8Bit(dir);
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const QString path = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv(name, QFile::encodeName(path));
  }
  int rc;
  {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  QDir(root).removeRecursively();
  return rc;
}
