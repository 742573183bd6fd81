// The per-user association, checked with the desktop's own tools where they are installed.
#include "CanonicalPath.h"
#include "DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& AName) {
  QFile file(AName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& AName, const QByteArray& AData) {
  QDir().mkpath(QFileInfo(AName).absolutePath());
  QFile file(AName);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(AData);
}

// The tool's output, or "<missing>" when it is not installed.
QString Tool(const QString& AProgram, const QStringList& AArguments, int* AExitCode = nullptr) {
  const QString path = QStandardPaths::findExecutable(AProgram);
  if (path.isEmpty()) return QStringLiteral("<missing>");
  QProcess process;
  process.start(path, AArguments);
  process.waitForFinished(30000);
  if (AExitCode) *AExitCode = process.exitCode();
  return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
}

const QStringList cTypes{QStringLiteral("application/xml"), QStringLiteral("text/xml")};

}  // namespace

class AssociationTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FDir.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(FDir.filePath(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(FDir.filePath(QStringLiteral("system"))));
    qunsetenv("XDG_CURRENT_DESKTOP");
    FProgram = FDir.filePath(QStringLiteral("My Apps/quillon"));
    WriteAll(FProgram, "#!/bin/sh\n");
    QFile::setPermissions(FProgram, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    FAssociation.DesktopId = QStringLiteral("com.corvane.Quillon.desktop");
    FAssociation.Entry = ReadAll(QStringLiteral(QUILLON_DESKTOP_ENTRY));
    ASSERT_FALSE(FAssociation.Entry.isEmpty());
    FAssociation.ProgramPath = FProgram;
    FAssociation.IconName = QStringLiteral("com.corvane.Quillon");
    FAssociation.MimeTypes = cTypes;
    FAssociation.Icons = {{QStringLiteral("scalable/apps/com.corvane.Quillon.svg"), "<svg/>"}};
  }
  QString MimeApps() const { return FDir.filePath(QStringLiteral("config/mimeapps.list")); }
  QString Entry() const { return FDir.filePath(QStringLiteral("data/applications/com.corvane.Quillon.desktop")); }

  QTemporaryDir FDir;
  QString FProgram;
  TDesktopAssociation FAssociation;
};

TEST_F(AssociationTest, RegisterIsWhatTheDesktopToolsReadAndOtherEntriesStayByteForByte) {
  const QByteArray before =
      "# my defaults\r\n[Default Applications]\r\ntext/html=firefox.desktop\r\napplication/xml=gedit.desktop;\r\n"
      "\r\n[Added Associations]\r\nimage/png=gimp.desktop;\r\n";
  WriteAll(MimeApps(), before);
  RegisterAssociation(FAssociation);

  const QByteArray after = ReadAll(MimeApps());
  EXPECT_EQ(after,
            "# my defaults\r\n[Default Applications]\r\ntext/html=firefox.desktop\r\n"
            "application/xml=com.corvane.Quillon.desktop\r\ntext/xml=com.corvane.Quillon.desktop\r\n"
            "\r\n[Added Associations]\r\nimage/png=gimp.desktop;\r\n");
  EXPECT_EQ(CanonicalFileName(RegisteredProgram(QStringLiteral("application/xml"))), CanonicalFileName(FProgram));
  EXPECT_TRUE(QFile::exists(FDir.filePath(QStringLiteral("data/icons/hicolor/scalable/apps/com.corvane.Quillon.svg"))));
  const QByteArray entry = ReadAll(Entry());
  EXPECT_TRUE(entry.contains("\nExec=\"" + FProgram.toUtf8() + "\" %F\n")) << entry.constData();
  EXPECT_TRUE(entry.contains("\nIcon=com.corvane.Quillon\n"));

  for (const QString& type : cTypes) {
    const QString answer = Tool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
    if (answer != QLatin1String("<missing>")) EXPECT_EQ(answer, QStringLiteral("com.corvane.Quillon.desktop")) << type.toStdString();
  }
  int code = -1;
  const QString validation = Tool(QStringLiteral("desktop-file-validate"), {Entry()}, &code);
  if (validation != QLatin1String("<missing>")) EXPECT_EQ(code, 0) << validation.toStdString();

  // Registering again changes nothing.
  RegisterAssociation(FAssociation);
  EXPECT_EQ(ReadAll(MimeApps()), after);

  UnregisterAssociation(FAssociation);
  EXPECT_EQ(ReadAll(MimeApps()),
            "# my defaults\r\n[Default Applications]\r\ntext/html=firefox.desktop\r\n"
            "\r\n[Added Associations]\r\nimage/png=gimp.desktop;\r\n");
  EXPECT_FALSE(QFile::exists(Entry()));
  EXPECT_TRUE(RegisteredProgram(QStringLiteral("application/xml")).isEmpty());
}

TEST_F(AssociationTest, UnregisterLeavesAnotherProgramsDefaultAlone) {
  RegisterAssociation(FAssociation);
  const QByteArray other = "[Default Applications]\napplication/xml=gedit.desktop\ntext/xml=gedit.desktop;com.corvane.Quillon.desktop;\n";
  WriteAll(MimeApps(), other);
  UnregisterAssociation(FAssociation);
  EXPECT_EQ(ReadAll(MimeApps()), "[Default Applications]\napplication/xml=gedit.desktop\ntext/xml=gedit.desktop;\n");
  EXPECT_FALSE(QFile::exists(Entry()));
}

TEST_F(AssociationTest, TheRegisteredProgramIsTheOneTheDefaultEntryStarts) {
  const QString bin = FDir.filePath(QStringLiteral("bin"));
  QDir().mkpath(bin);
  WriteAll(bin + QStringLiteral("/other-editor"), "#!/bin/sh\n");
  QFile::setPermissions(bin + QStringLiteral("/other-editor"), QFile::ReadOwner | QFile::ExeOwner);
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(bin));
  struct TCase {
    const char* Exec;
    QString Expected;
  } cases[] = {
      {"\"/opt/other app/editor\" --new %f", QStringLiteral("/opt/other app/editor")},
      {"/usr/bin/gedit %U", QStringLiteral("/usr/bin/gedit")},
      {"other-editor %F", bin + QStringLiteral("/other-editor")},  // a bare name, found on PATH
      {"\"/opt/a\\\\\\\\b/ed\" %f", QStringLiteral("/opt/a\\b/ed")},
      {"\"/opt/unclosed %f", QString()},
  };
  for (const TCase& c : cases) {
    WriteAll(FDir.filePath(QStringLiteral("system/applications/other.desktop")),
             QByteArray("[Desktop Entry]\nType=Application\nName=Other\nExec=") + c.Exec + "\n");
    WriteAll(MimeApps(), "[Default Applications]\napplication/xml=other.desktop\n");
    EXPECT_EQ(RegisteredProgram(QStringLiteral("application/xml")), c.Expected) << c.Exec;
  }
  qputenv("PATH", savedPath);
  // A default whose entry is nowhere is no registered program.
  WriteAll(MimeApps(), "[Default Applications]\napplication/xml=gone.desktop\n");
  EXPECT_TRUE(RegisteredProgram(QStringLiteral("application/xml")).isEmpty());
}
