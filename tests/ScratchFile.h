// A fixture file written into a test's scratch folder, for the tests that work with Qt file
// names (their folders are QTemporaryDir ones, which follow $TMPDIR like TScratchDir).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

// Writes aBytes as the file aName (which may go through a subfolder that exists) in the folder
// aDir, replacing a file of that name, and returns its full name. A file that cannot be
// written whole fails the running test, which then goes on with the name.
inline QString WriteScratchFile(const QString& aDir, const QString& aName, const QByteArray& aBytes) {
  const QString path = QDir(aDir).filePath(aName);
  QFile file(path);
  const bool written =
      file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(aBytes) == aBytes.size() && file.flush();
  EXPECT_TRUE(written) << path.toStdString() << ": " << file.errorString().toStdString();
  return path;
}
