#include <gtest/gtest.h>

#include "DocTestUtil.h"
#include "Search.h"

using namespace doctest;

namespace {

const char* cDoc =
    "<?xml version=\"1.0\"?><catalog><book id=\"bk101\" lang=\"fr\"><title>Caf\xC3\xA9 Stra\xC3\x9F" "e</title>"
    "<note>unique-needle</note></book><book id=\"bk102\"><title>Other</title><!--Remark--></book></catalog>";

TEST(TreeSearch, FindsThenReportsNothingThenStartsOver) {
  TXMLDocument doc;
  LoadText(doc, cDoc);
  const TNodeTree& t = doc.Tree();
  const TNodeIndex first = doc.SearchTree(u"UNIQUE-needle");
  ASSERT_NE(first, cNoNode);
  EXPECT_EQ(t.Name(first), u"note");
  EXPECT_EQ(doc.Root(), first + 1);
  EXPECT_EQ(doc.SearchTree(u"unique-needle"), cNoNode);
  EXPECT_EQ(doc.Root(), cNoNode);
  EXPECT_EQ(doc.SearchTree(u"unique-needle"), first);
}

// The document keeps what its last search learnt about names only for the same text and the
// same tree: a new text, or a reload with other names under the same name ids, searches anew.
TEST(TreeSearch, StepsReuseTheMatcherOnlyWhileTextAndTreeStay) {
  TXMLDocument doc;
  LoadText(doc, "<r><keep/><drop/><keep/><end/></r>");
  const TNodeTree& t = doc.Tree();
  EXPECT_EQ(t.Name(doc.SearchTree(u"KEEP")), u"keep");
  EXPECT_EQ(doc.SearchTree(u"drop"), 2u);  // a new text goes on from the resume point
  EXPECT_EQ(t.Name(doc.SearchTree(u"keep")), u"keep");
  EXPECT_EQ(doc.SearchTree(u"keep"), cNoNode);
  LoadText(doc, "<r><drop/><keep/><end/></r>");  // "drop" now has the name id "keep" had
  EXPECT_EQ(doc.SearchTree(u"keep"), 2u);
  EXPECT_EQ(doc.SearchTree(u"keep"), cNoNode);

  // Every node a match under its own name: each step finds the next one.
  std::string xml = "<r>";
  for (int i = 0; i < 1000; ++i) xml += "<m" + std::to_string(i) + "/>";
  LoadText(doc, xml + "</r>");
  int found = 0;
  for (TNodeIndex n = doc.SearchTree(u"M"); n != cNoNode && found < 2000; n = doc.SearchTree(u"M")) {
    ASSERT_EQ(doc.Tree().Name(n), u"m" + Utf8ToUtf16(std::to_string(found)));
    ++found;
    if (doc.Root() == cNoNode) break;  // the match was the last node; the next step starts over
  }
  EXPECT_EQ(found, 1000);
}

TEST(TreeSearch, MatchesNamesAndValuesWithoutRegardToCase) {
  TXMLDocument doc;
  LoadText(doc, cDoc, false, /*attributesInTree=*/false);
  const TNodeTree& t = doc.Tree();
  struct Case {
    const char16_t* Text;
    std::vector<std::string> Names;  // every match, in order
  };
  const Case cases[] = {
      {u"BOOK", {"book", "book"}},
      {u"bk10", {"id", "id"}},                 // hidden attribute nodes are searched
      {u"caf\u00c9", {"title"}},               // non-ASCII letters fold too
      {u"STRASSE", {}},                        // one code unit at a time: no expansion of ß
      {u"stra\u00df", {"title"}},
      {u"remark", {"Comment"}},
      {u"comment", {"Comment"}},               // the comment node's name
      {u"xml", {"<?xml?>"}},
      {u"", {}},                               // an empty text finds nothing
      {u"absent", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.Text));
    std::vector<std::string> found;
    TNodeIndex resume = cNoNode;
    for (TNodeIndex n = SearchTree(t, resume, c.Text); n != cNoNode; n = SearchTree(t, resume, c.Text)) {
      found.push_back(U8(t.Name(n)));
      if (resume == cNoNode) break;
    }
    EXPECT_EQ(found, c.Names);
  }
}

TEST(TreeSearch, LongValuesAreSearchedInFull) {
  std::string xml = "<r><v>";
  xml.append(5000, 'a');
  xml += "\xC3\xA9needle</v><w>";
  xml.append(3000, 'b');
  xml += "tail</w></r>";
  TXMLDocument doc;
  LoadText(doc, xml);
  TNodeIndex resume = cNoNode;
  EXPECT_EQ(doc.Tree().Name(SearchTree(doc.Tree(), resume, u"\u00c9NEEDLE")), u"v");
  resume = cNoNode;
  EXPECT_EQ(doc.Tree().Name(SearchTree(doc.Tree(), resume, u"BTAIL")), u"w");
}

TEST(TreeSearch, UpperCaseUnits) {
  EXPECT_EQ(UpperCaseUnit(u'a'), u'A');
  EXPECT_EQ(UpperCaseUnit(u'\u00e9'), u'\u00c9');
  EXPECT_EQ(UpperCaseUnit(u'\u0436'), u'\u0416');
  EXPECT_EQ(UpperCaseUnit(u'1'), u'1');
  EXPECT_EQ(UpperCaseUnit(char16_t(0xD800)), char16_t(0xD800));
}

TEST(TreeSearch, EmptyTree) {
  TNodeTree t;
  TNodeIndex resume = cNoNode;
  EXPECT_EQ(SearchTree(t, resume, u"x"), cNoNode);
}

}  // namespace
