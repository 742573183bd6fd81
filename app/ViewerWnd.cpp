#include "ViewerWnd.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <chrono>

#include "Corvane.Control.Icons.h"
#include "Corvane_Dialogs.h"
#include "NodeTreeModel.h"
#include "Search.h"
#include "TextEditor.h"
#include "VirtualTree.h"
#include "XmlDocument.h"

namespace {

QString Q(std::u16string_view aText) {
  return QString(reinterpret_cast<const QChar*>(aText.data()), static_cast<qsizetype>(aText.size()));
}
std::u16string U(const QString& aText) { return aText.toStdU16String(); }
QIcon Icon(int aIndex) { return TIconList::Shared().Icon(aIndex); }

const QColor cGrey(0xF0, 0xF0, 0xF0);
const QColor cCream(0xFF, 0xFB, 0xF0);
const QColor cGridColor(0xD8, 0xD8, 0xD8);
const QColor cCaptionColor(0xE4, 0xE8, 0xEE);

// Busy cursor for a scope, restored also when an exception leaves it.
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// A panel with a caption bar (text and optional buttons) above its body.
class TCaptionPanel : public QFrame {
public:
  TCaptionPanel(const QString& aCaption, const QString& aName, QWidget* aParent) : QFrame(aParent) {
    setObjectName(aName);
    setFrameShape(QFrame::StyledPanel);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    FBar = new QWidget(this);
    FBar->setAutoFillBackground(true);
    QPalette pal = FBar->palette();
    pal.setColor(QPalette::Window, cCaptionColor);
    FBar->setPalette(pal);
    FBarLayout = new QHBoxLayout(FBar);
    FBarLayout->setContentsMargins(6, 2, 2, 2);
    FBarLayout->setSpacing(2);
    FCaption = new QLabel(aCaption, FBar);
    FCaption->setObjectName(aName + QStringLiteral("Caption"));
    QFont f = FCaption->font();
    f.setBold(true);
    FCaption->setFont(f);
    FBarLayout->addWidget(FCaption, 1);
    outer->addWidget(FBar);
    FBody = new QWidget(this);
    FBodyLayout = new QVBoxLayout(FBody);
    FBodyLayout->setContentsMargins(0, 0, 0, 0);
    FBodyLayout->setSpacing(0);
    outer->addWidget(FBody, 1);
  }
  QToolButton* AddButton(int aIcon, const QString& aHint) {
    auto* b = new QToolButton(FBar);
    b->setIcon(Icon(aIcon));
    b->setToolTip(aHint);
    b->setAutoRaise(true);
    b->setIconSize(QSize(16, 16));
    FBarLayout->addWidget(b);
    return b;
  }
  void SetCaption(const QString& aText) { FCaption->setText(aText); }
  QString Caption() const { return FCaption->text(); }
  QVBoxLayout* Body() const { return FBodyLayout; }
  QWidget* BodyWidget() const { return FBody; }
  int BarHeight() const { return FBar->sizeHint().height(); }

private:
  QWidget* FBar;
  QHBoxLayout* FBarLayout;
  QLabel* FCaption;
  QWidget* FBody;
  QVBoxLayout* FBodyLayout;
};

// The picture view: centred, optionally fitted (proportionally, never enlarged) and drawn with
// or without its transparency.
class TImageView : public QWidget {
public:
  explicit TImageView(QWidget* aParent) : QWidget(aParent) {
    setObjectName(QStringLiteral("ImageView"));
    setAutoFillBackground(true);
  }
  void SetPicture(const TValuePicture& aPicture) {
    FPicture = aPicture;
    update();
  }
  void Clear() {
    FPicture = TValuePicture();
    update();
  }
  const TValuePicture& Picture() const { return FPicture; }
  bool Fit() const { return FFit; }
  void SetFit(bool aOn) {
    FFit = aOn;
    update();
  }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool aOn) {
    FTransparent = aOn;
    update();
  }

protected:
  void paintEvent(QPaintEvent*) override {
    if (FPicture.Image.isNull()) return;
    QPainter p(this);
    QSize size = FPicture.Image.size();
    if (FFit && (size.width() > width() || size.height() > height()))
      size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform, size != FPicture.Image.size());
    if (!FTransparent) p.fillRect(target, Qt::white);
    p.drawImage(target, FPicture.Image);
  }

private:
  TValuePicture FPicture;
  bool FFit = true;
  bool FTransparent = false;
};

// Draws a horizontal grid line under each row of the details list when grid lines are on.
class TGridDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool GridLines = false;
  void paint(QPainter* aPainter, const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const override {
    QStyledItemDelegate::paint(aPainter, aOption, aIndex);
    if (!GridLines) return;
    aPainter->save();
    aPainter->setPen(cGridColor);
    aPainter->drawLine(aOption.rect.bottomLeft(), aOption.rect.bottomRight());
    aPainter->restore();
  }
};

// Shows an item view's full cell text as a tooltip only when the cell cuts it.
class TCutTipFilter : public QObject {
public:
  TCutTipFilter(QAbstractItemView* aView) : QObject(aView), FView(aView) { aView->viewport()->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* aEvent) override {
    if (aEvent->type() != QEvent::ToolTip) return false;
    auto* help = static_cast<QHelpEvent*>(aEvent);
    const QModelIndex index = FView->indexAt(help->pos());
    const QString text = index.data(Qt::DisplayRole).toString();
    QRect rect = FView->visualRect(index);
    int room = rect.width() - 8;
    if (!index.data(Qt::DecorationRole).isNull()) room -= 20;
    if (index.isValid() && !text.isEmpty() && FView->fontMetrics().horizontalAdvance(text) > room)
      QToolTip::showText(help->globalPos(), text, FView->viewport(), rect);
    else
      QToolTip::hideText();
    return true;
  }

private:
  QAbstractItemView* FView;
};

// A search box: a one-line edit with a search button on the left (icon 15 for a new search,
// 16 after a match) and a clear button on the right.
class TSearchBox : public QLineEdit {
public:
  explicit TSearchBox(const QString& aName, QWidget* aParent) : QLineEdit(aParent) {
    setObjectName(aName);
    setPlaceholderText(QStringLiteral("Enter text to find"));
    setToolTip(QStringLiteral("Enter text to find"));
    FSearch = addAction(Icon(15), QLineEdit::LeadingPosition);
    FSearch->setToolTip(QStringLiteral("Search"));
    QAction* clear = addAction(Icon(30), QLineEdit::TrailingPosition);
    clear->setToolTip(QStringLiteral("Clear"));
    connect(clear, &QAction::triggered, this, [this] { this->clear(); });
    connect(FSearch, &QAction::triggered, this, [this] {
      if (OnSearch) OnSearch();
    });
    connect(this, &QLineEdit::textChanged, this, [this] { SetFound(false); });
  }
  void SetFound(bool aFound) {
    FFound = aFound;
    FSearch->setIcon(Icon(aFound ? 16 : 15));
  }
  bool Found() const { return FFound; }
  std::function<void()> OnSearch;
  std::function<void()> OnEscape;

protected:
  void keyPressEvent(QKeyEvent* aEvent) override {
    if (aEvent->modifiers() == Qt::NoModifier || aEvent->modifiers() == Qt::KeypadModifier) {
      if (aEvent->key() == Qt::Key_Return || aEvent->key() == Qt::Key_Enter || aEvent->key() == Qt::Key_F3) {
        if (OnSearch) OnSearch();
        return;
      }
      if (aEvent->key() == Qt::Key_Escape) {
        if (OnEscape) OnEscape();
        return;
      }
    }
    QLineEdit::keyPressEvent(aEvent);
  }

private:
  QAction* FSearch;
  bool FFound = false;
};

int BmpBitsPerPixel(const QByteArray& aBytes) {
  auto u16 = [&](int at) { return at + 2 <= aBytes.size() ? (uint8_t(aBytes[at]) | uint8_t(aBytes[at + 1]) << 8) : 0; };
  auto u32 = [&](int at) -> uint32_t {
    return at + 4 <= aBytes.size() ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16 : 0;
  };
  const uint32_t headerSize = u32(14);
  if (headerSize == 12) return u16(24);  // the old core header
  const int bits = u16(28);
  if (bits != 16) return bits;
  // 16 bits: 5-5-5 unless bit fields say 5-6-5.
  const uint32_t compression = u32(30);
  if (compression == 3) return u32(14 + 40 + 4) == 0x07E0 ? 16 : 15;  // BI_BITFIELDS: green mask
  return 15;
}

int JpegBitsPerPixel(const QByteArray& aBytes) {
  // The component count of the first start-of-frame segment: one is grey (8 bits), otherwise
  // the picture becomes 24-bit colour.
  int i = 2;
  while (i + 9 < aBytes.size()) {
    if (uint8_t(aBytes[i]) != 0xFF) return 24;
    const uint8_t marker = uint8_t(aBytes[i + 1]);
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    const int length = uint8_t(aBytes[i + 2]) << 8 | uint8_t(aBytes[i + 3]);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return uint8_t(aBytes[i + 9]) == 1 ? 8 : 24;
    i += 2 + length;
  }
  return 24;
}

int GifBitsPerPixel(const QByteArray& aBytes) {
  // The colour table's size in bits, rounded up to the bitmap formats 1, 4 and 8.
  if (aBytes.size() < 11) return 8;
  const uint8_t packed = uint8_t(aBytes[10]);
  if (!(packed & 0x80)) return 8;
  const int bits = (packed & 7) + 1;
  return bits == 1 ? 1 : bits <= 4 ? 4 : 8;
}

int PngBitsPerPixel(const QByteArray& aBytes) {
  // IHDR: bit depth times the channels of the colour type.
  if (aBytes.size() < 26) return 0;
  const int depth = uint8_t(aBytes[24]);
  switch (uint8_t(aBytes[25])) {
    case 0: return depth;
    case 2: return depth * 3;
    case 3: return depth;
    case 4: return depth * 2;
    case 6: return depth * 4;
    default: return 0;
  }
}

// Ctrl+F in a searched view goes to its search box, F3 searches again.
class TSearchKeys : public QObject {
public:
  TSearchKeys(QWidget* aView, TSearchBox* aBox) : QObject(aView), FBox(aBox) { aView->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* aEvent) override {
    if (aEvent->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(aEvent);
    if (key->key() == Qt::Key_F && key->modifiers() == Qt::ControlModifier) {
      FBox->setFocus();
      FBox->selectAll();
      return true;
    }
    if (key->key() == Qt::Key_F3 && key->modifiers() == Qt::NoModifier && FBox->OnSearch) {
      FBox->OnSearch();
      return true;
    }
    return false;
  }

private:
  TSearchBox* FBox;
};

}  // namespace

// ---- free helpers ----

bool IsBase64(std::u16string_view AText) {
  size_t n = 0;
  for (char16_t c : AText)
    if (c != u'\r' && c != u'\n') ++n;
  if (n == 0 || n % 4 != 0) return false;
  size_t i = 0;
  bool padding = false;
  for (char16_t c : AText) {
    if (c == u'\r' || c == u'\n') continue;
    ++i;
    if (c == u'=') {
      if (i < n - 1) return false;
      padding = true;
    } else if (padding) {
      return false;
    } else if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' ||
                 c == u'/')) {
      return false;
    }
  }
  return true;
}

bool DecodeValuePicture(const QByteArray& ABytes, TValuePicture& APicture) {
  struct TKind {
    const char* Format;
    const char* Word;
    const char* Extension;
    int (*Bits)(const QByteArray&);
  };
  static const TKind kinds[] = {{"bmp", "Bitmap", ".bmp", BmpBitsPerPixel},
                                {"jpeg", "JPEG", ".jpg", JpegBitsPerPixel},
                                {"gif", "GIF", ".gif", GifBitsPerPixel},
                                {"png", "PNG", ".png", PngBitsPerPixel}};
  for (const TKind& kind : kinds) {
    QBuffer buffer;
    buffer.setData(ABytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind.Format);
    // Only this reader: a forced format otherwise falls back to guessing from the content.
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead()) continue;
    QImage image = reader.read();
    if (image.isNull()) continue;
    APicture.Image = std::move(image);
    APicture.Kind = QString::fromLatin1(kind.Word);
    APicture.Extension = QString::fromLatin1(kind.Extension);
    APicture.BitsPerPixel = kind.Bits(ABytes);
    APicture.Bytes = ABytes;
    return true;
  }
  return false;
}

QString ImageTabCaption(const TValuePicture& APicture) {
  QString caption = QStringLiteral(" %1: %2 x %3").arg(APicture.Kind).arg(APicture.Image.width()).arg(APicture.Image.height());
  switch (APicture.BitsPerPixel) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
      caption += QStringLiteral(" - %1bit ").arg(APicture.BitsPerPixel);
      break;
    default: break;
  }
  return caption;
}

// ---- the window ----

enum { cdTree = 0, cdSource = 1, cdContent = 2 };      // cards of pc
enum { vcValue = 0, vcDecoded = 1, vcImage = 2 };      // cards of the value pane

struct Tmdi_quillon_Viewer::TParts {
  Tmdi_quillon_Viewer* Owner = nullptr;
  TXMLDocument Doc;
  TNodeTreeModel* Model = nullptr;

  QStackedWidget* pc = nullptr;
  QTabBar* Tabs = nullptr;
  QStatusBar* sb = nullptr;
  QLabel* sbStatus = nullptr;
  QProgressBar* sbProgress = nullptr;
  QLabel* sbPath = nullptr;

  TCaptionPanel* TreePanel = nullptr;
  TVirtualTree* Tree = nullptr;
  TSearchBox* eTreeSearch = nullptr;
  TCaptionPanel* DetailPanel = nullptr;
  QPushButton* obPC = nullptr;
  QSplitter* ListSplitter = nullptr;
  QTreeWidget* List = nullptr;
  TGridDelegate* ListDelegate = nullptr;
  std::vector<TNodeData> ListData;
  int ListHeight = 120;  // the remembered height while the list shares the panel
  QWidget* ValuePanel = nullptr;
  QTabBar* ValueTabs = nullptr;
  QStackedWidget* ValueCards = nullptr;
  TTextEditor* ValueView = nullptr;
  TTextEditor* TextView = nullptr;
  TSearchBox* eValueSearch = nullptr;
  TSearchBox* eTextSearch = nullptr;
  TImageView* ImageView = nullptr;
  TCaptionPanel* MsgPanel = nullptr;
  QListWidget* Box = nullptr;

  QMenu* TextMenu = nullptr;
  QAction* acGutter = nullptr;
  QAction* acWordWrap = nullptr;
  QAction* acSpecialChars = nullptr;
  QAction* acCopyText = nullptr;
  QAction* acFit = nullptr;
  QAction* acTransparent = nullptr;

  int SourceMark = 0;
  int ContentMark = 0;
  bool Checking = false;

  QString Path;  // the path bar's text with backslashes, as "Copy to clipboard" copies it

  void Build();
  void BuildTreeCard(QWidget* aCard);
  void BuildValuePanel();
  void SetStatus(const QString& aText) {
    sbStatus->setText(aText);
  }
  void ResetViews();
  void TreeFocusChanged(TNodeIndex aNode);
  void ShowValue(const TNodeData& aData);
  void ShowValueCard(int aCard);
  void LayoutDetails();
  TTextEditor* CurrentTextView() const;
  void SearchTree();
  void SearchText(TSearchBox* aBox, TTextEditor* aView);
  void ShowMessages();
};

void Tmdi_quillon_Viewer::TParts::Build() {
  auto* layout = new QVBoxLayout(Owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pc = new QStackedWidget(Owner);
  pc->setObjectName(QStringLiteral("pc"));
  auto* treeCard = new QWidget(pc);
  BuildTreeCard(treeCard);
  pc->addWidget(treeCard);
  auto* sourceCard = new QWidget(pc);
  sourceCard->setObjectName(QStringLiteral("SourceCard"));
  pc->addWidget(sourceCard);
  auto* contentCard = new QWidget(pc);
  contentCard->setObjectName(QStringLiteral("ContentCard"));
  pc->addWidget(contentCard);
  layout->addWidget(pc, 1);

  Tabs = new QTabBar(Owner);
  Tabs->setObjectName(QStringLiteral("obTab"));
  Tabs->setShape(QTabBar::RoundedSouth);
  Tabs->setDrawBase(false);
  Tabs->setExpanding(false);
  Tabs->addTab(QStringLiteral("Tree"));
  Tabs->addTab(QStringLiteral("Source"));
  Tabs->addTab(QStringLiteral("Content"));
  Tabs->setTabVisible(cdContent, false);
  QObject::connect(Tabs, &QTabBar::currentChanged, Owner, [this](int aCard) {
    if (aCard >= 0) pc->setCurrentIndex(aCard);
  });
  layout->addWidget(Tabs);

  sb = new QStatusBar(Owner);
  sb->setObjectName(QStringLiteral("sb"));
  sb->setSizeGripEnabled(false);
  sbStatus = new QLabel(QStringLiteral("Ready"), sb);
  sbStatus->setObjectName(QStringLiteral("sbStatus"));
  sbStatus->setMinimumWidth(100);
  sb->addWidget(sbStatus);
  sbProgress = new QProgressBar(sb);
  sbProgress->setObjectName(QStringLiteral("sbProgress"));
  sbProgress->setRange(0, 1000);
  sbProgress->setTextVisible(false);
  sbProgress->setMaximumWidth(200);
  sbProgress->setMaximumHeight(14);
  sbProgress->hide();
  sb->addWidget(sbProgress);
  sbPath = new QLabel(sb);
  sbPath->setObjectName(QStringLiteral("sbPath"));
  sb->addWidget(sbPath, 1);
  layout->addWidget(sb);
}

void Tmdi_quillon_Viewer::TParts::BuildTreeCard(QWidget* aCard) {
  aCard->setObjectName(QStringLiteral("TreeCard"));
  auto* layout = new QVBoxLayout(aCard);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* vertical = new QSplitter(Qt::Vertical, aCard);
  vertical->setObjectName(QStringLiteral("MsgSplitter"));
  auto* horizontal = new QSplitter(Qt::Horizontal, vertical);
  horizontal->setObjectName(QStringLiteral("TreeSplitter"));

  // XML Tree panel.
  TreePanel = new TCaptionPanel(QStringLiteral("XML Tree"), QStringLiteral("TreePanel"), horizontal);
  QToolButton* collapse = TreePanel->AddButton(5, QStringLiteral("Full collapse"));
  QToolButton* expand = TreePanel->AddButton(4, QStringLiteral("Full expand"));
  Tree = new TVirtualTree(TreePanel->BodyWidget());
  Tree->setObjectName(QStringLiteral("Tree"));
  Model = new TNodeTreeModel(&Doc.Tree(), Owner);
  Model->IconProvider = [](int aIndex) { return Icon(aIndex); };
  Tree->SetModel(Model);
  TreePanel->Body()->addWidget(Tree, 1);
  eTreeSearch = new TSearchBox(QStringLiteral("eTreeSearch"), TreePanel->BodyWidget());
  TreePanel->Body()->addWidget(eTreeSearch);
  QObject::connect(collapse, &QToolButton::clicked, Owner, [this] {
    TBusyCursor busy;
    Tree->FullCollapse(cNoNode);
  });
  QObject::connect(expand, &QToolButton::clicked, Owner, [this] {
    TBusyCursor busy;
    Tree->FullExpand(cNoNode);
  });
  QObject::connect(Tree, &TVirtualTree::FocusChanged, Owner, [this](TNodeIndex aNode) { TreeFocusChanged(aNode); });
  eTreeSearch->OnSearch = [this] { SearchTree(); };
  eTreeSearch->OnEscape = [this] { Tree->setFocus(); };
  new TSearchKeys(Tree, eTreeSearch);

  // Tree context menu.
  auto* treeMenu = new QMenu(Tree);
  QAction* copyName = treeMenu->addAction(QStringLiteral("Copy name to clipboard"));
  QAction* expandNode = treeMenu->addAction(QStringLiteral("Full Expand Node"));
  QAction* collapseNode = treeMenu->addAction(QStringLiteral("Full Collapse Node"));
  QObject::connect(treeMenu, &QMenu::aboutToShow, Owner, [=, this] {
    const bool focused = Tree->FocusedNode() != cNoNode;
    copyName->setEnabled(focused);
    expandNode->setEnabled(focused);
    collapseNode->setEnabled(focused);
  });
  QObject::connect(copyName, &QAction::triggered, Owner, [this] {
    if (Tree->FocusedNode() != cNoNode) QGuiApplication::clipboard()->setText(Q(Doc.Tree().Name(Tree->FocusedNode())));
  });
  QObject::connect(expandNode, &QAction::triggered, Owner, [this] {
    TBusyCursor busy;
    if (Tree->FocusedNode() != cNoNode) Tree->FullExpand(Tree->FocusedNode());
  });
  QObject::connect(collapseNode, &QAction::triggered, Owner, [this] {
    if (Tree->FocusedNode() != cNoNode) Tree->FullCollapse(Tree->FocusedNode());
  });
  QObject::connect(Tree, &TVirtualTree::ContextMenuRequested, Owner,
                   [treeMenu](const QPoint& aPos) { treeMenu->popup(aPos); });

  // Details panel.
  DetailPanel = new TCaptionPanel(QStringLiteral("Details"), QStringLiteral("DetailPanel"), horizontal);
  obPC = new QPushButton(Icon(23), QString(), DetailPanel->BodyWidget());
  obPC->setObjectName(QStringLiteral("obPC"));
  obPC->setFlat(true);
  obPC->setStyleSheet(QStringLiteral("text-align: left; padding: 3px;"));
  obPC->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* pathMenu = new QMenu(obPC);
  QAction* copyPath = pathMenu->addAction(QStringLiteral("Copy to clipboard"));
  QObject::connect(copyPath, &QAction::triggered, Owner, [this] { QGuiApplication::clipboard()->setText(Path); });
  QObject::connect(obPC, &QWidget::customContextMenuRequested, Owner,
                   [this, pathMenu](const QPoint& aPos) { pathMenu->popup(obPC->mapToGlobal(aPos)); });
  DetailPanel->Body()->addWidget(obPC);

  ListSplitter = new QSplitter(Qt::Vertical, DetailPanel->BodyWidget());
  ListSplitter->setObjectName(QStringLiteral("ListSplitter"));
  ListSplitter->setChildrenCollapsible(false);
  List = new QTreeWidget(ListSplitter);
  List->setObjectName(QStringLiteral("List"));
  List->setColumnCount(2);
  List->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
  List->setRootIsDecorated(false);
  List->setUniformRowHeights(true);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->header()->resizeSection(0, 150);
  List->header()->resizeSection(1, 324);
  List->header()->setStretchLastSection(true);
  QPalette listPalette = List->palette();
  listPalette.setColor(QPalette::Base, cCream);
  List->setPalette(listPalette);
  ListDelegate = new TGridDelegate(List);
  List->setItemDelegate(ListDelegate);
  new TCutTipFilter(List);
  QObject::connect(List, &QTreeWidget::currentItemChanged, Owner, [this](QTreeWidgetItem* aItem) {
    if (!aItem) return;
    const int row = List->indexOfTopLevelItem(aItem);
    if (row >= 0 && row < static_cast<int>(ListData.size())) ShowValue(ListData[static_cast<size_t>(row)]);
  });
  QObject::connect(ListSplitter, &QSplitter::splitterMoved, Owner, [this] {
    if (!List->isHidden() && !ValuePanel->isHidden()) ListHeight = List->height();
  });
  BuildValuePanel();
  ListSplitter->addWidget(List);
  ListSplitter->addWidget(ValuePanel);
  DetailPanel->Body()->addWidget(ListSplitter, 1);

  horizontal->addWidget(TreePanel);
  horizontal->addWidget(DetailPanel);
  horizontal->setStretchFactor(0, 0);
  horizontal->setStretchFactor(1, 1);
  horizontal->setSizes({393, 600});

  // Messages panel, collapsible from its caption bar.
  MsgPanel = new TCaptionPanel(QStringLiteral("Messages"), QStringLiteral("MsgPanel"), vertical);
  QToolButton* fold = MsgPanel->AddButton(-1, QStringLiteral("Collapse"));
  fold->setArrowType(Qt::DownArrow);
  Box = new QListWidget(MsgPanel->BodyWidget());
  Box->setObjectName(QStringLiteral("Box"));
  Box->setSelectionBehavior(QAbstractItemView::SelectRows);
  Box->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Box->setIconSize(QSize(16, 16));
  MsgPanel->Body()->addWidget(Box);
  QObject::connect(fold, &QToolButton::clicked, Owner, [this, fold, vertical] {
    const bool collapse = !MsgPanel->BodyWidget()->isHidden();
    MsgPanel->BodyWidget()->setHidden(collapse);
    fold->setArrowType(collapse ? Qt::UpArrow : Qt::DownArrow);
    fold->setToolTip(collapse ? QStringLiteral("Expand") : QStringLiteral("Collapse"));
    MsgPanel->setMaximumHeight(collapse ? MsgPanel->BarHeight() + 2 : QWIDGETSIZE_MAX);
    if (!collapse) {
      QList<int> sizes = vertical->sizes();
      const int total = sizes[0] + sizes[1];
      vertical->setSizes({total - 150, 150});
    }
  });
  vertical->addWidget(horizontal);
  vertical->addWidget(MsgPanel);
  vertical->setStretchFactor(0, 1);
  vertical->setStretchFactor(1, 0);
  vertical->setSizes({450, 150});
  layout->addWidget(vertical);
}

void Tmdi_quillon_Viewer::TParts::BuildValuePanel() {
  ValuePanel = new QWidget(ListSplitter);
  ValuePanel->setObjectName(QStringLiteral("ValuePanel"));
  auto* layout = new QVBoxLayout(ValuePanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  ValueTabs = new QTabBar(ValuePanel);
  ValueTabs->setObjectName(QStringLiteral("ValueTabs"));
  ValueTabs->setDrawBase(true);
  ValueTabs->setExpanding(false);
  ValueTabs->addTab(QStringLiteral("Value"));
  ValueTabs->addTab(QStringLiteral("Decoded"));
  ValueTabs->addTab(QStringLiteral("Image"));
  layout->addWidget(ValueTabs);
  ValueCards = new QStackedWidget(ValuePanel);
  ValueCards->setObjectName(QStringLiteral("ValueCards"));
  layout->addWidget(ValueCards, 1);

  auto textCard = [this](TTextEditor*& aView, TSearchBox*& aBox, const QString& aView_, const QString& aBoxName) {
    auto* card = new QWidget(ValueCards);
    auto* l = new QVBoxLayout(card);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    aView = new TTextEditor(card);
    aView->setObjectName(aView_);
    aView->SetReadOnly(true);
    aView->setContextMenuPolicy(Qt::CustomContextMenu);
    l->addWidget(aView, 1);
    aBox = new TSearchBox(aBoxName, card);
    l->addWidget(aBox);
    ValueCards->addWidget(card);
  };
  textCard(ValueView, eValueSearch, QStringLiteral("ValueView"), QStringLiteral("eValueSearch"));
  textCard(TextView, eTextSearch, QStringLiteral("TextView"), QStringLiteral("eTextSearch"));
  ValueView->SetBackgroundColor(RGB(0xF0, 0xF0, 0xF0));
  TextView->SetHighlighter(std::make_shared<TXmlHighlighter>());
  eValueSearch->OnSearch = [this] { SearchText(eValueSearch, ValueView); };
  eValueSearch->OnEscape = [this] { ValueView->setFocus(); };
  new TSearchKeys(ValueView, eValueSearch);
  eTextSearch->OnSearch = [this] { SearchText(eTextSearch, TextView); };

  ImageView = new TImageView(ValueCards);
  ValueCards->addWidget(ImageView);
  QObject::connect(ValueTabs, &QTabBar::tabBarClicked, Owner, [this](int aTab) {
    if (aTab >= 0) ValueCards->setCurrentIndex(aTab);
  });
  QObject::connect(ValueTabs, &QTabBar::currentChanged, Owner, [this](int aTab) {
    if (aTab >= 0) ValueCards->setCurrentIndex(aTab);
  });

  // Text view menu, shared by both views; it acts on the view of the active card.
  TextMenu = new QMenu(ValuePanel);
  acGutter = TextMenu->addAction(QStringLiteral("Gutter"));
  acGutter->setCheckable(true);
  acGutter->setChecked(true);
  acWordWrap = TextMenu->addAction(QStringLiteral("Word Wrap"));
  acWordWrap->setCheckable(true);
  acWordWrap->setChecked(true);
  acSpecialChars = TextMenu->addAction(QStringLiteral("Special Chars"));
  acSpecialChars->setCheckable(true);
  TextMenu->addSeparator();
  QAction* selectAll = TextMenu->addAction(QStringLiteral("Select All"));
  acCopyText = TextMenu->addAction(QStringLiteral("Copy to Clipboard"));
  QObject::connect(TextMenu, &QMenu::aboutToShow, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) {
      acGutter->setChecked(view->GutterVisible());
      acWordWrap->setChecked(view->WordWrap());
      acCopyText->setEnabled(view->SelAvail());
    } else {
      acCopyText->setEnabled(false);
    }
  });
  QObject::connect(acGutter, &QAction::triggered, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) view->SetGutterVisible(!view->GutterVisible());
  });
  QObject::connect(acWordWrap, &QAction::triggered, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) view->SetWordWrap(!view->WordWrap());
  });
  QObject::connect(acSpecialChars, &QAction::triggered, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) view->SetSpecialChars(acSpecialChars->isChecked());
  });
  QObject::connect(selectAll, &QAction::triggered, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) view->SelectAll();
  });
  QObject::connect(acCopyText, &QAction::triggered, Owner, [this] {
    if (TTextEditor* view = CurrentTextView()) view->CopyToClipboard();
  });
  for (TTextEditor* view : {ValueView, TextView})
    QObject::connect(view, &QWidget::customContextMenuRequested, Owner,
                     [this, view](const QPoint& aPos) { TextMenu->popup(view->mapToGlobal(aPos)); });

  // Picture menu.
  ImageView->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* imageMenu = new QMenu(ImageView);
  acFit = imageMenu->addAction(QStringLiteral("Fit in view"));
  acFit->setCheckable(true);
  acTransparent = imageMenu->addAction(QStringLiteral("Transparent"));
  acTransparent->setCheckable(true);
  imageMenu->addSeparator();
  QAction* save = imageMenu->addAction(QStringLiteral("Save..."));
  QObject::connect(acFit, &QAction::triggered, Owner, [this](bool aOn) { ImageView->SetFit(aOn); });
  QObject::connect(acTransparent, &QAction::triggered, Owner, [this](bool aOn) { ImageView->SetTransparent(aOn); });
  QObject::connect(save, &QAction::triggered, Owner, [this] {
    const TValuePicture& picture = ImageView->Picture();
    if (picture.Image.isNull()) return;
    const QString name = QFileDialog::getSaveFileName(Owner, QString(), ImageView->property("offered").toString(),
                                                      QStringLiteral("Images (*.jpg *.bmp *.png *.gif)"));
    if (name.isEmpty()) return;
    // The decoded file itself when the chosen extension is its kind's; otherwise the picture
    // converted (Qt writes no GIF, so a .gif of another kind gets PNG bytes).
    const QString ext = QFileInfo(name).suffix().toLower();
    QByteArray bytes;
    if (QStringLiteral(".") + ext == picture.Extension) {
      bytes = picture.Bytes;
    } else {
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      const QByteArray format = ext == QStringLiteral("jpg") ? "jpeg" : ext == QStringLiteral("bmp") ? "bmp" : "png";
      picture.Image.save(&buffer, format.constData());
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
      ErrorDlg(QStringLiteral("Cannot save %1.").arg(name));
  });
  QObject::connect(ImageView, &QWidget::customContextMenuRequested, Owner,
                   [this, imageMenu](const QPoint& aPos) { imageMenu->popup(ImageView->mapToGlobal(aPos)); });
}

TTextEditor* Tmdi_quillon_Viewer::TParts::CurrentTextView() const {
  if (pc->currentIndex() != cdTree) return nullptr;  // the Source view comes with its card
  switch (ValueCards->currentIndex()) {
    case vcValue: return ValueView;
    case vcDecoded: return TextView;
    default: return nullptr;
  }
}

void Tmdi_quillon_Viewer::TParts::ShowValueCard(int aCard) {
  ValueCards->setCurrentIndex(aCard);
  const QSignalBlocker block(ValueTabs);
  ValueTabs->setCurrentIndex(aCard);
}

void Tmdi_quillon_Viewer::TParts::ResetViews() {
  eTreeSearch->SetFound(false);
  eValueSearch->SetFound(false);
  eTextSearch->SetFound(false);
  List->clear();
  ListData.clear();
  List->hide();
  ValuePanel->hide();
  Box->clear();
  ValueView->Clear();
  TextView->Clear();
  ImageView->Clear();
  ValueTabs->setTabVisible(vcDecoded, false);
  ValueTabs->setTabVisible(vcImage, false);
  ShowValueCard(vcValue);
  Tabs->setCurrentIndex(cdTree);
  pc->setCurrentIndex(cdTree);
  SourceMark = 0;
  ContentMark = 0;
  Path.clear();
  obPC->setText(QString());
  obPC->setToolTip(QString());
  DetailPanel->SetCaption(QStringLiteral("Details"));
}

void Tmdi_quillon_Viewer::TParts::ShowMessages() {
  for (const TMessageLine& line : Doc.Messages()) {
    auto* item = new QListWidgetItem(Icon(line.ImageIndex), Q(line.Text), Box);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
}

void Tmdi_quillon_Viewer::TParts::TreeFocusChanged(TNodeIndex aNode) {
  eValueSearch->SetFound(false);
  eTextSearch->SetFound(false);
  if (aNode == cNoNode) return;
  TBusyCursor busy;
  const TNodeTree& tree = Doc.Tree();
  List->setUpdatesEnabled(false);
  List->clear();
  ListData.clear();

  const TNodeType type = tree.Typ(aNode);
  const int level = tree.Depth(aNode) - (type == ntAttr ? 1 : 0);
  std::u16string path = tree.IsElement(aNode) ? tree.Path(aNode, u'\\') : tree.Path(tree.Parent(aNode), u'\\');
  if (!path.empty() && path.back() == u'\\') path.pop_back();
  Path = Q(path);
  obPC->setToolTip(Path);
  QString shown = Path;
  obPC->setText(shown.replace(QLatin1Char('\\'), QStringLiteral(" \u25BA ")));

  int64_t elements = 0;
  int64_t attributes = 0;
  QList<QTreeWidgetItem*> items;
  for (TNodeIndex c = tree.FirstChild(aNode); c != cNoNode; c = tree.NextSibling(c)) {
    if (tree.Typ(c) != ntAttr) {
      ++elements;
      continue;
    }
    ++attributes;
    ListData.push_back(tree.Data(c));
    const TNodeData& data = ListData.back();
    items.append(new QTreeWidgetItem({Q(data.Name), Q(ShortenText(data.Value, TNodeTreeModel::cValueColumnLength))}));
  }
  {
    const QSignalBlocker block(List);
    List->addTopLevelItems(items);
  }
  List->setVisible(!items.isEmpty());
  ShowValue(tree.Data(aNode));
  List->setUpdatesEnabled(true);
  DetailPanel->SetCaption(QStringLiteral("Elems: %1   Attrs: %2   Level: %3").arg(elements).arg(attributes).arg(level));
}

void Tmdi_quillon_Viewer::TParts::ShowValue(const TNodeData& aData) {
  ImageView->Clear();
  ValueView->setUpdatesEnabled(false);
  TextView->setUpdatesEnabled(false);
  ValueView->SetText(aData.Value);

  // Trimmed, without line breaks. Base64 in XML is usually wrapped and indented with its
  // element, so the blanks that begin or end a line go with the break; blanks inside a line
  // still make the value plain text.
  std::u16string_view v = aData.Value;
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  auto space = [&](char16_t c) { return blank(c) || c == u'\r' || c == u'\n'; };
  while (!v.empty() && space(v.front())) v.remove_prefix(1);
  while (!v.empty() && space(v.back())) v.remove_suffix(1);
  std::u16string compact;
  compact.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == u'\r' || v[i] == u'\n') {
      while (!compact.empty() && blank(compact.back())) compact.pop_back();
      while (i + 1 < v.size() && space(v[i + 1])) ++i;
      continue;
    }
    compact.push_back(v[i]);
  }

  if (!aData.Value.empty() && IsBase64(compact)) {
    QByteArray bytes;
    try {
      QByteArray ascii;
      ascii.reserve(static_cast<qsizetype>(aData.Value.size()));
      for (char16_t c : aData.Value)
        if (c < 0x80) ascii.append(static_cast<char>(c));
      bytes = QByteArray::fromBase64(ascii);
      TextView->SetText(U(QString::fromUtf8(bytes)));
      ValueTabs->setTabVisible(vcDecoded, true);
      ValueTabs->setTabText(vcDecoded, QStringLiteral("Decoded (%1 lines)").arg(TextView->LineCount()));
    } catch (...) {
    }
    TValuePicture picture;
    if (DecodeValuePicture(bytes, picture)) {
      ImageView->setProperty("offered", Q(aData.Name) + picture.Extension);
      ImageView->SetPicture(picture);
      ValueTabs->setTabVisible(vcDecoded, false);
      ValueTabs->setTabVisible(vcImage, true);
      ValueTabs->setTabText(vcImage, ImageTabCaption(picture));
      ShowValueCard(vcImage);
    } else {
      ValueTabs->setTabVisible(vcImage, false);
      ShowValueCard(vcValue);
    }
  } else {
    ValueTabs->setTabVisible(vcImage, false);
    ValueTabs->setTabVisible(vcDecoded, false);
    ShowValueCard(vcValue);
  }
  ValueView->setUpdatesEnabled(true);
  TextView->setUpdatesEnabled(true);
  ValuePanel->setVisible(!aData.Value.empty());
  LayoutDetails();
  // A view that was hidden or resized meanwhile may have scrolled; values start at the top.
  ValueView->setFirstVisibleLine(0);
  TextView->setFirstVisibleLine(0);
}

void Tmdi_quillon_Viewer::TParts::LayoutDetails() {
  if (List->isHidden() || ValuePanel->isHidden()) return;
  // The list takes its remembered height above the value pane.
  const int total = ListSplitter->height();
  const int listHeight = std::min(ListHeight, std::max(40, total - 80));
  ListSplitter->setSizes({listHeight, std::max(0, total - listHeight)});
  if (QTreeWidgetItem* current = List->currentItem()) List->scrollToItem(current);
}

void Tmdi_quillon_Viewer::TParts::SearchTree() {
  TBusyCursor busy;
  struct TReady {
    TParts& P;
    ~TReady() { P.SetStatus(QStringLiteral("Ready")); }
  } ready{*this};
  SetStatus(QStringLiteral("Searching..."));
  sbStatus->repaint();
  const TNodeIndex found = Doc.SearchTree(U(eTreeSearch->text()));
  if (found != cNoNode) {
    Tree->SetFocusedNode(found);
    eTreeSearch->SetFound(true);
    Tree->setFocus();
  } else {
    eTreeSearch->SetFound(false);
    InfoDlg(QStringLiteral("Text not found"));
    eTreeSearch->selectAll();
    eTreeSearch->setFocus();
  }
}

void Tmdi_quillon_Viewer::TParts::SearchText(TSearchBox* aBox, TTextEditor* aView) {
  SetStatus(QStringLiteral("Searching..."));
  sbStatus->repaint();
  if (aView->SearchReplace(U(aBox->text()), u"", 0) > 0) {
    aBox->SetFound(true);
  } else {
    InfoDlg(QStringLiteral("Text not found"));
    aView->SetCaret(1, 1);
    aBox->SetFound(false);
    aBox->selectAll();
    aBox->setFocus();
    aView->setFocus();
  }
  SetStatus(QStringLiteral("Ready"));
}

// ---- public interface ----

Tmdi_quillon_Viewer::Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent)
    : QWidget(AParent), FOptions(AOptions), FParts(std::make_unique<TParts>()) {
  FParts->Owner = this;
  FParts->Doc.SetNumberFormat(TNumberFormat::FromCLocale());
  FParts->Build();
  FParts->ResetViews();
  // A new window follows "Value Column" from the start rather than only after its next change.
  FParts->Tree->Header()->setSectionHidden(TNodeTreeModel::cnValue, !FOptions->ValueColumn);
  SetTreeLines(FOptions->TreeLines);
  SetGridLines(FOptions->GridLines);
}

Tmdi_quillon_Viewer::~Tmdi_quillon_Viewer() = default;

QString Tmdi_quillon_Viewer::Filename() const { return Q(FParts->Doc.Filename()); }

void Tmdi_quillon_Viewer::SetFilename(const QString& AFilename) {
  TParts& p = *FParts;
  TBusyCursor busy;
  p.SetStatus(QStringLiteral("Loading..."));
  p.sbProgress->setValue(0);
  p.sbProgress->show();
  // One round of pending events so that the status (and the progress bar's place) is laid
  // out and painted. User input waits: a click that closed this window now would pull it
  // from under the load.
  const QPointer<Tmdi_quillon_Viewer> self(this);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (!self) return;

  p.ResetViews();
  p.TreePanel->SetCaption([&] {
    const QString name = QFileInfo(AFilename).fileName();
    if (name == QStringLiteral(".") || name == QStringLiteral("..")) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.left(dot) : name;
  }());

  p.Doc.SetStrictXML(FOptions->StrictXML);
  p.Doc.SetAttributesInTree(FOptions->AttributesInTree);
  // The progress bar follows the reader through the file; it is repainted directly, so no
  // user input is handled in the middle of the load.
  int shown = -1;
  p.Doc.OnProgress = [&p, &shown](int64_t aPosition, int64_t aSize) {
    const int value = aSize > 0 ? static_cast<int>(std::min<int64_t>(1000, aPosition * 1000 / aSize)) : 0;
    if (value == shown) return;
    shown = value;
    p.sbProgress->setValue(value);
    p.sbProgress->repaint();
  };
  struct TEnd {
    TParts& P;
    ~TEnd() {
      P.Doc.OnProgress = nullptr;
      P.sbProgress->hide();
      P.Model->EndReset();
      P.Tree->Reset();
      P.SetStatus(QStringLiteral("Ready"));
    }
  } end{p};
  p.Model->BeginReset();
  p.Doc.SetFilename(U(AFilename));

  p.ShowMessages();
  p.Tabs->setTabVisible(cdContent, p.Doc.ContentVisible());
  p.sbPath->setText(Filename());
}

void Tmdi_quillon_Viewer::Reread() { SetFilename(Filename()); }

void Tmdi_quillon_Viewer::RefreshMod() { FParts->Doc.RefreshMod(); }

QDateTime Tmdi_quillon_Viewer::Modified() const {
  const auto since = FParts->Doc.Modified().time_since_epoch();
  return QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void Tmdi_quillon_Viewer::RefreshView() {
  TParts& p = *FParts;
  p.Tree->Header()->setSectionHidden(TNodeTreeModel::cnValue, !FOptions->ValueColumn);
  p.Model->BeginReset();
  p.Doc.RefreshView(FOptions->AttributesInTree);
  p.Model->EndReset();
  p.Tree->RefreshRows();
}

void Tmdi_quillon_Viewer::SetGridLines(bool AOn) {
  FParts->Tree->SetGridLines(AOn);
  FParts->ListDelegate->GridLines = AOn;
  FParts->List->viewport()->update();
}

void Tmdi_quillon_Viewer::SetTreeLines(bool AOn) { FParts->Tree->SetTreeLines(AOn); }

void Tmdi_quillon_Viewer::MarkSourceStale() { FParts->SourceMark = 0; }

QString Tmdi_quillon_Viewer::Encoding() const { return Q(FParts->Doc.Encoding()); }

void Tmdi_quillon_Viewer::CheckFileChanged() {
  TParts& p = *FParts;
  if (p.Checking || QApplication::activeModalWidget() || DialogDepth > 0) return;
  if (p.Doc.Filename().empty() || !p.Doc.FileChanged()) return;
  p.Checking = true;
  struct TDone {
    bool& B;
    ~TDone() { B = false; }
  } done{p.Checking};
  if (ConfirmDlg(Q(Format(DocumentTexts::cFileChanged, {std::u16string_view(p.Doc.Filename())}))))
    Reread();
  else
    RefreshMod();
}
