// An item model over a document's node tree (TNodeTree). Rows are the nodes that are not
// hidden; a QModelIndex carries the node's index in its internal id, so the model stores
// nothing per node and builds nothing at a load. Texts and icons are made when a view asks
// for a cell, which for a scrolling view means the few rows it paints.
//
// rowCount, index and parent use the tree's per-parent child index for parents with many
// children; a view asks them only for parents it shows expanded, so those are the only ones
// that get an index.
//
// The model does not watch the tree: whoever reloads it or changes hidden flags brackets the
// change with BeginReset and EndReset.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <functional>
#include <limits>

#include "IconIndex.h"
#include "NodeTree.h"

// Row counts and rows are ints here: the tree's node limit keeps them in range.
static_assert(TNodeTree::cMaxNodes <= static_cast<TNodeIndex>(std::numeric_limits<int>::max()));

class TNodeTreeModel : public QAbstractItemModel {
  Q_OBJECT
public:
  enum TColumn { cnTag = 0, cnValue = 1, cnCount = 2 };
  // Texts longer than this are cut in the Value column.
  static constexpr int cValueColumnLength = 100;
  // The node's index in the tree, for any view (quint32).
  static constexpr int NodeRole = Qt::UserRole + 1;

  explicit TNodeTreeModel(TNodeTree* aTree = nullptr, QObject* aParent = nullptr);

  TNodeTree* Tree() const { return FTree; }
  void SetTree(TNodeTree* aTree);
  void BeginReset() { beginResetModel(); }
  void EndReset() { endResetModel(); }

  // Where the icons come from: the application's icon list.
  std::function<QIcon(TIconIndex aIndex)> IconProvider;

  TNodeIndex NodeOf(const QModelIndex& aIndex) const {
    return aIndex.isValid() ? static_cast<TNodeIndex>(aIndex.internalId()) : cNoNode;
  }
  // Invalid for cNoNode and for a hidden node.
  QModelIndex IndexOf(TNodeIndex aNode, int aColumn = 0) const;

  // Display: column 0 the Name (a bounded prefix of a huge one, see BoundedText), column 1
  // the Value cut to 100 characters (then "...") on one line (see RowText), which decodes at
  // most ~100 characters of the value. Decoration: the node kind's icon in column 0.
  // Background: the Value column's shade.
  QVariant data(const QModelIndex& aIndex, int aRole = Qt::DisplayRole) const override;
  QModelIndex index(int aRow, int aColumn, const QModelIndex& aParent = {}) const override;
  // Another column of the same row, without looking the row up again (a painting view asks
  // for every column of each row it paints).
  QModelIndex sibling(int aRow, int aColumn, const QModelIndex& aIndex) const override;
  QModelIndex parent(const QModelIndex& aChild) const override;
  int rowCount(const QModelIndex& aParent = {}) const override;
  int columnCount(const QModelIndex& aParent = {}) const override;
  // At least one child that is not hidden.
  bool hasChildren(const QModelIndex& aParent = {}) const override;
  QVariant headerData(int aSection, Qt::Orientation aOrientation, int aRole = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& aIndex) const override;

private:
  QString CellText(TNodeIndex aNode, int aColumn) const;
  QIcon NodeIcon(TNodeIndex aNode) const;
  bool HasVisibleChild(TNodeIndex aNode) const;

  TNodeTree* FTree;
};
