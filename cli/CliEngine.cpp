// quillon-cli tokens|sax FILE: the pull reader's tokens or the SAX parser's events for a file,
// one record a line, ending with the parse error when one stopped the reading. With --count
// only a summary line is printed, which is what the benchmarks time.
#include <cstdint>
#include <memory>
#include <string>

#include "CliCommon.h"
#include "Encodings.h"
#include "XmlReadWrite.h"
#include "XmlSAX.h"

namespace cli {
namespace {

const char* const kTokenKindNames[] = {
    "rtDocumentStart", "rtOpenXMLDeclaration", "rtXMLDeclarationAttribute", "rtFinishXMLDeclarationClose",
    "rtOpenElement",   "rtAttribute",          "rtFinishOpenElement",       "rtFinishOpenElementClose",
    "rtCloseElement",  "rtText",               "rtEntityReference",         "rtCData",
    "rtComment",       "rtProcessingInstruction", "rtDocType"};

#define READER_OPTIONS                                                                             \
  "[--tolerant] [--no-expand] [--no-declaration] [--break=none|element] [--linebreak=lf|cr|crlf|keep] " \
  "[--encoding=NAME] [--count]"
const char* const kTokensSynopsis = "tokens " READER_OPTIONS " FILE";
const char* const kSaxSynopsis = "sax " READER_OPTIONS " [--ws=trim|all|text|auto] FILE";
#undef READER_OPTIONS

// The reader options both commands share; the settings' own defaults where one is not given.
struct TReaderOptions {
  bool Count = false;
  TEncoding* ForceEncoding = nullptr;  // handed to the reader, which owns a non-shared one
  std::unique_ptr<TInputFile> Input;
  std::u16string FileName;
};

template <class T, size_t N>
T Choice(std::vector<std::string>& aArgs, std::string_view aName, const char* const (&aWords)[N],
         const T (&aValues)[N], T aDefault) {
  bool found;
  const std::string value = TakeOption(aArgs, aName, found);
  if (!found) return aDefault;
  for (size_t i = 0; i < N; ++i)
    if (value == aWords[i]) return aValues[i];
  std::string words;
  for (size_t i = 0; i < N; ++i) words += (i ? "|" : "") + std::string(aWords[i]);
  throw EUsage{"invalid value '" + value + "' for " + std::string(aName) + " (" + words + ")"};
}

TReaderOptions TakeReaderOptions(std::vector<std::string>& aArgs, TXMLReaderSettings& aSettings,
                                 const char* aSynopsis, TXMLWhiteSpaceHandling* aWhiteSpace) {
  TReaderOptions options;
  if (TakeFlag(aArgs, "--tolerant")) aSettings.SetStrictXML(false);
  if (TakeFlag(aArgs, "--no-expand")) aSettings.SetExpandEntities(false);
  if (TakeFlag(aArgs, "--no-declaration")) aSettings.SetRecognizeXMLDeclaration(false);
  options.Count = TakeFlag(aArgs, "--count");
  aSettings.SetBreakReading(Choice(aArgs, "--break", {"none", "element"}, {brNone, brAfterDocumentElement},
                                   aSettings.BreakReading()));
  aSettings.SetLineBreak(Choice(aArgs, "--linebreak", {"lf", "cr", "crlf", "keep"},
                                {lbLF, lbCR, lbCRLF, lbDoNotProcess}, aSettings.LineBreak()));
  if (aWhiteSpace)
    *aWhiteSpace = Choice(aArgs, "--ws", {"trim", "all", "text", "auto"},
                          {wsTrim, wsPreserveAll, wsPreserveInTextOnly, wsAutoTag}, *aWhiteSpace);
  bool found;
  const std::string encoding = TakeOption(aArgs, "--encoding", found);
  ExpectPositional(aArgs, 1, aSynopsis);
  // Before the encoding: a refused input must not leave a forced encoding nobody owns.
  options.Input = std::make_unique<TInputFile>(aArgs[0]);
  if (found && (!EncodingFromAlias(Utf8ToUtf16(encoding), options.ForceEncoding) || !options.ForceEncoding))
    throw EUsage{"unknown encoding " + encoding};
  options.FileName = Utf8ToUtf16(options.Input->Name());
  return options;
}

// The closing record when a parse error stopped the reading; the exit code either way.
int Finish(TRecordWriter& aOut, const std::shared_ptr<ITextParseError>& aError) {
  if (!aError) return ecOk;
  aOut.Raw("error")
      .Field(static_cast<long long>(aError->GetLine()))
      .Field(static_cast<long long>(aError->GetLinePos()))
      .Field(static_cast<long long>(aError->GetErrorCode()))
      .Field(std::u16string_view(aError->GetReason()))
      .Field(std::u16string_view(aError->GetSrcText()))
      .Field(static_cast<long long>(aError->GetSrcTextPos()))
      .EndLine();
  return ecParseError;
}

int RunTokens(std::vector<std::string>& aArgs) {
  TXMLReader reader;
  const TReaderOptions options = TakeReaderOptions(aArgs, reader.ReaderSettings(), kTokensSynopsis, nullptr);
  reader.InitFile(options.FileName, options.ForceEncoding);
  TRecordWriter out;
  PXMLReaderToken token;
  long long count = 0;
  if (options.Count) {
    while (reader.ReadNextToken(token)) ++count;
    out.Raw("tokens").Field(count).EndLine();
  } else {
    while (reader.ReadNextToken(token)) {
      out.Raw(kTokenKindNames[token->TokenType])
          .Field(std::u16string_view(token->TokenName))
          .Field(std::u16string_view(token->TokenValue))
          .EndLine();
    }
  }
  return Finish(out, reader.ParseError());
}

void AppendAttributes(TRecordWriter& aOut, const TSAXAttributes& aAttributes) {
  for (TSAXAttribute a : aAttributes) aOut.Field(std::u16string_view(a.Name())).Field(std::u16string_view(a.Value()));
}

int RunSax(std::vector<std::string>& aArgs) {
  TSAXParser parser;
  TXMLWhiteSpaceHandling whiteSpace = parser.WhiteSpaceHandling();
  const TReaderOptions options = TakeReaderOptions(aArgs, parser.ReaderSettings(), kSaxSynopsis, &whiteSpace);
  parser.SetWhiteSpaceHandling(whiteSpace);
  TRecordWriter out;
  long long elements = 0, attributes = 0, characters = 0;
  if (options.Count) {
    parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes& a) {
      ++elements;
      attributes += a.Count();
    };
    parser.OnCharacters = [&](TSAXParser&, std::u16string_view) { ++characters; };
  } else {
    parser.OnStartDocument = [&](TSAXParser&) { out.Raw("startDocument").EndLine(); };
    parser.OnEndDocument = [&](TSAXParser&) { out.Raw("endDocument").EndLine(); };
    parser.OnXMLDeclaration = [&](TSAXParser&, const TSAXAttributes& a) {
      out.Raw("declaration");
      AppendAttributes(out, a);
      out.EndLine();
    };
    parser.OnProcessingInstruction = [&](TSAXParser&, std::u16string_view aTarget, std::u16string_view aContent) {
      out.Raw("pi").Field(aTarget).Field(aContent).EndLine();
    };
    parser.OnComment = [&](TSAXParser&, std::u16string_view aText) { out.Raw("comment").Field(aText).EndLine(); };
    parser.OnStartElement = [&](TSAXParser&, std::u16string_view aName, const TSAXAttributes& a) {
      out.Raw("startElement").Field(aName);
      AppendAttributes(out, a);
      out.EndLine();
    };
    parser.OnCharacters = [&](TSAXParser&, std::u16string_view aText) {
      out.Raw("characters").Field(aText).EndLine();
    };
    parser.OnEndElement = [&](TSAXParser&, std::u16string_view aName) { out.Raw("endElement").Field(aName).EndLine(); };
  }
  parser.ParseFile(options.FileName, options.ForceEncoding);
  if (options.Count)
    out.Raw("elements")
        .Field(elements)
        .Field(std::string_view("attributes"))
        .Field(attributes)
        .Field(std::string_view("characters"))
        .Field(characters)
        .EndLine();
  return Finish(out, parser.ParseError());
}

const TRegisterCommand kRegisterTokens({"tokens", kTokensSynopsis, RunTokens});
const TRegisterCommand kRegisterSax({"sax", kSaxSynopsis, RunSax});

}  // namespace
}  // namespace cli
