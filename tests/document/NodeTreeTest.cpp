#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "NodeTree.h"

namespace {

// <r a="1"> <x/> <!--c--> <y><z/></y> </r> and a second top-level comment.
struct SmallTree {
  TNodeTree t;
  TNodeIndex r, a, x, c, y, z, top2;
  SmallTree() {
    r = t.AddChild(cNoNode, u"r", u"", ntTag);
    a = t.AddChild(r, u"a", u"1", ntAttr);
    x = t.AddChild(r, u"x", u"", ntEmptyTag);
    c = t.AddChild(r, u"Comment", u"c", ntComment);
    y = t.AddChild(r, u"y", u"", ntEmptyTag);
    z = t.AddChild(y, u"z", u"", ntEmptyTag);
    top2 = t.AddChild(cNoNode, u"Comment", u"after", ntComment);
  }
};

TEST(NodeTree, NavigationFollowsDocumentOrder) {
  SmallTree s;
  TNodeTree& t = s.t;
  EXPECT_EQ(t.Count(), 7u);
  EXPECT_EQ(t.First(), s.r);
  EXPECT_EQ(t.Next(s.z), s.top2);
  EXPECT_EQ(t.Next(s.top2), cNoNode);
  EXPECT_EQ(t.FirstChild(s.r), s.a);
  EXPECT_EQ(t.FirstChild(s.x), cNoNode);
  EXPECT_EQ(t.FirstChild(cNoNode), s.r);
  EXPECT_EQ(t.NextSibling(s.a), s.x);
  EXPECT_EQ(t.NextSibling(s.y), cNoNode);
  EXPECT_EQ(t.NextSibling(s.r), s.top2);
  EXPECT_EQ(t.NextSibling(s.z), cNoNode);
  EXPECT_EQ(t.Parent(s.z), s.y);
  EXPECT_EQ(t.Parent(s.r), cNoNode);
  EXPECT_EQ(t.ChildCount(s.r), 4);
  EXPECT_EQ(t.ChildCount(cNoNode), 2);
  EXPECT_EQ(t.ChildAt(s.r, 3), s.y);
  EXPECT_EQ(t.ChildAt(s.r, 4), cNoNode);
  EXPECT_EQ(t.RowOf(s.y), 3);
  EXPECT_EQ(t.RowOf(s.top2), 1);
  EXPECT_EQ(t.Depth(s.z), 2);
  EXPECT_EQ(t.Depth(s.top2), 0);
  EXPECT_EQ(t.SubtreeEnd(s.r), s.top2);
  EXPECT_EQ(t.Path(s.z, u'.'), u"r.y.z.");
  EXPECT_EQ(t.Path(cNoNode, u'\\'), u"\\");
  // Cut one unit past the length asked for, wherever the cut falls; whole when it fits.
  const std::pair<size_t, std::u16string> cuts[] = {
      {6, u"r.y.z."}, {5, u"r.y.z."}, {4, u"r.y.z"}, {3, u"r.y."}, {2, u"r.y"}, {0, u"r"}};
  for (const auto& [length, path] : cuts) EXPECT_EQ(t.Path(s.z, u'.', length), path) << length;
  EXPECT_EQ(t.Name(s.c), u"Comment");
  EXPECT_EQ(t.NameId(s.c), t.NameId(s.top2));  // one stored copy per distinct name
  EXPECT_EQ(t.Names().Count(), 6u);
  EXPECT_EQ(t.Typ(s.a), ntAttr);
  EXPECT_EQ(t.Value(s.top2), u"after");

  TNodeWalker w(t);
  std::vector<int32_t> depths;
  for (; !w.Done(); w.Next()) depths.push_back(w.Depth());
  EXPECT_EQ(depths, (std::vector<int32_t>{0, 1, 1, 1, 1, 2, 0}));
}

// A tolerant parse can deliver an empty name first, before the table holds any characters.
TEST(NodeTree, EmptyNameInternedOnce) {
  TNameTable names;
  const uint32_t id = names.Intern(std::u16string_view());
  EXPECT_EQ(names.Intern(u""), id);
  EXPECT_EQ(names.Intern(std::u16string_view()), id);
  EXPECT_EQ(names.Get(id), u"");
  EXPECT_NE(names.Intern(u"a"), id);
  EXPECT_EQ(names.Count(), 2u);
}

TEST(NodeTree, AppendsOnlyAlongTheOpenPath) {
  SmallTree s;
  // y is closed once top2 follows it; x long before.
  EXPECT_THROW(s.t.AddChild(s.x, u"late", u"", ntEmptyTag), ENodeTree);
  EXPECT_THROW(s.t.AddChild(s.y, u"late", u"", ntEmptyTag), ENodeTree);
  EXPECT_EQ(s.t.Count(), 7u);
  // The last node itself and the top level are open.
  TNodeIndex n = s.t.AddChild(s.top2, u"odd", u"", ntEmptyTag);
  EXPECT_EQ(s.t.Parent(n), s.top2);
  s.t.Clear();
  EXPECT_TRUE(s.t.Empty());
  EXPECT_EQ(s.t.First(), cNoNode);
  EXPECT_EQ(s.t.AddChild(cNoNode, u"again", u"v", ntTag), 0u);
  EXPECT_EQ(s.t.Value(0), u"v");
}

TEST(NodeTree, ValuesComeBackExactly) {
  TNodeTree t;
  const std::u16string cases[] = {
      u"",
      u"plain ascii",
      u"caf\u00e9 \u20ac \u4e2d",
      std::u16string(u"pair \xD83D\xDE00 end"),
      std::u16string(u"lone \xD800 high and \xDC00 low, trailing \xD83D"),
      std::u16string(300, u'x') + u"\u00ff",
      std::u16string(70000, u'\u0416'),
      u"line1\r\nline2\nx",
  };
  std::vector<TNodeIndex> nodes;
  TNodeIndex root = t.AddChild(cNoNode, u"root", u"", ntEmptyTag);
  for (const auto& v : cases) nodes.push_back(t.AddChild(root, u"v", v, ntAttr));
  for (size_t i = 0; i < nodes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t.Value(nodes[i]), cases[i]);
    EXPECT_EQ(t.ValueEmpty(nodes[i]), cases[i].empty());
  }
  EXPECT_TRUE(t.ValueIsAscii(nodes[1]));
  EXPECT_FALSE(t.ValueIsAscii(nodes[2]));
  EXPECT_EQ(t.ValueBytes(nodes[2]), "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");

  // A prefix never ends inside a surrogate pair.
  EXPECT_EQ(t.ValuePrefix(nodes[3], 6), std::u16string(u"pair \xD83D\xDE00").substr(0, 5));
  EXPECT_EQ(t.ValuePrefix(nodes[3], 7), std::u16string(u"pair \xD83D\xDE00"));
  EXPECT_EQ(t.ValuePrefix(nodes[6], 100), std::u16string(100, u'\u0416'));
  EXPECT_EQ(t.ValuePrefix(nodes[1], 100), u"plain ascii");

  // Replacing a value keeps the others.
  t.SetValue(root, u"text");
  t.SetValue(nodes[1], u"");
  EXPECT_EQ(t.Value(root), u"text");
  EXPECT_TRUE(t.ValueEmpty(nodes[1]));
  EXPECT_EQ(t.Value(nodes[2]), cases[2]);
}

TEST(NodeTree, ManyChildrenAndHiddenRows) {
  // Parents above the direct-walk limit go through the child index; the answers must not change.
  for (int children : {5, 40}) {
    SCOPED_TRACE(children);
    TNodeTree t;
    TNodeIndex p = t.AddChild(cNoNode, u"p", u"", ntTag);
    std::vector<TNodeIndex> kids, visible;
    for (int i = 0; i < children; ++i) {
      const bool attr = i < 3;
      TNodeIndex k = t.AddChild(p, attr ? u"at" : u"e", u"", attr ? ntAttr : ntEmptyTag);
      if (i % 7 == 6) t.AddChild(k, u"grandchild", u"", ntEmptyTag);
      kids.push_back(k);
    }
    for (TNodeIndex k : kids)
      if (t.Typ(k) == ntAttr) t.SetHidden(k, true); else visible.push_back(k);
    ASSERT_EQ(t.ChildCount(p), children);
    ASSERT_EQ(t.VisibleChildCount(p), static_cast<int32_t>(visible.size()));
    for (int i = 0; i < children; ++i) {
      EXPECT_EQ(t.ChildAt(p, i), kids[i]);
      EXPECT_EQ(t.RowOf(kids[i]), i);
    }
    for (size_t i = 0; i < visible.size(); ++i) {
      EXPECT_EQ(t.VisibleChildAt(p, static_cast<int32_t>(i)), visible[i]);
      EXPECT_EQ(t.VisibleRowOf(visible[i]), static_cast<int32_t>(i));
    }
    EXPECT_EQ(t.VisibleRowOf(kids[0]), -1);
    // Showing the attributes again and adding a child refresh the indexes.
    t.SetHiddenOfType(ntAttr, false);
    EXPECT_EQ(t.VisibleChildCount(p), children);
    EXPECT_EQ(t.VisibleRowOf(kids[0]), 0);
    TNodeIndex extra = t.AddChild(p, u"extra", u"", ntEmptyTag);
    EXPECT_EQ(t.ChildCount(p), children + 1);
    EXPECT_EQ(t.RowOf(extra), children);
    EXPECT_EQ(t.VisibleChildAt(p, children), extra);
  }
}

// Views count rows with a signed 32-bit int, so the tree's own limit is that range. Past its
// limit (lowered here, so the edge is reached without two billion nodes) a node is refused
// with ENodeTree and the tree built so far stays whole and usable.
TEST(NodeTree, StopsAtItsNodeLimitAndKeepsWhatItHas) {
  TNodeTree t;
  EXPECT_EQ(TNodeTree::cMaxNodes, static_cast<TNodeIndex>(std::numeric_limits<int32_t>::max()));
  EXPECT_EQ(t.NodeLimit(), TNodeTree::cMaxNodes);
  t.SetNodeLimit(0xFFFFFFF0u);  // never above the maximum
  EXPECT_EQ(t.NodeLimit(), TNodeTree::cMaxNodes);

  t.SetNodeLimit(5);
  for (int round = 0; round < 2; ++round) {  // Clear keeps the limit
    SCOPED_TRACE(round);
    const TNodeIndex r = t.AddChild(cNoNode, u"r", u"", ntTag);
    t.AddChild(r, u"a", u"1", ntAttr);
    const TNodeIndex x = t.AddChild(r, u"x", u"", ntEmptyTag);
    const TNodeIndex y = t.AddChild(r, u"y", u"", ntTag);
    const TNodeIndex z = t.AddChild(y, u"z", u"v", ntEmptyTag);
    EXPECT_THROW(t.AddChild(y, u"over", u"", ntEmptyTag), ENodeTree);
    EXPECT_THROW(t.AddChild(cNoNode, u"over", u"", ntComment), ENodeTree);
    ASSERT_EQ(t.Count(), 5u);
    EXPECT_EQ(t.ChildCount(r), 3);
    EXPECT_EQ(t.ChildAt(r, 2), y);
    EXPECT_EQ(t.NextSibling(x), y);
    EXPECT_EQ(t.Parent(z), y);
    EXPECT_EQ(t.SubtreeEnd(r), 5u);
    EXPECT_EQ(t.Value(z), u"v");
    EXPECT_EQ(t.Path(z, u'.'), u"r.y.z.");
    t.Clear();
  }
}

TEST(NodeTree, FullExpandCoversOneSubtree) {
  SmallTree s;
  s.t.FullExpand(s.y, true);
  EXPECT_TRUE(s.t.Expanded(s.y));
  EXPECT_TRUE(s.t.Expanded(s.z));
  EXPECT_FALSE(s.t.Expanded(s.r));
  EXPECT_FALSE(s.t.Expanded(s.top2));
  s.t.FullExpand(cNoNode, true);
  for (TNodeIndex n = 0; n < s.t.Count(); ++n) EXPECT_TRUE(s.t.Expanded(n));
  s.t.FullExpand(s.r, false);
  EXPECT_FALSE(s.t.Expanded(s.z));
  EXPECT_TRUE(s.t.Expanded(s.top2));
  // Flags do not disturb kinds or names.
  s.t.SetHidden(s.a, true);
  EXPECT_EQ(s.t.Typ(s.a), ntAttr);
  EXPECT_EQ(s.t.Name(s.a), u"a");
  EXPECT_TRUE(s.t.Hidden(s.a));
}

TEST(NodeTree, MillionLevelsDeepWithoutRecursion) {
  const TNodeIndex depth = 1000000;
  TNodeTree t;
  TNodeIndex n = cNoNode;
  for (TNodeIndex i = 0; i < depth; ++i) n = t.AddChild(n, u"d", u"", ntEmptyTag);
  EXPECT_EQ(t.Depth(n), static_cast<int32_t>(depth - 1));
  EXPECT_EQ(t.Path(n, u'.').size(), size_t(depth) * 2);
  t.FullExpand(cNoNode, true);
  EXPECT_TRUE(t.Expanded(n));
  int32_t maxDepth = 0;
  for (TNodeWalker w(t); !w.Done(); w.Next()) maxDepth = w.Depth();
  EXPECT_EQ(maxDepth, static_cast<int32_t>(depth - 1));
  EXPECT_EQ(t.NextSibling(0), cNoNode);
  EXPECT_EQ(t.ChildCount(0), 1);
  EXPECT_EQ(t.Names().Count(), 1u);
  // 20 bytes a node, one stored name, no values, plus the arrays' growth room.
  EXPECT_LT(t.MemoryUsed(), size_t(depth) * 40);
}

}  // namespace
