#include "ViewerTreeCard.h"

#include "Corvane.LayoutManager.TextEditor.h"
#include "TextEditor.h"

#include <QClipboard>
#include <functional>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "BusyCursor.h"
#include "CaptionPanel.h"
#include "Corvane.Control.Icons.h"
#include "Corvane_Dialogs.h"
#include "CutTipFilter.h"
#include "GridDelegate.h"
#include "NodeTreeModel.h"
#include "QtText.h"
#include "QuillonOptions.h"
#include "ScopeGuard.h"
#include "SearchBox.h"
#include "ValueClassify.h"
#include "ViewerHost.h"
#include "ViewerValuePanel.h"
#include "VirtualTree.h"
#include "XmlDocument.h"

namespace {
const QColor cCream(0xFF, 0xFB, 0xF0);
QIcon Icon(TIconIndex aIndex) { return TIconList::Shared().Icon(aIndex); }
}  // namespace

// Stands for the details list in the layout store: its "Height" is the height the list takes
// above the value pane, remembered also while the pane is hidden and the list fills the panel.
class TListHeightKeeper : public QObject {
  Q_OBJECT
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
public:
  TListHeightKeeper(std::function<int()> aGet, std::function<void(int)> aSet, QObject* aParent)
      : QObject(aParent), FGet(std::move(aGet)), FSet(std::move(aSet)) {
    setObjectName(QStringLiteral("List"));
  }
  int Height() const { return FGet(); }
  void SetHeight(int aValue) { FSet(aValue); }

private:
  std::function<int()> FGet;
  std::function<void(int)> FSet;
};

TViewerTreeCard::TViewerTreeCard(IViewerHost& aHost, QWidget* aParent) : QWidget(aParent), FHost(aHost) {
  setObjectName(QStringLiteral("TreeCard"));
  FModel = new TNodeTreeModel(&FHost.Document().Tree(), this);
  FModel->IconProvider = [](TIconIndex aIndex) { return Icon(aIndex); };
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* vertical = new QSplitter(Qt::Vertical, this);
  vertical->setObjectName(QStringLiteral("MsgSplitter"));
  auto* horizontal = new QSplitter(Qt::Horizontal, vertical);
  horizontal->setObjectName(QStringLiteral("TreeSplitter"));
  BuildTreePanel(horizontal);
  BuildDetailPanel(horizontal);
  horizontal->addWidget(FTreePanel);
  horizontal->addWidget(FDetailPanel);
  horizontal->setStretchFactor(0, 0);
  horizontal->setStretchFactor(1, 1);
  horizontal->setSizes({393, 600});
  BuildMessagesPanel(vertical);
  vertical->addWidget(horizontal);
  vertical->addWidget(FMsgPanel);
  vertical->setStretchFactor(0, 1);
  vertical->setStretchFactor(1, 0);
  vertical->setSizes({450, 150});
  layout->addWidget(vertical);
  Reset();
}

void TViewerTreeCard::BuildTreePanel(QSplitter* aParent) {
  FTreePanel = new TCaptionPanel(QStringLiteral("XML Tree"), QStringLiteral("TreePanel"), aParent);
  QToolButton* collapse = FTreePanel->AddButton(iiFullCollapse, QStringLiteral("Full collapse"));
  QToolButton* expand = FTreePanel->AddButton(iiFullExpand, QStringLiteral("Full expand"));
  FTree = new TVirtualTree(FTreePanel->BodyWidget());
  FTree->setObjectName(QStringLiteral("Tree"));
  FTree->SetModel(FModel);
  FTreePanel->Body()->addWidget(FTree, 1);
  FTreeSearch = new TSearchBox(QStringLiteral("eTreeSearch"), FTreePanel->BodyWidget());
  FTreePanel->Body()->addWidget(FTreeSearch);
  connect(collapse, &QToolButton::clicked, this, [this] {
    TBusyCursor busy;
    FTree->FullCollapse(cNoNode);
  });
  connect(expand, &QToolButton::clicked, this, [this] {
    TBusyCursor busy;
    FTree->FullExpand(cNoNode);
  });
  connect(FTree, &TVirtualTree::FocusChanged, this, [this](TNodeIndex aNode) { TreeFocusChanged(aNode); });
  FTreeSearch->OnSearch = [this] { SearchTree(); };
  FTreeSearch->OnEscape = [this] { FTree->setFocus(); };
  new TSearchKeys(FTree, FTreeSearch);

  auto* menu = new QMenu(FTree);
  QAction* copyName = menu->addAction(QStringLiteral("Copy name to clipboard"));
  QAction* expandNode = menu->addAction(QStringLiteral("Full Expand Node"));
  QAction* collapseNode = menu->addAction(QStringLiteral("Full Collapse Node"));
  connect(menu, &QMenu::aboutToShow, this, [=, this] {
    const bool focused = FTree->FocusedNode() != cNoNode;
    copyName->setEnabled(focused);
    expandNode->setEnabled(focused);
    collapseNode->setEnabled(focused);
  });
  connect(copyName, &QAction::triggered, this, [this] {
    if (FTree->FocusedNode() != cNoNode)
      QGuiApplication::clipboard()->setText(ToQString(FHost.Document().Tree().Name(FTree->FocusedNode())));
  });
  connect(expandNode, &QAction::triggered, this, [this] {
    TBusyCursor busy;
    if (FTree->FocusedNode() != cNoNode) FTree->FullExpand(FTree->FocusedNode());
  });
  connect(collapseNode, &QAction::triggered, this, [this] {
    if (FTree->FocusedNode() != cNoNode) FTree->FullCollapse(FTree->FocusedNode());
  });
  connect(FTree, &TVirtualTree::ContextMenuRequested, this, [menu](const QPoint& aPos) { menu->popup(aPos); });
}

void TViewerTreeCard::BuildDetailPanel(QSplitter* aParent) {
  FDetailPanel = new TCaptionPanel(QStringLiteral("Details"), QStringLiteral("DetailPanel"), aParent);
  FPathBar = new QPushButton(Icon(iiPath), QString(), FDetailPanel->BodyWidget());
  FPathBar->setObjectName(QStringLiteral("obPC"));
  FPathBar->setFlat(true);
  FPathBar->setStyleSheet(QStringLiteral("text-align: left; padding: 3px;"));
  // A button asks for the width of its whole text: a long path would force the window wider than
  // the screen. The bar takes the width the panel has and the text is cut at its right edge.
  FPathBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  FPathBar->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* pathMenu = new QMenu(FPathBar);
  QAction* copyPath = pathMenu->addAction(QStringLiteral("Copy to clipboard"));
  connect(copyPath, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(WholePath()); });
  connect(FPathBar, &QWidget::customContextMenuRequested, this,
          [this, pathMenu](const QPoint& aPos) { pathMenu->popup(FPathBar->mapToGlobal(aPos)); });
  FDetailPanel->Body()->addWidget(FPathBar);

  FListSplitter = new QSplitter(Qt::Vertical, FDetailPanel->BodyWidget());
  FListSplitter->setObjectName(QStringLiteral("ListSplitter"));
  FListSplitter->setChildrenCollapsible(false);
  FList = new QTreeWidget(FListSplitter);
  FList->setObjectName(QStringLiteral("List"));
  FList->setColumnCount(2);
  FList->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
  FList->setRootIsDecorated(false);
  FList->setUniformRowHeights(true);
  FList->setSelectionBehavior(QAbstractItemView::SelectRows);
  FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The Value column takes the remaining width, so the list never scrolls sideways for it.
  FList->header()->setStretchLastSection(true);
  FList->header()->resizeSection(0, 150);
  FList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  QPalette listPalette = FList->palette();
  listPalette.setColor(QPalette::Base, cCream);
  FList->setPalette(listPalette);
  FListDelegate = new TGridDelegate(FList);
  FList->setItemDelegate(FListDelegate);
  new TCutTipFilter(FList);
  connect(FList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* aItem) {
    if (!aItem) return;
    const int row = FList->indexOfTopLevelItem(aItem);
    if (row >= 0 && row < static_cast<int>(FListData.size())) ShowValue(FListData[static_cast<size_t>(row)]);
  });
  connect(FListSplitter, &QSplitter::splitterMoved, this, [this] {
    if (!FList->isHidden() && !FValuePanel->isHidden()) FListHeight = FList->height();
  });
  FValuePanel = new TViewerValuePanel(FHost, FListSplitter);
  FListSplitter->addWidget(FList);
  FListSplitter->addWidget(FValuePanel);
  FDetailPanel->Body()->addWidget(FListSplitter, 1);
}

void TViewerTreeCard::BuildMessagesPanel(QSplitter* aParent) {
  // Collapsible from its caption bar.
  FMsgPanel = new TCaptionPanel(QStringLiteral("Messages"), QStringLiteral("MsgPanel"), aParent);
  QToolButton* fold = FMsgPanel->AddButton(iiNone, QStringLiteral("Collapse"));
  fold->setArrowType(Qt::DownArrow);
  FBox = new QListWidget(FMsgPanel->BodyWidget());
  FBox->setObjectName(QStringLiteral("Box"));
  FBox->setSelectionBehavior(QAbstractItemView::SelectRows);
  FBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FBox->setIconSize(QSize(16, 16));
  FMsgPanel->Body()->addWidget(FBox);
  connect(fold, &QToolButton::clicked, this, [this, fold, aParent] {
    const bool collapse = !FMsgPanel->BodyWidget()->isHidden();
    FMsgPanel->BodyWidget()->setHidden(collapse);
    fold->setArrowType(collapse ? Qt::UpArrow : Qt::DownArrow);
    fold->setToolTip(collapse ? QStringLiteral("Expand") : QStringLiteral("Collapse"));
    const int barHeight = FMsgPanel->BarHeight() + 2;
    FMsgPanel->setMaximumHeight(collapse ? barHeight : QWIDGETSIZE_MAX);
    // The band the list leaves or takes goes to (or comes from) the tree and details panes.
    const QList<int> sizes = aParent->sizes();
    const int total = sizes[0] + sizes[1];
    const int messages = collapse ? barHeight : 150;
    aParent->setSizes({total - messages, messages});
  });
}

void TViewerTreeCard::Reset() {
  FTreeSearch->SetFound(false);
  FList->clear();
  FListData.clear();
  FList->hide();
  FValuePanel->hide();
  FValuePanel->Reset();
  FBox->clear();
  FPathShown = false;
  FPathBar->setText(QString());
  FPathBar->setToolTip(QString());
  FDetailPanel->SetCaption(QStringLiteral("Details"));
}

void TViewerTreeCard::BeginLoad(const QString& aCaption) {
  Reset();
  FTreePanel->SetCaption(aCaption);
  FModel->BeginReset();
}

void TViewerTreeCard::EndLoad() {
  FModel->EndReset();
  FTree->Reset();
  for (const TMessageLine& line : FHost.Document().Messages()) {
    auto* item = new QListWidgetItem(Icon(line.ImageIndex), ToQString(BoundedText(line.Text)), FBox);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
}

void TViewerTreeCard::RefreshView() {
  FTree->Header()->setSectionHidden(TNodeTreeModel::cnValue, !FHost.Options().ValueColumn);
  FModel->BeginReset();
  FHost.Document().RefreshView(FHost.Options().AttributesInTree);
  FModel->EndReset();
  FTree->RefreshRows();
}

void TViewerTreeCard::SetGridLines(bool aOn) {
  FTree->SetGridLines(aOn);
  FListDelegate->GridLines = aOn;
  FList->viewport()->update();
}

void TViewerTreeCard::SetTreeLines(bool aOn) { FTree->SetTreeLines(aOn); }

TTextEditor* TViewerTreeCard::CurrentTextView() const { return FValuePanel->CurrentTextView(); }

void TViewerTreeCard::TreeFocusChanged(TNodeIndex aNode) {
  FValuePanel->ResetSearch();
  if (aNode == cNoNode) return;
  TBusyCursor busy;
  const TNodeTree& tree = FHost.Document().Tree();
  FList->setUpdatesEnabled(false);
  FList->clear();
  FListData.clear();

  const TNodeType type = tree.Typ(aNode);
  const int level = tree.Depth(aNode) - (type == ntAttr ? 1 : 0);
  FPathNode = tree.IsElement(aNode) ? aNode : tree.Parent(aNode);
  FPathShown = true;
  // One unit over the bound: a cut path is longer than that, so its last unit is no trailing
  // backslash to drop.
  std::u16string path = tree.Path(FPathNode, u'\\', cFieldTextLength + 1);
  if (path.size() <= cFieldTextLength + 1 && path.back() == u'\\') path.pop_back();
  const QString bounded = ToQString(BoundedText(path));
  FPathBar->setToolTip(bounded);
  QString shown = bounded;
  FPathBar->setText(shown.replace(QLatin1Char('\\'), QStringLiteral(" \u25BA ")));

  int64_t elements = 0;
  int64_t attributes = 0;
  QList<QTreeWidgetItem*> items;
  for (TNodeIndex c = tree.FirstChild(aNode); c != cNoNode; c = tree.NextSibling(c)) {
    if (tree.Typ(c) != ntAttr) {
      ++elements;
      continue;
    }
    ++attributes;
    FListData.push_back(tree.Data(c));
    const TNodeData& data = FListData.back();
    items.append(new QTreeWidgetItem(
        {ToQString(BoundedText(data.Name)), ToQString(RowText(data.Value, TNodeTreeModel::cValueColumnLength))}));
  }
  {
    const QSignalBlocker block(FList);
    FList->addTopLevelItems(items);
  }
  FList->setVisible(!items.isEmpty());
  // The value pane wants the name only to offer it as a picture's file name: a bounded prefix
  // spares copying a name of megabytes.
  ShowValue({BoundedText(tree.Name(aNode)), tree.Value(aNode), type});
  FList->setUpdatesEnabled(true);
  FDetailPanel->SetCaption(
      QStringLiteral("Elems: %1   Attrs: %2   Level: %3").arg(elements).arg(attributes).arg(level));
}

QString TViewerTreeCard::WholePath() const {
  if (!FPathShown) return {};
  std::u16string path = FHost.Document().Tree().Path(FPathNode, u'\\');
  if (path.back() == u'\\') path.pop_back();
  return ToQString(path);
}

void TViewerTreeCard::ShowValue(const TNodeData& aData) {
  FValuePanel->ShowValue(aData);
  FValuePanel->setVisible(!aData.Value.empty());
  LayoutDetails();
  FValuePanel->ScrollToTop();
}

void TViewerTreeCard::LayoutDetails() {
  if (FList->isHidden() || FValuePanel->isHidden()) return;
  // The list takes its remembered height above the value pane.
  const int total = FListSplitter->height();
  const int listHeight = std::min(FListHeight, std::max(40, total - 80));
  FListSplitter->setSizes({listHeight, std::max(0, total - listHeight)});
  if (QTreeWidgetItem* current = FList->currentItem()) FList->scrollToItem(current);
}

void TViewerTreeCard::SearchTree() {
  TBusyCursor busy;
  const TScopeExit ready([this] { FHost.SetStatus(QStringLiteral("Ready")); });
  FHost.SetStatus(QStringLiteral("Searching..."));
  const TNodeIndex found = FHost.Document().SearchTree(ToU16(FTreeSearch->text()));
  if (found != cNoNode) {
    FTree->SetFocusedNode(found);
    FTreeSearch->SetFound(true);
    FTree->setFocus();
  } else {
    FTreeSearch->SetFound(false);
    InfoDlg(QStringLiteral("Text not found"));
    FTreeSearch->selectAll();
    FTreeSearch->setFocus();
  }
}

void TViewerTreeCard::RegisterLayout(TLayoutManager& aManager) {
  aManager.Add(FTreePanel, {QStringLiteral("Width")});
  auto* listHeight = new TListHeightKeeper([this] { return FListHeight; },
                                           [this](int aValue) {
                                             FListHeight = std::max(aValue, 1);
                                             LayoutDetails();
                                           },
                                           this);
  aManager.Add(listHeight, {QStringLiteral("Height")});
  for (const char* name : {"ValueView", "TextView"})
    if (auto* view = findChild<TTextEditor*>(QString::fromLatin1(name)))
      aManager.Add(view, {}, 0, TLayoutManagerTextEditLayout::Class());
}

#include "ViewerTreeCard.moc"
