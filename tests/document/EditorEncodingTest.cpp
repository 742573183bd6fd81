#include <gtest/gtest.h>

#include <filesystem>

#include "DocOpsTestFiles.h"
#include "EditorEncoding.h"
#include "WideSupport.h"

namespace {

std::string Bytes(const std::vector<uint8_t>& ABytes) { return std::string(ABytes.begin(), ABytes.end()); }

TEST(DeclaredEncodingOfText, FollowsTheDeclaration) {
  struct TCase {
    const char* Text;
    int CodePage;  // 0: no encoding
  } cases[] = {
      {"<r/>", 65001},
      {"<?xml version=\"1.0\"?><r/>", 65001},
      {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", 1200},
      {"<?xml version=\"1.0\" encoding='Windows-1250'?><r/>", 1250},
      {"<?xml version=\"1.0\" encoding=\"iso-8859-2\" standalone=\"yes\"?>", 28592},
      {"<?xml version=\"1.0\" encoding=\"x-unlisted\"?><r/>", 0},
      // a syntax error before the encoding pseudo-attribute leaves UTF-8
      {"<?xml version=\"1.0\" ?? encoding=\"windows-1250\"?><r/>", 65001},
      // a comment is no declaration
      {"<!-- <?xml version=\"1.0\" encoding=\"windows-1250\"?> --><r/>", 65001},
  };
  for (const TCase& c : cases) {
    TEncodingRef encoding = DeclaredEncodingOfText(Utf8ToUtf16(c.Text));
    if (c.CodePage == 0)
      EXPECT_EQ(encoding, nullptr) << c.Text;
    else
      EXPECT_EQ(EncodingCodePage(encoding.get()), c.CodePage) << c.Text;
  }
  // The standard encodings are the shared instances.
  EXPECT_EQ(DeclaredEncodingOfText(u"<r/>").get(), TEncoding::UTF8());
  EXPECT_EQ(DeclaredEncodingOfText(u"<?xml version=\"1.0\" encoding=\"utf-16be\"?>").get(), TEncoding::BigEndianUnicode());
}

class EditorEncodingFiles : public TDocOpsFiles {};

TEST_F(EditorEncodingFiles, DeclaredEncodingOfFile) {
  EXPECT_EQ(DeclaredEncodingOfFile(WriteFile("a.xml", "<?xml version=\"1.0\" encoding=\"koi8-r\"?><r/>"))->CodePage(), 20866);
  EXPECT_EQ(DeclaredEncodingOfFile(WriteFile("b.xml", "\xFF\xFE" + Utf16LE(u"<?xml version=\"1.0\" encoding=\"utf-16\"?><r/>"))).get(),
            TEncoding::Unicode());
  EXPECT_EQ(DeclaredEncodingOfFile(WriteFile("c.xml", "")).get(), TEncoding::UTF8());
  EXPECT_THROW(DeclaredEncodingOfFile(PathOf("missing.xml")), EFOpenError);
}

TEST_F(EditorEncodingFiles, LoadDecodesByMarkThenDeclarationThenSystemCodePage) {
  struct TCase {
    std::string Bytes;
    std::u16string Text;
    int DeclaredCodePage;  // 0: none
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\xF8</r>", u"<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\u0159</r>", 1250},
      {"\xEF\xBB\xBF<r>\xC3\xA9</r>", u"<r>\u00E9</r>", 65001},
      {"<r>\xC3\xA9</r>", u"<r>\u00E9</r>", 65001},
      // UTF-16 with its mark but no encoding declaration: read by the mark, not as UTF-8
      {"\xFF\xFE" + Utf16LE(u"<r>\u0159</r>"), u"<r>\u0159</r>", 65001},
      // an unlisted name: the system 8-bit code page
      {"<?xml version=\"1.0\" encoding=\"x-other\"?><r>\xE9</r>", u"<?xml version=\"1.0\" encoding=\"x-other\"?><r>\u00E9</r>", 0},
  };
  int n = 0;
  for (const TCase& c : cases) {
    TEditorFile file = LoadEditorFile(WriteFile("f" + std::to_string(n++) + ".xml", c.Bytes));
    EXPECT_EQ(file.Text, c.Text) << n;
    EXPECT_EQ(EncodingCodePage(file.Encoding.get()), c.DeclaredCodePage) << n;
  }
}

TEST(EditorTextBytes, MarkEncodingAndLineBreaks) {
  struct TCase {
    std::u16string Text;
    std::string Bytes;
  } cases[] = {
      // no encoding declared: UTF-8 with its mark, every line ended by CR LF
      {u"<?xml version=\"1.0\"?>\n<r>\u00E9</r>", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<r>\xC3\xA9</r>\r\n"},
      // windows-1250 has no mark
      {u"<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\u0159</r>",
       "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\xF8</r>\r\n"},
      // CR, LF and CR LF all become CR LF; a final line break adds no line
      {u"<?xml version=\"1.0\"?>\r\n<a/>\r<b/>\n\r\n", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<a/>\r\n<b/>\r\n\r\n"},
      // an unlisted name: the system 8-bit code page without a mark
      {u"<?xml version=\"1.0\" encoding=\"x-other\"?><r>\u00E9</r>", "<?xml version=\"1.0\" encoding=\"x-other\"?><r>\xE9</r>\r\n"},
      {u"", "\xEF\xBB\xBF"},
  };
  for (const TCase& c : cases) {
    TEncodingRef encoding = DeclaredEncodingOfText(c.Text);
    EXPECT_EQ(Bytes(EditorTextBytes(c.Text, encoding.get())), c.Bytes) << Utf16ToUtf8(c.Text);
  }
  // UTF-16: FF FE and little-endian units
  std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>";
  EXPECT_EQ(Bytes(EditorTextBytes(text, TEncoding::Unicode())), "\xFF\xFE" + Utf16LE(text + u"\r\n"));
}

TEST_F(EditorEncodingFiles, SaveFollowsTheTextsOwnDeclarationAndRoundTrips) {
  // Loaded as UTF-8, the declaration changed to UTF-16: saved as UTF-16LE with FF FE.
  auto name = WriteFile("a.xml", "<?xml version=\"1.0\"?>\r\n<r>\xC3\xA9</r>\r\n");
  TEditorFile loaded = LoadEditorFile(name);
  std::u16string edited = loaded.Text;
  edited.replace(edited.find(u"?>"), 0, u" encoding=\"utf-16\"");
  TEncodingRef used = SaveEditorText(name, edited);
  EXPECT_EQ(used.get(), TEncoding::Unicode());
  EXPECT_EQ(AsString(ReadFile(name)), "\xFF\xFE" + Utf16LE(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<r>\u00E9</r>\r\n"));

  // Load and save again: the same bytes.
  const std::vector<uint8_t> before = ReadFile(name);
  SaveEditorText(name, LoadEditorFile(name).Text);
  EXPECT_EQ(ReadFile(name), before);
}

TEST_F(EditorEncodingFiles, FailedSaveLeavesNoFileBehind) {
  EXPECT_THROW(SaveEditorText(PathOf("no-such-dir/a.xml"), u"<?xml version=\"1.0\"?><r/>"), EStreamError);
  auto name = WriteFile("keep.xml", "old");
  // The folder exists but the target is a directory: the rename fails, the old file stays.
  std::filesystem::create_directory(Utf16ToUtf8(PathOf("dir.xml")));
  EXPECT_THROW(SaveEditorText(PathOf("dir.xml"), u"<?xml version=\"1.0\"?><r/>"), EGeneralError);
  EXPECT_EQ(AsString(ReadFile(name)), "old");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(FDir)) ++entries;
  EXPECT_EQ(entries, 2u);  // keep.xml and dir.xml, no temporary left over
}

}  // namespace
