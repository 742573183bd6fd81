#include <gtest/gtest.h>

#include "WideSupport.h"
#include "XmlValidate.h"

namespace {

TEST(ValidateXML, Outcomes) {
  struct TCase {
    const char* Text;
    TXMLValidateOutcome Outcome;
    int32_t Tags, Attributes, PIs;
    const char* Message;  // verbose
  } cases[] = {
      {"<r/>", voNotXML, 0, 0, 0, "Text is not XML."},
      {"<?XML version=\"1.0\"?><r/>", voNotXML, 0, 0, 0, "Text is not XML."},
      // "<?xml" inside a comment passes the first test
      {"<!-- <?xml --><r/>", voValid, 1, 0, 0,
       "XML is valid.\r\n\r\nTags: 1\r\nAttributes: 0\r\nProcessing instructions: 0"},
      {"<?xml version=\"1.0\"?>", voNoContent, 0, 0, 0, "Text is not valid XML."},
      {"<?xml version=\"1.0\"?><?pi x?>", voValid, 0, 0, 1,
       "XML is valid.\r\n\r\nTags: 0\r\nAttributes: 0\r\nProcessing instructions: 1"},
      // what follows the document element is never read
      {"<?xml version=\"1.0\"?><r/>garbage <<<", voValid, 1, 0, 0,
       "XML is valid.\r\n\r\nTags: 1\r\nAttributes: 0\r\nProcessing instructions: 0"},
      {"<?xml version=\"1.0\" encoding=\"x-unsupported\"?><r a='1' b='2' c='3'><c d='4' e='5'/></r>", voValid, 2, 5, 0,
       "XML is valid.\r\n\r\nTags: 2\r\nAttributes: 5\r\nProcessing instructions: 0"},
      {"<?xml version=\"1.0\" encoding=\"utf-16\"?><r><?a?><b><?c d?></b></r>", voValid, 2, 0, 2,
       "XML is valid.\r\n\r\nTags: 2\r\nAttributes: 0\r\nProcessing instructions: 2"},
  };
  for (const TCase& c : cases) {
    TXMLValidation v = ValidateXML(Utf8ToUtf16(c.Text), true);
    EXPECT_EQ(v.Outcome, c.Outcome) << c.Text;
    EXPECT_EQ(v.Valid, c.Outcome == voValid) << c.Text;
    EXPECT_EQ(Utf16ToUtf8(v.Message), c.Message) << c.Text;
    if (c.Outcome == voValid || c.Outcome == voNoContent) {
      EXPECT_EQ(v.TagCnt, c.Tags) << c.Text;
      EXPECT_EQ(v.AttrCnt, c.Attributes) << c.Text;
      EXPECT_EQ(v.PICnt, c.PIs) << c.Text;
    }
    EXPECT_EQ(v.CaretLine, 0) << c.Text;
  }
}

TEST(ValidateXML, QuietSuccessLoudFailure) {
  TXMLValidation ok = ValidateXML(u"<?xml version=\"1.0\"?><r/>", false);
  EXPECT_TRUE(ok.Valid);
  EXPECT_TRUE(ok.Message.empty());
  EXPECT_EQ(ok.TagCnt, 1);
  // Failures carry their message in both modes.
  EXPECT_EQ(Utf16ToUtf8(ValidateXML(u"<r/>", false).Message), "Text is not XML.");
  EXPECT_EQ(Utf16ToUtf8(ValidateXML(u"<?xml version=\"1.0\"?>", false).Message), "Text is not valid XML.");
}

TEST(ValidateXML, MismatchedEndTagPlacesTheCaretAndNamesBothElements) {
  const std::u16string text = u"<?xml version=\"1.0\"?>\r\n<root>\r\n  <a>\r\n  </b>\r\n</root>";
  TXMLValidation v = ValidateXML(text, false);
  EXPECT_FALSE(v.Valid);
  EXPECT_EQ(v.Outcome, voParseError);
  EXPECT_EQ(v.CaretLine, 4);
  EXPECT_EQ(v.CaretColumn, 6);  // the end tag's closing ">"
  const std::string message = Utf16ToUtf8(v.Message);
  EXPECT_EQ(message.rfind("Error at line 4 at position 6: ", 0), 0u) << message;
  EXPECT_NE(message.find("Trying to close wrong element. Close=\"b\", open element=\"a\"."), std::string::npos) << message;
}

TEST(ValidateXML, AlwaysStrict) {
  // An unquoted attribute value passes the tolerant reader but not this check.
  TXMLValidation v = ValidateXML(u"<?xml version=\"1.0\"?>\n<r a=1/>", true);
  EXPECT_EQ(v.Outcome, voParseError);
  EXPECT_EQ(v.CaretLine, 2);
  // A repeated attribute name is no well-formed XML either; the message names it.
  v = ValidateXML(u"<?xml version=\"1.0\"?>\n<r id=\"1\" id=\"2\"/>", true);
  EXPECT_EQ(v.Outcome, voParseError);
  EXPECT_NE(Utf16ToUtf8(v.Message).find("\"id\""), std::string::npos) << Utf16ToUtf8(v.Message);
}

}  // namespace
