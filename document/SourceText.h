// The text of a document window's Source card: the file re-indented through the XML writer
// ("Format Source" on) or as stored, and the display name of its encoding for the card's
// status bar. Plain text only: colouring, the caret and the status bar belong to the window.
#pragma once

#include <string>

#include "BlockStream.h"
#include "EditorEncoding.h"

struct TSourceText {
  std::u16string Text;
  std::u16string EncodingName;  // e.g. "65001  (UTF-8)", for the status bar's first panel
  bool Formatted = false;       // Text came through the writer
  // The build failed (a writer error, for instance a name the tolerant reader let through) and
  // Text is the file as stored instead; Error holds the message, which the window does not show.
  bool FellBack = false;
  std::u16string Error;
  // A syntax error that stopped the reader before the end of the document element, so the
  // formatted Text is cut short there ("Error at line ..."); empty when it read everything.
  std::u16string ParseError;
};

// Builds the Source text of AFileName. The encoding comes from the file's declaration, read
// tolerantly up to the first start tag (UTF-8 without one). Formatted, the file is replayed
// into the writer up to the end of the document element or the first syntax error, under a
// declaration of version 1.0 with that encoding and the file's standalone value; the document
// type, the file's own declaration and whatever follows the document element are left out.
// As stored, the file is decoded by its byte-order mark, else with that encoding, else (an
// unlisted name) with the system 8-bit encoding; a failed formatting falls back to that too.
// Only a file that cannot be read raises (EFOpenError or EReadError).
TSourceText BuildSourceText(const std::u16string& AFileName, bool AFormatSource);

// The same text undecoded, as the view takes it: Bytes hold it in Encoding, without a
// byte-order mark. A big document comes as UTF-8 bytes, which go into the view as they are;
// decoding them to UTF-16 first would hold the text twice more.
struct TSourceBytes {
  TBlockStream Bytes;
  TEncodingRef Encoding;
  std::u16string EncodingName;
  bool Formatted = false;
  bool FellBack = false;
  std::u16string Error;
  std::u16string ParseError;
};
TSourceBytes BuildSourceBytes(const std::u16string& AFileName, bool AFormatSource);

// The file decoded as the Source card decodes it with "Format Source" off; AEncodingName
// receives the encoding's display name. AFileName is UTF-8.
std::u16string SourceTextAsStored(const std::string& AFileName, std::u16string& AEncodingName);

// "1200  (Unicode)", "1201  (Unicode - Big-Endian)", and for the other encodings the code page
// number, two blanks and the code page's name in parentheses; the number alone for a code page
// without a name here, and "(none)" for no encoding.
std::u16string EncodingDisplayName(const TEncoding* AEncoding);
