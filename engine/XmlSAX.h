// Event (SAX) parser over the pull reader: one pass over a document, calling the user's
// handlers for the document start and end, the XML declaration, processing instructions,
// comments, element starts with all their attributes, character data and element ends. It keeps
// only the current start tag's attributes and one white-space flag per open element.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HashedStrings.h"
#include "WideSupport.h"
#include "XmlReadWrite.h"
#include "XmlUtils.h"

class ESAXParserException : public EGeneralError {
  using EGeneralError::EGeneralError;
};

enum TSAXParserState { spsIdle, spsRunning, spsPaused, spsStopping, spsStopped };

// One attribute of the current start tag: views of its name and value (references resolved,
// line breaks processed), valid until the handler it was given to returns.
class TSAXAttribute {
public:
  explicit TSAXAttribute(const TXMLAttributeView& aView) : fView(aView) {}
  std::u16string_view Name() const { return fView.Name; }
  std::u16string_view Value() const { return fView.Value; }

private:
  TXMLAttributeView fView;
};
using PSAXAttribute = TSAXAttribute;

class TSAXAttributes;

// Walks the attributes from first to last: `while (e.MoveNext()) use(e.Current());`.
class TSAXAttributeEnum {
public:
  explicit TSAXAttributeEnum(const TSAXAttributes& aSAXAttributes) : fSAXAttributes(&aSAXAttributes) {}
  bool MoveNext();
  TSAXAttribute Current() const;

private:
  int32_t fIndex = -1;
  const TSAXAttributes* fSAXAttributes;
};

// The attributes of the current start tag (or the pseudo-attributes of the declaration), in
// document order, duplicates kept. Lookups by name are case-sensitive and find the first.
class TSAXAttributes {
public:
  TSAXAttributes();
  TSAXAttributes(const TSAXAttributes&) = delete;
  TSAXAttributes& operator=(const TSAXAttributes&) = delete;

  int32_t Count() const { return static_cast<int32_t>(fItems.size()); }
  // aIndex in 0 .. Count() - 1; outside it raises EArgumentOutOfRange.
  TSAXAttribute GetAttributeItem(int32_t aIndex) const;
  int32_t IndexOf(std::u16string_view aAttrName) const;
  bool Has(std::u16string_view aAttrName) const { return IndexOf(aAttrName) >= 0; }
  bool Find(std::u16string_view aAttrName, std::u16string& outAttrValue) const;
  // The value of the first attribute of that name, without a copy; false if none.
  bool FindView(std::u16string_view aAttrName, std::u16string_view& outAttrValue) const;
  std::u16string Get(std::u16string_view aAttrName) const;
  std::u16string GetDef(std::u16string_view aAttrName, std::u16string_view aDefaultValue) const;
  TSAXAttributeEnum GetEnumerator() const { return TSAXAttributeEnum(*this); }

  // Range-for over the items.
  class const_iterator {
  public:
    const_iterator(const TSAXAttributes* aOwner, int32_t aIndex) : fOwner(aOwner), fIndex(aIndex) {}
    TSAXAttribute operator*() const { return fOwner->GetAttributeItem(fIndex); }
    const_iterator& operator++() {
      ++fIndex;
      return *this;
    }
    bool operator!=(const const_iterator& aOther) const { return fIndex != aOther.fIndex; }

  private:
    const TSAXAttributes* fOwner;
    int32_t fIndex;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, Count()}; }

  // The lists the reader fills; the parser attaches them. The items are what the handlers see;
  // the records hold the attributes of a header that the reader read token by token.
  TXMLReaderTokenList& AttributeTokens() { return fAttributeTokens; }
  std::vector<TXMLAttributeView>& Items() { return fItems; }
  // Called once per start tag before the handlers see the list: above the threshold, name
  // lookups go through a hash index rebuilt over all names; below it a linear search is cheaper
  // than building the index.
  void PrepareIndex();
  bool IndexUsed() const { return fIndexUsed; }

  static constexpr int32_t cHashThreshold = 256;

private:
  TXMLReaderTokenList fAttributeTokens;
  std::vector<TXMLAttributeView> fItems;
  std::unique_ptr<TVirtualHashedStrings> fIndex;  // built on first need
  bool fIndexUsed = false;
};

class TSAXParser;

// Names, texts and the attribute list handed to an event are valid only during that call.
using TSAXNotifyEvent = std::function<void(TSAXParser& aParser)>;
using TSAXTextEvent = std::function<void(TSAXParser& aParser, std::u16string_view aText)>;
using TSAXXMLDeclarationEvent = std::function<void(TSAXParser& aParser, const TSAXAttributes& aAttributes)>;
using TSAXProcessingInstructionEvent =
    std::function<void(TSAXParser& aParser, std::u16string_view aTarget, std::u16string_view aContent)>;
using TSAXStartElementEvent =
    std::function<void(TSAXParser& aParser, std::u16string_view aName, const TSAXAttributes& aAttributes)>;
using TSAXEndElementEvent = std::function<void(TSAXParser& aParser, std::u16string_view aName)>;

class TSAXParser {
public:
  TSAXParser();
  ~TSAXParser();
  TSAXParser(const TSAXParser&) = delete;
  TSAXParser& operator=(const TSAXParser&) = delete;

  // Each Parse operation reads one document from start to end (or to the first syntax error)
  // and returns true when no parse error stopped it; ParseError() then holds the error.
  // A file that cannot be opened raises EFOpenError before any event.
  bool ParseFile(const std::u16string& aFileName, TEncoding* aForceEncoding = nullptr);
  bool ParseStream(TStream* aStream, TEncoding* aForceEncoding = nullptr);
  bool ParseXML(std::u16string_view aXML);
  bool ParseXML_UTF8(std::string_view aXML);
  bool ParseBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aForceEncoding = nullptr);
  bool ParseBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aForceEncoding = nullptr);

  // For handlers: the current event completes, then the loop ends before the next token.
  void PauseParsing();
  void StopParsing();
  // Continues a paused parse; ESAXParserException when the parser is not paused. A Parse
  // operation releases its source when it returns, so a pause asked for by a handler ends the
  // parse the way a stop does.
  bool ResumeParsing();

  TSAXNotifyEvent OnStartDocument;
  TSAXNotifyEvent OnEndDocument;
  TSAXTextEvent OnCharacters;
  TSAXTextEvent OnComment;
  TSAXXMLDeclarationEvent OnXMLDeclaration;
  TSAXProcessingInstructionEvent OnProcessingInstruction;
  TSAXStartElementEvent OnStartElement;
  TSAXEndElementEvent OnEndElement;

  TXMLReaderSettings& ReaderSettings() { return fReader->ReaderSettings(); }
  const TXMLReaderSettings& ReaderSettings() const { return fReader->ReaderSettings(); }
  TXMLWhiteSpaceHandling WhiteSpaceHandling() const { return fWhiteSpaceHandling; }
  // Only before the first event of a parse: a parser that has delivered data keeps its handling.
  void SetWhiteSpaceHandling(TXMLWhiteSpaceHandling aValue);
  TSAXParserState ParserState() const { return fParserState; }
  bool ParsingStopped() const { return fParserState == spsStopping || fParserState == spsStopped; }
  const std::shared_ptr<ITextParseError>& ParseError() const { return fParseError; }
  const std::u16string& URL() const { return fURL; }

  int32_t NodePathCount() const { return fReader->NodePathCount(); }
  const std::u16string& NodePath(int32_t aIndex) const { return fReader->NodePath(aIndex); }
  int64_t ApproxStreamPosition() const { return fReader->ApproxStreamPosition(); }
  int64_t StreamSize() const { return fReader->StreamSize(); }

private:
  bool Parse();
  void RunLoop();
  void EndOfParse();
  void StartDocument();
  void Text(std::u16string_view aText, bool aBlank);
  bool SpacePreserved() const;
  void RecordSpace();

  void SendStartDocument();
  void SendEndDocument();
  void SendCharacters(std::u16string_view aText);
  void SendComment(std::u16string_view aText);
  void SendXMLDeclaration();
  void SendProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent);
  void SendStartElement(std::u16string_view aName);
  void SendEndElement(std::u16string_view aName);

  std::u16string fURL;
  std::unique_ptr<TXMLReader> fReader;
  bool fDataRead = false;
  TSAXParserState fParserState = spsIdle;
  std::unique_ptr<TSAXAttributes> fAttributes;
  std::shared_ptr<ITextParseError> fParseError;
  TXMLWhiteSpaceHandling fWhiteSpaceHandling = wsTrim;
  // wsAutoTag: per depth of an open element, whether its text keeps its space. Entries hold the
  // state already resolved against the enclosing elements (pwPreserve or not), so a text looks
  // at one entry instead of walking up the whole nesting.
  std::vector<TXMLPreserveWhiteSpace> fPreserveWhiteSpaceTree;
};
