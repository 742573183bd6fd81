// The document model over arbitrary bytes: what the viewer does with a file it opens and what
// the editor does with its text. The first byte picks the options (bit 0 strict, bit 1
// attributes in the tree, bit 2 switch that setting after loading, bits 3-7 where the search
// text is taken from, bits 5-7 how often progress is reported); the rest is the file. The
// loader works on files, so the input is written to one file per process, overwritten by each
// run.
//
// Besides "no crash, leak or hang", a few cheap cross-checks: the walker's depth against the
// tree's, children inside their parent's subtree, and the tree search against a plain search.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "BufferedStreams.h"
#include "EditorEncoding.h"
#include "Export.h"
#include "NodeTree.h"
#include "Search.h"
#include "SourceText.h"
#include "WideSupport.h"
#include "XmlDocument.h"
#include "XmlFormat.h"
#include "XmlUtils.h"
#include "XmlValidate.h"

namespace {

#define FUZZ_CHECK(aCondition) \
  do {                         \
    if (!(aCondition)) __builtin_trap(); \
  } while (false)

const std::u16string& InputFile() {
  static const std::u16string name =
      Utf8ToUtf16("/tmp/quillon-fuzz-document-" + std::to_string(getpid()) + ".xml");
  return name;
}

bool WriteInput(const uint8_t* aData, size_t aSize) {
  FILE* f = std::fopen(Utf16ToUtf8(InputFile()).c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(aData, 1, aSize, f) == aSize;
  return std::fclose(f) == 0 && ok;
}

size_t WalkTree(const TNodeTree& aTree) {
  size_t length = 0;
  std::u16string value;
  for (TNodeWalker w(aTree); !w.Done(); w.Next()) {
    const TNodeIndex n = w.Node();
    FUZZ_CHECK(w.Depth() == aTree.Depth(n));
    const TNodeIndex parent = aTree.Parent(n);
    FUZZ_CHECK(parent == cNoNode || (parent < n && aTree.SubtreeEnd(n) <= aTree.SubtreeEnd(parent)));
    const int32_t row = aTree.RowOf(n);
    FUZZ_CHECK(row >= 0 && aTree.ChildAt(parent, row) == n);
    const int32_t visibleRow = aTree.VisibleRowOf(n);
    FUZZ_CHECK(aTree.Hidden(n) ? visibleRow == -1 : aTree.VisibleChildAt(parent, visibleRow) == n);
    aTree.ValueInto(n, value);
    FUZZ_CHECK(aTree.ValueEmpty(n) == value.empty());
    FUZZ_CHECK(aTree.ValuePrefix(n, 100) == std::u16string_view(value).substr(0, aTree.ValuePrefix(n, 100).size()));
    length += aTree.Name(n).size() + value.size() + aTree.Path(n, u'/').size() + aTree.ValueBytes(n).size();
    length += static_cast<size_t>(aTree.ChildCount(n) + aTree.VisibleChildCount(n));
    length += NodeTypeName(aTree.Typ(n))[0];
  }
  return length;
}

// Every search step from the top to the end must land on exactly the nodes a plain upper-case
// comparison of name and value finds, in document order.
void CheckSearch(TXMLDocument& aDoc, std::u16string_view aNeedle) {
  const TNodeTree& tree = aDoc.Tree();
  const std::u16string needle = UpperCase(aNeedle);
  auto plainMatch = [&](TNodeIndex n) {
    if (needle.empty()) return false;
    return UpperCase(tree.Name(n)).find(needle) != std::u16string::npos ||
           UpperCase(tree.Value(n)).find(needle) != std::u16string::npos;
  };
  aDoc.SetRoot(cNoNode);
  TNodeIndex expected = 0;
  for (;;) {
    while (expected < tree.Count() && !plainMatch(expected)) ++expected;
    const TNodeIndex found = aDoc.SearchTree(aNeedle);
    if (expected >= tree.Count()) {
      FUZZ_CHECK(found == cNoNode && aDoc.Root() == cNoNode);
      break;
    }
    FUZZ_CHECK(found == expected);
    ++expected;
    if (aDoc.Root() == cNoNode) {  // the match was the last node
      FUZZ_CHECK(expected == tree.Count());
      break;
    }
  }
}

}  // namespace

// Undefined behaviour is a finding like a crash: stop at the first report so that it leaves an
// input behind instead of scrolling past.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  const uint8_t flags = aData[0];
  if (!WriteInput(aData + 1, aSize - 1)) return 0;

  // The viewer: load, walk, search, switch attributes, export.
  TXMLDocument doc;
  doc.SetStrictXML(flags & 1);
  doc.SetAttributesInTree(flags & 2);
  doc.ProgressInterval = 1 + (flags >> 5);
  doc.OnProgress = [](int64_t aPosition, int64_t aSize) { FUZZ_CHECK(aPosition >= 0 && aPosition <= aSize); };
  doc.SetFilename(InputFile());
  size_t length = WalkTree(doc.Tree());
  for (const auto& line : doc.Messages()) length += line.Text.size();
  for (const auto& fragment : doc.Cnt()) length += fragment.size();

  // The editor: the file as it decodes it, validated and formatted.
  TEditorFile file = LoadEditorFile(InputFile());
  const std::u16string& text = file.Text;

  // A short search text from somewhere in the input (an empty one is a legal search too).
  if (!text.empty()) {
    const size_t start = (static_cast<size_t>(flags >> 3) * 131) % text.size();
    CheckSearch(doc, std::u16string_view(text).substr(start, 1 + (flags >> 3) % 6));
  } else {
    CheckSearch(doc, u"a");
  }

  if (flags & 4) {
    doc.RefreshView(!(flags & 2));
    length += WalkTree(doc.Tree());
  }

  {
    TMemoryStream csv;
    WriteCSV(doc.Tree(), csv);
    length += static_cast<size_t>(csv.Size());
  }
  {
    TMemoryStream json;
    const bool written = WriteJSON(doc.Tree(), json);
    const auto* bytes = static_cast<const uint8_t*>(json.Memory());
    FUZZ_CHECK(written ? json.Size() >= 4 && bytes[0] == '{' && bytes[json.Size() - 1] == '\n'
                       : json.Size() == 0);
    length += static_cast<size_t>(json.Size());
  }

  const TXMLValidation validation = ValidateXML(text, true);
  FUZZ_CHECK(validation.Valid == (validation.Outcome == voValid));
  length += validation.Message.size();
  try {
    TEncodingRef encoding;
    length += FormatXML(text, encoding).size();
  } catch (const EXmlWriterInvalidString&) {
    // a token the reader accepts that the strict writer refuses: reported to the user
  } catch (const EXmlFormatUnknownEncoding&) {
    // a declared encoding nothing converts: refused with a message
  }
  length += EditorTextBytes(text, file.Encoding.get()).size();

  const TSourceText formatted = BuildSourceText(InputFile(), true);
  const TSourceText stored = BuildSourceText(InputFile(), false);
  FUZZ_CHECK(!stored.Formatted);
  length += formatted.Text.size() + stored.Text.size() + formatted.EncodingName.size();

  (void)length;
  return 0;
}
