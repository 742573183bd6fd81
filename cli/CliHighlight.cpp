// quillon-cli highlight FILE: the XML colouring of every line of a file, token by token, as
// the text views paint it, with the range carried from line to line.
#include <unistd.h>

#include "CliCommon.h"
#include "SourceText.h"
#include "XmlHighlighter.h"

namespace cli {
namespace {

int RunHighlight(std::vector<std::string>& aArgs) {
  static const char* kSynopsis = "highlight FILE";
  ExpectPositional(aArgs, 1, kSynopsis);
  // The text as the Source view shows it unformatted, decoded by the same rules.
  const TInputFile input(aArgs[0]);
  if (access(input.Name().c_str(), R_OK) != 0) throw EUsage{"cannot open " + aArgs[0]};
  std::u16string encodingName;
  const std::u16string text = SourceTextAsStored(input.Name(), encodingName);

  TRecordWriter out;
  TXmlHighlighter h;
  h.ResetRange();
  size_t start = 0;
  int lineNo = 0;
  // Lines as the text view holds them: a final line break starts no further line.
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    const std::u16string_view line(text.data() + start, end - start);
    const std::string number = std::to_string(++lineNo);
    for (h.SetLine(line, lineNo - 1); !h.Eol(); h.Next()) {
      const TXmlTextAttribute* attr = h.TokenAttribute();
      out.Raw(number).Field(std::string_view(TokenKindName(h.TokenKind())));
      if (attr)
        out.Field(attr->StorageName());
      else
        out.Field(std::string_view("-"));
      out.Field(h.Token()).EndLine();
    }
    out.Raw(number).Field(std::string_view("range")).Field(std::string_view(RangeStateName(h.Range()))).EndLine();
    start = end;
    if (start < text.size()) start += (text[start] == u'\r' && start + 1 < text.size() && text[start + 1] == u'\n') ? 2 : 1;
  }
  return ecOk;
}

const TRegisterCommand kRegister({"highlight", "highlight FILE", RunHighlight});

}  // namespace
}  // namespace cli
