#include <sys/stat.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "DocTestUtil.h"
#include "Export.h"

using namespace doctest;

namespace {

std::string Csv(const TNodeTree& aTree) {
  TMemoryStream s;
  WriteCSV(aTree, s);
  return std::string(static_cast<const char*>(static_cast<const TCustomMemoryStream&>(s).Memory()), s.Size());
}

std::string Json(const TNodeTree& aTree) {
  TMemoryStream s;
  if (!WriteJSON(aTree, s)) return "(none)";
  return std::string(static_cast<const char*>(static_cast<const TCustomMemoryStream&>(s).Memory()), s.Size());
}

TEST(Export, Formats) {
  struct Case {
    const char* Label;
    std::string Xml;
    std::string CsvText;
    std::string JsonText;  // "(none)" when nothing is written
  };
  const Case cases[] = {
      {"attribute and child", "<a x=\"1\"><b>hi</b></a>", "a;\r\na.[x];1\r\na.b;hi\r\n",
       "{\"@x\":\"1\",\"b\":\"hi\"}\r\n"},
      {"attributes then text", "<r><e p=\"1\" q=\"2\">t</e></r>", "r;\r\nr.e;t\r\nr.e.[p];1\r\nr.e.[q];2\r\n",
       "{\"e\":{\"@p\":\"1\",\"@q\":\"2\",\"#text\":\"t\"}}\r\n"},
      {"comment after the attribute drops the text", "<r><e p=\"1\">t<!--c--></e></r>",
       "r;\r\nr.e;t\r\nr.e.[p];1\r\n", "{\"e\":{\"@p\":\"1\"}}\r\n"},
      {"repeated names stay repeated", "<r><i>1</i><i>2</i></r>", "r;\r\nr.i;1\r\nr.i;2\r\n",
       "{\"i\":\"1\",\"i\":\"2\"}\r\n"},
      {"childless document element", "<?xml version=\"1.0\"?><r>text</r>", "r;text\r\n", "{}\r\n"},
      {"document element with only attributes", "<r a=\"1\">t</r>", "r;t\r\nr.[a];1\r\n",
       "{\"@a\":\"1\",\"#text\":\"t\"}\r\n"},
      {"line breaks and separators", "<r><v>one\ntwo;\"q\"</v></r>", "r;\r\nr.v;one/ntwo;\"q\"\r\n",
       "{\"v\":\"one\\r\\ntwo;\\\"q\\\"\"}\r\n"},
      {"escapes", "<r><v>a/b\\c&#9;d&#8;&#12;&#1;e&#11;&#31;f</v></r>", "r;\r\nr.v;a/b\\c\td\b\f\x01" "e\x0b\x1f" "f\r\n",
       "{\"v\":\"a\\/b\\\\c\\td\\b\\f\\u0001e\\u000b\\u001ff\"}\r\n"},
      {"processing instructions and comments leave no trace", "<!--c--><?p d?><r><?q e?><!--x--><s/></r>",
       "r;\r\nr.s;\r\n", "{\"s\":\"\"}\r\n"},
      {"nested objects", "<r><a><b><c>deep</c></b><d/></a></r>", "r;\r\nr.a;\r\nr.a.b;\r\nr.a.b.c;deep\r\nr.a.d;\r\n",
       "{\"a\":{\"b\":{\"c\":\"deep\"},\"d\":\"\"}}\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    TXMLDocument doc;
    LoadText(doc, c.Xml);
    ASSERT_FALSE(doc.LoadFailed());
    EXPECT_EQ(Csv(doc.Tree()), c.CsvText);
    EXPECT_EQ(Json(doc.Tree()), c.JsonText);
  }
}

// Every character below U+0020 in names' values must leave valid JSON behind; a strict
// parser is the judge.
TEST(Export, ControlCharactersGiveValidJson) {
  if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
  std::string xml = "<r a=\"";
  for (int c = 0; c < 0x20; ++c) xml += "&#" + std::to_string(c) + ";";
  xml += "\"><v>";
  for (int c = 0; c < 0x20; ++c) xml += "&#" + std::to_string(c) + ";";
  xml += "</v></r>";
  TXMLDocument doc;
  LoadText(doc, xml);
  ASSERT_FALSE(doc.LoadFailed());
  std::string json = Json(doc.Tree());
  TTempFile file(json, ".json");
  const std::string command = "python3 -m json.tool " + file.Name() + " >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << json;
}

TEST(Export, CharacterSets) {
  TNodeTree t;
  const TNodeIndex r = t.AddChild(cNoNode, u"r\u00e9", u"", ntTag);
  t.AddChild(r, u"k", u"caf\u00e9 \u20ac \u4e2d", ntAttr);
  t.AddChild(r, u"s", std::u16string(u"x\xD800y"), ntAttr);
  // CSV: the system 8-bit code page (windows-1252); what it lacks becomes '?'.
  EXPECT_EQ(Csv(t), "r\xE9;\r\nr\xE9.[k];caf\xE9 \x80 ?\r\nr\xE9.[s];x?y\r\n");
  // JSON: UTF-8 as is; a lone surrogate, which UTF-8 cannot hold, becomes U+FFFD.
  EXPECT_EQ(Json(t), "{\"@k\":\"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD\",\"@s\":\"x\xEF\xBF\xBDy\",\"#text\":\"\"}\r\n");
}

TEST(Export, TreeWithoutElement) {
  TNodeTree empty;
  EXPECT_EQ(Csv(empty), "");
  EXPECT_EQ(Json(empty), "(none)");

  TNodeTree commentOnly;
  commentOnly.AddChild(cNoNode, u"Comment", u"c", ntComment);
  EXPECT_EQ(Json(commentOnly), "(none)");

  TTempFile target("previous", ".json");
  std::remove(target.Name().c_str());
  EXPECT_FALSE(ExportToJSON(commentOnly, target.Name16()));
  struct stat st;
  EXPECT_NE(stat(target.Name().c_str(), &st), 0);  // no file created
  ExportToCSV(empty, target.Name16());
  EXPECT_EQ(ReadAll(target.Name()), "");
}

TEST(Export, FilesAreReplacedWhole) {
  TNodeTree t;
  const TNodeIndex r = t.AddChild(cNoNode, u"r", u"", ntEmptyTag);
  t.AddChild(r, u"a", u"1", ntEmptyTag);
  TTempFile target("old content that is longer than the new one", ".csv");
  ExportToCSV(t, target.Name16());
  EXPECT_EQ(ReadAll(target.Name()), "r;\r\nr.a;1\r\n");
  EXPECT_TRUE(ExportToJSON(t, target.Name16()));
  EXPECT_EQ(ReadAll(target.Name()), "{\"a\":\"1\"}\r\n");
  EXPECT_THROW(ExportToCSV(t, u"/nonexistent-dir/x.csv"), EGeneralError);
}

TEST(Export, MillionLevelsDeep) {
  const int depth = 1000000;
  TNodeTree t;
  TNodeIndex n = cNoNode;
  for (int i = 0; i < depth; ++i) n = t.AddChild(n, u"d", u"", ntEmptyTag);
  t.SetValue(n, u"v");
  std::string expected = "{";
  for (int i = 1; i < depth - 1; ++i) expected += "\"d\":{";
  expected += "\"d\":\"v\"";
  expected.append(static_cast<size_t>(depth - 1), '}');
  expected += "\r\n";
  EXPECT_EQ(Json(t), expected);

  // Each CSV line holds its whole path, so the CSV of a deep tree grows with the square of
  // the depth; a few thousand levels show that it is walked without recursion.
  TNodeTree shallow;
  n = cNoNode;
  for (int i = 0; i < 3000; ++i) n = shallow.AddChild(n, u"d", u"", ntEmptyTag);
  shallow.SetValue(n, u"v");
  const std::string csv = Csv(shallow);
  size_t lines = 0;
  for (char c : csv) lines += c == '\n';
  EXPECT_EQ(lines, 3000u);
  std::string deepest;
  for (int i = 0; i < 3000; ++i) deepest += i ? ".d" : "d";
  deepest += ";v\r\n";
  EXPECT_EQ(csv.substr(csv.size() - deepest.size()), deepest);
}

}  // namespace
