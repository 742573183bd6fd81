// The engine's fixed English message texts, one named constant each, so that the reader, the
// event parser, the writer and their tests share the exact wording. Texts with %s or %d are
// filled with Format (WideSupport.h).
#pragma once

#include <string_view>

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

// XML pull reader: resource limits that keep entity expansion from exhausting memory.
extern const std::u16string_view sXmlEntityTooLong;
extern const std::u16string_view sXmlEntityExpansionLimit;
