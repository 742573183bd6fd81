#include "EditorTexts.h"

#include <cstdio>

#include "WideSupport.h"

std::u16string EditorCaption(std::u16string_view AFilename) {
  if (AFilename.empty()) return std::u16string(sEditorCaption);
  return Format(sEditorCaptionFile, {AFilename});
}

std::u16string EditorStatusLine(int ARow, int ACol, unsigned ACharCode, int ALineCount, int ASelLength) {
  // Hexadecimal in capitals, as character codes are usually quoted (E9h).
  char line[160];
  const int n = std::snprintf(line, sizeof line, "Row: %d   Col: %d   Chr: %u(%Xh)   Cnt: %d   Sel: %d", ARow, ACol,
                              ACharCode, ACharCode, ALineCount, ASelLength);
  return std::u16string(line, line + (n > 0 ? n : 0));
}
