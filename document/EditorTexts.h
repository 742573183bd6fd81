// The editor window's fixed texts and its status line, kept apart from the widgets so that
// the window only puts them on screen.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::u16string_view sEditorCaption = u"XML Editor";
inline constexpr std::u16string_view sEditorCaptionFile = u"XML Editor - [%s]";
inline constexpr std::u16string_view sEditorModified = u"Modified";
inline constexpr std::u16string_view sEditorFormatConfirm = u"This operation cannot be undone. Continue?";
inline constexpr std::u16string_view sEditorPasteConfirm =
    u"This will replace editor content with clipboard content.\r\nContinue?";
inline constexpr std::u16string_view sEditorSaveChanges = u"Save changes?";
inline constexpr std::u16string_view sEditorLoadDropped = u"Load dropped file?";
inline constexpr std::u16string_view sEditorTextNotFound = u"Text not found.";
inline constexpr std::u16string_view sEditorUntitled = u"untitled.xml";

// What a new document starts with: the declaration and one line break, so the caret waits
// on the empty second line.
inline constexpr std::u16string_view sEditorNewDocument = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// "XML Editor" for a document never saved, else "XML Editor - [name]".
std::u16string EditorCaption(std::u16string_view AFilename);

// "Row: %d   Col: %d   Chr: %d(%xh)   Cnt: %d   Sel: %d": the caret's line and column, the
// code of the character at the caret in decimal and in hexadecimal (0 past the end of the
// line), the number of lines and the length of the selection.
std::u16string EditorStatusLine(int ARow, int ACol, unsigned ACharCode, int ALineCount, int ASelLength);
