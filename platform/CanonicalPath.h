// File names compared as the file system sees them: Linux names are case-sensitive, and two
// spellings of one file (a relative name, "x/../a.xml", a symbolic link) are the same file.
#pragma once

#include <QString>

// The full name with every symbolic link, "." and ".." resolved, as realpath gives it. For a
// name that does not exist (any more) the deepest existing folder is resolved and the rest
// kept as written, so a deleted file still matches the name it was listed under.
QString CanonicalFileName(const QString& AFilename);
// Whether both names lead to the same file: their canonical names are equal, exactly.
bool SameFileName(const QString& A, const QString& B);
