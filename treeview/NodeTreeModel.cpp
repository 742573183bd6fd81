#include "NodeTreeModel.h"

#include <QColor>

#include "QtText.h"
#include "ValueClassify.h"
#include "XmlDocument.h"

TNodeTreeModel::TNodeTreeModel(TNodeTree* aTree, QObject* aParent) : QAbstractItemModel(aParent), FTree(aTree) {}

void TNodeTreeModel::SetTree(TNodeTree* aTree) {
  beginResetModel();
  FTree = aTree;
  endResetModel();
}

QString TNodeTreeModel::CellText(TNodeIndex aNode, int aColumn) const {
  if (aColumn == cnTag) return ToQString(BoundedText(FTree->Name(aNode)));
  if (aColumn != cnValue || FTree->ValueEmpty(aNode)) return {};
  // Two units more than shown: the prefix never splits a surrogate pair, so 102 still tells
  // a value of 101 or more units from one of exactly 100.
  return ToQString(RowText(FTree->ValuePrefix(aNode, cValueColumnLength + 2), cValueColumnLength));
}

QIcon TNodeTreeModel::NodeIcon(TNodeIndex aNode) const {
  const TIconIndex icon = NodeTypeIcon(FTree->Typ(aNode));
  return icon != iiNone && IconProvider ? IconProvider(icon) : QIcon();
}

bool TNodeTreeModel::HasVisibleChild(TNodeIndex aNode) const {
  TNodeIndex c = FTree->FirstChild(aNode);
  while (c != cNoNode && FTree->Hidden(c)) c = FTree->NextSibling(c);
  return c != cNoNode;
}

QModelIndex TNodeTreeModel::IndexOf(TNodeIndex aNode, int aColumn) const {
  if (!FTree || aNode == cNoNode || aNode >= FTree->Count()) return {};
  const int32_t row = FTree->VisibleRowOf(aNode);
  return row < 0 ? QModelIndex() : createIndex(row, aColumn, static_cast<quintptr>(aNode));
}

QModelIndex TNodeTreeModel::index(int aRow, int aColumn, const QModelIndex& aParent) const {
  if (!FTree || aRow < 0 || aColumn < 0 || aColumn >= cnCount || aParent.column() > 0) return {};
  const TNodeIndex node = FTree->VisibleChildAt(NodeOf(aParent), aRow);
  return node == cNoNode ? QModelIndex() : createIndex(aRow, aColumn, static_cast<quintptr>(node));
}

QModelIndex TNodeTreeModel::sibling(int aRow, int aColumn, const QModelIndex& aIndex) const {
  if (!aIndex.isValid() || aRow != aIndex.row()) return QAbstractItemModel::sibling(aRow, aColumn, aIndex);
  if (aColumn < 0 || aColumn >= cnCount) return {};
  return createIndex(aRow, aColumn, aIndex.internalId());
}

QModelIndex TNodeTreeModel::parent(const QModelIndex& aChild) const {
  const TNodeIndex node = NodeOf(aChild);
  if (node == cNoNode) return {};
  return IndexOf(FTree->Parent(node));
}

int TNodeTreeModel::rowCount(const QModelIndex& aParent) const {
  if (!FTree || aParent.column() > 0) return 0;
  return FTree->VisibleChildCount(NodeOf(aParent));
}

int TNodeTreeModel::columnCount(const QModelIndex&) const { return cnCount; }

bool TNodeTreeModel::hasChildren(const QModelIndex& aParent) const {
  if (!FTree || aParent.column() > 0) return false;
  return HasVisibleChild(NodeOf(aParent));
}

QVariant TNodeTreeModel::data(const QModelIndex& aIndex, int aRole) const {
  const TNodeIndex node = NodeOf(aIndex);
  if (node == cNoNode || !FTree) return {};
  switch (aRole) {
    case Qt::DisplayRole: return CellText(node, aIndex.column());
    case Qt::DecorationRole:
      if (aIndex.column() == cnTag) {
        QIcon icon = NodeIcon(node);
        if (!icon.isNull()) return icon;
      }
      return {};
    case Qt::BackgroundRole:
      if (aIndex.column() == cnValue) return QColor(0xF0, 0xF0, 0xF0);
      return {};
    case NodeRole: return static_cast<quint32>(node);
    default: return {};
  }
}

QVariant TNodeTreeModel::headerData(int aSection, Qt::Orientation aOrientation, int aRole) const {
  if (aOrientation != Qt::Horizontal || aRole != Qt::DisplayRole) return {};
  if (aSection == cnTag) return QStringLiteral("Tag");
  if (aSection == cnValue) return QStringLiteral("Value");
  return {};
}

Qt::ItemFlags TNodeTreeModel::flags(const QModelIndex& aIndex) const {
  if (!aIndex.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!HasVisibleChild(NodeOf(aIndex))) f |= Qt::ItemNeverHasChildren;
  return f;
}
