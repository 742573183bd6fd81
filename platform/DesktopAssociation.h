// The per-user file association of a freedesktop desktop: a desktop entry in
// $XDG_DATA_HOME/applications, its icon in the user's hicolor theme and the default handler
// lines of $XDG_CONFIG_HOME/mimeapps.list. Every failure is silent: a file that cannot be
// written leaves the association as it was, and a missing file reads as no association.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

struct TDesktopAssociation {
  QString DesktopId;           // "com.corvane.Quillon.desktop"
  QByteArray Entry;            // the program's desktop entry as installed
  QString ProgramPath;         // the full path that Exec= is to name
  QString IconName;            // the Icon= value, a name of the icon theme
  QStringList MimeTypes;       // the types the program becomes the default for
  // Icon files under the user's hicolor theme: ("scalable/apps/NAME.svg", bytes), ...
  QList<QPair<QString, QByteArray>> Icons;
};

// Writes the entry (its Exec= naming ProgramPath with the entry's file placeholder, and
// Icon=), installs the icons and makes the entry the default for every type; then lets the
// desktop know. Does nothing without a desktop ID or a program path.
void RegisterAssociation(const TDesktopAssociation& AAssociation);
// Removes the default for every type where it names our entry (another program's default
// stays), then our entry and icons.
void UnregisterAssociation(const TDesktopAssociation& AAssociation);
// The program that the user's default for AMimeType starts: the first word of its entry's
// Exec= line, resolved on PATH when it is a bare name; empty when there is none.
QString RegisteredProgram(const QString& AMimeType);

// The pieces, for tests and for the reading above.
// The text of mimeapps.list with "[Default Applications]" naming ADesktopId for each type,
// every other line kept byte for byte.
QByteArray WithDefaultApplications(const QByteArray& AText, const QStringList& AMimeTypes, const QString& ADesktopId);
// The text with ADesktopId taken out of the default lines of those types (a line left empty
// goes); lines naming only other programs stay as they are.
QByteArray WithoutDefaultApplications(const QByteArray& AText, const QStringList& AMimeTypes, const QString& ADesktopId);
// The first desktop ID of the default line for AMimeType, or empty.
QString DefaultApplicationOf(const QByteArray& AText, const QString& AMimeType);
// The entry with its Exec= and Icon= lines of the main group rewritten.
QByteArray RewrittenEntry(const QByteArray& AEntry, const QString& AProgramPath, const QString& AIconName);
// The program named by an Exec= value (escapes and quoting undone); empty when there is none.
QString ExecProgram(const QString& AExecValue);
// The user's folders: $XDG_CONFIG_HOME and $XDG_DATA_HOME, or their defaults.
QString UserConfigHome();
QString UserDataHome();
