// XML pull reader: the token vocabulary it shares with its users (token records, pooled token
// lists, reader settings with the entity table) and TXMLReader itself, which turns the
// characters of a TTextReader into one token per call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "BufferedStreams.h"
#include "Encodings.h"
#include "HashedStrings.h"
#include "TextReadWrite.h"
#include "WideSupport.h"
#include "XmlUtils.h"

// The numeric values matter: the reader tests the previous kind against ranges of them.
enum TXMLReaderTokenType : uint8_t {
  rtDocumentStart,
  rtOpenXMLDeclaration,
  rtXMLDeclarationAttribute,
  rtFinishXMLDeclarationClose,
  rtOpenElement,
  rtAttribute,
  rtFinishOpenElement,
  rtFinishOpenElementClose,
  rtCloseElement,
  rtText,
  rtEntityReference,
  rtCData,
  rtComment,
  rtProcessingInstruction,
  rtDocType
};

// One token. Records are pooled and reused by the reader: copy what you keep before the next
// read. Assigning the strings keeps their capacity, so steady reading does not allocate.
struct TXMLReaderToken {
  std::u16string TokenName;
  std::u16string TokenValue;
  TXMLReaderTokenType TokenType = rtDocumentStart;
};
using PXMLReaderToken = TXMLReaderToken*;

// An attribute of the current start tag as the event parser sees it: views into the reader's
// decoded block, its scratch buffer or the attribute records, valid until the next read.
struct TXMLAttributeView {
  std::u16string_view Name;
  std::u16string_view Value;
};

// A stack of token records over a pool that only grows; records keep their address for the
// life of the list.
class TXMLReaderTokenList {
public:
  TXMLReaderTokenList() = default;
  TXMLReaderTokenList(const TXMLReaderTokenList&) = delete;
  TXMLReaderTokenList& operator=(const TXMLReaderTokenList&) = delete;

  // The record at index Count, allocated when the pool has no spare one; Count stays.
  PXMLReaderToken PeekNew() {
    if (static_cast<size_t>(fCount) == fReaderTokens.size()) [[unlikely]]
      AddRecord();
    return fReaderTokens[static_cast<size_t>(fCount)].get();
  }
  void CommitNew() { ++fCount; }
  void DeleteLast() {
    if (fCount > 0) --fCount;
  }
  void Clear() { fCount = 0; }
  // Any pool index is allowed, also stale records past Count; outside the pool it raises
  // EArgumentOutOfRange.
  PXMLReaderToken GetToken(int32_t aIndex) const;
  // The record at Count - 1; only valid while Count > 0.
  PXMLReaderToken Last() const { return fReaderTokens[static_cast<size_t>(fCount) - 1].get(); }
  int32_t IndexOf(const TXMLReaderToken* aToken) const;
  int32_t Count() const { return fCount; }

private:
  void AddRecord();
  std::vector<std::unique_ptr<TXMLReaderToken>> fReaderTokens;
  int32_t fCount = 0;
};

// Named general entities known to the reader: name -> replacement text, case-sensitive,
// in insertion order. A new or cleared table holds quot, amp, apos, lt and gt.
class TXMLReaderEntityList : public TPersistent {
public:
  TXMLReaderEntityList();
  void Clear();
  void AddOrReplace(const std::u16string& aEntityName, const std::u16string& aEntityValue);
  bool Find(const std::u16string& aEntityName, std::u16string& outEntityValue) const;
  // The text of a name without copying it, or nullptr; valid until the table changes.
  const std::u16string* FindValue(std::u16string_view aEntityName) const;
  int32_t IndexOf(const std::u16string& aEntityName) const;
  std::u16string GetName(int32_t aIndex) const;
  std::u16string GetValue(int32_t aIndex) const;
  void SetValue(int32_t aIndex, const std::u16string& aValue);
  std::pair<std::u16string, std::u16string> GetItem(int32_t aIndex) const;
  int32_t Count() const;
  void Assign(const TPersistent& aSource) override;

  // An entity declared with a system or public identifier. Its target is never read (a document
  // must not make the reader open files or reach the network), so it has no value: FindValue
  // gives nullptr and references to it stay as written. The predefined five cannot be made
  // external; a later declaration of the same name wins, as with AddOrReplace.
  void AddExternal(const std::u16string& aEntityName);
  bool IsExternal(std::u16string_view aEntityName) const;

  // True while quot, amp, apos, lt and gt stand for their usual characters, so that a reader
  // may resolve them without a lookup.
  bool PredefinedIntact() const { return fPredefinedIntact; }

private:
  void AddPredefined();
  void CheckPredefined();
  THashedStringDictionary fList;
  std::vector<bool> fExternal;  // by index in fList; empty while no entity is external
  bool fPredefinedIntact = true;
};

class TXMLReaderSettings : public TPersistent {
public:
  TXMLReaderSettings();
  void Assign(const TPersistent& aSource) override;

  TXMLBreakReading BreakReading() const { return fBreakReading; }
  void SetBreakReading(TXMLBreakReading aValue) { fBreakReading = aValue; }
  TXMLLineBreak LineBreak() const { return fLineBreak; }
  void SetLineBreak(TXMLLineBreak aValue) { fLineBreak = aValue; }
  bool StrictXML() const { return fStrictXML; }
  void SetStrictXML(bool aValue) { fStrictXML = aValue; }
  TXMLReaderEntityList& EntityList() { return *fEntityList; }
  const TXMLReaderEntityList& EntityList() const { return *fEntityList; }
  bool RecognizeXMLDeclaration() const { return fRecognizeXMLDeclaration; }
  void SetRecognizeXMLDeclaration(bool aValue) { fRecognizeXMLDeclaration = aValue; }
  bool ExpandEntities() const { return fExpandEntities; }
  void SetExpandEntities(bool aValue) { fExpandEntities = aValue; }
  TTextReaderErrorHandling ErrorHandling() const { return fErrorHandling; }
  void SetErrorHandling(TTextReaderErrorHandling aValue) { fErrorHandling = aValue; }

  // Read the entity declarations of an external DTD into the entity table (which starts
  // again from the predefined entries); false when a syntax error was met, the table then
  // holds what was declared before it.
  bool LoadDTDFromStream(TStream* aStream, TEncoding* aDefaultEncoding = nullptr);
  bool LoadDTDFromFile(const std::u16string& aFileName, TEncoding* aDefaultEncoding = nullptr);
  bool LoadDTDFromString(std::u16string_view aString);
  bool LoadDTDFromString_UTF8(std::string_view aString);
  bool LoadFromBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aDefaultEncoding = nullptr);
  bool LoadFromBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aDefaultEncoding = nullptr);

private:
  TXMLBreakReading fBreakReading = brAfterDocumentElement;
  TXMLLineBreak fLineBreak = lbCRLF;
  bool fStrictXML = true;
  std::unique_ptr<TXMLReaderEntityList> fEntityList;
  bool fRecognizeXMLDeclaration = true;
  bool fExpandEntities = true;
  TTextReaderErrorHandling fErrorHandling = ehRaiseAndEat;
};

// Classification of a code unit for the scanning loops.
enum TXMLCharKind : uint8_t {
  ckTab,
  ckLineFeed,
  ckCarriageReturn,
  ckApostrophe,
  ckQuotationMark,
  ckAmpersand,
  ckLessThan,
  ckGreaterThan,
  ckLeftSquareBracket,
  ckRightSquareBracket,
  ckInvalid,
  ckOther
};

namespace XmlReaderDetail {
extern const TXMLCharKind cAsciiCharKind[128];
}

inline TXMLCharKind XmlCharKind(char16_t c) {
  if (c < 128) return XmlReaderDetail::cAsciiCharKind[c];
  return c >= 0xFFFE ? ckInvalid : ckOther;
}

// A growable UTF-16 buffer that keeps its capacity between tokens; appending a code unit is
// one compare and one store.
class TXMLTokenBuffer {
public:
  explicit TXMLTokenBuffer(size_t aInitialCapacity = 512);
  void Clear() { fLength = 0; }
  void Add(char16_t c) {
    if (fLength == fCapacity) Grow(1);
    fData[fLength++] = c;
  }
  // Inlined everywhere: most runs between markup are a few code units, where a loop beats the
  // call to memcpy, and the call to this function would cost as much as the copy.
  [[gnu::always_inline]] void Add(std::u16string_view s) {
    if (fCapacity - fLength < s.size()) Grow(s.size());
    char16_t* target = fData.get() + fLength;
    if (s.size() <= 16) {
      for (char16_t c : s) *target++ = c;
    } else {
      std::char_traits<char16_t>::copy(target, s.data(), s.size());
    }
    fLength += s.size();
  }
  void RemoveLast(size_t aCount) { fLength = aCount >= fLength ? 0 : fLength - aCount; }
  size_t Length() const { return fLength; }
  bool Empty() const { return fLength == 0; }
  std::u16string_view View() const { return {fData.get(), fLength}; }
  // clear and append rather than assign: the buffer never aliases the target, and append skips
  // the overlap handling that makes assign the costliest step of a short token.
  void AssignTo(std::u16string& aTarget) const {
    aTarget.clear();
    aTarget.append(fData.get(), fLength);
  }

private:
  void Grow(size_t aMinExtra);
  std::unique_ptr<char16_t[]> fData;
  size_t fLength = 0;
  size_t fCapacity = 0;
};

// Writes the line-break text of the CR or LF just read, as the settings' LineBreak asks; a
// CR LF pair counts once.
void ProcessLineBreak(char16_t c, const TXMLReaderSettings& aSettings, TTextReader& aReader,
                      TXMLTokenBuffer& aBuffer);

// Caps on entity expansion, in UTF-16 code units: the replacement text of one declared entity,
// and the text that references add beyond their own length in one document (or one DTD load).
inline constexpr int64_t cXmlMaxEntityLength = int64_t(8) * 1024 * 1024;
inline constexpr int64_t cXmlMaxEntityExpansion = int64_t(64) * 1024 * 1024;
// Beyond cXmlExpansionFloor code units, references may add at most cXmlMaxExpansionRatio times
// the code units read so far: a small file cannot blow up to the absolute cap, while a large
// document full of short references still loads.
inline constexpr int64_t cXmlExpansionFloor = int64_t(4) * 1024 * 1024;
inline constexpr int64_t cXmlMaxExpansionRatio = 10;
// Empty when aExpanded code units of expansion after aRead code units of input stay within the
// caps; otherwise the error message (a format of sXmlEntityExpansionLimit or
// sXmlEntityExpansionRatio).
std::u16string ExpansionExceeded(int64_t aExpanded, int64_t aRead);

struct TXMLReferenceReader;

// The class of a syntax error the readers record: it picks the parse error (and exception) class
// and so the error code.
enum TXMLErrorClass : uint8_t {
  ecInvalidCharacter,  // TXMLParseErrorInvalidCharacter
  ecInvalidStructure   // TXMLParseErrorInvalidStructure
};

class TXMLReader {
public:
  TXMLReader();
  TXMLReader(TStream* aStream, TEncoding* aForceEncoding);
  ~TXMLReader();
  TXMLReader(const TXMLReader&) = delete;
  TXMLReader& operator=(const TXMLReader&) = delete;

  // Each Init starts a new document; aForceEncoding (may be nullptr) overrides byte-order mark
  // and declaration. Without it the encoding is the BOM's, else the declaration's, else UTF-8.
  void InitFile(const std::u16string& aFileName, TEncoding* aForceEncoding = nullptr);
  void InitStream(TStream* aStream, TEncoding* aForceEncoding = nullptr);
  void InitBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aForceEncoding = nullptr);
  void InitBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aForceEncoding = nullptr);
  void InitXML(std::u16string_view aXML);
  void InitXML_UTF8(std::string_view aXML);

  // The next token; false when reading has ended (end of input, the document element closed
  // with brAfterDocumentElement, or a syntax error, which ParseError() then holds).
  bool ReadNextToken(PXMLReaderToken& outToken);
  void ReleaseDocument();
  // Attaches a list that receives every attribute of the current start tag (not owned).
  void SetAttributeTokens(TXMLReaderTokenList* aAttributeTokens);
  TXMLReaderTokenList* AttributeTokens() const { return fAttributeTokens; }
  // For the event parser, which looks at each token only until the next read: with a list
  // given, tokens that lie whole in the decoded block are not copied into their records but
  // handed out as views (TokenNameView, TokenValueView), and a start tag that lies whole in the
  // block comes as one token, rtFinishOpenElement or rtFinishOpenElementClose, without the
  // tokens of its name and attributes. At those tokens and at rtFinishXMLDeclarationClose the
  // list holds the attributes of the header (not owned; nullptr turns this off).
  void SetTokenViews(std::vector<TXMLAttributeView>* aAttributeViews);
  std::u16string_view TokenNameView() const { return fNameView; }
  std::u16string_view TokenValueView() const { return fValueView; }
  // True when the text of the current token is known to be white space only (indentation);
  // false says nothing.
  bool TokenValueBlank() const { return fValueBlank; }
  // Lets reading go on after the current document element with brAfterDocumentElement.
  void ResetDocumentElement() { fDocumentElementFound = false; }

  // The open elements, outermost (index 0) first.
  const std::u16string& NodePath(int32_t aIndex) const;
  int32_t NodePathCount() const { return fOpenElementTokens.Count(); }

  TXMLReaderSettings& ReaderSettings() { return *fReaderSettings; }
  const TXMLReaderSettings& ReaderSettings() const { return *fReaderSettings; }
  bool ForceEncoding() const { return fForceEncoding; }
  const std::u16string& URL() const;
  void SetURL(const std::u16string& aURL);
  TEncoding* Encoding() const;
  // Switches the decoding (re-reading from the first byte) and marks the encoding as forced.
  void SetEncoding(TEncoding* aEncoding);
  bool OwnsEncoding() const;
  void SetOwnsEncoding(bool aValue);
  int64_t ApproxStreamPosition() const;
  int64_t StreamSize() const;
  int64_t FilePosition() const;
  int64_t LinePosition() const;
  int64_t Line() const;
  std::shared_ptr<ITextParseError> ParseError() const;
  TTextReader& TextReader() { return *fReader; }

private:
  friend class TXMLDTDScanner;

  [[gnu::always_inline]] bool Read(char16_t& c) { return fReader->ReadNextChar(c); }
  void Undo() { fReader->UndoRead(); }
  bool Strict() const { return fReaderSettings->StrictXML(); }
  void Error(TXMLErrorClass aClass, std::u16string_view aReason, std::initializer_list<TFormatArg> aArgs);

  void ResetState(TEncoding* aForceEncoding);
  [[gnu::always_inline]] inline bool ReadToken();
  void ScanMarkup();
  void ScanMarkupFallback(char16_t x);
  void ScanStartTagName(char16_t c);
  void ScanAttribute();
  void ScanAttributeFrom(char16_t c, bool got);
  void SwitchToDeclaredEncoding(const std::u16string& aValue);
  void ScanTagEnd();
  bool ScanEmptyTagEnd();
  void ScanEndTag();
  void PopElement(bool aCheck);
  void ScanText(bool aClear);
  void ScanTextFrom(bool aClear, char16_t c);
  void ScanPI();
  bool CountExpansion();
  void ScanReferenceInValue();
  void ScanReferenceToken();
  void ScanDelimited(TXMLReaderTokenType aKind, std::u16string_view aOpening, std::u16string_view aClosing,
                     bool aWhiteSpace, bool aSubset);

  // The common shapes of start tags, attributes, end tags and text, read straight from the
  // decoded block; each consumes nothing and returns false for what the general scan must read.
  [[gnu::always_inline]] inline bool FastNext();
  bool FastStartTag(char16_t c);
  bool FastAttribute(char16_t c);
  bool FastEndTag();
  bool FastText(char16_t c);
  bool FastDelimited(TXMLReaderTokenType aKind, std::u16string_view aClosing);
  int32_t FastReference(const char16_t* b, int32_t i, int32_t end, TXMLTokenBuffer& aOut) const;
  bool FastWholeStartTag(int32_t aNameStart);
  void ViewsFromRecords();
  void SetTokenValue(std::u16string_view aValue);

  bool IsRepeatedAttribute(std::u16string_view aName);
  // aKey is HeaderNameKey(aName).
  [[gnu::always_inline]] bool HeaderHasName(std::u16string_view aName, uint64_t aKey) {
    if (fLastTokenType == rtOpenElement || fLastTokenType == rtOpenXMLDeclaration) StartHeaderNames();
    if (fHeaderNameCount > cLinearNames) return HeaderSetHasName(aName);
    const uint64_t key = aKey;
    for (size_t k = 0; k < fHeaderNameCount; ++k)
      if (fHeaderKeys[k] == key && HeaderName(k) == aName) return true;
    return false;
  }
  [[gnu::always_inline]] void AddHeaderName(std::u16string_view aName, uint64_t aKey) {
    if (fHeaderNameCount >= cLinearNames) return AddHeaderSetName(aName);
    fHeaderKeys[fHeaderNameCount] = aKey;
    fHeaderChars.Add(aName);
    fHeaderEnds[fHeaderNameCount++] = static_cast<uint32_t>(fHeaderChars.Length());
  }
  static uint64_t HeaderNameKey(std::u16string_view aName) {
    return aName.empty() ? 0 : aName.size() | uint64_t(aName.front()) << 32 | uint64_t(aName.back()) << 48;
  }
  std::u16string_view HeaderName(size_t aIndex) const {
    const uint32_t from = aIndex ? fHeaderEnds[aIndex - 1] : 0;
    return fHeaderChars.View().substr(from, fHeaderEnds[aIndex] - from);
  }
  void StartHeaderNames();
  bool HeaderSetHasName(std::u16string_view aName) const;
  void AddHeaderSetName(std::u16string_view aName);
  void PushElement();
  void ClearElements();
  int32_t FindOpenElement(const std::u16string& aName);

  std::unique_ptr<TXMLReaderSettings> fReaderSettings;
  TXMLReaderTokenList* fAttributeTokens = nullptr;
  TXMLReaderTokenList fOpenElementTokens;
  std::unique_ptr<TTextReader> fReader;
  bool fAllowSetEncodingFromFile = false;
  TXMLReaderTokenType fLastTokenType = rtDocumentStart;
  bool fDocumentElementFound = false;
  bool fForceEncoding = false;
  int32_t fElementsToClose = 0;
  PXMLReaderToken fReaderToken = nullptr;
  TXMLTokenBuffer fMainBuffer;
  // Token views (see SetTokenViews): fViewsSet is true once a fast path has set them for the
  // current token; otherwise they are taken from its record.
  std::vector<TXMLAttributeView>* fAttributeViews = nullptr;
  std::u16string_view fNameView, fValueView;
  bool fViewsSet = false;
  bool fValueBlank = false;
  // Values of a whole start tag that references changed, one after the other, and for each
  // the attribute's index, where its text starts in fTagValues and its length.
  TXMLTokenBuffer fTagValues{256};
  std::vector<uint32_t> fTagChanged;
  // digits or name of the reference being read, and everything it consumed
  std::unique_ptr<TXMLReferenceReader> fReference;

  bool fErrorRecorded = false;
  int64_t fExpandedTotal = 0;  // code units added by entity expansion in this document
  // Built only after a tolerant end tag misses the innermost element: open element name ->
  // its stack indexes, so that deep mismatched nesting stays linear.
  std::unordered_map<std::u16string, std::vector<int32_t>> fOpenNameIndex;
  bool fOpenNameIndexOn = false;
  // Strict only: the attribute names of the current start tag or declaration. The first few are
  // kept one after the other in fHeaderChars, each with a key (length, first and last code
  // unit) that rules out most pairs without comparing the names; a header with more switches
  // to the set, so it stays linear.
  static constexpr size_t cLinearNames = 16;
  TXMLTokenBuffer fHeaderChars{256};
  uint64_t fHeaderKeys[cLinearNames] = {};
  uint32_t fHeaderEnds[cLinearNames] = {};
  size_t fHeaderNameCount = 0;
  std::unordered_set<std::u16string> fHeaderNameSet;
};
