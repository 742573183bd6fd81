// The XML line tokenizer that colours every text view of the program. It sees one line at a
// time; whatever spans lines (comments, CDATA, processing instructions, DOCTYPE, tags and
// their values) travels from line to line in the range state, which the view stores at each
// line end and hands back before the next line. It never fails and only approximates XML.
// Plain C++: the command-line tool and the benchmark use it without Qt.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

enum TtkTokenKind : uint8_t {
  tkAposAttrValue,
  tkAposEntityRef,
  tkAttribute,
  tkCDATA,
  tkComment,
  tkElement,
  tkEntityRef,
  tkEqual,
  tkNull,
  tkProcessingInstruction,
  tkQuoteAttrValue,
  tkQuoteEntityRef,
  tkSpace,
  tkSymbol,
  tkText,
  tknsAposAttrValue,
  tknsAposEntityRef,
  tknsAttribute,
  tknsEqual,
  tknsQuoteAttrValue,
  tknsQuoteEntityRef,
  tkDocType,
};
constexpr int TokenKindCount = tkDocType + 1;

enum TRangeState : uint8_t {
  rsAposAttrValue,
  rsAPosEntityRef,
  rsAttribute,
  rsCDATA,
  rsComment,
  rsElement,
  rsEntityRef,
  rsEqual,
  rsProcessingInstruction,
  rsQuoteAttrValue,
  rsQuoteEntityRef,
  rsText,
  rsnsAposAttrValue,
  rsnsAPosEntityRef,
  rsnsEqual,
  rsnsQuoteAttrValue,
  rsnsQuoteEntityRef,
  rsDocType,
  rsDocTypeSquareBraces,
};
constexpr int RangeStateCount = rsDocTypeSquareBraces + 1;

// The names as written in code, for the command-line tool and test messages.
const char* TokenKindName(TtkTokenKind aKind);
const char* RangeStateName(TRangeState aRange);

// Colours are 0xRRGGBB; clNone means "the text view's own colour".
using TColor = int32_t;
constexpr TColor clNone = -1;
constexpr TColor RGB(int aRed, int aGreen, int aBlue) { return (aRed << 16) | (aGreen << 8) | aBlue; }

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2 };
using TFontStyles = uint8_t;  // a set of TFontStyle bits

// How one kind of token is painted. The names are fixed; colours and style can be changed.
class TXmlTextAttribute {
public:
  TXmlTextAttribute() = default;
  TXmlTextAttribute(std::u16string_view aStorageName, std::u16string_view aDisplayName, TColor aForeground,
                    TColor aBackground, TFontStyles aStyle)
      : FStorageName(aStorageName), FDisplayName(aDisplayName), FForeground(aForeground),
        FBackground(aBackground), FStyle(aStyle) {}

  std::u16string_view StorageName() const { return FStorageName; }
  std::u16string_view DisplayName() const { return FDisplayName; }
  TColor Foreground() const { return FForeground; }
  void SetForeground(TColor aColor) { FForeground = aColor; }
  TColor Background() const { return FBackground; }
  void SetBackground(TColor aColor) { FBackground = aColor; }
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles aStyle) { FStyle = aStyle; }

  bool operator==(const TXmlTextAttribute&) const = default;

private:
  std::u16string_view FStorageName;
  std::u16string_view FDisplayName;
  TColor FForeground = clNone;
  TColor FBackground = clNone;
  TFontStyles FStyle = 0;
};

// The attributes of the highlighter, in the order the settings list them.
enum TXmlAttributeKind : uint8_t {
  akElementName,
  akText,
  akWhitespace,
  akEntityReference,
  akProcessingInstruction,
  akCDATASection,
  akComment,
  akDocTypeSection,
  akAttributeName,
  akNamespaceAttributeName,
  akAttributeValue,
  akNamespaceAttributeValue,
  akSymbol,
  akNone,  // tkNull has no attribute
};
constexpr int XmlAttributeCount = akSymbol + 1;

// Roles through which generic code asks a highlighter for its attributes.
enum TGenericRole : uint8_t { grComment, grIdentifier, grKeyword, grString, grWhitespace, grSymbol };

class TXmlHighlighter {
public:
  TXmlHighlighter();

  // Takes the line (without its line break) and runs the first step. The text must stay
  // alive and unchanged while its tokens are read.
  void SetLine(std::u16string_view aLine, int aLineNumber = 0);
  void Next();
  // True once the virtual NUL after the line has been consumed.
  bool Eol() const { return FRun > FLen; }

  std::u16string_view Token() const { return {FLine + FTokenPos, size_t(TokenEnd() - FTokenPos)}; }
  int TokenPos() const { return FTokenPos; }
  int TokenLength() const { return TokenEnd() - FTokenPos; }
  TtkTokenKind TokenKind() const { return FTokenID; }
  // The attribute that paints the current token; nullptr for tkNull.
  const TXmlTextAttribute* TokenAttribute() const;
  int LineNumber() const { return FLineNumber; }

  TRangeState Range() const { return FRange; }
  // Takes an ordinal; anything that is no range state (a foreign value stored in a view's
  // line state) starts the line as text instead of leaving the tokenizer undefined.
  void SetRange(int aRange);
  void ResetRange() { FRange = rsText; }

  static TXmlAttributeKind AttributeKindOf(TtkTokenKind aKind);
  TXmlTextAttribute& Attribute(TXmlAttributeKind aKind) { return FAttributes[aKind]; }
  const TXmlTextAttribute& Attribute(TXmlAttributeKind aKind) const { return FAttributes[aKind]; }
  // The attribute for a generic role, or nullptr for roles this language does not colour.
  const TXmlTextAttribute* DefaultAttribute(TGenericRole aRole) const;

  static std::u16string_view LanguageName() { return u"XML"; }
  const std::u16string& DefaultFilter() const { return FDefaultFilter; }
  void SetDefaultFilter(std::u16string aFilter) { FDefaultFilter = std::move(aFilter); }

  // The document window paints with quieter colours than the editor: element names plain,
  // attribute values black, comments green without background, and its own file filter.
  void UseDocumentWindowDefaults();

private:
  int TokenEnd() const { return FRun < FLen ? FRun : FLen; }  // the virtual NUL has no text
  char16_t At(int aPos) const { return aPos < FLen ? FLine[aPos] : char16_t(0); }
  bool AtLineEnd(int aPos) const { return aPos >= FLen || FLine[aPos] == 13 || FLine[aPos] == 10; }

  void Step();
  void CharDispatch();
  void RangeStep();
  void LessThanStep();
  void CommentStep();
  void ProcessingInstructionStep();
  void CDATAStep();
  void SectionStep(TtkTokenKind aKind, char16_t aCloser);
  void DocTypeStep();
  void TextStep();
  void EntityStep();
  void ElementStep();
  void AttributeStep();
  void EqualStep();
  void ValueStep(char16_t aQuote, bool aNamespace);
  void ValueEntityStep(bool aApos, bool aNamespace);
  void ConsumeNameChars();

  const char16_t* FLine = u"";
  int FLen = 0;
  int FRun = 0;
  int FTokenPos = 0;
  int FLineNumber = 0;
  TtkTokenKind FTokenID = tkNull;
  TRangeState FRange = rsText;
  std::array<TXmlTextAttribute, XmlAttributeCount> FAttributes;
  std::u16string FDefaultFilter;
};
