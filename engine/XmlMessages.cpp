#include "XmlMessages.h"

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

const std::u16string_view sXmlEntityTooLong =
    u"The replacement text of the entity \"%s\" exceeds the limit of %d characters.";
const std::u16string_view sXmlEntityExpansionLimit =
    u"Entity references expand to more than %d characters in this document.";
