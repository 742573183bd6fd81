// The Tree card of the document window: the XML Tree panel (the tree and its search box), the
// Details panel (path bar, details list and the value pane) and the collapsible Messages
// panel. Focusing a node fills the path bar, the details list, the counts line and the value
// pane.
#pragma once

#include <QWidget>

#include <vector>

#include "NodeTree.h"

class IViewerHost;
class QListWidget;
class QPushButton;
class QSplitter;
class QTreeWidget;
class TCaptionPanel;
class TLayoutManager;
class TGridDelegate;
class TNodeTreeModel;
class TSearchBox;
class TTextEditor;
class TViewerValuePanel;
class TVirtualTree;

class TViewerTreeCard : public QWidget {
public:
  TViewerTreeCard(IViewerHost& aHost, QWidget* aParent);

  // Around a load of the document: BeginLoad empties the panes and captions the tree panel
  // with aCaption; EndLoad (also after a failed load) shows the new tree unfocused and its
  // Messages lines.
  void BeginLoad(const QString& aCaption);
  void EndLoad();
  // Applies "Value Column" and "Attributes in Tree" to the loaded tree.
  void RefreshView();
  void SetGridLines(bool aOn);
  void SetTreeLines(bool aOn);
  // The text view of the value pane's active card, if any.
  TTextEditor* CurrentTextView() const;
  TVirtualTree* Tree() const { return FTree; }
  // Registers the panel sizes and the value views' reading options with the window's layout.
  void RegisterLayout(TLayoutManager& aManager);

private:
  void BuildTreePanel(QSplitter* aParent);
  void BuildDetailPanel(QSplitter* aParent);
  void BuildMessagesPanel(QSplitter* aParent);
  void Reset();
  void TreeFocusChanged(TNodeIndex aNode);
  void ShowValue(const TNodeData& aData);
  // The focused node's path as "Copy to clipboard" copies it: whole, backslashes between names.
  QString WholePath() const;
  void LayoutDetails();
  void SearchTree();

  IViewerHost& FHost;
  TNodeTreeModel* FModel;
  TCaptionPanel* FTreePanel = nullptr;
  TVirtualTree* FTree = nullptr;
  TSearchBox* FTreeSearch = nullptr;
  TCaptionPanel* FDetailPanel = nullptr;
  QPushButton* FPathBar = nullptr;
  // The node whose path the bar shows; "Copy to clipboard" builds the whole path from it, while
  // the bar and its tip show only a bounded prefix.
  TNodeIndex FPathNode = cNoNode;
  bool FPathShown = false;
  QSplitter* FListSplitter = nullptr;
  QTreeWidget* FList = nullptr;
  TGridDelegate* FListDelegate = nullptr;
  std::vector<TNodeData> FListData;
  int FListHeight = 120;  // the remembered height while the list shares the panel
  TViewerValuePanel* FValuePanel = nullptr;
  TCaptionPanel* FMsgPanel = nullptr;
  QListWidget* FBox = nullptr;
};
