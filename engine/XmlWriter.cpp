#include "XmlWriter.h"

#include "XmlMessages.h"

namespace {

constexpr int32_t cWriterBufferSize = 8192;

[[noreturn]] void RaiseInvalid(std::u16string_view aMessage, std::u16string_view aText) {
  throw EXmlWriterInvalidString(Format(aMessage, {aText}));
}

bool IsValidComment(std::u16string_view aText) {
  return aText.find(u"--") == std::u16string_view::npos && (aText.empty() || aText.back() != u'-');
}

}  // namespace

// ---- settings ----

void TCustomXMLWriterSettings::Assign(const TPersistent& aSource) {
  const auto* source = dynamic_cast<const TCustomXMLWriterSettings*>(&aSource);
  if (!source) {
    TPersistent::Assign(aSource);
    return;
  }
  fIndentString = source->fIndentString;
  fIndentType = source->fIndentType;
  fEscape = source->fEscape;
  SetWriteBOM(source->GetWriteBOM());
}

bool TXMLWriterSettings::GetWriteBOM() const { return fOwner.WriteBOM(); }
void TXMLWriterSettings::SetWriteBOM(bool aValue) { fOwner.SetWriteBOM(aValue); }
TEncoding* TXMLWriterSettings::Encoding() const { return fOwner.Encoding(); }
void TXMLWriterSettings::SetEncoding(TEncoding* aValue) { fOwner.SetEncoding(aValue); }
bool TXMLWriterSettings::OwnsEncoding() const { return fOwner.OwnsEncoding(); }
void TXMLWriterSettings::SetOwnsEncoding(bool aValue) { fOwner.SetOwnsEncoding(aValue); }

// ---- element handle ----

TXMLWriter& TXMLWriterElement::FinishedOwner() {
  if (!fOwner) throw EXmlWriterException(Format(sXmlWriterElementClosed, {fElementName}));
  if (!fOpenElementFinished) {
    fOwner->FinishOpenElement(fElementName);
    fOpenElementFinished = true;
  }
  return *fOwner;
}

void TXMLWriterElement::Attribute(std::u16string_view aAttrName, std::u16string_view aAttrValue) {
  if (!fOwner) throw EXmlWriterException(Format(sXmlWriterElementClosed, {fElementName}));
  if (fOpenElementFinished)
    throw EXMLDOMException(Format(sXmlWriterAttributeAfterHeader, {aAttrName, aAttrValue, fElementName}));
  fOwner->Attribute(aAttrName, aAttrValue);
}

void TXMLWriterElement::Text(std::u16string_view aText, bool aIndent) { FinishedOwner().Text(aText, aIndent); }

void TXMLWriterElement::CData(std::u16string_view aText, bool aIndent) { FinishedOwner().CData(aText, aIndent); }

void TXMLWriterElement::Comment(std::u16string_view aText) { FinishedOwner().Comment(aText); }

void TXMLWriterElement::ProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent) {
  FinishedOwner().ProcessingInstruction(aTarget, aContent);
}

TXMLWriterElement TXMLWriterElement::OpenElementR(std::u16string_view aElementName, TXMLWriterElementMode aMode) {
  return FinishedOwner().OpenElementR(aElementName, aMode);
}

void TXMLWriterElement::CloseElement(bool aIndent) {
  if (!fOwner) return;
  if (fOpenElementFinished)
    fOwner->CloseElement(fElementName, aIndent);
  else
    fOwner->FinishOpenElementClose(fElementName);
  fOwner = nullptr;
  fElementName.clear();
  fOpenElementFinished = false;
}

// ---- writer ----

TXMLWriter::TXMLWriter()
    : fWriter(std::make_unique<TTextWriter>(cWriterBufferSize)),
      fWriterSettings(std::make_unique<TXMLWriterSettings>(*this)) {
  SetEncoding(TEncoding::UTF8());
  fWriter->SetWriteBOM(true);
}

TXMLWriter::TXMLWriter(TStream* aStream, bool aOwnsStream) : TXMLWriter() { InitStream(aStream, aOwnsStream); }

TXMLWriter::~TXMLWriter() = default;

void TXMLWriter::InitFile(const std::u16string& aFileName) {
  fWriter->InitFile(aFileName, nullptr, false);
  ResetDocument();
}

void TXMLWriter::InitStream(TStream* aStream, bool aOwnsStream) {
  fWriter->InitStream(aStream, aOwnsStream, nullptr, false);
  ResetDocument();
}

void TXMLWriter::ReleaseDocument() { fWriter->ReleaseDocument(); }

void TXMLWriter::ResetDocument() {
  fWritten = false;
  fIndentLevel = fDefaultIndentLevel;
}

void TXMLWriter::SetEncoding(TEncoding* aEncoding) {
  if (aEncoding == fWriter->Encoding()) return;  // same table, nothing to rebuild
  fWriter->SetEncoding(aEncoding);
  fCharTable.reset();
  // Every encoding but the Unicode ones lacks characters; nullptr became the 8-bit default.
  const TEncodingKind kind = fWriter->Encoding()->Kind();
  fUseSafeEntities = kind == ekCodePage || kind == ekASCII;
}

void TXMLWriter::SetDefaultIndentLevel(int32_t aValue) {
  if (fWritten) throw EXmlWriterException(std::u16string(sXmlWriterIndentLevelAfterWrite));
  fDefaultIndentLevel = aValue;
  fIndentLevel = aValue;
}

const TCharTable& TXMLWriter::CharTable() {
  if (!fCharTable) fCharTable = std::make_unique<TCharTable>(*fWriter->Encoding());
  return *fCharTable;
}

void TXMLWriter::WriteIndent() {
  const TXMLIndentType indentType = fWriterSettings->IndentType();
  if (indentType == itNone) return;
  if (fWritten) fWriter->WriteString(XmlLineBreakText(fWriterSettings->LineBreak()));
  if (indentType == itIndent && fIndentLevel > 0) {
    const std::u16string& indent = fWriterSettings->IndentString();
    for (int32_t i = 0; i < fIndentLevel; ++i) fWriter->WriteString(indent);
    if (!indent.empty()) fWritten = true;
  }
}

void TXMLWriter::WriteEscaped(std::u16string_view aText, bool aInAttribute) {
  if (aText.empty()) return;
  fWritten = true;
  if (fUseSafeEntities)
    XmlEscape(*fWriter, aText, aInAttribute, fWriterSettings->EscapeSettings(),
              [this]() -> const TCharTable& { return CharTable(); });
  else
    XmlEscape(*fWriter, aText, aInAttribute, fWriterSettings->EscapeSettings());
}

void TXMLWriter::OpenXMLDeclaration() {
  WriteIndent();
  fWriter->WriteString(u"<?xml");
  fWritten = true;
}

void TXMLWriter::FinishOpenXMLDeclaration() {
  fWriter->WriteString(u"?>");
  fWritten = true;
}

void TXMLWriter::XMLDeclaration(bool aEncoding, std::u16string_view aVersion, std::u16string_view aStandAlone) {
  OpenXMLDeclaration();
  if (!aVersion.empty()) Attribute(u"version", aVersion);
  if (aEncoding) Attribute(u"encoding", EncodingAlias(fWriter->Encoding()));
  if (!aStandAlone.empty()) Attribute(u"standalone", aStandAlone);
  FinishOpenXMLDeclaration();
}

void TXMLWriter::OpenElement(std::u16string_view aElementName, TXMLWriterElementMode aMode) {
  if (fWriterSettings->StrictXML() && !XmlIsValidName(aElementName))
    RaiseInvalid(sXmlInvalidElementName, aElementName);
  WriteIndent();
  fWriter->WriteChar(u'<');
  fWriter->WriteString(aElementName);
  fWritten = true;
  switch (aMode) {
    case stOpenOnly: ++fIndentLevel; break;
    case stFinish:
      fWriter->WriteChar(u'>');
      ++fIndentLevel;
      break;
    case stFinishClose: fWriter->WriteString(u"/>"); break;
  }
}

TXMLWriterElement TXMLWriter::OpenElementR(std::u16string_view aElementName, TXMLWriterElementMode aMode) {
  OpenElement(aElementName, aMode);
  if (aMode == stFinishClose) return {};
  return TXMLWriterElement(this, std::u16string(aElementName), aMode == stFinish);
}

void TXMLWriter::Attribute(std::u16string_view aAttrName, std::u16string_view aAttrValue) {
  if (fWriterSettings->StrictXML() && !XmlIsValidName(aAttrName))
    RaiseInvalid(sXmlWriterInvalidAttributeName, aAttrName);
  fWriter->WriteChar(u' ');
  fWriter->WriteString(aAttrName);
  fWriter->WriteString(u"=\"");
  fWritten = true;
  WriteEscaped(aAttrValue, true);
  fWriter->WriteChar(u'"');
}

void TXMLWriter::FinishOpenElement(std::u16string_view) {
  fWriter->WriteChar(u'>');
  fWritten = true;
}

void TXMLWriter::FinishOpenElementClose(std::u16string_view) {
  --fIndentLevel;
  fWriter->WriteString(u"/>");
  fWritten = true;
}

void TXMLWriter::CloseElement(std::u16string_view aElementName, bool aIndent) {
  --fIndentLevel;
  if (aIndent) WriteIndent();
  fWriter->WriteString(u"</");
  fWriter->WriteString(aElementName);
  fWriter->WriteChar(u'>');
  fWritten = true;
}

void TXMLWriter::Text(std::u16string_view aText, bool aIndent) {
  if (aIndent) WriteIndent();
  WriteEscaped(aText, false);
}

void TXMLWriter::EntityReference(std::u16string_view aEntityName) {
  if (fWriterSettings->StrictXML() && !XmlIsValidEntityName(aEntityName))
    RaiseInvalid(sXmlInvalidEntity, aEntityName);
  fWriter->WriteChar(u'&');
  fWriter->WriteString(aEntityName);
  fWriter->WriteChar(u';');
  fWritten = true;
}

void TXMLWriter::CData(std::u16string_view aText, bool aIndent) {
  if (fWriterSettings->StrictXML() && aText.find(u"]]>") != std::u16string_view::npos)
    RaiseInvalid(sXmlWriterInvalidCData, aText);
  if (aIndent) WriteIndent();
  fWriter->WriteString(u"<![CDATA[");
  fWritten = true;
  if (fUseSafeEntities && !aText.empty()) {
    // A reference means nothing inside the section, so the section is closed around it.
    const TCharTable& table = CharTable();
    size_t run = 0;
    for (size_t i = 0; i < aText.size();) {
      if (table.IsSupported(aText[i])) {
        ++i;
        continue;
      }
      fWriter->WriteString(aText.substr(run, i - run));
      fWriter->WriteString(u"]]>");
      size_t used;
      const char32_t c = TCharTable::ReferencedCharacter(aText.data() + i, aText.data() + aText.size(), used);
      fWriter->WriteString(TCharTable::Entity(c));
      fWriter->WriteString(u"<![CDATA[");
      i += used;
      run = i;
    }
    fWriter->WriteString(aText.substr(run));
  } else {
    fWriter->WriteString(aText);
  }
  fWriter->WriteString(u"]]>");
}

void TXMLWriter::Comment(std::u16string_view aText) {
  if (fWriterSettings->StrictXML() && !IsValidComment(aText)) RaiseInvalid(sXmlWriterInvalidComment, aText);
  WriteIndent();
  fWriter->WriteString(u"<!--");
  fWriter->WriteString(aText);
  fWriter->WriteString(u"-->");
  fWritten = true;
}

void TXMLWriter::ProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent) {
  if (fWriterSettings->StrictXML()) {
    if (!XmlIsValidName(aTarget)) RaiseInvalid(sXmlWriterInvalidPITarget, aTarget);
    if (aContent.find(u"?>") != std::u16string_view::npos) RaiseInvalid(sXmlWriterInvalidPIContent, aContent);
  }
  WriteIndent();
  fWriter->WriteString(u"<?");
  fWriter->WriteString(aTarget);
  if (!aTarget.empty() && !aContent.empty()) fWriter->WriteChar(u' ');
  fWriter->WriteString(aContent);
  fWriter->WriteString(u"?>");
  fWritten = true;
}

void TXMLWriter::DocType(std::u16string_view aDocTypeRawText) {
  WriteIndent();
  fWriter->WriteString(u"<!DOCTYPE ");
  fWriter->WriteString(aDocTypeRawText);
  fWriter->WriteChar(u'>');
  fWritten = true;
}

void TXMLWriter::RawText(std::u16string_view aText) {
  if (aText.empty()) return;
  fWriter->WriteString(aText);
  fWritten = true;
}

void TXMLWriter::RawChar(char16_t aChar) {
  fWriter->WriteChar(aChar);
  fWritten = true;
}
