#include "XmlDocument.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <new>

#include "BufferedStreams.h"
#include "Export.h"
#include "ScopeGuard.h"
#include "Search.h"
#include "XmlReadWrite.h"
#include "XmlSAX.h"

using namespace DocumentTexts;

// ---- helpers ----

TNumberFormat TNumberFormat::FromCLocale() {
  TNumberFormat f;
  if (const lconv* lc = localeconv()) {
    f.ThousandSeparator = Utf8ToUtf16(lc->thousands_sep ? lc->thousands_sep : "");
    if (lc->decimal_point && *lc->decimal_point) f.DecimalSeparator = Utf8ToUtf16(lc->decimal_point);
  }
  return f;
}

std::u16string FormatThousands(int64_t aValue, const TNumberFormat& aFormat) {
  const bool negative = aValue < 0;
  uint64_t v = negative ? 0 - static_cast<uint64_t>(aValue) : static_cast<uint64_t>(aValue);
  std::u16string digits;
  do {
    digits.push_back(static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
  } while (v);
  std::u16string s;
  if (negative) s.push_back(u'-');
  for (size_t i = digits.size(); i-- > 0;) {
    s.push_back(digits[i]);
    if (i > 0 && i % 3 == 0) s.append(aFormat.ThousandSeparator);
  }
  return s;
}

std::u16string FormatFixed2(double aValue, const TNumberFormat& aFormat) {
  const bool negative = aValue < 0;
  const int64_t hundredths = static_cast<int64_t>(std::llround(std::fabs(aValue) * 100.0));
  std::u16string s = negative && hundredths ? u"-" : u"";
  s += IntToStr(hundredths / 100);
  s += aFormat.DecimalSeparator;
  s.push_back(static_cast<char16_t>(u'0' + hundredths % 100 / 10));
  s.push_back(static_cast<char16_t>(u'0' + hundredths % 10));
  return s;
}

TFileInfo GetFileInfo(const std::u16string& aFilename) {
  TFileInfo fi;
  struct stat st;
  if (stat(Utf16ToUtf8(aFilename).c_str(), &st) != 0) return fi;
  fi.Exists = true;
  fi.Regular = S_ISREG(st.st_mode);
  fi.Size = static_cast<int64_t>(st.st_size);
  fi.Modified = std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  return fi;
}

std::u16string ShortenText(std::u16string_view aText, int32_t aCount) {
  std::u16string s;
  if (aCount > 0 && aText.size() > static_cast<size_t>(aCount)) {
    s.assign(aText.substr(0, static_cast<size_t>(aCount)));
    s += u"...";
  } else {
    s.assign(aText);
  }
  size_t out = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
      ++i;
      continue;
    }
    s[out++] = s[i];
  }
  s.resize(out);
  return s;
}

TEncoding* GetFileEncoding(const std::u16string& aFilename, int* aBOMLength) {
  TFileStream f(aFilename, fmOpenRead);
  uint8_t head[9];
  int64_t got = 0;
  while (got < 9) {
    const int64_t n = f.Read(head + got, 9 - got);
    if (n <= 0) break;
    got += n;
  }
  int bomLength = 0;
  TEncoding* encoding = DetectBufferEncoding(head, static_cast<size_t>(got), TEncoding::UTF8(), bomLength);
  if (aBOMLength) *aBOMLength = bomLength;
  return encoding;
}

// Trim as the loader does it: every code unit up to the space goes at both ends.
static std::u16string_view TrimView(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return s.substr(b, e - b);
}

// Names go through ShortenText with no limit, which only drops CR LF pairs; they rarely have any.
static std::u16string_view NodeName(std::u16string_view aName, std::u16string& aScratch) {
  bool cr = false;
  for (const char16_t c : aName) cr |= c == u'\r';
  if (!cr) return aName;
  aScratch = ShortenText(aName, 0);
  return aScratch;
}

// ---- the loader: the parser's handlers ----

class TXMLDocument::TLoader {
public:
  TLoader(TXMLDocument& aDoc, bool aGatherContent) : FDoc(aDoc), FTree(aDoc.FTree), FGatherContent(aGatherContent) {}

  void Attach(TSAXParser& aParser) {
    aParser.OnXMLDeclaration = [this](TSAXParser& p, const TSAXAttributes& a) { XMLDeclaration(p, a); };
    aParser.OnProcessingInstruction = [this](TSAXParser& p, std::u16string_view t, std::u16string_view c) {
      Tick(p);
      FTree.AddChild(Current(), NodeName(t, FScratch), c, ntPI);
      ++FDoc.FPICnt;
    };
    aParser.OnComment = [this](TSAXParser& p, std::u16string_view t) {
      Tick(p);
      FTree.AddChild(Current(), cNodeComment, t, ntComment);
    };
    aParser.OnStartElement = [this](TSAXParser& p, std::u16string_view n, const TSAXAttributes& a) {
      StartElement(p, n, a);
    };
    aParser.OnCharacters = [this](TSAXParser& p, std::u16string_view t) { Characters(t); };
    aParser.OnEndElement = [this](TSAXParser& p, std::u16string_view) { EndElement(); };
  }

  void Finish() { FOpen.clear(); }

  const std::u16string& Content() const { return FContent; }

private:
  TNodeIndex Current() const { return FOpen.empty() ? cNoNode : FOpen.back(); }

  void Tick(TSAXParser& aParser) {
    if (++FEvents >= FDoc.ProgressInterval && FDoc.OnProgress) {
      FEvents = 0;
      // The reader's figure adds a byte position and a code-unit index, so it can run past the end.
      const int64_t size = aParser.StreamSize();
      FDoc.OnProgress(std::min(aParser.ApproxStreamPosition(), size), size);
    }
  }

  void AddAttributes(TNodeIndex aParent, const TSAXAttributes& aAttributes, bool aDeclaration) {
    const bool hidden = !FDoc.FAttributesInTree;
    for (const TSAXAttribute attr : aAttributes) {
      const TNodeIndex n = FTree.AddChild(aParent, NodeName(attr.Name(), FScratch), attr.Value(), ntAttr);
      if (hidden) FTree.SetHidden(n, true);
      if (aDeclaration && SameAsciiNoCase(attr.Name(), u"encoding")) FDoc.FEncoding = std::u16string(attr.Value());
    }
  }

  void XMLDeclaration(TSAXParser& aParser, const TSAXAttributes& aAttributes) {
    Tick(aParser);
    const TNodeIndex n = FTree.AddChild(Current(), cNodeXML, {}, ntXML);
    AddAttributes(n, aAttributes, true);
    // The declaration only comes before any element, so no element is open to return to.
    FOpen.clear();
  }

  void StartElement(TSAXParser& aParser, std::u16string_view aName, const TSAXAttributes& aAttributes) {
    Tick(aParser);
    const int32_t count = aAttributes.Count();
    ++FDoc.FTagCnt;
    FDoc.FAttrCnt += count;
    const TNodeIndex n = FTree.AddChild(Current(), NodeName(aName, FScratch), {}, count > 0 ? ntTag : ntEmptyTag);
    FOpen.push_back(n);
    if (count > 0) AddAttributes(n, aAttributes, false);
  }

  // The last non-blank text of an element becomes its value.
  void Characters(std::u16string_view aText) {
    if (FOpen.empty()) return;  // text outside every element is dropped
    const std::u16string_view trimmed = TrimView(aText);
    if (trimmed.empty()) return;
    FTree.SetValue(FOpen.back(), trimmed);
    if (FGatherContent) {
      for (size_t i = 0; i < aText.size(); ++i) {
        if (aText[i] == u'\r' && i + 1 < aText.size() && aText[i + 1] == u'\n') {
          FContent += u"<br/>";
          ++i;
        } else {
          FContent.push_back(aText[i]);
        }
      }
      FContent += u"<br/>\r\n";
    }
  }

  void EndElement() {
    if (!FOpen.empty()) FOpen.pop_back();
  }

  TXMLDocument& FDoc;
  TNodeTree& FTree;
  bool FGatherContent;
  std::vector<TNodeIndex> FOpen;  // the open elements; the innermost is the current parent
  std::u16string FContent;  // the fragments, each followed by a line break
  std::u16string FScratch;
  int32_t FEvents = 0;
};

// ---- TXMLDocument ----

TXMLDocument::TXMLDocument() : FNumberFormat(TNumberFormat::FromCLocale()) {}
TXMLDocument::~TXMLDocument() = default;

// Reads the declared encoding with a reader that decodes the file as UTF-8. A declaration can
// only open before the first start tag, so the scan stops there: reading on to the end of the
// document element could find nothing more. Returns false when no declaration names one.
static bool PrescanEncoding(const std::u16string& aFilename, std::u16string& aEncodingName) {
  TXMLReader reader;
  reader.InitFile(aFilename, TEncoding::UTF8());
  PXMLReaderToken token = nullptr;
  bool found = false;
  while (reader.ReadNextToken(token)) {
    if (token->TokenType == rtXMLDeclarationAttribute && SameAsciiNoCase(token->TokenName, u"encoding")) {
      aEncodingName = token->TokenValue;
      found = true;
      break;
    }
    if (token->TokenType == rtOpenElement) break;
  }
  reader.ReleaseDocument();
  return found;
}

std::u16string TXMLDocument::CreateTree(const std::u16string& aFilename) {
  FCnt.clear();
  FTagCnt = FAttrCnt = FPICnt = 0;
  FRoot = cNoNode;
  FMatcher.reset();  // its name memory belongs to the tree being replaced
  std::u16string error;

  // A byte-order mark decides, as it does in the reader: a declaration that names another
  // encoding behind a mark would otherwise decode the whole file wrongly.
  int bomLength = 0;
  TEncoding* encoding = GetFileEncoding(aFilename, &bomLength);
  TEncoding* owned = nullptr;
  if (bomLength == 0) {
    std::u16string name;
    if (PrescanEncoding(aFilename, name)) {
      bool known = false;
      try {
        known = EncodingFromAlias(name, encoding);
      } catch (const EEncodingError&) {
        known = false;  // a listed code page this system cannot convert
      }
      if (!known) {
        encoding = nullptr;  // the parser reads it as UTF-8
        FUnknownEncoding = name;
      }
      if (encoding && !TEncoding::IsStandardEncoding(encoding)) owned = encoding;
    }
  }
  const TScopeExit freeEncoding([&owned] { FreeEncoding(owned); });

  FTree.BeginUpdate();
  FTree.Clear();
  const TScopeExit endUpdate([this] { FTree.EndUpdate(); });

  TLoader loader(*this, FFI.Size < 10 * 1024 * 1024);
  TSAXParser parser;
  loader.Attach(parser);
  parser.ReaderSettings().SetRecognizeXMLDeclaration(true);
  parser.ReaderSettings().SetStrictXML(FStrictXML);
  parser.ReaderSettings().SetExpandEntities(true);
  owned = nullptr;  // the parser's text reader owns a forced encoding from here on
  try {
    parser.ParseFile(aFilename, encoding);
  } catch (...) {
    loader.Finish();
    throw;
  }
  loader.Finish();
  if (const auto& e = parser.ParseError())
    error = Format(cErrorAt, {e->GetLine(), e->GetLinePos(), e->GetReason(), e->GetSrcText()});

  for (TNodeIndex n = FTree.First(); n != cNoNode; n = FTree.NextSibling(n))
    if (FTree.IsElement(n)) {
      FTree.SetExpanded(n, true);
      break;
    }

  // The fragments joined by line breaks, trimmed, and split into lines again.
  const std::u16string_view text = TrimView(loader.Content());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    FCnt.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  return error;
}

void TXMLDocument::SetFilename(const std::u16string& aFilename) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(std::filesystem::path(Utf16ToUtf8(aFilename)), ec);
  FFilename = ec ? aFilename : Utf8ToUtf16(abs.lexically_normal().string());
  FMessages.clear();
  FRoot = cNoNode;
  FFI = GetFileInfo(FFilename);
  FUnknownEncoding.clear();

  const auto started = std::chrono::steady_clock::now();
  std::u16string error;
  try {
    error = CreateTree(FFilename);
    // A file that gives nothing to show is not a success: without this line a document lost
    // to a wrong decoding would look like an empty but valid one.
    if (error.empty() && FTree.Empty()) error = cNoContent;
  } catch (const std::bad_alloc&) {
    error = cOutOfMemory;
  } catch (const ENodeTree& e) {
    error = Format(cTreeLimit, {e.Message()});
  } catch (const EFOpenError& e) {
    // A folder, pipe or device is refused before anything waits on it; the reason says which,
    // where "not valid XML" would send the user looking for a fault in the file.
    error = FFI.Exists && !FFI.Regular ? e.Message() : std::u16string(cNotValidXML);
  } catch (...) {
    error = cNotValidXML;
  }
  FRoot = cNoNode;
  FLoadFailed = !error.empty();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  const TNumberFormat& nf = FNumberFormat;
  if (FFI.Size < 1024)
    AddMsg(iiFileSize, Format(cFileSizeB, {FormatThousands(FFI.Size, nf)}));
  else
    AddMsg(iiFileSize, Format(cFileSizeKB, {FormatThousands(FFI.Size / 1024, nf)}));
  AddMsg(iiEmptyElement, Format(cTagCount, {FormatThousands(FTagCnt, nf)}));
  AddMsg(iiProcessingInstruction, Format(cPICount, {FormatThousands(FPICnt, nf)}));
  AddMsg(iiAttribute, Format(cAttrCount, {FormatThousands(FAttrCnt, nf)}));
  AddMsg(iiParsingTime, Format(cParsingTime, {FormatFixed2(seconds, nf)}));
  if (!FUnknownEncoding.empty()) AddMsg(iiWarning, Format(cUnknownEncoding, {FUnknownEncoding}));
  if (!error.empty()) AddMsg(iiError, error);
}

bool TXMLDocument::FileChanged() const {
  const TFileInfo now = GetFileInfo(FFilename);
  if (!now.Exists) return false;
  const auto diff = now.Modified > FFI.Modified ? now.Modified - FFI.Modified : FFI.Modified - now.Modified;
  return diff >= std::chrono::milliseconds(1);
}

TNodeIndex TXMLDocument::SearchTree(std::u16string_view aText) {
  if (!FMatcher || FMatcher->Text() != aText) FMatcher = std::make_unique<TTreeMatcher>(FTree, aText);
  return ::SearchTree(FTree, FRoot, *FMatcher);
}

void TXMLDocument::ExportToCSV(const std::u16string& aFilename) const { ::ExportToCSV(FTree, aFilename); }

bool TXMLDocument::ExportToJSON(const std::u16string& aFilename) const { return ::ExportToJSON(FTree, aFilename); }

void TXMLDocument::RefreshView(bool aAttributesInTree) {
  FAttributesInTree = aAttributesInTree;
  FTree.BeginUpdate();
  FTree.SetHiddenOfType(ntAttr, !aAttributesInTree);
  FTree.EndUpdate();
}
