// How the editor picks the encoding of a document: the one its XML declaration names, both
// when a file is loaded and when text is saved, and the bytes a save writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Encodings.h"

// An encoding held by a document or window: the shared standard instances are never deleted,
// any other is owned. Empty means "no encoding": the declaration named one the alias table
// does not list.
struct TEncodingFree {
  void operator()(TEncoding* AEncoding) const { FreeEncoding(AEncoding); }
};
using TEncodingRef = std::unique_ptr<TEncoding, TEncodingFree>;

// What an XML declaration says about the encoding, found with a pull reader that reads up to
// the first start tag (nothing of the declaration can follow it).
struct TDeclaredEncoding {
  bool HasEncoding = false;    // an "encoding" pseudo-attribute was seen
  std::u16string EncodingName;  // its value
  std::u16string StandAlone;   // the "standalone" pseudo-attribute's value, empty without one
};

class TXMLReader;
// Reads tokens until the first start tag or until the reader stops. Both names are compared
// without regard to ASCII case. AFirstEncodingWins stops at the first "encoding" found;
// otherwise the last one counts and reading goes on for "standalone".
TDeclaredEncoding ScanXMLDeclaration(TXMLReader& AReader, bool AFirstEncodingWins);

// The encoding object for a declared name: UTF-8 when there was none, empty for a name the
// alias table does not list (or a code page the platform cannot convert).
TEncodingRef EncodingOfDeclaration(const TDeclaredEncoding& ADeclared);

// The encoding the text's or the file's XML declaration names, read strictly: UTF-8 without a
// declaration, without an encoding pseudo-attribute or after a syntax error before it; empty
// for an unlisted name. A file that cannot be opened raises EFOpenError.
TEncodingRef DeclaredEncodingOfFile(const std::u16string& AFileName);
TEncodingRef DeclaredEncodingOfText(std::u16string_view AText);

// A file's text decoded as stored: by its byte-order mark when it has one (the mark is
// skipped), else with AEncoding, else with the system 8-bit encoding. AUsed receives the
// encoding that decoded it. A mark wins over AEncoding because the pull reader reads such a
// file by its mark too: a UTF-16 file without an encoding declaration is not mistaken for
// UTF-8.
std::u16string DecodeFileText(const std::u16string& AFileName, const TEncoding* AEncoding, TEncodingRef& AUsed);
// The two halves of it, for a caller that hands the bytes on undecoded: the whole file (raises
// EFOpenError or EReadError), and the encoding that decodes them by the rule above, with the
// length of the mark to skip.
std::vector<uint8_t> ReadFileBytes(const std::u16string& AFileName);
TEncodingRef FileBytesEncoding(const std::vector<uint8_t>& ABytes, const TEncoding* AEncoding, int& AMarkLength);

// The editor's view of a file: FEncoding is the declared encoding, the text decoded as above.
struct TEditorFile {
  std::u16string Text;
  TEncodingRef Encoding;  // the declared encoding (empty for an unlisted name)
};
TEditorFile LoadEditorFile(const std::u16string& AFileName);

// The bytes a save writes for AText in AEncoding: the encoding's byte-order mark, then every
// line followed by CR LF. Lines end at CR LF, LF or CR; a final line break does not start
// another line, so loading and saving again gives the same bytes. An empty AEncoding writes
// the system 8-bit encoding without a mark.
std::vector<uint8_t> EditorTextBytes(std::u16string_view AText, const TEncoding* AEncoding);

// Saves AText to AFileName in the encoding its own declaration names (DeclaredEncodingOfText),
// through a temporary file that replaces the target only when everything was written. Returns
// that encoding (empty for an unlisted name). Raises EFCreateError or EWriteError.
TEncodingRef SaveEditorText(const std::u16string& AFileName, std::u16string_view AText);

// Writes bytes to a file atomically (temporary sibling, then one rename).
void WriteFileAtomically(const std::u16string& AFileName, const std::vector<uint8_t>& ABytes);
