// quillon-cli tree, find and export: the viewer's document model without the window. The file
// is loaded as a document window loads it (tolerant unless --strict, attributes in the tree),
// with the user's thousands separator in the Messages lines.
#include <clocale>
#include <cstdio>

#include "CliCommon.h"
#include "XmlDocument.h"

namespace cli {
namespace {

// A file that cannot be read at all is an I/O error of the command, not a document to show.
void CheckReadable(const std::string& aName) {
  FILE* f = std::fopen(aName.c_str(), "rb");
  if (!f) throw EUsage{"cannot open " + aName};
  std::fclose(f);
}

void Load(TXMLDocument& aDoc, const TInputFile& aInput, bool aStrict) {
  const std::string& aName = aInput.Name();
  CheckReadable(aName);
  std::setlocale(LC_NUMERIC, "");
  aDoc.SetNumberFormat(TNumberFormat::FromCLocale());
  aDoc.SetStrictXML(aStrict);
  aDoc.SetFilename(Utf8ToUtf16(aName));
}

void WriteMessages(TRecordWriter& aOut, const TXMLDocument& aDoc) {
  for (const auto& m : aDoc.Messages()) {
    aOut.Raw("message").Field(static_cast<long long>(m.ImageIndex)).Field(std::u16string_view(m.Text));
    aOut.EndLine();
  }
}

int RunTree(std::vector<std::string>& aArgs) {
  const char* synopsis = "tree [--strict] [--count] FILE";
  const bool strict = TakeFlag(aArgs, "--strict");
  const bool countOnly = TakeFlag(aArgs, "--count");
  ExpectPositional(aArgs, 1, synopsis);
  const TInputFile input(aArgs[0]);
  TXMLDocument doc;
  Load(doc, input, strict);
  TRecordWriter out;
  if (!countOnly) {
    const TNodeTree& tree = doc.Tree();
    std::u16string value;
    for (TNodeWalker w(tree); !w.Done(); w.Next()) {
      const TNodeIndex n = w.Node();
      tree.ValueInto(n, value);
      out.Raw("node").Field(static_cast<long long>(w.Depth())).Field(std::string_view(NodeTypeName(tree.Typ(n))));
      out.Field(tree.Name(n)).Field(std::u16string_view(value)).Field(static_cast<long long>(tree.Expanded(n) ? 1 : 0));
      out.EndLine();
    }
    out.Raw("encoding").Field(std::u16string_view(doc.Encoding()));
    out.EndLine();
    for (const auto& fragment : doc.Cnt()) {
      out.Raw("content").Field(std::u16string_view(fragment));
      out.EndLine();
    }
  }
  WriteMessages(out, doc);
  return doc.LoadFailed() ? ecParseError : ecOk;
}

// The path bar's text: the element's own path, or its parent's for other kinds, backslash
// delimited, without the trailing backslash.
std::u16string PathBarText(const TNodeTree& aTree, TNodeIndex aNode) {
  std::u16string path = aTree.Path(aTree.IsElement(aNode) ? aNode : aTree.Parent(aNode), u'\\');
  if (!path.empty() && path.back() == u'\\') path.pop_back();
  return path;
}

int RunFind(std::vector<std::string>& aArgs) {
  const char* synopsis = "find [--strict] TEXT FILE";
  const bool strict = TakeFlag(aArgs, "--strict");
  ExpectPositional(aArgs, 2, synopsis);
  const TInputFile input(aArgs[1]);
  TXMLDocument doc;
  Load(doc, input, strict);
  const std::u16string text = Utf8ToUtf16(aArgs[0]);
  TRecordWriter out;
  const TNodeTree& tree = doc.Tree();
  for (TNodeIndex n = doc.SearchTree(text); n != cNoNode; n = doc.SearchTree(text)) {
    out.Raw("match").Field(std::u16string_view(PathBarText(tree, n)));
    out.Field(std::string_view(NodeTypeName(tree.Typ(n)))).Field(tree.Name(n));
    out.EndLine();
    if (doc.Root() == cNoNode) break;  // the match was the last node
  }
  return doc.LoadFailed() ? ecParseError : ecOk;
}

int RunExport(std::vector<std::string>& aArgs) {
  const char* synopsis = "export csv|json FILE OUT";
  ExpectPositional(aArgs, 3, synopsis);
  const std::string& format = aArgs[0];
  if (format != "csv" && format != "json") throw EUsage{std::string("usage: quillon-cli ") + synopsis};
  const TInputFile input(aArgs[1]);
  TXMLDocument doc;
  Load(doc, input, false);
  const std::u16string target = Utf8ToUtf16(aArgs[2]);
  try {
    if (format == "csv")
      doc.ExportToCSV(target);
    else
      doc.ExportToJSON(target);
  } catch (const EGeneralError& e) {
    throw EUsage{e.what()};
  }
  return doc.LoadFailed() ? ecParseError : ecOk;
}

TRegisterCommand gTree{{"tree", "tree [--strict] [--count] FILE", RunTree}};
TRegisterCommand gFind{{"find", "find [--strict] TEXT FILE", RunFind}};
TRegisterCommand gExport{{"export", "export csv|json FILE OUT", RunExport}};

}  // namespace
}  // namespace cli
