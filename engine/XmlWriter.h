// XML writer: TXMLWriter writes markup node by node through a buffered TTextWriter, escaping
// text and attribute values, checking names and the content of comments, CDATA sections and
// processing instructions when strict, and laying the output out with line breaks and
// indentation. It keeps no stack of open elements: the caller drives it in document order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "BufferedStreams.h"
#include "Encodings.h"
#include "TextReadWrite.h"
#include "WideSupport.h"
#include "XmlUtils.h"

// Raised by an element handle asked for an attribute after its header was finished.
class EXMLDOMException : public EGeneralError { using EGeneralError::EGeneralError; };

class TXMLWriter;

class TCustomXMLWriterSettings : public TPersistent {
public:
  TCustomXMLWriterSettings() = default;
  // Copies every setting and WriteBOM.
  void Assign(const TPersistent& aSource) override;

  const std::u16string& IndentString() const { return fIndentString; }
  void SetIndentString(std::u16string aValue) { fIndentString = std::move(aValue); }
  TXMLIndentType IndentType() const { return fIndentType; }
  void SetIndentType(TXMLIndentType aValue) { fIndentType = aValue; }
  TXMLLineBreak LineBreak() const { return fEscape.LineBreak; }
  void SetLineBreak(TXMLLineBreak aValue) { fEscape.LineBreak = aValue; }
  bool UseTabCRLFEntitiesInAttributes() const { return fEscape.UseTabCRLFEntitiesInAttributes; }
  void SetUseTabCRLFEntitiesInAttributes(bool aValue) { fEscape.UseTabCRLFEntitiesInAttributes = aValue; }
  bool UseGreaterThanEntity() const { return fEscape.UseGreaterThanEntity; }
  void SetUseGreaterThanEntity(bool aValue) { fEscape.UseGreaterThanEntity = aValue; }
  bool EscapeQuotes() const { return fEscape.EscapeQuotes; }
  void SetEscapeQuotes(bool aValue) { fEscape.EscapeQuotes = aValue; }
  bool StrictXML() const { return fEscape.StrictXML; }
  void SetStrictXML(bool aValue) { fEscape.StrictXML = aValue; }

  virtual bool GetWriteBOM() const = 0;
  virtual void SetWriteBOM(bool aValue) = 0;
  bool WriteBOM() const { return GetWriteBOM(); }

  // The part of the settings that escaping reads, kept as one record so it is passed as is.
  const TXMLEscapeSettings& EscapeSettings() const { return fEscape; }

private:
  std::u16string fIndentString = u"  ";
  TXMLIndentType fIndentType = itNone;
  TXMLEscapeSettings fEscape;  // LineBreak lbLF, tab/CR/LF entities, &gt;, no quote escaping, strict
};

// The settings of one writer; Encoding, OwnsEncoding and WriteBOM are the writer's own.
class TXMLWriterSettings : public TCustomXMLWriterSettings {
public:
  explicit TXMLWriterSettings(TXMLWriter& aOwner) : fOwner(aOwner) {}

  bool GetWriteBOM() const override;
  void SetWriteBOM(bool aValue) override;
  TEncoding* Encoding() const;
  void SetEncoding(TEncoding* aValue);
  bool OwnsEncoding() const;
  void SetOwnsEncoding(bool aValue);

private:
  TXMLWriter& fOwner;
};

enum TXMLWriterElementMode {
  stOpenOnly,    // "<" and the name; the header stays open for attributes
  stFinish,      // also ">"
  stFinishClose  // "/>": an empty element
};

// A handle on an element opened by OpenElementR. Every operation but Attribute first finishes
// the header. CloseElement closes the element and detaches the handle; a detached handle
// (also the one of an stFinishClose element) raises EXmlWriterException on any use but a
// further CloseElement, which does nothing.
class TXMLWriterElement {
public:
  TXMLWriterElement() = default;
  TXMLWriterElement(TXMLWriter* aOwner, std::u16string aElementName, bool aOpenElementFinished)
      : fOwner(aOwner), fElementName(std::move(aElementName)), fOpenElementFinished(aOpenElementFinished) {}

  // EXMLDOMException once the header is finished.
  void Attribute(std::u16string_view aAttrName, std::u16string_view aAttrValue);
  void Text(std::u16string_view aText, bool aIndent = true);
  void CData(std::u16string_view aText, bool aIndent = true);
  void Comment(std::u16string_view aText);
  void ProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent);
  TXMLWriterElement OpenElementR(std::u16string_view aElementName, TXMLWriterElementMode aMode = stOpenOnly);
  // "/>" while the header is open, otherwise the end tag.
  void CloseElement(bool aIndent = true);

  TXMLWriter* Owner() const { return fOwner; }
  const std::u16string& ElementName() const { return fElementName; }
  bool OpenElementFinished() const { return fOpenElementFinished; }

private:
  TXMLWriter& FinishedOwner();

  TXMLWriter* fOwner = nullptr;
  std::u16string fElementName;
  bool fOpenElementFinished = false;
};

class TXMLWriter {
public:
  // UTF-8 (shared) with a byte-order mark, no target yet.
  TXMLWriter();
  TXMLWriter(TStream* aStream, bool aOwnsStream);
  // Writes out and releases the target.
  ~TXMLWriter();
  TXMLWriter(const TXMLWriter&) = delete;
  TXMLWriter& operator=(const TXMLWriter&) = delete;

  // The file replaces aFileName when the document is released; encoding and WriteBOM stay.
  void InitFile(const std::u16string& aFileName);
  void InitStream(TStream* aStream, bool aOwnsStream);
  // Writes out the buffered text and releases the target.
  void ReleaseDocument();
  // Starts a new document on the same target: nothing written yet, the default level.
  void ResetDocument();

  TXMLWriterSettings& WriterSettings() { return *fWriterSettings; }
  const TXMLWriterSettings& WriterSettings() const { return *fWriterSettings; }

  TEncoding* Encoding() const { return fWriter->Encoding(); }
  // Safe mode (character references for what the encoding cannot hold) follows the
  // encoding: on for every encoding that is not a Unicode one (code pages, ASCII).
  void SetEncoding(TEncoding* aEncoding);
  bool OwnsEncoding() const { return fWriter->OwnsEncoding(); }
  void SetOwnsEncoding(bool aValue) { fWriter->SetOwnsEncoding(aValue); }
  bool WriteBOM() const { return fWriter->WriteBOM(); }
  void SetWriteBOM(bool aValue) { fWriter->SetWriteBOM(aValue); }

  int32_t DefaultIndentLevel() const { return fDefaultIndentLevel; }
  // EXmlWriterException once something has been written; sets the current level too.
  void SetDefaultIndentLevel(int32_t aValue);

  // version, encoding (the alias of the current encoding) and standalone; empty texts and
  // aEncoding false leave their attribute out.
  void XMLDeclaration(bool aEncoding = true, std::u16string_view aVersion = u"1.0",
                      std::u16string_view aStandAlone = {});
  void OpenXMLDeclaration();
  void FinishOpenXMLDeclaration();
  void OpenElement(std::u16string_view aElementName, TXMLWriterElementMode aMode = stOpenOnly);
  TXMLWriterElement OpenElementR(std::u16string_view aElementName, TXMLWriterElementMode aMode = stOpenOnly);
  void Attribute(std::u16string_view aAttrName, std::u16string_view aAttrValue);
  void FinishOpenElement(std::u16string_view aElementName = {});
  void FinishOpenElementClose(std::u16string_view aElementName = {});
  void CloseElement(std::u16string_view aElementName, bool aIndent = true);
  void Text(std::u16string_view aText, bool aIndent = true);
  void EntityReference(std::u16string_view aEntityName);
  void CData(std::u16string_view aText, bool aIndent = true);
  void Comment(std::u16string_view aText);
  void ProcessingInstruction(std::u16string_view aTarget, std::u16string_view aContent);
  void DocType(std::u16string_view aDocTypeRawText);
  void RawText(std::u16string_view aText);
  void RawChar(char16_t aChar);

private:
  void WriteIndent();
  void WriteEscaped(std::u16string_view aText, bool aInAttribute);
  const TCharTable& CharTable();

  std::unique_ptr<TTextWriter> fWriter;
  std::unique_ptr<TXMLWriterSettings> fWriterSettings;
  int32_t fDefaultIndentLevel = 0;
  bool fWritten = false;
  int32_t fIndentLevel = 0;
  bool fUseSafeEntities = false;
  std::unique_ptr<TCharTable> fCharTable;  // of the current encoding, built on first need
};
