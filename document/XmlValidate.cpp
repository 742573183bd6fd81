#include "XmlValidate.h"

#include "TextReadWrite.h"
#include "WideSupport.h"
#include "XmlSAX.h"

std::u16string ParseErrorMessage(const ITextParseError& AError) {
  return Format(sValidateParseError, {AError.GetLine(), AError.GetLinePos(), std::u16string_view(AError.GetReason()),
                                      std::u16string_view(AError.GetSrcText())});
}

TXMLValidation ValidateXML(std::u16string_view AText, bool AVerbose) {
  TXMLValidation result;
  if (AText.find(u"<?xml") == std::u16string_view::npos) {
    result.Outcome = voNotXML;
    result.Message = std::u16string(sValidateNotXML);
    return result;
  }

  TSAXParser parser;
  parser.OnProcessingInstruction = [&result](TSAXParser&, std::u16string_view, std::u16string_view) {
    ++result.PICnt;
  };
  parser.OnStartElement = [&result](TSAXParser&, std::u16string_view, const TSAXAttributes& AAttributes) {
    ++result.TagCnt;
    result.AttrCnt += AAttributes.Count();
  };
  parser.ReaderSettings().SetRecognizeXMLDeclaration(true);
  parser.ReaderSettings().SetExpandEntities(true);
  parser.ReaderSettings().SetStrictXML(true);
  parser.ParseXML(AText);

  if (const std::shared_ptr<ITextParseError>& error = parser.ParseError()) {
    result.Outcome = voParseError;
    result.CaretLine = error->GetLine();
    result.CaretColumn = error->GetLinePos();
    result.Message = ParseErrorMessage(*error);
  } else if (result.TagCnt + result.PICnt == 0) {
    result.Outcome = voNoContent;
    result.Message = std::u16string(sValidateNotValidXML);
  } else {
    result.Valid = true;
    result.Outcome = voValid;
    if (AVerbose)
      result.Message = Format(sValidateValid, {int64_t(result.TagCnt), int64_t(result.AttrCnt), int64_t(result.PICnt)});
  }
  return result;
}
