// The editor's well-formedness check: one strict parse of the text with the event parser that
// counts elements, attributes and processing instructions. There is no DTD or schema
// validation: "valid" means well-formed by the reader's strict rules. The outcome carries the
// message the editor shows and where its caret goes; the check itself raises nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::u16string_view sValidateNotXML = u"Text is not XML.";
inline constexpr std::u16string_view sValidateNotValidXML = u"Text is not valid XML.";
inline constexpr std::u16string_view sValidateParseError = u"Error at line %d at position %d: %s: %s";
inline constexpr std::u16string_view sValidateValid =
    u"XML is valid.\r\n\r\nTags: %d\r\nAttributes: %d\r\nProcessing instructions: %d";

enum TXMLValidateOutcome {
  voValid,       // well-formed with at least one element or processing instruction
  voNotXML,      // the text holds no "<?xml" anywhere
  voParseError,  // the parser stopped at a syntax error
  voNoContent    // parsed without error but found neither element nor processing instruction
};

struct TXMLValidation {
  bool Valid = false;
  TXMLValidateOutcome Outcome = voNotXML;
  int32_t TagCnt = 0;   // start-element events, empty elements included
  int32_t AttrCnt = 0;  // attributes of all start tags (not the declaration's pseudo-attributes)
  int32_t PICnt = 0;    // processing instructions (the declaration is not one)
  // The text of the message box: an error box unless Valid; empty for a valid text checked
  // without AVerbose.
  std::u16string Message;
  // Where the caret goes for a parse error (1-based); 0 when it stays.
  int64_t CaretLine = 0;
  int64_t CaretColumn = 0;
};

class ITextParseError;
// "Error at line %d at position %d: %s: %s" filled with the error's line, position, reason and
// source stub: how the program shows a parse error.
std::u16string ParseErrorMessage(const ITextParseError& AError);

// Checks AText, parsed as the UTF-16 it is (an encoding named in its declaration plays no part),
// strictly, up to the end of the document element: what follows it is never read. AVerbose
// adds the success message with the counts.
TXMLValidation ValidateXML(std::u16string_view AText, bool AVerbose);
