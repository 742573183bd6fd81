#include "XmlSAX.h"

#include "XmlMessages.h"

// ---- TSAXAttributeEnum ----

bool TSAXAttributeEnum::MoveNext() {
  if (fIndex >= fSAXAttributes->Count()) return false;
  ++fIndex;
  return fIndex < fSAXAttributes->Count();
}

TSAXAttribute TSAXAttributeEnum::Current() const { return fSAXAttributes->GetAttributeItem(fIndex); }

// ---- TSAXAttributes ----

TSAXAttributes::TSAXAttributes() = default;

TSAXAttribute TSAXAttributes::GetAttributeItem(int32_t aIndex) const {
  if (aIndex < 0 || aIndex >= Count()) throw EArgumentOutOfRange(u"Argument out of range");
  return TSAXAttribute(fItems[size_t(aIndex)]);
}

void TSAXAttributes::PrepareIndex() {
  const int32_t count = Count();
  fIndexUsed = count > cHashThreshold;
  if (!fIndexUsed) return;
  if (!fIndex)
    fIndex = std::make_unique<TVirtualHashedStrings>(
        [this](int32_t aStringIndex) -> std::u16string_view { return fItems[size_t(aStringIndex)].Name; });
  fIndex->Clear(false);
  // A repeated name is not added again, so the index keeps the first of duplicates.
  for (int32_t i = 0; i < count; ++i) fIndex->Add(i);
}

int32_t TSAXAttributes::IndexOf(std::u16string_view aAttrName) const {
  if (fIndexUsed) return fIndex->StringIndexOf(aAttrName);
  const int32_t count = Count();
  for (int32_t i = 0; i < count; ++i)
    if (fItems[size_t(i)].Name == aAttrName) return i;
  return -1;
}

bool TSAXAttributes::FindView(std::u16string_view aAttrName, std::u16string_view& outAttrValue) const {
  const int32_t index = IndexOf(aAttrName);
  outAttrValue = index < 0 ? std::u16string_view() : fItems[size_t(index)].Value;
  return index >= 0;
}

bool TSAXAttributes::Find(std::u16string_view aAttrName, std::u16string& outAttrValue) const {
  std::u16string_view value;
  const bool found = FindView(aAttrName, value);
  outAttrValue = value;
  return found;
}

std::u16string TSAXAttributes::Get(std::u16string_view aAttrName) const {
  std::u16string_view value;
  FindView(aAttrName, value);
  return std::u16string(value);
}

std::u16string TSAXAttributes::GetDef(std::u16string_view aAttrName, std::u16string_view aDefaultValue) const {
  std::u16string_view value;
  return std::u16string(FindView(aAttrName, value) ? value : aDefaultValue);
}

// ---- TSAXParser ----

namespace {

// Trimming takes every code unit up to the space, control characters included, from both ends.
std::u16string_view TrimText(std::u16string_view aText) {
  size_t first = 0, last = aText.size();
  while (first < last && aText[first] <= u' ') ++first;
  while (last > first && aText[last - 1] <= u' ') --last;
  return aText.substr(first, last - first);
}

bool OnlyWhiteSpace(std::u16string_view aText) {
  for (char16_t c : aText)
    if (!XmlIsWhiteSpace(c)) return false;
  return true;
}

}  // namespace

TSAXParser::TSAXParser() : fReader(std::make_unique<TXMLReader>()) {}

TSAXParser::~TSAXParser() {
  // The reader must not keep a pointer into the lists it outlives by a moment.
  fReader->SetAttributeTokens(nullptr);
  fReader->SetTokenViews(nullptr);
}

void TSAXParser::SetWhiteSpaceHandling(TXMLWhiteSpaceHandling aValue) {
  if (fDataRead) throw ESAXParserException(std::u16string(sSAXCannotChangeWhiteSpace));
  fWhiteSpaceHandling = aValue;
}

bool TSAXParser::ParseFile(const std::u16string& aFileName, TEncoding* aForceEncoding) {
  fURL = aFileName;
  try {
    fReader->InitFile(aFileName, aForceEncoding);
  } catch (...) {
    fURL.clear();
    throw;
  }
  return Parse();
}

bool TSAXParser::ParseStream(TStream* aStream, TEncoding* aForceEncoding) {
  fReader->InitStream(aStream, aForceEncoding);
  return Parse();
}

bool TSAXParser::ParseXML(std::u16string_view aXML) {
  fReader->InitXML(aXML);
  return Parse();
}

bool TSAXParser::ParseXML_UTF8(std::string_view aXML) {
  fReader->InitXML_UTF8(aXML);
  return Parse();
}

bool TSAXParser::ParseBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aForceEncoding) {
  fReader->InitBuffer(aBuffer, aForceEncoding);
  return Parse();
}

bool TSAXParser::ParseBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aForceEncoding) {
  fReader->InitBuffer(aBuffer, aBufferLength, aForceEncoding);
  return Parse();
}

// Every Parse operation ends here, with the reader initialised on its source.
bool TSAXParser::Parse() {
  try {
    fReader->SetURL(fURL);
    fParseError.reset();
    fDataRead = false;
    fParserState = spsPaused;
    // The reader points into the old list until it gets the new one.
    fReader->SetAttributeTokens(nullptr);
    fReader->SetTokenViews(nullptr);
    fAttributes = std::make_unique<TSAXAttributes>();
    fReader->SetAttributeTokens(&fAttributes->AttributeTokens());
    fReader->SetTokenViews(&fAttributes->Items());
    const bool result = ResumeParsing();
    fReader->ReleaseDocument();
    return result;
  } catch (...) {
    fReader->ReleaseDocument();
    throw;
  }
}

void TSAXParser::PauseParsing() {
  if (fParserState == spsRunning) fParserState = spsPaused;
}

void TSAXParser::StopParsing() {
  if (fParserState == spsRunning || fParserState == spsPaused) fParserState = spsStopping;
}

bool TSAXParser::ResumeParsing() {
  if (fParserState != spsPaused) throw ESAXParserException(std::u16string(sSAXCannotResume));
  fParserState = spsRunning;
  bool result = true;
  try {
    RunLoop();
  } catch (...) {
    EndOfParse();
    if (const auto& error = fReader->ParseError()) {
      fParseError = error;
      EndOfParse();
    }
    throw;
  }
  EndOfParse();
  if (const auto& error = fReader->ParseError()) {
    fParseError = error;
    result = false;
    EndOfParse();
  }
  return result;
}

void TSAXParser::EndOfParse() {
  if (fParserState == spsIdle || fParserState == spsStopping) return;
  fReader->SetAttributeTokens(nullptr);
  fReader->SetTokenViews(nullptr);
  fAttributes.reset();
  fReader->ReleaseDocument();
  fURL.clear();
  fParserState = spsIdle;
}

void TSAXParser::RunLoop() {
  PXMLReaderToken token;
  while (fParserState == spsRunning && fReader->ReadNextToken(token)) {
    const TXMLReaderTokenType kind = token->TokenType;
    if (kind == rtText || kind == rtEntityReference || kind == rtCData) {
      Text(fReader->TokenValueView(), fReader->TokenValueBlank());
      continue;
    }
    if (!fDataRead) {
      StartDocument();
      // a handler that paused or stopped there gets no further event
      if (fParserState != spsRunning) break;
    }
    switch (kind) {
      case rtFinishXMLDeclarationClose:
        fAttributes->PrepareIndex();
        SendXMLDeclaration();
        break;
      case rtFinishOpenElement:
        fAttributes->PrepareIndex();
        if (fWhiteSpaceHandling == wsAutoTag) RecordSpace();
        SendStartElement(fReader->TokenNameView());
        break;
      case rtFinishOpenElementClose:
        fAttributes->PrepareIndex();
        SendStartElement(fReader->TokenNameView());
        if (fParserState == spsRunning) SendEndElement(fReader->TokenNameView());
        break;
      case rtCloseElement:
        SendEndElement(fReader->TokenNameView());
        break;
      case rtComment:
        SendComment(fReader->TokenValueView());
        break;
      case rtProcessingInstruction:
        SendProcessingInstruction(fReader->TokenNameView(), fReader->TokenValueView());
        break;
      default:
        // declaration and tag openings, attributes (gathered in the list by the reader) and
        // the DOCTYPE send nothing of their own
        break;
    }
  }
  if (fDataRead && fParserState == spsRunning && !fReader->ParseError()) SendEndDocument();
}

void TSAXParser::StartDocument() {
  fDataRead = true;
  SendStartDocument();
}

// aBlank: the reader knows the text to be white space only, which trimming would take whole.
void TSAXParser::Text(std::u16string_view aText, bool aBlank) {
  if (!fDataRead) {
    if (aBlank || OnlyWhiteSpace(aText)) return;
    StartDocument();
    if (fParserState != spsRunning) return;
  }
  std::u16string_view text = aText;
  switch (fWhiteSpaceHandling) {
    case wsPreserveAll:
      break;
    case wsPreserveInTextOnly:
      if (aBlank || OnlyWhiteSpace(text)) return;
      break;
    case wsAutoTag:
      if (!SpacePreserved()) {
        if (aBlank) return;
        text = TrimText(text);
      }
      break;
    case wsTrim:
    default:
      if (aBlank) return;
      text = TrimText(text);
      break;
  }
  if (!text.empty()) SendCharacters(text);
}

// The entry of the element just opened, resolved against its parent's.
void TSAXParser::RecordSpace() {
  const int32_t depth = fReader->NodePathCount() - 1;
  if (depth < 0) return;
  if (fPreserveWhiteSpaceTree.size() < size_t(depth) + 1) fPreserveWhiteSpaceTree.resize(size_t(depth) + 20, pwInherit);
  TXMLPreserveWhiteSpace entry;
  if (std::u16string_view space; fAttributes->FindView(u"xml:space", space)) {
    entry = !space.empty() && (space[0] == u'p' || space[0] == u'P') ? pwPreserve : pwDefault;
  } else {
    entry = depth > 0 ? fPreserveWhiteSpaceTree[size_t(depth) - 1] : pwInherit;
  }
  fPreserveWhiteSpaceTree[size_t(depth)] = entry;
}

bool TSAXParser::SpacePreserved() const {
  const int32_t depth = fReader->NodePathCount() - 1;
  return depth >= 0 && size_t(depth) < fPreserveWhiteSpaceTree.size() &&
         fPreserveWhiteSpaceTree[size_t(depth)] == pwPreserve;
}

// ---- events ----

void TSAXParser::SendStartDocument() {
  if (OnStartDocument) OnStartDocument(*this);
}

void TSAXParser::SendEndDocument() {
  if (OnEndDocument) OnEndDocument(*this);
}

void TSAXParser::SendCharacters(std::u16string_view aText) {
  if (OnCharacters) OnCharacters(*this, aText);
}

void TSAXParser::SendComment(std::u16string_view aText) {
  if (OnComment) OnComment(*this, aText);
}

void TSAXParser::SendXMLDeclaration() {
  if (OnXMLDeclaration) OnXMLDeclaration(*this, *fAttributes);
}

void TSAXParser::SendProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent) {
  if (OnProcessingInstruction) OnProcessingInstruction(*this, aTarget, aContent);
}

void TSAXParser::SendStartElement(std::u16string_view aName) {
  if (OnStartElement) OnStartElement(*this, aName, *fAttributes);
}

void TSAXParser::SendEndElement(std::u16string_view aName) {
  if (OnEndElement) OnEndElement(*this, aName);
}
