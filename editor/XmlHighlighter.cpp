#include "XmlHighlighter.h"

namespace {

constexpr const char* kTokenKindNames[TokenKindCount] = {
    "tkAposAttrValue", "tkAposEntityRef",  "tkAttribute",        "tkCDATA",
    "tkComment",       "tkElement",        "tkEntityRef",        "tkEqual",
    "tkNull",          "tkProcessingInstruction", "tkQuoteAttrValue", "tkQuoteEntityRef",
    "tkSpace",         "tkSymbol",         "tkText",             "tknsAposAttrValue",
    "tknsAposEntityRef", "tknsAttribute",  "tknsEqual",          "tknsQuoteAttrValue",
    "tknsQuoteEntityRef", "tkDocType",
};

constexpr const char* kRangeStateNames[RangeStateCount] = {
    "rsAposAttrValue", "rsAPosEntityRef",  "rsAttribute",        "rsCDATA",
    "rsComment",       "rsElement",        "rsEntityRef",        "rsEqual",
    "rsProcessingInstruction", "rsQuoteAttrValue", "rsQuoteEntityRef", "rsText",
    "rsnsAposAttrValue", "rsnsAPosEntityRef", "rsnsEqual",       "rsnsQuoteAttrValue",
    "rsnsQuoteEntityRef", "rsDocType",     "rsDocTypeSquareBraces",
};

constexpr TXmlAttributeKind kAttributeOfKind[TokenKindCount] = {
    akAttributeValue,           // tkAposAttrValue
    akEntityReference,          // tkAposEntityRef
    akAttributeName,            // tkAttribute
    akCDATASection,             // tkCDATA
    akComment,                  // tkComment
    akElementName,              // tkElement
    akEntityReference,          // tkEntityRef
    akSymbol,                   // tkEqual
    akNone,                     // tkNull
    akProcessingInstruction,    // tkProcessingInstruction
    akAttributeValue,           // tkQuoteAttrValue
    akEntityReference,          // tkQuoteEntityRef
    akWhitespace,               // tkSpace
    akSymbol,                   // tkSymbol
    akText,                     // tkText
    akNamespaceAttributeValue,  // tknsAposAttrValue
    akEntityReference,          // tknsAposEntityRef
    akNamespaceAttributeName,   // tknsAttribute
    akSymbol,                   // tknsEqual
    akNamespaceAttributeValue,  // tknsQuoteAttrValue
    akEntityReference,          // tknsQuoteEntityRef
    akDocTypeSection,           // tkDocType
};

// Name characters below 128; everything from 341 (0x155) up counts as one too, the range
// between does not (so accented Latin letters end a name).
struct TNameTable {
  bool F[128] = {};
  constexpr TNameTable() {
    for (int c = '0'; c <= '9'; ++c) F[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) F[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) F[c] = true;
    F[int('-')] = F[int('.')] = F[int(':')] = F[int('_')] = true;
  }
};
constexpr TNameTable kNameTable;

inline bool IsNameChar(char16_t c) { return c < 128 ? kNameTable.F[c] : c > 340; }

}  // namespace

const char* TokenKindName(TtkTokenKind aKind) {
  return unsigned(aKind) < unsigned(TokenKindCount) ? kTokenKindNames[aKind] : "?";
}

const char* RangeStateName(TRangeState aRange) {
  return unsigned(aRange) < unsigned(RangeStateCount) ? kRangeStateNames[aRange] : "?";
}

TXmlHighlighter::TXmlHighlighter()
    : FDefaultFilter(u"XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd") {
  FAttributes[akElementName] = {u"ElementName", u"Element Name", RGB(128, 0, 0), clNone, fsBold};
  FAttributes[akText] = {u"Text", u"Text", RGB(0, 0, 0), clNone, fsBold};
  FAttributes[akWhitespace] = {u"Whitespace", u"Whitespace", clNone, clNone, 0};
  FAttributes[akEntityReference] = {u"EntityReference", u"Entity Reference", RGB(0, 0, 255), clNone, fsBold};
  FAttributes[akProcessingInstruction] = {u"ProcessingInstruction", u"Processing Instruction",
                                          RGB(0, 0, 255), clNone, 0};
  FAttributes[akCDATASection] = {u"CDATA-Section", u"CDATA Section", RGB(128, 128, 0), clNone, fsItalic};
  FAttributes[akComment] = {u"Comment", u"Comment", RGB(128, 128, 128), RGB(192, 192, 192), fsBold | fsItalic};
  FAttributes[akDocTypeSection] = {u"DOCTYPE-Section", u"DOCTYPE Section", RGB(0, 0, 255), clNone, fsItalic};
  FAttributes[akAttributeName] = {u"AttributeName", u"Attribute Name", RGB(128, 0, 0), clNone, 0};
  FAttributes[akNamespaceAttributeName] = {u"NamespaceAttributeName", u"Namespace Attribute Name",
                                           RGB(255, 0, 0), clNone, 0};
  FAttributes[akAttributeValue] = {u"AttributeValue", u"Attribute Value", RGB(0, 0, 128), clNone, fsBold};
  FAttributes[akNamespaceAttributeValue] = {u"NamespaceAttributeValue", u"Namespace Attribute Value",
                                            RGB(255, 0, 0), clNone, fsBold};
  FAttributes[akSymbol] = {u"Symbol", u"Symbol", RGB(0, 0, 255), clNone, 0};
}

void TXmlHighlighter::UseDocumentWindowDefaults() {
  FAttributes[akElementName].SetStyle(0);
  FAttributes[akAttributeValue].SetForeground(RGB(0, 0, 0));
  FAttributes[akComment].SetForeground(RGB(0, 128, 0));
  FAttributes[akComment].SetBackground(clNone);
  FAttributes[akComment].SetStyle(0);
  FDefaultFilter = u"XML Document (*.xml,*.xsd,*.xsl,*.xslt,*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd";
}

TXmlAttributeKind TXmlHighlighter::AttributeKindOf(TtkTokenKind aKind) {
  return unsigned(aKind) < unsigned(TokenKindCount) ? kAttributeOfKind[aKind] : akNone;
}

const TXmlTextAttribute* TXmlHighlighter::TokenAttribute() const {
  TXmlAttributeKind a = AttributeKindOf(FTokenID);
  return a == akNone ? nullptr : &FAttributes[a];
}

const TXmlTextAttribute* TXmlHighlighter::DefaultAttribute(TGenericRole aRole) const {
  switch (aRole) {
    case grComment: return &FAttributes[akComment];
    case grIdentifier: return &FAttributes[akAttributeName];
    case grKeyword: return &FAttributes[akElementName];
    case grWhitespace: return &FAttributes[akWhitespace];
    case grSymbol: return &FAttributes[akSymbol];
    default: return nullptr;
  }
}

void TXmlHighlighter::SetRange(int aRange) {
  FRange = aRange >= 0 && aRange < RangeStateCount ? TRangeState(aRange) : rsText;
}

void TXmlHighlighter::SetLine(std::u16string_view aLine, int aLineNumber) {
  FLine = aLine.data() ? aLine.data() : u"";
  // Longer lines than an int can count are cut; no text view holds such a line.
  FLen = aLine.size() > size_t(INT32_MAX - 2) ? INT32_MAX - 2 : int(aLine.size());
  FRun = 0;
  FTokenPos = 0;
  FLineNumber = aLineNumber;
  Next();
}

void TXmlHighlighter::Next() {
  // The remembered position is the line start: a step that consumed nothing there is taken
  // again, so the first token of a line is never empty. Elsewhere an empty token is handed
  // out and the state it left makes the following step consume. Every empty step at the line
  // start changes the range towards one whose step consumes, so this ends within a few rounds.
  do {
    FTokenPos = FRun;
    Step();
  } while (FRun == 0);
}

void TXmlHighlighter::Step() {
  switch (FRange) {
    case rsCDATA: CDATAStep(); break;
    case rsComment: CommentStep(); break;
    case rsProcessingInstruction: ProcessingInstructionStep(); break;
    case rsText: TextStep(); break;
    case rsDocType:
    case rsDocTypeSquareBraces: DocTypeStep(); break;
    default: CharDispatch(); break;
  }
}

void TXmlHighlighter::CharDispatch() {
  const char16_t c = At(FRun);
  if (c == 0) {
    FTokenID = tkNull;
    ++FRun;
  } else if (c == 13) {
    FTokenID = tkSpace;
    ++FRun;
    if (At(FRun) == 10) ++FRun;
  } else if (c == 10) {
    FTokenID = tkSpace;
    ++FRun;
  } else if (c <= 32) {
    FTokenID = tkSpace;
    ++FRun;
    while (FRun < FLen) {
      const char16_t d = FLine[FRun];
      if (d > 32 || d == 0 || d == 9 || d == 10 || d == 13) break;
      ++FRun;
    }
  } else if (c == '<') {
    LessThanStep();
  } else if (c == '>') {
    FTokenID = tkSymbol;
    ++FRun;
    FRange = rsText;
  } else {
    RangeStep();
  }
}

void TXmlHighlighter::RangeStep() {
  switch (FRange) {
    case rsAposAttrValue: ValueStep('\'', false); break;
    case rsnsAposAttrValue: ValueStep('\'', true); break;
    case rsAPosEntityRef: ValueEntityStep(true, false); break;
    case rsnsAPosEntityRef: ValueEntityStep(true, true); break;
    case rsAttribute: AttributeStep(); break;
    case rsElement: ElementStep(); break;
    case rsEntityRef: EntityStep(); break;
    case rsEqual:
    case rsnsEqual: EqualStep(); break;
    case rsQuoteAttrValue: ValueStep('"', false); break;
    case rsnsQuoteAttrValue: ValueStep('"', true); break;
    case rsQuoteEntityRef: ValueEntityStep(false, false); break;
    case rsnsQuoteEntityRef: ValueEntityStep(false, true); break;
    default:
      // The ranges with steps of their own only dispatch at a line end, a control character
      // or "<", all handled before this point; still, always make progress.
      FTokenID = tkText;
      ++FRun;
      break;
  }
}

void TXmlHighlighter::LessThanStep() {
  ++FRun;
  if (At(FRun) == '/') ++FRun;
  const char16_t c = At(FRun);
  if (c == '!') {
    if (At(FRun + 1) == '-' && At(FRun + 2) == '-') {
      FTokenID = tkSymbol;
      FRange = rsComment;
      FRun += 3;
    } else if (std::u16string_view(FLine + FRun + 1, size_t(FLen - FRun - 1 > 0 ? FLen - FRun - 1 : 0))
                   .starts_with(u"DOCTYPE")) {
      // Stops on the keyword's last letter, which the DOCTYPE step paints alike.
      FTokenID = tkDocType;
      FRange = rsDocType;
      FRun += 7;
    } else if (std::u16string_view(FLine + FRun + 1, size_t(FLen - FRun - 1 > 0 ? FLen - FRun - 1 : 0))
                   .starts_with(u"[CDATA[")) {
      FTokenID = tkCDATA;
      FRange = rsCDATA;
      FRun += 7;
    } else {
      FTokenID = tkSymbol;
      FRange = rsElement;
      FRun += 1;
    }
  } else if (c == '?') {
    FTokenID = tkProcessingInstruction;
    FRange = rsProcessingInstruction;
    FRun += 1;
  } else {
    FTokenID = tkSymbol;
    FRange = rsElement;
  }
}

void TXmlHighlighter::CommentStep() {
  if (At(FRun) == '-' && At(FRun + 1) == '-' && At(FRun + 2) == '>') {
    FTokenID = tkSymbol;
    FRange = rsText;
    FRun += 3;
    return;
  }
  FTokenID = tkComment;
  if (AtLineEnd(FRun)) {
    CharDispatch();
    return;
  }
  while (FRun < FLen) {
    const char16_t c = FLine[FRun];
    if (c == 13 || c == 10) break;
    if (c == '-' && At(FRun + 1) == '-' && At(FRun + 2) == '>') break;
    ++FRun;
  }
}

void TXmlHighlighter::ProcessingInstructionStep() { SectionStep(tkProcessingInstruction, u'?'); }

void TXmlHighlighter::CDATAStep() { SectionStep(tkCDATA, u']'); }

// A processing instruction or CDATA section runs to the first '>' right after aCloser ("?>" or
// "]>"), or to the line end, where the range carries it on to the next line.
void TXmlHighlighter::SectionStep(TtkTokenKind aKind, char16_t aCloser) {
  FTokenID = aKind;
  if (AtLineEnd(FRun)) {
    CharDispatch();
    return;
  }
  while (FRun < FLen) {
    const char16_t c = FLine[FRun];
    if (c == 13 || c == 10) break;
    if (c == '>' && FRun > 0 && FLine[FRun - 1] == aCloser) {
      ++FRun;
      FRange = rsText;
      break;
    }
    ++FRun;
  }
}

void TXmlHighlighter::DocTypeStep() {
  FTokenID = tkDocType;
  if (AtLineEnd(FRun)) {
    CharDispatch();
    return;
  }
  if (FRange == rsDocType) {
    while (!AtLineEnd(FRun)) {
      const char16_t c = FLine[FRun];
      if (c == '>') {
        ++FRun;
        FRange = rsAttribute;
        return;
      }
      ++FRun;
      if (c == '[') {
        // The internal subset: up to and including "]", or to the line end, where the
        // next line picks it up.
        for (;;) {
          const char16_t d = At(FRun);
          if (d == 0 || d == 13 || d == 10) {
            FRange = rsDocTypeSquareBraces;
            return;
          }
          ++FRun;
          if (d == ']') return;
        }
      }
    }
  } else {
    while (!AtLineEnd(FRun)) {
      const char16_t c = FLine[FRun++];
      if (c == ']') {
        FRange = rsDocType;
        return;
      }
    }
  }
}

void TXmlHighlighter::TextStep() {
  const char16_t c = At(FRun);
  if (c < 32 || c == '<') {
    CharDispatch();
    return;
  }
  FTokenID = tkText;
  while (FRun < FLen) {
    const char16_t d = FLine[FRun];
    if (d < 32 || d == '<') break;
    if (d == '&') {
      FRange = rsEntityRef;
      break;
    }
    ++FRun;
  }
}

void TXmlHighlighter::EntityStep() {
  FTokenID = tkEntityRef;
  while (FRun < FLen && FLine[FRun] > 32 && FLine[FRun] != ';') ++FRun;
  if (At(FRun) == ';') ++FRun;
  FRange = rsText;
}

void TXmlHighlighter::ConsumeNameChars() {
  while (FRun < FLen && IsNameChar(FLine[FRun])) ++FRun;
}

void TXmlHighlighter::ElementStep() {
  if (At(FRun) == '/') ++FRun;
  ConsumeNameChars();
  FTokenID = tkElement;
  FRange = rsAttribute;
}

void TXmlHighlighter::AttributeStep() {
  const char16_t c = At(FRun);
  if (c == '"' || c == '\'') {
    // The closing quote of a value.
    FTokenID = tkSymbol;
    ++FRun;
    return;
  }
  ConsumeNameChars();
  if (Token().find(u"xmlns") != std::u16string_view::npos) {
    FTokenID = tknsAttribute;
    FRange = rsnsEqual;
  } else {
    FTokenID = tkAttribute;
    FRange = rsEqual;
  }
}

void TXmlHighlighter::EqualStep() {
  const bool ns = FRange == rsnsEqual;
  FTokenID = ns ? tknsEqual : tkEqual;
  // The "=" and the opening quote belong to one token.
  while (!AtLineEnd(FRun)) {
    const char16_t c = FLine[FRun++];
    if (c == '/') {
      FTokenID = tkSymbol;
      FRange = rsElement;
      return;
    }
    if (c == '"') {
      FRange = ns ? rsnsQuoteAttrValue : rsQuoteAttrValue;
      return;
    }
    if (c == '\'') {
      FRange = ns ? rsnsAposAttrValue : rsAposAttrValue;
      return;
    }
  }
}

void TXmlHighlighter::ValueStep(char16_t aQuote, bool aNamespace) {
  const bool apos = aQuote == '\'';
  FTokenID = apos ? (aNamespace ? tknsAposAttrValue : tkAposAttrValue)
                  : (aNamespace ? tknsQuoteAttrValue : tkQuoteAttrValue);
  while (FRun < FLen) {
    const char16_t c = FLine[FRun];
    if (c == 13 || c == 10) return;
    if (c == '&') {
      FRange = apos ? (aNamespace ? rsnsAPosEntityRef : rsAPosEntityRef)
                    : (aNamespace ? rsnsQuoteEntityRef : rsQuoteEntityRef);
      return;
    }
    if (c == aQuote) {
      FRange = rsAttribute;
      return;
    }
    ++FRun;
  }
}

void TXmlHighlighter::ValueEntityStep(bool aApos, bool aNamespace) {
  FTokenID = aApos ? (aNamespace ? tknsAposEntityRef : tkAposEntityRef)
                   : (aNamespace ? tknsQuoteEntityRef : tkQuoteEntityRef);
  while (FRun < FLen && FLine[FRun] > 32 && FLine[FRun] != ';') ++FRun;
  if (At(FRun) == ';') ++FRun;
  FRange = aApos ? (aNamespace ? rsnsAposAttrValue : rsAposAttrValue)
                 : (aNamespace ? rsnsQuoteAttrValue : rsQuoteAttrValue);
}
