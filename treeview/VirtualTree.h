// The virtual tree control: shows a TNodeTree through a TNodeTreeModel in columns under a
// header, asking the model for the texts and icons of the rows it paints.
//
// It keeps one number per shown row, the node's index, in display order. Node indexes are in
// document order, so that list is sorted and a node's row is a binary search. Whether a node
// is expanded or hidden is read from and written to the tree's own flags. Expanding a node
// inserts the rows of its shown descendants, collapsing removes them, and full expand or
// collapse sets the flags and rebuilds the rows in one loop over the nodes: nothing here
// recurses, so a document nested a million levels deep expands like a flat one, and nothing
// is kept per node beyond the rows on show.
#pragma once

#include <QAbstractScrollArea>
#include <QModelIndex>

#include <vector>

#include "NodeTree.h"

class QHeaderView;
class QIcon;
class QPagedPaintDevice;
class QStandardItemModel;
class TNodeTreeModel;

class TVirtualTree : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit TVirtualTree(QWidget* aParent = nullptr);
  ~TVirtualTree() override;

  void SetModel(TNodeTreeModel* aModel);
  TNodeTreeModel* Model() const { return FModel; }
  QHeaderView* Header() const { return FHeader; }
  TNodeTree* Tree() const;

  // After the tree was rebuilt: rows from the tree's flags, no focused node, scrolled to the top.
  void Reset();
  // After hidden flags changed: rows rebuilt, the focused node kept and scrolled into view (or
  // its nearest shown ancestor when it is hidden now).
  void RefreshRows();

  // Rows are at most the tree's nodes, which its node limit keeps within an int.
  int RowCount() const { return static_cast<int>(FRows.size()); }
  TNodeIndex RowNode(int aRow) const { return FRows[static_cast<size_t>(aRow)]; }
  // -1 when the node is not shown (hidden, or under a collapsed node).
  int RowOf(TNodeIndex aNode) const;
  int TopRow() const;
  int RowHeight() const { return FRowHeight; }
  int Indent() const { return FIndent; }
  TNodeIndex NodeAt(const QPoint& aViewportPos) const;

  // The focused node is also the selected one. Setting it expands its ancestors and scrolls it
  // into view; FocusChanged is emitted when it changes. A hidden node can have the focus (the
  // tree search finds hidden attributes); it has no row to show.
  TNodeIndex FocusedNode() const { return FFocused; }
  void SetFocusedNode(TNodeIndex aNode);
  // Expands the node's ancestors and scrolls the node (a hidden one: its parent) into view.
  void ScrollIntoView(TNodeIndex aNode);

  bool IsExpanded(TNodeIndex aNode) const;
  void SetExpanded(TNodeIndex aNode, bool aExpand);
  // The node and all its descendants; cNoNode: every node.
  void FullExpand(TNodeIndex aNode);
  void FullCollapse(TNodeIndex aNode);

  bool TreeLines() const { return FTreeLines; }
  void SetTreeLines(bool aOn);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool aOn);

  // Prints the rows as shown (expanded rows only, hidden ones left out) under the column
  // header, page after page, with the screen's icons, indentation and column widths, scaled
  // down when the columns are wider than the page. The header repeats on every page.
  void Print(QPagedPaintDevice& aDevice) const;

signals:
  void FocusChanged(TNodeIndex aNode);
  // A right-click (which focuses the row under the mouse first) or the menu key.
  void ContextMenuRequested(const QPoint& aGlobalPos);

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* aEvent) override;
  void keyPressEvent(QKeyEvent* aEvent) override;
  void contextMenuEvent(QContextMenuEvent* aEvent) override;
  void scrollContentsBy(int aDx, int aDy) override;
  bool viewportEvent(QEvent* aEvent) override;
  void changeEvent(QEvent* aEvent) override;
  void focusInEvent(QFocusEvent* aEvent) override;
  void focusOutEvent(QFocusEvent* aEvent) override;

private:
  // Appends the shown nodes of [aFrom, aEnd) in document order, skipping hidden and
  // collapsed subtrees.
  void CollectRows(std::vector<TNodeIndex>& aOut, TNodeIndex aFrom, TNodeIndex aEnd) const;
  void RebuildRows();
  void InsertChildRows(int aRow);
  void RemoveChildRows(int aRow);
  void ChangeFocus(TNodeIndex aNode);
  void EnsureRowVisible(int aRow);
  void UpdateScrollBars();
  void UpdateMetrics();
  void LayoutHeader();
  TNodeIndex NextVisibleSibling(TNodeIndex aNode) const;
  int PageRows() const;
  // Which cell a viewport point falls into; false outside every row.
  bool HitTest(const QPoint& aPos, TNodeIndex& aNode, int& aColumn, bool& aOnButton) const;
  QRect CellTextRect(TNodeIndex aNode, int aRow, int aColumn) const;
  // What a cell shows comes from the model; the node tree gives only the rows' structure and
  // flags.
  QModelIndex CellIndex(TNodeIndex aNode, int aColumn = 0) const;
  QString CellText(const QModelIndex& aCell) const;
  QIcon CellIcon(const QModelIndex& aCell) const;
  bool HasChildRows(TNodeIndex aNode) const;

  TNodeTreeModel* FModel = nullptr;
  QHeaderView* FHeader;
  QStandardItemModel* FHeaderModel;
  std::vector<TNodeIndex> FRows;
  TNodeIndex FFocused = cNoNode;
  bool FTreeLines = true;
  bool FGridLines = false;
  int FRowHeight = 20;
  int FIndent = 18;
};
