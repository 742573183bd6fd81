// The options act at once on every open document window and on those opened later.
#include "MainWndTestUtil.h"

#include "NodeTreeModel.h"
#include "VirtualTree.h"

#include <QAction>
#include <QHeaderView>

namespace {

TVirtualTree* TreeOf(Tmdi_quillon_Viewer* AViewer) { return AViewer->findChild<TVirtualTree*>(QStringLiteral("Tree")); }

}  // namespace

TEST_F(MainWndTest, OptionsActOnEveryOpenWindowAndOnLaterOnes) {
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(MakeFile("a.xml"));
  window.OpenFile(MakeFile("b.xml"));
  ASSERT_EQ(window.Viewers().size(), 2);
  for (Tmdi_quillon_Viewer* viewer : window.Viewers()) ASSERT_NE(TreeOf(viewer), nullptr);

  // Defaults.
  const TQuillonOptions& options = window.Options();
  EXPECT_TRUE(window.acTreeAttr->isChecked() && options.AttributesInTree);
  EXPECT_TRUE(window.acValueCol->isChecked() && options.ValueColumn);
  EXPECT_TRUE(window.acTreeLines->isChecked() && options.TreeLines);
  EXPECT_FALSE(window.acGrid->isChecked() || options.GridLines);
  EXPECT_FALSE(window.acStrictXML->isChecked() || options.StrictXML);
  EXPECT_TRUE(window.acFormSource->isChecked() && options.FormatSource);
  EXPECT_FALSE(window.acPersistent->isChecked() || options.PersistentSettings);
  for (Tmdi_quillon_Viewer* viewer : window.Viewers()) {
    EXPECT_FALSE(TreeOf(viewer)->GridLines());
    EXPECT_TRUE(TreeOf(viewer)->TreeLines());
  }

  std::vector<int> rowsWithAttributes;
  for (Tmdi_quillon_Viewer* viewer : window.Viewers()) rowsWithAttributes.push_back(TreeOf(viewer)->RowCount());

  window.acGrid->trigger();
  window.acTreeLines->trigger();
  window.acValueCol->trigger();
  window.acTreeAttr->trigger();
  window.acStrictXML->trigger();
  EXPECT_TRUE(options.GridLines);
  EXPECT_FALSE(options.TreeLines);
  EXPECT_FALSE(options.ValueColumn);
  EXPECT_FALSE(options.AttributesInTree);
  EXPECT_TRUE(options.StrictXML);
  for (int i = 0; i < 2; ++i) {
    TVirtualTree* tree = TreeOf(window.Viewers()[i]);
    EXPECT_TRUE(tree->GridLines()) << i;
    EXPECT_FALSE(tree->TreeLines()) << i;
    EXPECT_TRUE(tree->Header()->isSectionHidden(TNodeTreeModel::cnValue)) << i;
    EXPECT_LT(tree->RowCount(), rowsWithAttributes[size_t(i)]) << i << ": the attribute rows went";
  }

  // A window opened later starts with the current lines.
  window.OpenFile(MakeFile("c.xml"));
  ASSERT_EQ(window.Viewers().size(), 3);
  TVirtualTree* later = TreeOf(window.Viewers()[2]);
  EXPECT_TRUE(later->GridLines());
  EXPECT_FALSE(later->TreeLines());

  window.acGrid->trigger();
  window.acTreeAttr->trigger();
  for (Tmdi_quillon_Viewer* viewer : window.Viewers()) EXPECT_FALSE(TreeOf(viewer)->GridLines());
  EXPECT_EQ(TreeOf(window.Viewers()[0])->RowCount(), rowsWithAttributes[0]);
  EXPECT_TRUE(FBoxes.empty());
}
