// Re-indenting XML without a document model: a pull reader's tokens are replayed into an XML
// writer set to indent, one node per line, under a fresh declaration. It is a pretty-printer,
// not a checker: it stops silently where the reader stops (a syntax error, or the end of the
// document element) and drops what it has no writer operation for (the input's own
// declaration, the document type, anything after the document element).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BlockStream.h"
#include "EditorEncoding.h"

class ITextParseError;
class TXMLReader;
class TXMLWriter;

// Writes every token AReader still delivers into AWriter. Text is trimmed (code units up to
// U+0020 at both ends) and dropped when nothing is left; text, CDATA, comments and processing
// instructions start on their own indented line. Writer errors (it is strict) propagate.
void ReplayXMLTokens(TXMLReader& AReader, TXMLWriter& AWriter);
// The same output, with the reader handing out its tokens as views for the time of the replay
// (nothing copied into records; whole start tags come as one token). AReader must not be in
// that mode already; it is in record mode again afterwards.
void ReplayXMLTokenViews(TXMLReader& AReader, TXMLWriter& AWriter);

// Sets AWriter up for formatted output into a memory target: AEncoding (not owned), no
// byte-order mark, two-blank indentation, CR LF line breaks; then writes the declaration with
// version 1.0, the encoding's name and AStandAlone when not empty.
void StartFormattedDocument(TXMLWriter& AWriter, TEncoding* AEncoding, std::u16string_view AStandAlone);

// Formatting refuses a text whose declaration names an encoding nothing here converts: its
// characters were decoded by guesswork, and writing them under a new declaration would turn
// the guess into the file's content.
class EXmlFormatUnknownEncoding : public EGeneralError { using EGeneralError::EGeneralError; };
inline constexpr std::u16string_view cFormatUnknownEncoding =
    u"The encoding \"%s\" is not supported, so the text cannot be formatted without garbling its characters.";

// The editor's "Format XML": AText re-written as indented XML, encoded in the encoding its
// declaration names (UTF-8 without one). A name no converter knows raises
// EXmlFormatUnknownEncoding before anything is written. AEncoding receives that encoding. The text is read as the UTF-16 it is, so no character is lost on the way in, also
// when the declaration was edited to name another encoding. Writer errors (for example a
// comment holding "--", which the reader accepts) raise EXmlWriterInvalidString with the
// writer's message; nothing is returned then. AParseError, when given, receives the syntax
// error the reader stopped at (empty when it read to the end of the document element).
std::vector<uint8_t> FormatXMLToBytes(std::u16string_view AText, TEncodingRef& AEncoding,
                                      std::shared_ptr<ITextParseError>* AParseError = nullptr);
// The same from UTF-8 (the editor's own text, read in place) into ATarget; returns the
// encoding written. After an error ATarget holds only a part and is to be thrown away. The declaration names the
// encoding to write, never the one to read: the text is UTF-8 whatever it says.
TEncodingRef FormatXMLUtf8(std::string_view AText, TBlockStream& ATarget,
                           std::shared_ptr<ITextParseError>* AParseError = nullptr);
// The same, decoded again with that encoding: the editor's new text.
std::u16string FormatXML(std::u16string_view AText, TEncodingRef& AEncoding);
