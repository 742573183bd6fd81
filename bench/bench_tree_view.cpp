// The virtual tree control on a node tree of two million nodes (a root, 1,000 groups with a
// hidden attribute each, 1,998 items per group with short values), shown in a 1000 x 700
// window: expanding every node, scrolling (a jump to the middle, then page after page with a
// paint each) and collapsing everything. Beside it, Qt's own tree view over the same item
// model does the same, as the peer. Best of a few runs; runs offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchData.h"
#include "NodeTreeModel.h"
#include "VirtualTree.h"

namespace {

constexpr int cGroups = 1000;
constexpr int cItems = 1998;
constexpr int cPages = 200;

double Seconds(const QElapsedTimer& aTimer) { return double(aTimer.nsecsElapsed()) / 1e9; }

void BuildTree(TNodeTree& aTree) {
  const TNodeIndex root = aTree.AddChild(cNoNode, u"root", u"", ntTag);
  for (int g = 0; g < cGroups; ++g) {
    const TNodeIndex group = aTree.AddChild(root, u"group", u"", ntTag);
    aTree.AddChild(group, u"id", u"g", ntAttr);
    for (int i = 0; i < cItems; ++i)
      aTree.AddChild(group, i % 3 ? u"item" : u"entry", i % 2 ? u"an odd item's value" : u"", ntEmptyTag);
  }
  aTree.SetHiddenOfType(ntAttr, true);
}

struct TTimes {
  double Expand = 1e9;
  double Middle = 1e9;
  double Page = 1e9;  // per page
  double Collapse = 1e9;
  int Rows = 0;
  void Keep(const TTimes& aRun) {
    Expand = std::min(Expand, aRun.Expand);
    Middle = std::min(Middle, aRun.Middle);
    Page = std::min(Page, aRun.Page);
    Collapse = std::min(Collapse, aRun.Collapse);
    Rows = aRun.Rows;
  }
};

// aView shows the tree; the steps run with a repaint each, as the user would see them.
template <class TExpand, class TCollapse, class TRows>
TTimes Run(QAbstractScrollArea& aView, TExpand aExpand, TCollapse aCollapse, TRows aRows) {
  TTimes times;
  QElapsedTimer timer;
  timer.start();
  aExpand();
  aView.repaint();
  times.Expand = Seconds(timer);
  times.Rows = aRows();

  QScrollBar* bar = aView.verticalScrollBar();
  timer.restart();
  bar->setValue(bar->maximum() / 2);
  aView.viewport()->repaint();
  times.Middle = Seconds(timer);

  timer.restart();
  for (int i = 0; i < cPages; ++i) {
    bar->setValue(bar->value() + bar->pageStep());
    aView.viewport()->repaint();
  }
  times.Page = Seconds(timer) / cPages;

  timer.restart();
  aCollapse();
  aView.repaint();
  times.Collapse = Seconds(timer);
  bar->setValue(0);
  return times;
}

void Print(const char* aWho, const TTimes& aTimes) {
  std::printf("  %-14s full expand %7.3f s (%d rows)  to the middle %6.2f ms  page %6.3f ms  full collapse %7.3f s\n",
              aWho, aTimes.Expand, aTimes.Rows, aTimes.Middle * 1e3, aTimes.Page * 1e3, aTimes.Collapse);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  BenchDataDir(argc, argv);  // the shared option; this benchmark builds its tree in memory
  // --no-peer leaves out Qt's tree view, whose full expand takes much longer.
  bool peer = true;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--no-peer") peer = false;
  QApplication application(argc, argv);
  TNodeTree tree;
  BuildTree(tree);
  TNodeTreeModel model(&tree);
  const int runs = 3;

  TTimes ours;
  {
    TVirtualTree view;
    view.resize(1000, 700);
    view.SetModel(&model);
    view.show();
    QApplication::processEvents();
    for (int i = 0; i < runs; ++i)
      ours.Keep(Run(
          view, [&] { view.FullExpand(cNoNode); }, [&] { view.FullCollapse(cNoNode); },
          [&] { return view.RowCount(); }));
  }
  std::printf("tree view on %u nodes, %d pages scrolled\n", tree.Count(), cPages);
  Print("virtual tree", ours);

  if (peer) {
    TTimes theirs;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.resize(1000, 700);
    view.setModel(&model);
    view.show();
    QApplication::processEvents();
    // Qt's view keeps its own expanded set: the tree's flags stay as they are.
    for (int i = 0; i < runs; ++i) {
      theirs.Keep(Run(
          view, [&] { view.expandAll(); }, [&] { view.collapseAll(); },
          [&] { return ours.Rows; }));
    }
    Print("Qt tree view", theirs);
    std::printf("  ratio (Qt / virtual tree): expand %.1f, page %.1f\n", theirs.Expand / ours.Expand,
                theirs.Page / ours.Page);
  }
  return 0;
}
