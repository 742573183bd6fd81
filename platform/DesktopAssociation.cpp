#include "DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QByteArray cDefaultGroup = "Default Applications";

// A file's lines with their line ends, so that every line not edited is written back byte
// for byte.
QList<QByteArray> SplitKeepingEnds(const QByteArray& AText) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  while (start < AText.size()) {
    qsizetype end = AText.indexOf('\n', start);
    end = end < 0 ? AText.size() : end + 1;
    lines.append(AText.mid(start, end - start));
    start = end;
  }
  return lines;
}

QByteArray LineBody(const QByteArray& ALine) {
  QByteArray body = ALine;
  while (body.endsWith('\n') || body.endsWith('\r')) body.chop(1);
  return body;
}

// "[Group]" gives "Group"; anything else is no group header.
bool IsGroupHeader(const QByteArray& ALine, QByteArray* AName = nullptr) {
  const QByteArray body = LineBody(ALine).trimmed();
  if (body.size() < 2 || !body.startsWith('[') || !body.endsWith(']')) return false;
  if (AName) *AName = body.mid(1, body.size() - 2);
  return true;
}

// The key of "key=value" (blanks around it removed), or empty for comments and blank lines.
QByteArray KeyOf(const QByteArray& ALine) {
  const QByteArray body = LineBody(ALine);
  const QByteArray trimmed = body.trimmed();
  if (trimmed.isEmpty() || trimmed.startsWith('#')) return QByteArray();
  const qsizetype equals = body.indexOf('=');
  return equals < 0 ? QByteArray() : body.left(equals).trimmed();
}

QByteArray ValueOf(const QByteArray& ALine) {
  const QByteArray body = LineBody(ALine);
  return body.mid(body.indexOf('=') + 1).trimmed();
}

// The end of a line as the file writes them, for lines we add.
QByteArray LineEndOf(const QList<QByteArray>& ALines) {
  for (const QByteArray& line : ALines)
    if (line.endsWith("\r\n")) return "\r\n";
  return "\n";
}

// The range [first, last) of the lines inside the first group named AGroup; first is -1 when
// there is no such group.
std::pair<qsizetype, qsizetype> GroupRange(const QList<QByteArray>& ALines, const QByteArray& AGroup) {
  qsizetype first = -1;
  for (qsizetype i = 0; i < ALines.size(); ++i) {
    QByteArray name;
    if (!IsGroupHeader(ALines[i], &name)) continue;
    if (first >= 0) return {first, i};
    if (name == AGroup) first = i + 1;
  }
  return {first, ALines.size()};
}

bool WriteAtomically(const QString& AFilename, const QByteArray& AData) {
  QDir().mkpath(QFileInfo(AFilename).absolutePath());
  QSaveFile file(AFilename);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(AData) != AData.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QByteArray ReadFile(const QString& AFilename) {
  QFile file(AFilename);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString XdgHome(const char* AVariable, const char* AFallback) {
  const QString value = qEnvironmentVariable(AVariable);
  if (!value.isEmpty() && QDir::isAbsolutePath(value)) return QDir::cleanPath(value);
  return QDir::homePath() + QLatin1Char('/') + QLatin1String(AFallback);
}

QString MimeAppsList() { return UserConfigHome() + QStringLiteral("/mimeapps.list"); }
QString ApplicationsFolder() { return UserDataHome() + QStringLiteral("/applications"); }
QString IconFolder() { return UserDataHome() + QStringLiteral("/icons/hicolor"); }

// The desktop's own way to learn of a changed applications folder, where it exists.
void TellTheDesktop() {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
  if (tool.isEmpty()) return;
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.start(tool, {QStringLiteral("-q"), ApplicationsFolder()});
  if (process.waitForStarted(5000) && !process.waitForFinished(10000)) process.kill();
}

// Characters that make an Exec argument need quotes.
bool NeedsQuotes(const QString& AArgument) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  for (QChar c : AArgument)
    if (reserved.contains(c)) return true;
  return AArgument.isEmpty();
}

QString QuotedExecArgument(QString AArgument) {
  AArgument.replace(QLatin1Char('%'), QStringLiteral("%%"));
  if (NeedsQuotes(AArgument)) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : AArgument) {
      if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
        quoted += QLatin1Char('\\');
      quoted += c;
    }
    AArgument = quoted + QLatin1Char('"');
  }
  // The value's own escaping: a backslash is written twice.
  AArgument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  return AArgument;
}

// The entry file for a desktop ID: the user's folder first, then the system's.
QString FindDesktopEntry(const QString& ADesktopId) {
  QStringList folders{ApplicationsFolder()};
  QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
    folders.append(dir + QStringLiteral("/applications"));
  for (const QString& folder : folders) {
    const QString candidate = folder + QLatin1Char('/') + ADesktopId;
    if (QFileInfo(candidate).isFile()) return candidate;
    // "vendor-name.desktop" may live as vendor/name.desktop.
    QString nested = ADesktopId;
    for (qsizetype dash = nested.indexOf(QLatin1Char('-')); dash >= 0; dash = nested.indexOf(QLatin1Char('-'), dash + 1)) {
      QString path = nested;
      path[dash] = QLatin1Char('/');
      if (QFileInfo(folder + QLatin1Char('/') + path).isFile()) return folder + QLatin1Char('/') + path;
    }
  }
  return QString();
}

// The Exec= value of the entry's main group.
QString ExecOfEntry(const QByteArray& AEntry) {
  const QList<QByteArray> lines = SplitKeepingEnds(AEntry);
  const auto [first, last] = GroupRange(lines, "Desktop Entry");
  if (first < 0) return QString();
  for (qsizetype i = first; i < last; ++i)
    if (KeyOf(lines[i]) == "Exec") return QString::fromUtf8(ValueOf(lines[i]));
  return QString();
}

}  // namespace

QString UserConfigHome() { return XdgHome("XDG_CONFIG_HOME", ".config"); }
QString UserDataHome() { return XdgHome("XDG_DATA_HOME", ".local/share"); }

QByteArray WithDefaultApplications(const QByteArray& AText, const QStringList& AMimeTypes, const QString& ADesktopId) {
  QList<QByteArray> lines = SplitKeepingEnds(AText);
  const QByteArray end = LineEndOf(lines);
  if (!lines.isEmpty() && !lines.last().endsWith('\n')) lines.last().append(end);
  auto [first, last] = GroupRange(lines, cDefaultGroup);
  if (first < 0) {
    if (!lines.isEmpty() && !LineBody(lines.last()).trimmed().isEmpty()) lines.append(end);
    lines.append("[" + cDefaultGroup + "]" + end);
    first = last = lines.size();
  }
  for (const QString& type : AMimeTypes) {
    const QByteArray key = type.toUtf8();
    const QByteArray line = key + '=' + ADesktopId.toUtf8() + end;
    bool found = false;
    for (qsizetype i = first; i < last; ++i) {
      if (KeyOf(lines[i]) != key) continue;
      if (!found) {
        if (LineBody(lines[i]) != LineBody(line)) lines[i] = line;
        found = true;
      } else {
        // A later line of the same key would win over ours.
        lines.removeAt(i--);
        --last;
      }
    }
    if (found) continue;
    // After the group's last entry, so blank lines and comments before the next group stay
    // where they are.
    qsizetype at = first;
    for (qsizetype i = first; i < last; ++i)
      if (!KeyOf(lines[i]).isEmpty()) at = i + 1;
    lines.insert(at, line);
    ++last;
  }
  return lines.join();
}

QByteArray WithoutDefaultApplications(const QByteArray& AText, const QStringList& AMimeTypes, const QString& ADesktopId) {
  QList<QByteArray> lines = SplitKeepingEnds(AText);
  auto [first, last] = GroupRange(lines, cDefaultGroup);
  if (first < 0) return AText;
  const QByteArray id = ADesktopId.toUtf8();
  for (qsizetype i = first; i < last; ++i) {
    const QByteArray key = KeyOf(lines[i]);
    if (key.isEmpty() || !AMimeTypes.contains(QString::fromUtf8(key))) continue;
    const QByteArray value = ValueOf(lines[i]);
    QList<QByteArray> ids = value.split(';');
    const bool trailing = value.endsWith(';');
    QList<QByteArray> kept;
    for (const QByteArray& each : ids)
      if (!each.trimmed().isEmpty() && each.trimmed() != id) kept.append(each);
    if (kept.size() == ids.size() - (trailing ? 1 : 0) && !ids.contains(id)) continue;  // not ours
    if (kept.isEmpty()) {
      lines.removeAt(i--);
      --last;
      continue;
    }
    QByteArray lineEnd = lines[i].mid(LineBody(lines[i]).size());
    lines[i] = key + '=' + kept.join(';') + (trailing ? ";" : "") + lineEnd;
  }
  return lines.join();
}

QString DefaultApplicationOf(const QByteArray& AText, const QString& AMimeType) {
  const QList<QByteArray> lines = SplitKeepingEnds(AText);
  const auto [first, last] = GroupRange(lines, cDefaultGroup);
  if (first < 0) return QString();
  const QByteArray key = AMimeType.toUtf8();
  QString result;
  // The last line of a key wins, as key files are read.
  for (qsizetype i = first; i < last; ++i) {
    if (KeyOf(lines[i]) != key) continue;
    result.clear();
    for (const QByteArray& each : ValueOf(lines[i]).split(';'))
      if (!each.trimmed().isEmpty()) {
        result = QString::fromUtf8(each.trimmed());
        break;
      }
  }
  return result;
}

QByteArray RewrittenEntry(const QByteArray& AEntry, const QString& AProgramPath, const QString& AIconName) {
  QList<QByteArray> lines = SplitKeepingEnds(AEntry);
  const auto [first, last] = GroupRange(lines, "Desktop Entry");
  if (first < 0) return AEntry;
  for (qsizetype i = first; i < last; ++i) {
    const QByteArray key = KeyOf(lines[i]);
    const QByteArray lineEnd = lines[i].mid(LineBody(lines[i]).size());
    if (key == "Exec") {
      // The program becomes this file; the entry's own file placeholder stays.
      const QString old = QString::fromUtf8(ValueOf(lines[i]));
      QString placeholder = QStringLiteral("%F");
      for (const char* code : {"%F", "%f", "%U", "%u"})
        if (old.contains(QLatin1String(code))) {
          placeholder = QLatin1String(code);
          break;
        }
      lines[i] = "Exec=" + (QuotedExecArgument(AProgramPath) + QLatin1Char(' ') + placeholder).toUtf8() + lineEnd;
    } else if (key == "Icon" && !AIconName.isEmpty()) {
      lines[i] = "Icon=" + AIconName.toUtf8() + lineEnd;
    } else if (key == "TryExec") {
      lines[i] = "TryExec=" + QString(AProgramPath).replace(QLatin1Char('\\'), QStringLiteral("\\\\")).toUtf8() + lineEnd;
    }
  }
  return lines.join();
}

QString ExecProgram(const QString& AExecValue) {
  // First the value's escapes, then the quoting of the command line.
  QString text;
  for (qsizetype i = 0; i < AExecValue.size(); ++i) {
    const QChar c = AExecValue[i];
    if (c == QLatin1Char('\\') && i + 1 < AExecValue.size()) {
      const QChar next = AExecValue[++i];
      if (next == QLatin1Char('s')) text += QLatin1Char(' ');
      else if (next == QLatin1Char('n')) text += QLatin1Char('\n');
      else if (next == QLatin1Char('t')) text += QLatin1Char('\t');
      else if (next == QLatin1Char('r')) text += QLatin1Char('\r');
      else if (next == QLatin1Char('\\')) text += QLatin1Char('\\');
      else text += QLatin1Char('\\') + next;
      continue;
    }
    text += c;
  }
  text = text.trimmed();
  QString program;
  if (text.startsWith(QLatin1Char('"'))) {
    qsizetype i = 1;
    bool closed = false;
    for (; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c == QLatin1Char('\\') && i + 1 < text.size()) {
        program += text[++i];
        continue;
      }
      if (c == QLatin1Char('"')) {
        closed = true;
        break;
      }
      program += c;
    }
    if (!closed) return QString();
  } else {
    const qsizetype blank = text.indexOf(QRegularExpression(QStringLiteral("\\s")));
    program = blank < 0 ? text : text.left(blank);
  }
  program.replace(QStringLiteral("%%"), QStringLiteral("%"));
  return program;
}

void RegisterAssociation(const TDesktopAssociation& AAssociation) {
  if (AAssociation.DesktopId.isEmpty() || AAssociation.ProgramPath.isEmpty() || AAssociation.Entry.isEmpty()) return;
  const QString iconName = AAssociation.IconName;
  WriteAtomically(ApplicationsFolder() + QLatin1Char('/') + AAssociation.DesktopId,
                  RewrittenEntry(AAssociation.Entry, AAssociation.ProgramPath, iconName));
  for (const auto& [path, bytes] : AAssociation.Icons) WriteAtomically(IconFolder() + QLatin1Char('/') + path, bytes);
  const QString list = MimeAppsList();
  const QByteArray before = ReadFile(list);
  const QByteArray after = WithDefaultApplications(before, AAssociation.MimeTypes, AAssociation.DesktopId);
  if (after != before || !QFileInfo::exists(list)) WriteAtomically(list, after);
  TellTheDesktop();
}

void UnregisterAssociation(const TDesktopAssociation& AAssociation) {
  if (AAssociation.DesktopId.isEmpty()) return;
  const QString list = MimeAppsList();
  const QByteArray before = ReadFile(list);
  const QByteArray after = WithoutDefaultApplications(before, AAssociation.MimeTypes, AAssociation.DesktopId);
  if (after != before) WriteAtomically(list, after);
  QFile::remove(ApplicationsFolder() + QLatin1Char('/') + AAssociation.DesktopId);
  for (const auto& icon : AAssociation.Icons) QFile::remove(IconFolder() + QLatin1Char('/') + icon.first);
  TellTheDesktop();
}

QString RegisteredProgram(const QString& AMimeType) {
  // The desktop's own list first, as the desktop reads them.
  QStringList lists;
  for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    lists.append(UserConfigHome() + QLatin1Char('/') + desktop.toLower() + QStringLiteral("-mimeapps.list"));
  lists.append(MimeAppsList());
  for (const QString& file : lists) {
    const QString id = DefaultApplicationOf(ReadFile(file), AMimeType);
    if (id.isEmpty()) continue;
    const QString entry = FindDesktopEntry(id);
    if (entry.isEmpty()) continue;
    const QString program = ExecProgram(ExecOfEntry(ReadFile(entry)));
    if (program.isEmpty() || QDir::isAbsolutePath(program)) return program;
    return QStandardPaths::findExecutable(program);
  }
  return QString();
}
