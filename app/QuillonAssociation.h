// What "Default Quillon" registers on a freedesktop desktop: the packaged desktop entry under
// its own ID, pointed at this program's file, with the program icon, for XML files.
#pragma once

#include "DesktopAssociation.h"

inline constexpr const char* cQuillonDesktopId = "com.corvane.Quillon.desktop";
inline constexpr const char* cQuillonIconName = "com.corvane.Quillon";

// This program's full path, symbolic links resolved.
QString QuillonProgramPath();
TDesktopAssociation QuillonAssociation();
