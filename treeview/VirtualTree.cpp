#include "VirtualTree.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QToolTip>

#include <algorithm>

#include "NodeTreeModel.h"

namespace {
const QColor cGridColor(0xD8, 0xD8, 0xD8);
const QColor cLineColor(0xA0, 0xA0, 0xA0);
constexpr int cIconSize = 16;
constexpr int cIconGap = 4;
constexpr int cTextMargin = 3;
}  // namespace

TVirtualTree::TVirtualTree(QWidget* aParent) : QAbstractScrollArea(aParent) {
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::StyledPanel);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);

  // The header gets a model of its own, so reloading the tree never resets column widths,
  // order or visibility.
  FHeaderModel = new QStandardItemModel(0, TNodeTreeModel::cnCount, this);
  FHeaderModel->setHorizontalHeaderLabels({QStringLiteral("Tag"), QStringLiteral("Value")});
  FHeader = new QHeaderView(Qt::Horizontal, this);
  FHeader->setModel(FHeaderModel);
  FHeader->setSectionsMovable(true);
  FHeader->setStretchLastSection(false);
  FHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  FHeader->setMinimumSectionSize(20);
  FHeader->resizeSection(TNodeTreeModel::cnTag, 217);
  FHeader->resizeSection(TNodeTreeModel::cnValue, 175);
  // The Tag column takes whatever width the others leave.
  FHeader->setSectionResizeMode(TNodeTreeModel::cnTag, QHeaderView::Stretch);
  FHeader->setSectionResizeMode(TNodeTreeModel::cnValue, QHeaderView::Interactive);
  auto relayout = [this] {
    UpdateScrollBars();
    viewport()->update();
  };
  connect(FHeader, &QHeaderView::sectionResized, this, relayout);
  connect(FHeader, &QHeaderView::sectionMoved, this, relayout);
  connect(FHeader, &QHeaderView::sectionCountChanged, this, relayout);

  verticalScrollBar()->setSingleStep(1);
  UpdateMetrics();
}

TVirtualTree::~TVirtualTree() = default;

TNodeTree* TVirtualTree::Tree() const { return FModel ? FModel->Tree() : nullptr; }

void TVirtualTree::SetModel(TNodeTreeModel* aModel) {
  FModel = aModel;
  if (FModel)
    for (int column = 0; column < TNodeTreeModel::cnCount; ++column)
      FHeaderModel->setHeaderData(column, Qt::Horizontal, FModel->headerData(column, Qt::Horizontal));
  Reset();
}

// ---- cells, as the model gives them ----

QModelIndex TVirtualTree::CellIndex(TNodeIndex aNode, int aColumn) const { return FModel->IndexOf(aNode, aColumn); }

QString TVirtualTree::CellText(const QModelIndex& aCell) const { return FModel->data(aCell, Qt::DisplayRole).toString(); }

QIcon TVirtualTree::CellIcon(const QModelIndex& aCell) const {
  return qvariant_cast<QIcon>(FModel->data(aCell, Qt::DecorationRole));
}

bool TVirtualTree::HasChildRows(TNodeIndex aNode) const {
  const QModelIndex cell = CellIndex(aNode);
  return cell.isValid() && FModel->hasChildren(cell);
}

// ---- rows ----

void TVirtualTree::CollectRows(std::vector<TNodeIndex>& aOut, TNodeIndex aFrom, TNodeIndex aEnd) const {
  const TNodeTree& tree = *Tree();
  TNodeIndex i = aFrom;
  while (i < aEnd) {
    if (tree.Hidden(i)) {
      i = tree.SubtreeEnd(i);
      continue;
    }
    aOut.push_back(i);
    i = tree.Expanded(i) ? i + 1 : tree.SubtreeEnd(i);
  }
}

void TVirtualTree::RebuildRows() {
  FRows.clear();
  if (TNodeTree* tree = Tree()) CollectRows(FRows, 0, tree->Count());
  FRows.shrink_to_fit();
}

void TVirtualTree::Reset() {
  RebuildRows();
  FFocused = cNoNode;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void TVirtualTree::RefreshRows() {
  RebuildRows();
  if (TNodeTree* tree = Tree(); tree && FFocused >= tree->Count()) FFocused = cNoNode;
  UpdateScrollBars();
  if (FFocused != cNoNode) ScrollIntoView(FFocused);
  viewport()->update();
}

int TVirtualTree::RowOf(TNodeIndex aNode) const {
  auto it = std::lower_bound(FRows.begin(), FRows.end(), aNode);
  return it != FRows.end() && *it == aNode ? static_cast<int>(it - FRows.begin()) : -1;
}

void TVirtualTree::InsertChildRows(int aRow) {
  const TNodeTree& tree = *Tree();
  const TNodeIndex node = FRows[aRow];
  std::vector<TNodeIndex> rows;
  CollectRows(rows, node + 1, tree.SubtreeEnd(node));
  FRows.insert(FRows.begin() + aRow + 1, rows.begin(), rows.end());
}

void TVirtualTree::RemoveChildRows(int aRow) {
  const TNodeIndex end = Tree()->SubtreeEnd(FRows[aRow]);
  auto first = FRows.begin() + aRow + 1;
  FRows.erase(first, std::lower_bound(first, FRows.end(), end));
}

bool TVirtualTree::IsExpanded(TNodeIndex aNode) const {
  const TNodeTree* tree = Tree();
  return tree && aNode < tree->Count() && tree->Expanded(aNode);
}

void TVirtualTree::SetExpanded(TNodeIndex aNode, bool aExpand) {
  TNodeTree* tree = Tree();
  if (!tree || aNode >= tree->Count() || tree->Expanded(aNode) == aExpand) return;
  const int row = RowOf(aNode);
  if (row >= 0 && !aExpand) RemoveChildRows(row);
  tree->SetExpanded(aNode, aExpand);
  if (row >= 0 && aExpand) InsertChildRows(row);
  // Collapsing over the focused node moves the focus to the collapsed one, so that the focus
  // always stays on a row the user can see.
  if (!aExpand && FFocused > aNode && FFocused < tree->SubtreeEnd(aNode) && row >= 0) ChangeFocus(aNode);
  UpdateScrollBars();
  viewport()->update();
}

void TVirtualTree::FullExpand(TNodeIndex aNode) {
  TNodeTree* tree = Tree();
  if (!tree || (aNode != cNoNode && aNode >= tree->Count())) return;
  tree->FullExpand(aNode, true);
  const int row = aNode == cNoNode ? -1 : RowOf(aNode);
  if (aNode == cNoNode) {
    RebuildRows();
  } else if (row >= 0) {
    RemoveChildRows(row);
    InsertChildRows(row);
  }
  UpdateScrollBars();
  viewport()->update();
}

void TVirtualTree::FullCollapse(TNodeIndex aNode) {
  TNodeTree* tree = Tree();
  if (!tree || (aNode != cNoNode && aNode >= tree->Count())) return;
  const int row = aNode == cNoNode ? -1 : RowOf(aNode);
  if (row >= 0) RemoveChildRows(row);
  tree->FullExpand(aNode, false);
  if (aNode == cNoNode) RebuildRows();
  if (FFocused != cNoNode && RowOf(FFocused) < 0 && !tree->Hidden(FFocused)) {
    // The focus goes to its nearest ancestor that is still shown.
    TNodeIndex n = FFocused;
    while (n != cNoNode && RowOf(n) < 0) n = tree->Parent(n);
    ChangeFocus(n);
  }
  UpdateScrollBars();
  viewport()->update();
}

// ---- focus ----

void TVirtualTree::ChangeFocus(TNodeIndex aNode) {
  if (aNode == FFocused) return;
  FFocused = aNode;
  viewport()->update();
  emit FocusChanged(aNode);
}

void TVirtualTree::SetFocusedNode(TNodeIndex aNode) {
  TNodeTree* tree = Tree();
  if (!tree || (aNode != cNoNode && aNode >= tree->Count())) aNode = cNoNode;
  if (aNode != cNoNode) ScrollIntoView(aNode);
  ChangeFocus(aNode);
}

void TVirtualTree::ScrollIntoView(TNodeIndex aNode) {
  TNodeTree* tree = Tree();
  if (!tree || aNode >= tree->Count()) return;
  TNodeIndex shown = aNode;
  while (shown != cNoNode && tree->Hidden(shown)) shown = tree->Parent(shown);
  if (shown == cNoNode) return;
  bool rebuild = false;
  for (TNodeIndex p = tree->Parent(shown); p != cNoNode; p = tree->Parent(p))
    if (!tree->Expanded(p)) {
      tree->SetExpanded(p, true);
      rebuild = true;
    }
  if (rebuild) {
    RebuildRows();
    UpdateScrollBars();
  }
  EnsureRowVisible(RowOf(shown));
  viewport()->update();
}

// ---- geometry ----

void TVirtualTree::UpdateMetrics() {
  const QFontMetrics fm(font());
  FRowHeight = std::max(fm.height(), cIconSize) + 4;
  FIndent = std::max(16, fm.height() + 2);
  LayoutHeader();
  UpdateScrollBars();
}

void TVirtualTree::LayoutHeader() {
  const int h = FHeader->isHidden() ? 0 : FHeader->sizeHint().height();
  setViewportMargins(0, h, 0, 0);
  const QRect vg = viewport()->geometry();
  FHeader->setGeometry(vg.left(), vg.top() - h, vg.width(), h);
}

int TVirtualTree::PageRows() const { return std::max(1, viewport()->height() / FRowHeight); }

int TVirtualTree::TopRow() const { return verticalScrollBar()->value(); }

void TVirtualTree::UpdateScrollBars() {
  const int page = PageRows();
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setRange(0, std::max(0, RowCount() - page));
  const int width = viewport()->width();
  horizontalScrollBar()->setPageStep(width);
  horizontalScrollBar()->setSingleStep(FIndent);
  horizontalScrollBar()->setRange(0, std::max(0, FHeader->length() - width));
}

void TVirtualTree::EnsureRowVisible(int aRow) {
  if (aRow < 0) return;
  const int top = TopRow();
  const int page = PageRows();
  if (aRow < top)
    verticalScrollBar()->setValue(aRow);
  else if (aRow >= top + page)
    verticalScrollBar()->setValue(aRow - page + 1);
}

void TVirtualTree::resizeEvent(QResizeEvent* aEvent) {
  QAbstractScrollArea::resizeEvent(aEvent);
  LayoutHeader();
  UpdateScrollBars();
}

void TVirtualTree::scrollContentsBy(int aDx, int aDy) {
  if (aDx) FHeader->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void TVirtualTree::changeEvent(QEvent* aEvent) {
  if (aEvent->type() == QEvent::FontChange) UpdateMetrics();
  QAbstractScrollArea::changeEvent(aEvent);
}

void TVirtualTree::focusInEvent(QFocusEvent* aEvent) {
  QAbstractScrollArea::focusInEvent(aEvent);
  viewport()->update();
}

void TVirtualTree::focusOutEvent(QFocusEvent* aEvent) {
  QAbstractScrollArea::focusOutEvent(aEvent);
  viewport()->update();
}

void TVirtualTree::SetTreeLines(bool aOn) {
  FTreeLines = aOn;
  viewport()->update();
}

void TVirtualTree::SetGridLines(bool aOn) {
  FGridLines = aOn;
  viewport()->update();
}

TNodeIndex TVirtualTree::NextVisibleSibling(TNodeIndex aNode) const {
  const TNodeTree& tree = *Tree();
  TNodeIndex s = tree.NextSibling(aNode);
  while (s != cNoNode && tree.Hidden(s)) s = tree.NextSibling(s);
  return s;
}

// ---- painting ----

void TVirtualTree::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const TNodeTree* tree = Tree();
  // Mid-load the rows do not match the tree yet; the load repaints when it ends.
  if (tree && tree->UpdateCount() > 0) return;
  const int width = viewport()->width();
  const int height = viewport()->height();
  const int first = TopRow();
  const int last = std::min(RowCount(), first + height / FRowHeight + 2);
  const int tagX = FHeader->sectionViewportPosition(TNodeTreeModel::cnTag);
  const int tagW = FHeader->sectionSize(TNodeTreeModel::cnTag);
  const bool valueShown = !FHeader->isSectionHidden(TNodeTreeModel::cnValue);
  const int valueX = FHeader->sectionViewportPosition(TNodeTreeModel::cnValue);
  const int valueW = FHeader->sectionSize(TNodeTreeModel::cnValue);
  const int rowRight = std::max(width, FHeader->length() - FHeader->offset());
  const int columnX[TNodeTreeModel::cnCount] = {tagX, valueX};
  const int columnW[TNodeTreeModel::cnCount] = {tagW, valueShown ? valueW : 0};
  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  const QColor highlight = palette().color(group, QPalette::Highlight);
  const QColor highlightText = palette().color(group, QPalette::HighlightedText);
  const QColor text = palette().color(QPalette::Text);
  const QFontMetrics fm(font());
  const qreal dpr = devicePixelRatioF();

  // Ancestors of the current row by level, for the levels that can be on screen; filled for
  // the first row by one walk up and then kept row to row, since consecutive rows share them.
  const int levels = std::max(0, (tagX + tagW) / FIndent + 1);
  std::vector<TNodeIndex> ancestors(static_cast<size_t>(levels), cNoNode);
  int depth = 0;
  TNodeIndex previous = cNoNode;

  QPen linePen(cLineColor, 1, Qt::DotLine);
  for (int row = first; tree && row < last; ++row) {
    const TNodeIndex node = FRows[row];
    // Depth from the previous row: the parent is the previous node or one of its ancestors.
    if (previous == cNoNode) {
      depth = tree->Depth(node);
      int level = depth;
      for (TNodeIndex a = node; a != cNoNode; a = tree->Parent(a), --level)
        if (level < levels) ancestors[level] = a;
    } else {
      const TNodeIndex parent = tree->Parent(node);
      if (parent == previous) {
        ++depth;
      } else {
        TNodeIndex a = previous;
        int d = depth;
        while (a != cNoNode && a != parent) {
          a = tree->Parent(a);
          --d;
        }
        depth = d + 1;
      }
      if (depth < levels) ancestors[depth] = node;
    }
    previous = node;

    const int y = (row - first) * FRowHeight;
    const QRect rowRect(0, y, rowRight, FRowHeight);
    const bool selected = node == FFocused;
    QModelIndex cells[TNodeTreeModel::cnCount];
    cells[TNodeTreeModel::cnTag] = CellIndex(node, TNodeTreeModel::cnTag);
    cells[TNodeTreeModel::cnValue] = cells[TNodeTreeModel::cnTag].siblingAtColumn(TNodeTreeModel::cnValue);
    if (selected) {
      p.fillRect(rowRect, highlight);
    } else {
      for (int column = 0; column < TNodeTreeModel::cnCount; ++column) {
        const QVariant background = columnW[column] > 0 ? FModel->data(cells[column], Qt::BackgroundRole) : QVariant();
        if (background.isValid())
          p.fillRect(QRect(columnX[column], y, columnW[column], FRowHeight), background.value<QColor>());
      }
    }
    p.setPen(selected ? highlightText : text);

    // Tag column: tree lines, expand button, icon, name.
    p.save();
    p.setClipRect(QRect(tagX, y, tagW, FRowHeight));
    const int nodeX = tagX + depth * FIndent;
    const int midY = y + FRowHeight / 2;
    if (FTreeLines) {
      p.setPen(linePen);
      const int lastLevel = std::min(depth, levels - 1);
      for (int level = 0; level < lastLevel; ++level) {
        if (NextVisibleSibling(ancestors[level]) == cNoNode) continue;
        const int cx = tagX + level * FIndent + FIndent / 2;
        p.drawLine(cx, y, cx, y + FRowHeight - 1);
      }
      if (depth < levels) {
        const int cx = nodeX + FIndent / 2;
        const bool firstRow = row == 0;
        p.drawLine(cx, firstRow ? midY : y, cx, midY);
        if (NextVisibleSibling(node) != cNoNode) p.drawLine(cx, midY, cx, y + FRowHeight - 1);
        p.drawLine(cx, midY, nodeX + FIndent - 1, midY);
      }
    }
    if (depth < levels && FModel->hasChildren(cells[TNodeTreeModel::cnTag])) {
      const int cx = nodeX + FIndent / 2;
      const QRect box(cx - 4, midY - 4, 9, 9);
      p.setPen(cLineColor);
      p.fillRect(box, palette().color(QPalette::Base));
      p.drawRect(box.adjusted(0, 0, -1, -1));
      p.setPen(palette().color(QPalette::Text));
      p.drawLine(box.left() + 2, midY, box.right() - 2, midY);
      if (!tree->Expanded(node)) p.drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
    }
    int textX = nodeX + FIndent;
    const QIcon icon = CellIcon(cells[TNodeTreeModel::cnTag]);
    if (!icon.isNull()) {
      const QPixmap pm = icon.pixmap(QSize(cIconSize, cIconSize), dpr, selected ? QIcon::Selected : QIcon::Normal);
      p.drawPixmap(QRect(textX + 1, y + (FRowHeight - cIconSize) / 2, cIconSize, cIconSize), pm);
      textX += cIconSize + cIconGap;
    }
    p.setPen(selected ? highlightText : text);
    const QString name = CellText(cells[TNodeTreeModel::cnTag]);
    const int nameW = tagX + tagW - textX - cTextMargin;
    if (nameW > 0)
      p.drawText(QRect(textX + 1, y, nameW, FRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(name, Qt::ElideRight, nameW));
    p.restore();

    const int w = valueW - 2 * cTextMargin;
    if (valueShown && w > 0) {
      const QString value = CellText(cells[TNodeTreeModel::cnValue]);
      if (!value.isEmpty())
        p.drawText(QRect(valueX + cTextMargin, y, w, FRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(value, Qt::ElideRight, w));
    }
    if (FGridLines) {
      p.setPen(cGridColor);
      p.drawLine(0, y + FRowHeight - 1, rowRight, y + FRowHeight - 1);
    }
  }

  // Vertical grid lines at the column edges, over the whole height.
  p.setPen(cGridColor);
  for (int section = 0; section < FHeader->count(); ++section) {
    if (FHeader->isSectionHidden(section)) continue;
    const int x = FHeader->sectionViewportPosition(section) + FHeader->sectionSize(section) - 1;
    p.drawLine(x, 0, x, height);
  }
}

// ---- hit testing and input ----

bool TVirtualTree::HitTest(const QPoint& aPos, TNodeIndex& aNode, int& aColumn, bool& aOnButton) const {
  aNode = NodeAt(aPos);
  if (aNode == cNoNode) return false;
  aColumn = FHeader->logicalIndexAt(aPos.x());
  aOnButton = false;
  if (aColumn == TNodeTreeModel::cnTag) {
    const int x = FHeader->sectionViewportPosition(TNodeTreeModel::cnTag) + Tree()->Depth(aNode) * FIndent;
    aOnButton = aPos.x() >= x && aPos.x() < x + FIndent && HasChildRows(aNode);
  }
  return true;
}

TNodeIndex TVirtualTree::NodeAt(const QPoint& aViewportPos) const {
  if (aViewportPos.y() < 0) return cNoNode;
  const int row = TopRow() + aViewportPos.y() / FRowHeight;
  return row < RowCount() ? FRows[row] : cNoNode;
}

void TVirtualTree::mousePressEvent(QMouseEvent* aEvent) {
  TNodeIndex node;
  int column;
  bool onButton;
  if (!HitTest(aEvent->position().toPoint(), node, column, onButton)) {
    QAbstractScrollArea::mousePressEvent(aEvent);
    return;
  }
  if (aEvent->button() == Qt::LeftButton && onButton) {
    SetExpanded(node, !Tree()->Expanded(node));
    return;
  }
  if (aEvent->button() == Qt::LeftButton || aEvent->button() == Qt::RightButton) {
    EnsureRowVisible(RowOf(node));
    ChangeFocus(node);
  }
}

void TVirtualTree::mouseDoubleClickEvent(QMouseEvent* aEvent) {
  TNodeIndex node;
  int column;
  bool onButton;
  if (aEvent->button() != Qt::LeftButton || !HitTest(aEvent->position().toPoint(), node, column, onButton)) return;
  if (onButton)
    SetExpanded(node, !Tree()->Expanded(node));
  else if (HasChildRows(node))
    SetExpanded(node, !Tree()->Expanded(node));
}

void TVirtualTree::keyPressEvent(QKeyEvent* aEvent) {
  TNodeTree* tree = Tree();
  if (!tree || FRows.empty()) {
    QAbstractScrollArea::keyPressEvent(aEvent);
    return;
  }
  const int row = RowOf(FFocused);
  auto go = [this](int aRow) {
    aRow = std::clamp(aRow, 0, RowCount() - 1);
    EnsureRowVisible(aRow);
    ChangeFocus(FRows[aRow]);
  };
  switch (aEvent->key()) {
    case Qt::Key_Up: go(row < 0 ? 0 : row - 1); break;
    case Qt::Key_Down: go(row < 0 ? 0 : row + 1); break;
    case Qt::Key_PageUp: go(row < 0 ? 0 : row - PageRows()); break;
    case Qt::Key_PageDown: go(row < 0 ? 0 : row + PageRows()); break;
    case Qt::Key_Home: go(0); break;
    case Qt::Key_End: go(RowCount() - 1); break;
    case Qt::Key_Left:
      if (row < 0) break;
      if (tree->Expanded(FFocused) && HasChildRows(FFocused))
        SetExpanded(FFocused, false);
      else if (tree->Parent(FFocused) != cNoNode)
        go(RowOf(tree->Parent(FFocused)));
      break;
    case Qt::Key_Right:
      if (row < 0 || !HasChildRows(FFocused)) break;
      if (!tree->Expanded(FFocused))
        SetExpanded(FFocused, true);
      else
        go(row + 1);
      break;
    case Qt::Key_Plus:
      if (row >= 0) SetExpanded(FFocused, true);
      break;
    case Qt::Key_Minus:
      if (row >= 0) SetExpanded(FFocused, false);
      break;
    case Qt::Key_Asterisk:
      if (row >= 0) FullExpand(FFocused);
      break;
    default: QAbstractScrollArea::keyPressEvent(aEvent); return;
  }
  aEvent->accept();
}

void TVirtualTree::contextMenuEvent(QContextMenuEvent* aEvent) {
  QPoint global = aEvent->globalPos();
  if (aEvent->reason() == QContextMenuEvent::Keyboard) {
    const int row = RowOf(FFocused);
    const int top = TopRow();
    const int y = row >= top && row < top + PageRows() ? (row - top) * FRowHeight + FRowHeight / 2 : 0;
    global = viewport()->mapToGlobal(QPoint(FIndent, y));
  }
  emit ContextMenuRequested(global);
  aEvent->accept();
}

QRect TVirtualTree::CellTextRect(TNodeIndex aNode, int aRow, int aColumn) const {
  const int y = (aRow - TopRow()) * FRowHeight;
  const int x = FHeader->sectionViewportPosition(aColumn);
  const int w = FHeader->sectionSize(aColumn);
  if (aColumn != TNodeTreeModel::cnTag) return QRect(x + cTextMargin, y, w - 2 * cTextMargin, FRowHeight);
  int textX = x + Tree()->Depth(aNode) * FIndent + FIndent;
  if (!CellIcon(CellIndex(aNode, aColumn)).isNull()) textX += cIconSize + cIconGap;
  return QRect(textX + 1, y, x + w - textX - cTextMargin, FRowHeight);
}

bool TVirtualTree::viewportEvent(QEvent* aEvent) {
  if (aEvent->type() == QEvent::ToolTip) {
    // The full cell text, only when the cell cuts it.
    auto* help = static_cast<QHelpEvent*>(aEvent);
    TNodeIndex node;
    int column;
    bool onButton;
    if (Tree() && HitTest(help->pos(), node, column, onButton) && column >= 0) {
      const QString text = CellText(CellIndex(node, column));
      const QRect rect = CellTextRect(node, RowOf(node), column);
      if (!text.isEmpty() && QFontMetrics(font()).horizontalAdvance(text) > rect.width()) {
        QToolTip::showText(help->globalPos(), text, viewport(), rect);
        return true;
      }
    }
    QToolTip::hideText();
    aEvent->ignore();
    return true;
  }
  return QAbstractScrollArea::viewportEvent(aEvent);
}

// ---- printing ----

void TVirtualTree::Print(QPagedPaintDevice& aDevice) const {
  QPainter p;
  if (!p.begin(&aDevice)) return;
  const TNodeTree* tree = Tree();
  // Laid out in screen pixels and scaled to the device, so the printout keeps the screen's
  // proportions whatever the printer's resolution; too wide a tree is scaled down to fit.
  const qreal screenDpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  std::vector<int> sections;
  int total = 0;
  for (int visual = 0; visual < FHeader->count(); ++visual) {
    const int section = FHeader->logicalIndex(visual);
    if (FHeader->isSectionHidden(section)) continue;
    sections.push_back(section);
    total += FHeader->sectionSize(section);
  }
  const QRect page = p.viewport();
  qreal scale = aDevice.logicalDpiX() / screenDpi;
  if (total > 0 && total * scale > page.width()) scale = page.width() / qreal(total);
  p.scale(scale, scale);
  const int pageHeight = int(page.height() / scale);
  const int rowHeight = FRowHeight;
  // A font in pixels, so that the painter's scale sizes it like everything else.
  QFont font = this->font();
  font.setPixelSize(std::max(1, QFontInfo(this->font()).pixelSize()));
  p.setFont(font);
  const QFontMetrics fm(font);
  const QColor text = palette().color(QPalette::Text);
  std::vector<int> left(sections.size());
  for (size_t i = 0, x = 0; i < sections.size(); x += size_t(FHeader->sectionSize(sections[i])), ++i) left[i] = int(x);

  auto drawHeader = [&] {
    for (size_t i = 0; i < sections.size(); ++i) {
      const QRect cell(left[i], 0, FHeader->sectionSize(sections[i]), rowHeight);
      p.fillRect(cell, QColor(0xE8, 0xE8, 0xE8));
      p.setPen(cGridColor);
      p.drawRect(cell.adjusted(0, 0, -1, -1));
      p.setPen(text);
      const QString caption = FHeader->model()->headerData(sections[i], Qt::Horizontal).toString();
      p.drawText(cell.adjusted(cTextMargin, 0, -cTextMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(caption, Qt::ElideRight, cell.width() - 2 * cTextMargin));
    }
    return rowHeight;
  };

  int y = drawHeader();
  int depth = 0;
  TNodeIndex previous = cNoNode;
  for (int row = 0; tree && row < RowCount(); ++row) {
    const TNodeIndex node = FRows[size_t(row)];
    // Depth kept from row to row, as when painting: the parent is the previous node or one
    // of its ancestors.
    const TNodeIndex parent = tree->Parent(node);
    if (previous == cNoNode) {
      depth = tree->Depth(node);
    } else if (parent == previous) {
      ++depth;
    } else {
      for (TNodeIndex a = previous; a != cNoNode && a != parent; a = tree->Parent(a)) --depth;
      depth += 1;
    }
    previous = node;

    if (y + rowHeight > pageHeight) {
      if (!aDevice.newPage()) break;
      y = drawHeader();
    }
    const QModelIndex tagCell = CellIndex(node, TNodeTreeModel::cnTag);
    for (size_t i = 0; i < sections.size(); ++i) {
      const int width = FHeader->sectionSize(sections[i]);
      const QRect cell(left[i], y, width, rowHeight);
      const QModelIndex index = tagCell.siblingAtColumn(sections[i]);
      p.save();
      p.setClipRect(cell);
      const QVariant background = FModel->data(index, Qt::BackgroundRole);
      if (background.isValid()) p.fillRect(cell, background.value<QColor>());
      p.setPen(text);
      if (sections[i] == TNodeTreeModel::cnTag) {
        int textX = cell.left() + depth * FIndent + FIndent;
        if (FModel->hasChildren(index)) {
          const int cx = cell.left() + depth * FIndent + FIndent / 2;
          const int midY = y + rowHeight / 2;
          const QRect box(cx - 4, midY - 4, 9, 9);
          p.setPen(cLineColor);
          p.drawRect(box.adjusted(0, 0, -1, -1));
          p.setPen(text);
          p.drawLine(box.left() + 2, midY, box.right() - 2, midY);
          if (!tree->Expanded(node)) p.drawLine(cx, box.top() + 2, cx, box.bottom() - 2);
        }
        const QIcon icon = CellIcon(index);
        if (!icon.isNull()) {
          // Drawn from a pixmap of the printed size, so the icon stays sharp on paper.
          const QPixmap pm = icon.pixmap(QSize(cIconSize, cIconSize), std::max<qreal>(1, scale));
          p.drawPixmap(QRect(textX + 1, y + (rowHeight - cIconSize) / 2, cIconSize, cIconSize), pm);
          textX += cIconSize + cIconGap;
        }
        const int nameW = cell.right() - textX - cTextMargin;
        if (nameW > 0)
          p.drawText(QRect(textX + 1, y, nameW, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     fm.elidedText(CellText(index), Qt::ElideRight, nameW));
      } else {
        const int w = width - 2 * cTextMargin;
        const QString value = w > 0 ? CellText(index) : QString();
        if (!value.isEmpty())
          p.drawText(cell.adjusted(cTextMargin, 0, -cTextMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     fm.elidedText(value, Qt::ElideRight, w));
      }
      p.restore();
    }
    if (FGridLines) {
      p.setPen(cGridColor);
      p.drawLine(0, y + rowHeight - 1, total, y + rowHeight - 1);
    }
    y += rowHeight;
  }
  p.end();
}
