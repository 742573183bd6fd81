#include "CanonicalPath.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <cstdlib>

namespace {

// realpath itself: ".." is taken after the link before it is resolved, which a lexical
// clean-up of the name would get wrong.
bool RealPath(const QString& AName, QString& AResult) {
  char buffer[PATH_MAX];
  if (!::realpath(QFile::encodeName(AName).constData(), buffer)) return false;
  AResult = QFile::decodeName(buffer);
  return true;
}

}  // namespace

QString CanonicalFileName(const QString& AFilename) {
  if (AFilename.isEmpty()) return AFilename;
  const QString absolute =
      QDir::isAbsolutePath(AFilename) ? AFilename : QDir::currentPath() + QLatin1Char('/') + AFilename;
  QString resolved;
  if (RealPath(absolute, resolved)) return resolved;
  // Missing: resolve the deepest folder that exists, keep the remainder as written.
  QString head = absolute;
  QString tail;
  while (head.size() > 1) {
    const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) break;
    tail = head.mid(slash) + tail;
    head = slash == 0 ? QStringLiteral("/") : head.left(slash);
    if (RealPath(head, resolved)) return QDir::cleanPath(resolved + tail);
  }
  return QDir::cleanPath(absolute);
}

bool SameFileName(const QString& A, const QString& B) {
  if (A == B) return true;
  return CanonicalFileName(A) == CanonicalFileName(B);
}
