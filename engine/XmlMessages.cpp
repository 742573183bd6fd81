#include "XmlMessages.h"

std::u16string XmlMessageChar(char16_t c) {
  if (c > 0x20 && c < 0x7F) return std::u16string(1, c);
  static const char16_t cDigits[] = u"0123456789ABCDEF";
  std::u16string s = u"0x0000";
  for (size_t i = 5; i >= 2; --i) {
    s[i] = cDigits[c & 15];
    c = static_cast<char16_t>(c >> 4);
  }
  return s;
}

const std::u16string_view sXmlUnclosedElements = u"There are unclosed elements in the document end.";
const std::u16string_view sXmlCharInElementHeader = u"The character \"%s\" cannot occur in element header.";
const std::u16string_view sXmlCharInText = u"The character \"%s\" cannot occur in text.";
const std::u16string_view sXmlStringInText = u"The string \"%s\" cannot occur in text.";
const std::u16string_view sXmlInvalidElementName = u"\"%s\" is not a valid element name.";
const std::u16string_view sXmlInvalidAttributeStart = u"An attribute cannot start with the character \"%s\".";
const std::u16string_view sXmlEqualSignMissing = u"Equal sign must follow the attribute \"%s\".";
const std::u16string_view sXmlAttributeNotQuoted = u"\"%s\" attribute value must be enclosed in quotes.";
const std::u16string_view sXmlCharInAttribute = u"The character \"%s\" cannot occur in attribute.";
const std::u16string_view sXmlTooManyElementsClosed = u"Too many elements closed.";
const std::u16string_view sXmlWrongElementClosed =
    u"Trying to close wrong element. Close=\"%s\", open element=\"%s\".";
const std::u16string_view sXmlInvalidEntity = u"\"%s\" is not a valid entity.";
const std::u16string_view sXmlEntityValueNotQuoted = u"\"%s\" entity value must be enclosed in quotes.";
const std::u16string_view sXmlDuplicateAttribute = u"The attribute \"%s\" occurs more than once in the element header.";

const std::u16string_view sXmlEntityTooLong =
    u"The replacement text of the entity \"%s\" exceeds the limit of %d characters.";
const std::u16string_view sXmlEntityExpansionLimit =
    u"Entity references expand to more than %d characters in this document.";
const std::u16string_view sXmlEntityExpansionRatio =
    u"Entity references expand to more than %d times the text read so far.";

const std::u16string_view sXmlWriterInvalidAttributeName = u"\"%s\" is not a valid attribute name.";
const std::u16string_view sXmlWriterInvalidCData = u"\"%s\" is not a valid CData text.";
const std::u16string_view sXmlWriterInvalidComment = u"\"%s\" is not a valid comment text.";
const std::u16string_view sXmlWriterInvalidPITarget = u"\"%s\" is not a valid processing instruction target.";
const std::u16string_view sXmlWriterInvalidPIContent = u"\"%s\" is not a valid processing instruction content.";
const std::u16string_view sXmlWriterInvalidText = u"\"%s\" is not a valid text.";
const std::u16string_view sXmlWriterIndentLevelAfterWrite =
    u"You can't set the IndentLevel after something has been already written to the document.";
const std::u16string_view sXmlWriterAttributeAfterHeader =
    u"You can't add an attribute %s=\"%s\" when the element header (\"%s\") has been finished.";
const std::u16string_view sXmlWriterElementClosed = u"The element \"%s\" has already been closed.";

const std::u16string_view sSAXCannotResume = u"Cannot resume - parsing wasn't paused.";
const std::u16string_view sSAXCannotChangeWhiteSpace = u"Cannot change WhiteSpaceHandling after data has been read.";
