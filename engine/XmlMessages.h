// The engine's fixed English message texts, one named constant each, so that the reader, the
// event parser, the writer and their tests share the exact wording. Texts with %s or %d are
// filled with Format (WideSupport.h).
#pragma once

#include <string>
#include <string_view>

// How a message names the code unit it is about: a visible ASCII character as itself, any other
// (a control, a non-character, a lone surrogate, and 0 for the end of the input) as 0x and four
// upper-case hex digits, so that the message stays readable, valid text whatever was read.
std::u16string XmlMessageChar(char16_t c);

// XML pull reader: syntax errors.
extern const std::u16string_view sXmlUnclosedElements;
extern const std::u16string_view sXmlCharInElementHeader;
extern const std::u16string_view sXmlCharInText;
extern const std::u16string_view sXmlStringInText;
extern const std::u16string_view sXmlInvalidElementName;
extern const std::u16string_view sXmlInvalidAttributeStart;
extern const std::u16string_view sXmlEqualSignMissing;
extern const std::u16string_view sXmlAttributeNotQuoted;
extern const std::u16string_view sXmlCharInAttribute;
extern const std::u16string_view sXmlTooManyElementsClosed;
extern const std::u16string_view sXmlWrongElementClosed;
extern const std::u16string_view sXmlInvalidEntity;
extern const std::u16string_view sXmlEntityValueNotQuoted;
// Strict only: one name twice in a start tag or in the XML declaration.
extern const std::u16string_view sXmlDuplicateAttribute;

// XML pull reader: resource limits that keep entity expansion from exhausting memory.
extern const std::u16string_view sXmlEntityTooLong;
extern const std::u16string_view sXmlEntityExpansionLimit;
extern const std::u16string_view sXmlEntityExpansionRatio;

// XML writer. An invalid element name and an invalid entity name use sXmlInvalidElementName
// and sXmlInvalidEntity above: the writer reports them in the reader's words.
extern const std::u16string_view sXmlWriterInvalidAttributeName;
extern const std::u16string_view sXmlWriterInvalidCData;
extern const std::u16string_view sXmlWriterInvalidComment;
extern const std::u16string_view sXmlWriterInvalidPITarget;
extern const std::u16string_view sXmlWriterInvalidPIContent;
extern const std::u16string_view sXmlWriterInvalidText;
extern const std::u16string_view sXmlWriterIndentLevelAfterWrite;
extern const std::u16string_view sXmlWriterAttributeAfterHeader;
extern const std::u16string_view sXmlWriterElementClosed;

// SAX parser: misuse of its state.
extern const std::u16string_view sSAXCannotResume;
extern const std::u16string_view sSAXCannotChangeWhiteSpace;
