// The item model and the virtual tree control on generated node trees: cell texts, hidden
// attribute rows, expanding and collapsing, and trees far too big or too deep for any work
// per node.
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>

#include <set>

#include <gtest/gtest.h>

#include "NodeTreeModel.h"
#include "QtText.h"
#include "VirtualTree.h"

inline void PrintTo(const QString& aText, std::ostream* aOut) { *aOut << '"' << aText.toStdString() << '"'; }

namespace {

QString Q(std::u16string_view aText) { return ToQString(aText); }

// root > 1000 groups (each with one attribute) > 1998 items each: 2,000,001 nodes.
constexpr int cGroups = 1000;
constexpr int cItems = 1998;
void BuildWideTree(TNodeTree& aTree) {
  const TNodeIndex root = aTree.AddChild(cNoNode, u"root", u"", ntEmptyTag);
  for (int g = 0; g < cGroups; ++g) {
    const TNodeIndex group = aTree.AddChild(root, u"group", u"", ntTag);
    aTree.AddChild(group, u"id", u"g", ntAttr);
    for (int i = 0; i < cItems; ++i) aTree.AddChild(group, u"item", i % 2 ? u"odd" : u"", ntEmptyTag);
  }
}

struct TWideTree {
  TNodeTree Tree;
  TWideTree() { BuildWideTree(Tree); }
};
TWideTree& Wide() {
  static TWideTree wide;  // built once: two million nodes take a moment
  return wide;
}

// The colour the view paints near the right end of a row's Value cell, where a short value's
// text does not reach. The view is shown first: an unshown one has no final viewport size yet
// (and grabs black).
QColor ValueCellColour(TVirtualTree& aView, int aRow) {
  EXPECT_TRUE(aView.isVisible());
  QCoreApplication::processEvents();
  const QImage image = aView.viewport()->grab().toImage();
  QHeaderView* header = aView.Header();
  const int x = header->sectionViewportPosition(TNodeTreeModel::cnValue) + header->sectionSize(TNodeTreeModel::cnValue) - 6;
  const int y = (aRow - aView.TopRow()) * aView.RowHeight() + aView.RowHeight() / 2;
  return image.pixelColor(QPoint(x, y) * image.devicePixelRatio());
}

QColor Highlight(const TVirtualTree& aView) {
  return aView.palette().color(aView.hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
}

const QColor cValueShade(0xF0, 0xF0, 0xF0);

}  // namespace

TEST(NodeTreeModelTest, ValueColumnShowsAtMostOneHundredCharactersOnOneLine) {
  TNodeTree tree;
  const std::u16string hundred(100, u'x');
  // A value of 102 units whose last two form a surrogate pair is still longer than 100.
  const std::u16string pairAtEnd = std::u16string(100, u'y') + u"\U0001F600";
  struct TCase {
    std::u16string Value;
    QString Shown;
  } cases[] = {
      {u"", ""},
      {u"plain", "plain"},
      // CR LF pairs removed, lone breaks marked: a multi-line value stays within its row.
      {u"two\r\nlines\rlone\nbreaks", Q(u"twolines\u21B5lone\u21B5breaks")},
      {u"\n  a comment\n", Q(u"\u21B5  a comment\u21B5")},
      {hundred, Q(hundred)},
      {hundred + u"z", Q(hundred) + "..."},
      {pairAtEnd, QString(100, u'y') + "..."},
      // Cut first, then CR LF pairs removed: a pair cut in two keeps its CR.
      {std::u16string(99, u'a') + u"\r\nb", QString(99, u'a') + Q(u"\u21B5...")},
  };
  const TNodeIndex root = tree.AddChild(cNoNode, u"r", u"", ntEmptyTag);
  for (const TCase& c : cases) tree.AddChild(root, u"v", c.Value, ntEmptyTag);
  TNodeTreeModel model(&tree);
  const QModelIndex parent = model.index(0, 0);
  ASSERT_EQ(model.rowCount(parent), int(std::size(cases)));
  for (int row = 0; row < int(std::size(cases)); ++row) {
    const TCase& c = cases[row];
    EXPECT_EQ(model.data(model.index(row, TNodeTreeModel::cnValue, parent)), QVariant(c.Shown)) << c.Shown.toStdString();
    EXPECT_EQ(model.data(model.index(row, TNodeTreeModel::cnTag, parent)), QVariant(QStringLiteral("v")));
  }
}

TEST(NodeTreeModelTest, IconsFollowTheNodeKindAndTextNodesHaveNone) {
  TNodeTree tree;
  TNodeTreeModel model(&tree);
  TIconIndex asked = iiNone;
  model.IconProvider = [&](TIconIndex aIndex) {
    asked = aIndex;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
  };
  const std::pair<TNodeType, TIconIndex> icons[] = {
      {ntEmptyTag, iiEmptyElement}, {ntTag, iiElement}, {ntAttr, iiAttribute}, {ntPI, iiProcessingInstruction},
      {ntComment, iiComment},       {ntXML, iiXMLDeclaration}, {ntText, iiNone}};
  const TNodeIndex root = tree.AddChild(cNoNode, u"root", u"", ntTag);
  for (auto [type, icon] : icons) {
    model.BeginReset();
    const TNodeIndex node = tree.AddChild(root, u"n", u"", type);
    model.EndReset();
    asked = iiNone;
    const QVariant decoration = model.data(model.IndexOf(node), Qt::DecorationRole);
    EXPECT_EQ(asked, icon) << NodeTypeName(type);
    EXPECT_EQ(decoration.isNull(), icon == iiNone) << NodeTypeName(type);
    EXPECT_TRUE(model.data(model.IndexOf(node, TNodeTreeModel::cnValue), Qt::DecorationRole).isNull());
  }
}

TEST(NodeTreeModelTest, AnswersForShownRowsOfTwoMillionNodesWithoutIndexingEveryParent) {
  TNodeTree& tree = Wide().Tree;
  tree.SetHiddenOfType(ntAttr, false);
  TNodeTreeModel model(&tree);
  const size_t before = tree.MemoryUsed();

  ASSERT_EQ(model.rowCount(), 1);
  const QModelIndex root = model.index(0, 0);
  EXPECT_EQ(model.data(root).toString(), QStringLiteral("root"));
  ASSERT_EQ(model.rowCount(root), cGroups);
  const QModelIndex lastGroup = model.index(cGroups - 1, 0, root);
  EXPECT_EQ(model.parent(lastGroup), root);
  // A group's rows: its attribute first, then its items.
  ASSERT_EQ(model.rowCount(lastGroup), cItems + 1);
  EXPECT_EQ(model.data(model.index(0, 0, lastGroup)).toString(), QStringLiteral("id"));
  for (int row = cItems - 40; row <= cItems; ++row) {
    const QModelIndex item = model.index(row, 1, lastGroup);
    EXPECT_EQ(model.data(item).toString(), row % 2 ? QString() : QStringLiteral("odd"));
    EXPECT_EQ(model.parent(item), lastGroup);
    EXPECT_FALSE(model.hasChildren(model.index(row, 0, lastGroup)));
  }
  EXPECT_TRUE(model.hasChildren(model.index(5, 0, root)));

  // Hiding the attributes drops them from the rows.
  model.BeginReset();
  tree.SetHiddenOfType(ntAttr, true);
  model.EndReset();
  const QModelIndex group = model.index(cGroups - 1, 0, model.index(0, 0));
  ASSERT_EQ(model.rowCount(group), cItems);
  EXPECT_EQ(model.data(model.index(0, 0, group)).toString(), QStringLiteral("item"));
  EXPECT_FALSE(model.IndexOf(tree.FirstChild(model.NodeOf(group))).isValid());

  // Only the parents asked about (the root and one group) got a child index: indexing the
  // other 999 groups would take megabytes.
  EXPECT_LT(tree.MemoryUsed(), before + 256 * 1024);
}

TEST(VirtualTreeTest, ExpandsAndCollapsesTwoMillionNodesAndKeepsTheFocusShown) {
  TNodeTree& tree = Wide().Tree;
  tree.SetHiddenOfType(ntAttr, true);
  tree.FullExpand(cNoNode, false);
  TNodeTreeModel model(&tree);
  TVirtualTree view;
  view.resize(500, 400);
  view.show();
  view.SetModel(&model);
  ASSERT_EQ(view.RowCount(), 1);

  const TNodeIndex root = 0;
  view.SetExpanded(root, true);
  ASSERT_EQ(view.RowCount(), 1 + cGroups);
  const TNodeIndex group7 = view.RowNode(1 + 7);
  view.SetExpanded(group7, true);
  ASSERT_EQ(view.RowCount(), 1 + cGroups + cItems);
  EXPECT_EQ(tree.Typ(view.RowNode(1 + 7 + 1)), ntEmptyTag);  // the hidden attribute has no row
  EXPECT_EQ(view.RowOf(tree.FirstChild(group7)), -1);

  view.FullExpand(cNoNode);
  ASSERT_EQ(view.RowCount(), 1 + cGroups * (1 + cItems));
  const TNodeIndex last = tree.Count() - 1;
  view.SetFocusedNode(last);
  EXPECT_EQ(view.RowOf(last), view.RowCount() - 1);
  EXPECT_GE(view.RowOf(last), view.TopRow());
  // The focused last row is painted highlighted, the one above it in the Value column's shade.
  ASSERT_NE(Highlight(view), cValueShade);
  EXPECT_EQ(ValueCellColour(view, view.RowOf(last)), Highlight(view));
  EXPECT_EQ(ValueCellColour(view, view.RowOf(last) - 1), cValueShade);

  // Collapsing everything moves the focus to the nearest ancestor still shown.
  view.FullCollapse(cNoNode);
  EXPECT_EQ(view.RowCount(), 1);
  EXPECT_EQ(view.FocusedNode(), root);

  // Showing the attributes again gives each expanded group one more row.
  view.SetExpanded(root, true);
  view.SetExpanded(group7, true);
  tree.SetHiddenOfType(ntAttr, false);
  view.RefreshRows();
  EXPECT_EQ(view.RowCount(), 1 + cGroups + cItems + 1);
  tree.SetHiddenOfType(ntAttr, true);
}

TEST(VirtualTreeTest, ExpandsPaintsAndCollapsesATreeNestedAMillionLevelsDeep) {
  constexpr int cDepth = 1000000;
  TNodeTree tree;
  TNodeIndex node = cNoNode;
  for (int i = 0; i < cDepth; ++i) node = tree.AddChild(node, u"e", i % 3 ? u"" : u"v", ntEmptyTag);
  TNodeTreeModel model(&tree);
  TVirtualTree view;
  view.resize(400, 300);
  view.show();
  view.SetModel(&model);
  view.FullExpand(cNoNode);
  ASSERT_EQ(view.RowCount(), cDepth);

  // Scrolling to the bottom paints rows a million levels in, with tree lines.
  view.SetFocusedNode(node);
  EXPECT_EQ(view.RowOf(node), cDepth - 1);
  EXPECT_EQ(ValueCellColour(view, cDepth - 1), Highlight(view));
  EXPECT_EQ(ValueCellColour(view, cDepth - 2), cValueShade);

  view.FullCollapse(0);
  EXPECT_EQ(view.RowCount(), 1);
  EXPECT_EQ(view.FocusedNode(), 0u);
  // Focusing the deepest node expands every ancestor on the way.
  view.SetFocusedNode(node);
  EXPECT_EQ(view.RowCount(), cDepth);
}

TEST(VirtualTreeTest, FocusedHiddenNodeScrollsItsParentIntoView) {
  TNodeTree tree;
  const TNodeIndex root = tree.AddChild(cNoNode, u"root", u"", ntEmptyTag);
  TNodeIndex target = cNoNode;
  for (int i = 0; i < 500; ++i) {
    const TNodeIndex e = tree.AddChild(root, u"e", u"", ntTag);
    const TNodeIndex a = tree.AddChild(e, u"a", u"x", ntAttr);
    if (i == 400) target = a;
  }
  tree.SetHiddenOfType(ntAttr, true);
  TNodeTreeModel model(&tree);
  TVirtualTree view;
  view.resize(300, 200);
  view.SetModel(&model);
  TNodeIndex focused = cNoNode;
  QObject::connect(&view, &TVirtualTree::FocusChanged, [&](TNodeIndex n) { focused = n; });
  view.SetFocusedNode(target);
  EXPECT_EQ(focused, target);
  const int parentRow = view.RowOf(tree.Parent(target));
  ASSERT_GE(parentRow, 0);
  EXPECT_GE(parentRow, view.TopRow());
  EXPECT_LT(parentRow, view.TopRow() + view.viewport()->height() / view.RowHeight());
  EXPECT_EQ(view.RowOf(target), -1);
}

// The view paints what its model's data() gives, and asks only for the rows on screen: a model
// that shades the Value column its own way and records the rows asked for their texts.
TEST(VirtualTreeTest, PaintsTheCellsItsModelGivesForTheRowsOnScreenOnly) {
  struct TRecordingModel : TNodeTreeModel {
    using TNodeTreeModel::TNodeTreeModel;
    mutable std::set<TNodeIndex> Asked;
    QVariant data(const QModelIndex& aIndex, int aRole) const override {
      if (aRole == Qt::DisplayRole) Asked.insert(NodeOf(aIndex));
      if (aRole == Qt::BackgroundRole && aIndex.column() == cnValue && NodeOf(aIndex) % 2) return QColor(Qt::yellow);
      return TNodeTreeModel::data(aIndex, aRole);
    }
  };
  TNodeTree tree;
  const TNodeIndex root = tree.AddChild(cNoNode, u"root", u"", ntTag);
  for (int i = 0; i < 1000; ++i) tree.AddChild(root, u"item", u"v", ntEmptyTag);
  TRecordingModel model(&tree);
  TVirtualTree view;
  view.resize(400, 300);
  view.show();
  view.SetModel(&model);
  view.FullExpand(cNoNode);
  view.verticalScrollBar()->setValue(500);
  EXPECT_EQ(ValueCellColour(view, 501), QColor(Qt::yellow));  // node 501
  EXPECT_EQ(ValueCellColour(view, 502), cValueShade);

  ASSERT_FALSE(model.Asked.empty());
  const int page = view.viewport()->height() / view.RowHeight();
  EXPECT_GE(*model.Asked.begin(), view.RowNode(500));
  EXPECT_LE(*model.Asked.rbegin(), view.RowNode(500 + page + 2));
  EXPECT_TRUE(model.Asked.count(view.RowNode(500 + page - 1)));
}
