// The node tree of a document window: one small record per element, attribute, comment,
// processing instruction and declaration, in document order.
//
// Layout, chosen for files of hundreds of megabytes:
// - Nodes live in preorder arrays: a name word and a value handle per node (8 bytes), and for
//   every node but attribute leaves a parent link and the end of its subtree (12 more). A
//   node's index is its position in document order, so "next node in document order" is
//   index + 1, and a subtree is the index range [node, SubtreeEnd(node)).
// - Names are interned: the record holds a 27-bit name id into one table of distinct names
//   (UTF-16, one shared character array, open-addressing hash), so a name that repeats a
//   million times is stored once and adding a node allocates nothing per node.
// - Values are kept in one byte arena as a length prefix followed by the text in UTF-8 (lone
//   surrogates in their 3-byte form, so every UTF-16 value comes back exactly). A value is
//   decoded to UTF-16 only when asked for. Plain-ASCII values are flagged, so search and export
//   can work on the bytes directly.
// - The arrays grow through mremap, which moves pages instead of copying them: growing a
//   500 MB array never needs the old and the new copy at once.
//
// Building is append-only, as an event parser delivers nodes: AddChild's parent must be the
// top level, the last node added or one of that node's ancestors (its "open" path); an
// attribute node added right after its element or the element's other attributes stays a leaf
// for good. Anything else raises ENodeTree. Values may be set or replaced at any time.
//
// Costs, for a model that shows the tree (e.g. a Qt item model over two million nodes):
// - Parent, FirstChild, NextSibling, Next, HasChildren, SubtreeEnd, Typ, flags: O(1).
// - Name: O(1), a view into the name table. Value: O(length), decoded on demand;
//   ValuePrefix decodes only the first n code units (what a cell that shows 100 shows).
// - ChildCount, ChildAt, RowOf (and their Visible* forms, which skip hidden nodes): O(1) for
//   nodes with a few children; for more, the first call builds a per-parent child index
//   (O(children), kept until the parent gets a child or a child's hidden flag changes), after
//   which ChildCount and ChildAt are O(1) and RowOf is a binary search.
// - Depth and Path: O(depth), walking parent links; a document-order walk can keep the depth
//   itself (see TNodeWalker).
// Nothing here recurses: documents nested a million levels deep are walked, expanded, searched
// and destroyed with loops.
//
// Not thread-safe: the child index is a cache filled by const calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "WideSupport.h"

// Node kinds; the values are stored and must keep this order.
enum TNodeType : int32_t { ntEmptyTag, ntTag, ntAttr, ntComment, ntPI, ntText, ntXML };

// The enumeration name of a kind ("ntTag"), for listings.
const char* NodeTypeName(TNodeType aType) noexcept;

// A node's record as the panes and the details list copy it.
struct TNodeData {
  std::u16string Name;
  std::u16string Value;
  TNodeType Typ = ntEmptyTag;
};

using TNodeIndex = uint32_t;
inline constexpr TNodeIndex cNoNode = 0xFFFFFFFFu;  // no node; as a parent: the top level

class ENodeTree : public EGeneralError {
  using EGeneralError::EGeneralError;
};

// A growable array of trivially copyable items on anonymous memory that grows by remapping.
// Memory is committed only as items are written.
template <class T>
class TMappedArray {
public:
  TMappedArray() = default;
  ~TMappedArray() { Release(); }
  TMappedArray(const TMappedArray&) = delete;
  TMappedArray& operator=(const TMappedArray&) = delete;

  size_t Size() const noexcept { return FCount; }
  T* Data() noexcept { return FData; }
  const T* Data() const noexcept { return FData; }
  T& operator[](size_t i) noexcept { return FData[i]; }
  const T& operator[](size_t i) const noexcept { return FData[i]; }
  void PushBack(const T& aItem) {
    if (FCount == FCapacity) Grow(FCount + 1);
    FData[FCount++] = aItem;
  }
  // Room for aExtra more items past Size; returns where they go. Commit them with Resize.
  T* Reserve(size_t aExtra) {
    if (FCapacity - FCount < aExtra) Grow(FCount + aExtra);
    return FData + FCount;
  }
  void Resize(size_t aCount) {
    if (aCount > FCapacity) Grow(aCount);
    FCount = aCount;
  }
  // Frees the memory.
  void Release() noexcept;
  // Bytes of address space held (committed pages are at most this).
  size_t CapacityBytes() const noexcept { return FBytes; }

private:
  void Grow(size_t aMinCount);
  T* FData = nullptr;
  size_t FCount = 0;
  size_t FCapacity = 0;
  size_t FBytes = 0;
};

// Distinct names, each stored once; ids are dense from 0 in order of first appearance.
class TNameTable {
public:
  TNameTable();
  // The id of aName, added when new. Raises ENodeTree past cMaxNames distinct names.
  uint32_t Intern(std::u16string_view aName);
  std::u16string_view Get(uint32_t aId) const noexcept {
    return {FChars.Data() + FStarts[aId], FStarts[aId + 1] - FStarts[aId]};
  }
  uint32_t Count() const noexcept { return static_cast<uint32_t>(FStarts.Size() - 1); }
  void Clear();
  size_t MemoryUsed() const noexcept;

  static constexpr uint32_t cMaxNames = 1u << 27;

private:
  void Rehash(size_t aSlotCount);
  static uint32_t Hash(std::u16string_view aName) noexcept;

  TMappedArray<char16_t> FChars;
  TMappedArray<uint64_t> FStarts;  // FStarts[id] .. FStarts[id + 1]: the name's characters
  std::vector<uint32_t> FSlots;    // id + 1, 0 when free
  std::vector<uint32_t> FHashes;   // per id, so growing the table rehashes without the text
};

class TNodeTree {
public:
  TNodeTree();
  ~TNodeTree();
  TNodeTree(const TNodeTree&) = delete;
  TNodeTree& operator=(const TNodeTree&) = delete;

  // ---- building ----
  // Appends a child of aParent (cNoNode: the top level) as its last child; see the header note
  // for which parents are allowed. Returns the new node.
  TNodeIndex AddChild(TNodeIndex aParent, std::u16string_view aName, std::u16string_view aValue, TNodeType aType);
  TNodeIndex AddChild(TNodeIndex aParent, const TNodeData& aData) {
    return AddChild(aParent, aData.Name, aData.Value, aData.Typ);
  }
  // Replaces the value of any node.
  void SetValue(TNodeIndex aNode, std::u16string_view aValue);
  void Clear();
  // A batch of changes: views that show the tree repaint only when the outermost batch ends.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate() noexcept {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  int32_t UpdateCount() const noexcept { return FUpdateCount; }

  // ---- navigation ----
  TNodeIndex Count() const noexcept { return static_cast<TNodeIndex>(FName.Size()); }
  bool Empty() const noexcept { return FName.Size() == 0; }
  TNodeIndex First() const noexcept { return Empty() ? cNoNode : 0; }
  // The next node in document order over all nodes, hidden or collapsed ones included.
  TNodeIndex Next(TNodeIndex aNode) const noexcept { return aNode + 1 < Count() ? aNode + 1 : cNoNode; }
  TNodeIndex Parent(TNodeIndex aNode) const noexcept {
    const uint32_t slot = Rank(aNode);
    return IsFull(aNode) ? FSlotParent[slot] : FSlotNode[slot - 1];
  }
  // cNoNode as aNode: the first top-level node.
  TNodeIndex FirstChild(TNodeIndex aNode) const noexcept;
  TNodeIndex NextSibling(TNodeIndex aNode) const noexcept;
  bool HasChildren(TNodeIndex aNode) const noexcept { return FirstChild(aNode) != cNoNode; }
  // One past the last node of aNode's subtree.
  TNodeIndex SubtreeEnd(TNodeIndex aNode) const noexcept {
    if (!IsFull(aNode)) return aNode + 1;
    const uint32_t e = FSlotEnd[Rank(aNode)];
    return e ? e : Count();
  }
  // Top level = 0.
  int32_t Depth(TNodeIndex aNode) const noexcept;
  // The Names of aNode's ancestors from the top level down to aNode, each followed by
  // aDelimiter; aDelimiter alone for cNoNode. A path longer than aMaxLength is cut to its first
  // aMaxLength + 1 units (so the caller can tell it was cut), and no more of the names is read:
  // a field that shows a bounded prefix pays nothing for a name of megabytes.
  std::u16string Path(TNodeIndex aNode, char16_t aDelimiter, size_t aMaxLength = SIZE_MAX) const;

  // Children of aParent (cNoNode: the top level), all of them or only those not hidden.
  int32_t ChildCount(TNodeIndex aParent) const { return ChildCountOf(aParent, false); }
  TNodeIndex ChildAt(TNodeIndex aParent, int32_t aRow) const { return ChildAtOf(aParent, aRow, false); }
  // Row of aNode among its parent's children; -1 for cNoNode.
  int32_t RowOf(TNodeIndex aNode) const { return RowOfIn(aNode, false); }
  int32_t VisibleChildCount(TNodeIndex aParent) const { return ChildCountOf(aParent, true); }
  TNodeIndex VisibleChildAt(TNodeIndex aParent, int32_t aRow) const { return ChildAtOf(aParent, aRow, true); }
  // -1 also when aNode itself is hidden.
  int32_t VisibleRowOf(TNodeIndex aNode) const { return RowOfIn(aNode, true); }

  // ---- data ----
  TNodeType Typ(TNodeIndex aNode) const noexcept { return static_cast<TNodeType>((FName[aNode] >> cTypeShift) & 7u); }
  bool IsElement(TNodeIndex aNode) const noexcept { return Typ(aNode) <= ntTag; }
  uint32_t NameId(TNodeIndex aNode) const noexcept { return FName[aNode] & cNameMask; }
  std::u16string_view Name(TNodeIndex aNode) const noexcept { return FNames.Get(NameId(aNode)); }
  const TNameTable& Names() const noexcept { return FNames; }
  bool ValueEmpty(TNodeIndex aNode) const noexcept { return FValue[aNode] == 0; }
  std::u16string Value(TNodeIndex aNode) const;
  // Decodes into aOut (replacing its content), reusing its capacity.
  void ValueInto(TNodeIndex aNode, std::u16string& aOut) const;
  // At most aMaxUnits code units from the start of the value (a surrogate pair is not split).
  std::u16string ValuePrefix(TNodeIndex aNode, size_t aMaxUnits) const;
  // The stored bytes: UTF-8, with lone surrogates in their 3-byte form.
  std::string_view ValueBytes(TNodeIndex aNode) const noexcept;
  // The value holds only code units below 0x80 (so its bytes are its code units).
  bool ValueIsAscii(TNodeIndex aNode) const noexcept;
  TNodeData Data(TNodeIndex aNode) const { return {std::u16string(Name(aNode)), Value(aNode), Typ(aNode)}; }

  // ---- flags ----
  bool Expanded(TNodeIndex aNode) const noexcept { return FName[aNode] & cExpandedBit; }
  void SetExpanded(TNodeIndex aNode, bool aValue) noexcept { SetBit(aNode, cExpandedBit, aValue); }
  // Expands or collapses aNode with all its descendants; cNoNode: every node.
  void FullExpand(TNodeIndex aNode, bool aExpand) noexcept;
  bool Hidden(TNodeIndex aNode) const noexcept { return FName[aNode] & cHiddenBit; }
  void SetHidden(TNodeIndex aNode, bool aValue);
  // Every node of kind aType gets the hidden flag aHidden (the "Attributes in Tree" switch).
  void SetHiddenOfType(TNodeType aType, bool aHidden);

  // Bytes held by the records, names, values and indexes (address space, an upper bound of
  // what is resident).
  size_t MemoryUsed() const noexcept;

  // The most nodes a tree holds. Views address a parent's rows and their own shown rows with
  // a signed 32-bit int (as Qt's item models do), so the tree stops where they could no longer
  // count: AddChild raises ENodeTree past it and the tree keeps the nodes it has, which the
  // document load reports, rather than growing into rows a view would miscount.
  static constexpr TNodeIndex cMaxNodes = 0x7FFFFFFFu;
  // A lower limit for this tree (kept by Clear), so the limit can be reached in tests without
  // billions of nodes; at most cMaxNodes.
  void SetNodeLimit(TNodeIndex aLimit) noexcept { FNodeLimit = aLimit < cMaxNodes ? aLimit : cMaxNodes; }
  TNodeIndex NodeLimit() const noexcept { return FNodeLimit; }

private:
  // Storage. Every node has a name word and a value handle. Structure (parent, end of subtree)
  // is stored only for "full" nodes, in slots numbered in document order; the other nodes are
  // attribute leaves that directly follow their element (or its other attributes), whose parent
  // is therefore the nearest full node before them and whose subtree is themselves. A bit per
  // node marks full nodes; a running count per 64 nodes turns a node index into its slot in O(1).
  // An attribute-heavy document thus costs 8 bytes per attribute and 20 per element.
  static constexpr uint32_t cNameMask = (1u << 27) - 1;
  static constexpr uint32_t cTypeShift = 27;
  static constexpr uint32_t cHiddenBit = 1u << 30;
  static constexpr uint32_t cExpandedBit = 1u << 31;
  static constexpr uint32_t cValueFar = 0xFFFFFFFFu;
  static constexpr int cBlockShift = 16;  // nodes per value base block: 65536
  static constexpr int32_t cDirectWalk = 16;

  void SetBit(TNodeIndex aNode, uint32_t aBit, bool aValue) noexcept {
    if (aValue)
      FName[aNode] |= aBit;
    else
      FName[aNode] &= ~aBit;
  }
  bool IsFull(TNodeIndex aNode) const noexcept { return (FFullBits[aNode >> 6] >> (aNode & 63)) & 1u; }
  // The number of full nodes before aNode (so a full node's own slot).
  uint32_t Rank(TNodeIndex aNode) const noexcept {
    const uint64_t below = FFullBits[aNode >> 6] & ((uint64_t(1) << (aNode & 63)) - 1);
    return FFullRank[aNode >> 6] + PopCount(below);
  }
  // The bit count without the library call that the builtin becomes on the base x86-64 target.
  static uint32_t PopCount(uint64_t v) noexcept {
    v -= (v >> 1) & 0x5555555555555555ull;
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((v * 0x0101010101010101ull) >> 56);
  }
  uint32_t StoreValue(TNodeIndex aNode, std::u16string_view aValue);
  // Start of the stored value (its length prefix) in the arena; only for non-empty values.
  const uint8_t* ValueEntry(TNodeIndex aNode) const noexcept;
  void ForgetChildIndex(TNodeIndex aParent);
  const std::vector<TNodeIndex>* ChildIndex(TNodeIndex aParent, bool aVisible) const;
  int32_t ChildCountOf(TNodeIndex aParent, bool aVisible) const;
  TNodeIndex ChildAtOf(TNodeIndex aParent, int32_t aRow, bool aVisible) const;
  int32_t RowOfIn(TNodeIndex aNode, bool aVisible) const;

  TMappedArray<uint32_t> FName;        // per node: name id | kind << 27 | hidden | expanded
  TMappedArray<uint32_t> FValue;       // per node: 0 empty; cValueFar: see FFarValues; else offset from the block base + 1
  TMappedArray<uint64_t> FFullBits;    // per 64 nodes: which are full
  TMappedArray<uint32_t> FFullRank;    // per 64 nodes: full nodes before them
  TMappedArray<uint32_t> FSlotNode;    // per full node: its index
  TMappedArray<uint32_t> FSlotParent;  // per full node: its parent (cNoNode at the top level)
  TMappedArray<uint32_t> FSlotEnd;     // per full node: one past its subtree; 0 while open
  TNameTable FNames;
  TMappedArray<uint8_t> FValues;
  std::vector<uint64_t> FValueBase;                    // per block of nodes: arena size at its first node
  std::unordered_map<TNodeIndex, uint64_t> FFarValues;  // values too far from their block base
  std::vector<TNodeIndex> FOpen;                       // the open path: the last node and its ancestors
  int32_t FUpdateCount = 0;
  TNodeIndex FNodeLimit = cMaxNodes;
  // Child indexes of parents with many children, all or visible ones only (cNoNode key: the
  // top level).
  mutable std::unordered_map<TNodeIndex, std::vector<TNodeIndex>> FChildIndex[2];
};

// Walks the tree in document order and keeps each node's depth, without parent walks.
class TNodeWalker {
public:
  explicit TNodeWalker(const TNodeTree& aTree, TNodeIndex aStart = 0);
  bool Done() const noexcept { return FNode == cNoNode; }
  TNodeIndex Node() const noexcept { return FNode; }
  int32_t Depth() const noexcept { return static_cast<int32_t>(FPath.size()) - 1; }
  void Next();
  // Leaves out the current node's descendants.
  void SkipChildren();

private:
  const TNodeTree& FTree;
  TNodeIndex FNode;
  std::vector<TNodeIndex> FPath;  // the current node and its ancestors
};

