// quillon-cli format, validate and source: the editor's "Format XML" and "Validate XML" on a
// file loaded as the editor loads it, and the text of a document window's Source card.
#include <cstdio>
#include <memory>

#include "CliCommon.h"
#include "EditorEncoding.h"
#include "SourceText.h"
#include "TextReadWrite.h"
#include "WideSupport.h"
#include "XmlFormat.h"
#include "XmlUtils.h"
#include "XmlValidate.h"

namespace cli {
namespace {

void WriteOut(FILE* AFile, const void* AData, size_t ASize) {
  if (ASize && std::fwrite(AData, 1, ASize, AFile) != ASize) throw EUsage{"cannot write the output"};
  if (std::fflush(AFile) != 0) throw EUsage{"cannot write the output"};
}

void WriteOut(FILE* AFile, const std::string& AText) { WriteOut(AFile, AText.data(), AText.size()); }

// Formatting stops silently at a syntax error, as in the editor. Here the error goes to stderr
// with exit code 1, and -o writes nothing then, so that a file is never replaced by the cut
// text; without -o the part before the error still reaches standard output.
int RunFormat(std::vector<std::string>& AArgs) {
  static const char* kSynopsis = "format FILE [-o OUT]";
  bool toFile = false;
  const std::string outName = TakeOption(AArgs, "-o", toFile);
  ExpectPositional(AArgs, 1, kSynopsis);
  const TInputFile input(AArgs[0]);
  const TEditorFile file = LoadEditorFile(Utf8ToUtf16(input.Name()));

  TEncodingRef encoding;
  std::shared_ptr<ITextParseError> parseError;
  std::vector<uint8_t> bytes;
  try {
    bytes = FormatXMLToBytes(file.Text, encoding, &parseError);
  } catch (const EXmlWriterException& e) {
    WriteOut(stderr, "quillon-cli: " + Utf16ToUtf8(e.Message()) + "\n");
    return ecParseError;
  } catch (const EXmlFormatUnknownEncoding& e) {
    WriteOut(stderr, "quillon-cli: " + Utf16ToUtf8(e.Message()) + "\n");
    return ecParseError;
  }
  if (parseError) {
    WriteOut(stderr, "quillon-cli: " + Utf16ToUtf8(ParseErrorMessage(*parseError)) + "\n");
    if (!toFile) WriteOut(stdout, bytes.data(), bytes.size());
    return ecParseError;
  }
  // UTF-16 without its mark is unreadable to every reader, this one included: such output
  // starts with the mark, as the editor's save writes it.
  const TEncodingKind kind = encoding->Kind();
  if (kind == ekUTF16LE || kind == ekUTF16BE) {
    const std::vector<uint8_t> mark = EncodingPreamble(encoding.get());
    bytes.insert(bytes.begin(), mark.begin(), mark.end());
  }
  if (toFile)
    WriteFileAtomically(Utf8ToUtf16(outName), bytes);
  else
    WriteOut(stdout, bytes.data(), bytes.size());
  return ecOk;
}

int RunValidate(std::vector<std::string>& AArgs) {
  static const char* kSynopsis = "validate FILE";
  ExpectPositional(AArgs, 1, kSynopsis);
  const TInputFile input(AArgs[0]);
  const TEditorFile file = LoadEditorFile(Utf8ToUtf16(input.Name()));
  const TXMLValidation result = ValidateXML(file.Text, true);
  std::string message = Utf16ToUtf8(result.Message);
  std::string lines;
  for (size_t i = 0; i < message.size(); ++i)
    if (!(message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n')) lines.push_back(message[i]);
  WriteOut(stdout, lines + "\n");
  return result.Valid ? ecOk : ecParseError;
}

int RunSource(std::vector<std::string>& AArgs) {
  static const char* kSynopsis = "source [--raw] FILE";
  const bool raw = TakeFlag(AArgs, "--raw");
  ExpectPositional(AArgs, 1, kSynopsis);
  const TInputFile input(AArgs[0]);
  const TSourceText source = BuildSourceText(Utf8ToUtf16(input.Name()), !raw);
  WriteOut(stdout, Utf16ToUtf8(source.Text));
  std::string note = Utf16ToUtf8(source.EncodingName) + "\n";
  if (source.FellBack) note += "not formatted: " + Utf16ToUtf8(source.Error) + "\n";
  // Text cut short by a syntax error is a failed read, as for every other command.
  if (!source.ParseError.empty()) note += "quillon-cli: " + Utf16ToUtf8(source.ParseError) + "\n";
  WriteOut(stderr, note);
  return source.ParseError.empty() ? ecOk : ecParseError;
}

TRegisterCommand gFormat({"format", "format FILE [-o OUT]", RunFormat});
TRegisterCommand gValidate({"validate", "validate FILE", RunValidate});
TRegisterCommand gSource({"source", "source [--raw] FILE", RunSource});

}  // namespace
}  // namespace cli
