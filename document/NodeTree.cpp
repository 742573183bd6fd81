#include "NodeTree.h"

#include <sys/mman.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

// ---- TMappedArray ----

template <class T>
void TMappedArray<T>::Release() noexcept {
  if (FData) munmap(FData, FBytes);
  FData = nullptr;
  FCount = FCapacity = FBytes = 0;
}

template <class T>
void TMappedArray<T>::Grow(size_t aMinCount) {
  static const size_t cPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t want = std::max<size_t>(aMinCount, FCapacity + FCapacity / 2);
  if (want > (SIZE_MAX / 2) / sizeof(T)) throw std::bad_alloc();
  size_t bytes = std::max<size_t>(want * sizeof(T), 64 * 1024);
  bytes = (bytes + cPage - 1) / cPage * cPage;
  void* p;
  if (!FData)
    p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  else
    p = mremap(FData, FBytes, bytes, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) throw std::bad_alloc();
  // Big arrays take transparent huge pages where the system offers them: fewer page faults
  // while a large file loads.
  if (bytes >= (size_t(4) << 20)) madvise(p, bytes, MADV_HUGEPAGE);
  FData = static_cast<T*>(p);
  FBytes = bytes;
  FCapacity = bytes / sizeof(T);
}

// ---- node kinds ----

const char* NodeTypeName(TNodeType aType) noexcept {
  static const char* const cNames[] = {"ntEmptyTag", "ntTag", "ntAttr", "ntComment", "ntPI", "ntText", "ntXML"};
  return static_cast<uint32_t>(aType) < 7 ? cNames[aType] : "";
}

// ---- TNameTable ----

TNameTable::TNameTable() { Clear(); }

void TNameTable::Clear() {
  FChars.Release();
  FStarts.Release();
  FStarts.PushBack(0);
  FSlots.assign(256, 0);
  FHashes.clear();
}

// Names are short: eight bytes at a time with a multiply per step.
uint32_t TNameTable::Hash(std::u16string_view aName) noexcept {
  const char16_t* p = aName.data();
  const size_t n = aName.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  uint64_t w = 0;
  if (i < n) std::memcpy(&w, p + i, (n - i) * 2);
  h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 29;
  return static_cast<uint32_t>(h);
}

void TNameTable::Rehash(size_t aSlotCount) {
  FSlots.assign(aSlotCount, 0);
  const size_t mask = aSlotCount - 1;
  for (uint32_t id = 0; id < FHashes.size(); ++id) {
    size_t s = FHashes[id] & mask;
    while (FSlots[s]) s = (s + 1) & mask;
    FSlots[s] = id + 1;
  }
}

uint32_t TNameTable::Intern(std::u16string_view aName) {
  const uint32_t h = Hash(aName);
  const size_t mask = FSlots.size() - 1;
  size_t s = h & mask;
  while (uint32_t slot = FSlots[s]) {
    uint32_t id = slot - 1;
    if (FHashes[id] == h) {
      std::u16string_view name = Get(id);
      // An empty name may have no storage at all (null data), which memcmp must not be given.
      if (name.size() == aName.size() &&
          (name.empty() || std::memcmp(name.data(), aName.data(), name.size() * 2) == 0))
        return id;
    }
    s = (s + 1) & mask;
  }
  const uint32_t id = Count();
  if (id >= cMaxNames) throw ENodeTree(u"Too many distinct names.");
  char16_t* dest = FChars.Reserve(aName.size());
  if (!aName.empty()) std::char_traits<char16_t>::copy(dest, aName.data(), aName.size());
  FChars.Resize(FChars.Size() + aName.size());
  FStarts.PushBack(FChars.Size());
  FHashes.push_back(h);
  FSlots[s] = id + 1;
  if (FHashes.size() * 2 > FSlots.size()) Rehash(FSlots.size() * 2);
  return id;
}

size_t TNameTable::MemoryUsed() const noexcept {
  return FChars.CapacityBytes() + FStarts.CapacityBytes() + FSlots.capacity() * 4 + FHashes.capacity() * 4;
}

// ---- TNodeTree: building ----

TNodeTree::TNodeTree() = default;
TNodeTree::~TNodeTree() = default;

void TNodeTree::Clear() {
  FName.Release();
  FValue.Release();
  FFullBits.Release();
  FFullRank.Release();
  FSlotNode.Release();
  FSlotParent.Release();
  FSlotEnd.Release();
  FNames.Clear();
  FValues.Release();
  FValueBase.clear();
  FValueBase.shrink_to_fit();
  FFarValues.clear();
  FOpen.clear();
  FOpen.shrink_to_fit();
  FChildIndex[0].clear();
  FChildIndex[1].clear();
}

TNodeIndex TNodeTree::AddChild(TNodeIndex aParent, std::u16string_view aName, std::u16string_view aValue,
                               TNodeType aType) {
  const TNodeIndex count = Count();
  bool compact = false;
  if (aParent != cNoNode) {
    if (aParent >= count || !IsFull(aParent) || FSlotEnd[Rank(aParent)] != 0)
      throw ENodeTree(u"Nodes are added in document order: the parent must be the last node or one of its ancestors.");
    // An attribute right after its element (or the element's other attributes) is a leaf.
    compact = aType == ntAttr && FSlotNode[FSlotNode.Size() - 1] == aParent;
  }
  if (count >= FNodeLimit) throw ENodeTree(u"Too many nodes.");
  const uint32_t nameId = FNames.Intern(aName);
  // Room first, so that a failure leaves the tree as it was.
  FName.Reserve(1);
  FValue.Reserve(1);
  FFullBits.Reserve(1);
  FFullRank.Reserve(1);
  if (!compact) {
    FSlotNode.Reserve(1);
    FSlotParent.Reserve(1);
    FSlotEnd.Reserve(1);
    if (FOpen.size() == FOpen.capacity()) FOpen.reserve(FOpen.size() * 2 + 16);
  }
  if ((count >> cBlockShift) >= FValueBase.size()) FValueBase.push_back(FValues.Size());

  // Everything below the parent on the open path is complete now.
  while (!FOpen.empty() && FSlotNode[FOpen.back()] != aParent) {
    FSlotEnd[FOpen.back()] = count;
    FOpen.pop_back();
  }
  if ((count & 63) == 0) {
    FFullBits.PushBack(0);
    FFullRank.PushBack(static_cast<uint32_t>(FSlotNode.Size()));
  }
  FName.PushBack(nameId | (static_cast<uint32_t>(aType & 7) << cTypeShift));
  FValue.PushBack(0);
  if (!compact) {
    FFullBits[count >> 6] |= uint64_t(1) << (count & 63);
    const uint32_t slot = static_cast<uint32_t>(FSlotNode.Size());
    FSlotNode.PushBack(count);
    FSlotParent.PushBack(aParent);
    FSlotEnd.PushBack(0);
    FOpen.push_back(slot);
  }
  if (!aValue.empty()) FValue[count] = StoreValue(count, aValue);
  if (!FChildIndex[0].empty() || !FChildIndex[1].empty()) ForgetChildIndex(aParent);
  return count;
}

static size_t VarintSize(uint64_t v) noexcept {
  size_t n = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++n;
  }
  return n;
}

uint32_t TNodeTree::StoreValue(TNodeIndex aNode, std::u16string_view aValue) {
  const char16_t* p = aValue.data();
  const size_t n = aValue.size();
  // The length prefix gets the size that the longest possible encoding needs (a shorter length
  // is written with padding continuation bytes), so the text is encoded once, in place.
  const uint64_t maxLen = uint64_t(n) * 3;
  const size_t prefixBytes = VarintSize((maxLen << 1) | 1);
  const uint64_t offset = FValues.Size();
  uint8_t* const start = FValues.Reserve(prefixBytes + maxLen);
  uint8_t* const out = start + prefixBytes;
  size_t i = 0;
#if defined(__SSE2__)
  // ASCII eight code units at a time: packed to bytes once none of them is 0x80 or above.
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                          _mm_setzero_si128())) != 0xFFFF)
      break;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
  }
#endif
  for (; i + 4 <= n; i += 4) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0xFF80FF80FF80FF80ull) break;
    out[i] = static_cast<uint8_t>(w);
    out[i + 1] = static_cast<uint8_t>(w >> 16);
    out[i + 2] = static_cast<uint8_t>(w >> 32);
    out[i + 3] = static_cast<uint8_t>(w >> 48);
  }
  for (; i < n && p[i] < 0x80; ++i) out[i] = static_cast<uint8_t>(p[i]);
  const bool ascii = i == n;
  // lsKeep: a value comes back exactly as it was stored, lone surrogates included
  const size_t len = ascii ? n : i + Utf16ToUtf8(aValue.substr(i), reinterpret_cast<char*>(out + i), lsKeep);
  uint64_t prefix = (static_cast<uint64_t>(len) << 1) | (ascii ? 0u : 1u);
  for (size_t k = 0; k + 1 < prefixBytes; ++k) {
    start[k] = static_cast<uint8_t>(prefix | 0x80);
    prefix >>= 7;
  }
  start[prefixBytes - 1] = static_cast<uint8_t>(prefix);
  FValues.Resize(offset + prefixBytes + len);
  const uint64_t rel = offset - FValueBase[aNode >> cBlockShift] + 1;
  if (rel < cValueFar) {
    FFarValues.erase(aNode);
    return static_cast<uint32_t>(rel);
  }
  FFarValues[aNode] = offset;
  return cValueFar;
}

void TNodeTree::SetValue(TNodeIndex aNode, std::u16string_view aValue) {
  if (aNode >= Count()) throw ENodeTree(u"Node index out of range.");
  FValue[aNode] = aValue.empty() ? 0 : StoreValue(aNode, aValue);
}

// ---- values ----

const uint8_t* TNodeTree::ValueEntry(TNodeIndex aNode) const noexcept {
  const uint32_t v = FValue[aNode];
  if (v == cValueFar) return FValues.Data() + FFarValues.find(aNode)->second;
  return FValues.Data() + FValueBase[aNode >> cBlockShift] + (v - 1);
}

static inline const uint8_t* ReadPrefix(const uint8_t* p, uint64_t& aPrefix) noexcept {
  uint64_t v = 0;
  int shift = 0;
  while (*p & 0x80) {
    v |= static_cast<uint64_t>(*p++ & 0x7F) << shift;
    shift += 7;
  }
  aPrefix = v | (static_cast<uint64_t>(*p++) << shift);
  return p;
}

std::string_view TNodeTree::ValueBytes(TNodeIndex aNode) const noexcept {
  if (FValue[aNode] == 0) return {};
  uint64_t prefix;
  const uint8_t* p = ReadPrefix(ValueEntry(aNode), prefix);
  return {reinterpret_cast<const char*>(p), static_cast<size_t>(prefix >> 1)};
}

bool TNodeTree::ValueIsAscii(TNodeIndex aNode) const noexcept {
  if (FValue[aNode] == 0) return true;
  uint64_t prefix;
  ReadPrefix(ValueEntry(aNode), prefix);
  return (prefix & 1) == 0;
}

void TNodeTree::ValueInto(TNodeIndex aNode, std::u16string& aOut) const {
  if (FValue[aNode] == 0) {
    aOut.clear();
    return;
  }
  uint64_t prefix;
  const uint8_t* p = ReadPrefix(ValueEntry(aNode), prefix);
  const size_t len = static_cast<size_t>(prefix >> 1);
  if ((prefix & 1) == 0) {
    aOut.resize(len);
    char16_t* o = aOut.data();
    for (size_t i = 0; i < len; ++i) o[i] = p[i];
  } else {
    aOut.resize(len);  // never more code units than bytes
    aOut.resize(Utf8ToUtf16({reinterpret_cast<const char*>(p), len}, aOut.data(), lsKeep));
  }
}

std::u16string TNodeTree::Value(TNodeIndex aNode) const {
  std::u16string s;
  ValueInto(aNode, s);
  return s;
}

std::u16string TNodeTree::ValuePrefix(TNodeIndex aNode, size_t aMaxUnits) const {
  std::string_view bytes = ValueBytes(aNode);
  // aMaxUnits code units need at most 3 bytes each (a 4-byte sequence gives two units).
  size_t take = bytes.size();
  if (aMaxUnits < take / 3) {
    take = aMaxUnits * 3;
    while (take < bytes.size() && (static_cast<uint8_t>(bytes[take]) & 0xC0) == 0x80) ++take;
  }
  std::u16string s(take, u'\0');
  s.resize(Utf8ToUtf16(bytes.substr(0, take), s.data(), lsKeep));
  if (s.size() > aMaxUnits) {
    size_t n = aMaxUnits;
    if (n > 0 && IsHighSurrogate(s[n - 1]) && IsLowSurrogate(s[n])) --n;
    s.resize(n);
  }
  return s;
}

// ---- navigation ----

TNodeIndex TNodeTree::FirstChild(TNodeIndex aNode) const noexcept {
  if (aNode == cNoNode) return First();
  const TNodeIndex c = aNode + 1;
  return c < Count() && Parent(c) == aNode ? c : cNoNode;
}

TNodeIndex TNodeTree::NextSibling(TNodeIndex aNode) const noexcept {
  const TNodeIndex e = SubtreeEnd(aNode);
  return e < Count() && Parent(e) == Parent(aNode) ? e : cNoNode;
}

int32_t TNodeTree::Depth(TNodeIndex aNode) const noexcept {
  int32_t d = -1;
  for (TNodeIndex n = aNode; n != cNoNode; n = Parent(n)) ++d;
  return d;
}

std::u16string TNodeTree::Path(TNodeIndex aNode, char16_t aDelimiter, size_t aMaxLength) const {
  if (aNode == cNoNode) return std::u16string(1, aDelimiter);
  std::vector<TNodeIndex> chain;
  size_t len = 0;
  for (TNodeIndex n = aNode; n != cNoNode; n = Parent(n)) {
    chain.push_back(n);
    len += Name(n).size() + 1;
  }
  const size_t keep = len > aMaxLength ? aMaxLength + 1 : len;
  std::u16string s;
  s.reserve(keep);
  for (auto it = chain.rbegin(); it != chain.rend() && s.size() < keep; ++it) {
    s.append(Name(*it).substr(0, keep - s.size()));
    if (s.size() < keep) s.push_back(aDelimiter);
  }
  return s;
}

void TNodeTree::ForgetChildIndex(TNodeIndex aParent) {
  FChildIndex[0].erase(aParent);
  FChildIndex[1].erase(aParent);
}

const std::vector<TNodeIndex>* TNodeTree::ChildIndex(TNodeIndex aParent, bool aVisible) const {
  auto& map = FChildIndex[aVisible ? 1 : 0];
  auto it = map.find(aParent);
  if (it != map.end()) return &it->second;
  std::vector<TNodeIndex> list;
  for (TNodeIndex c = FirstChild(aParent); c != cNoNode; c = NextSibling(c))
    if (!aVisible || !Hidden(c)) list.push_back(c);
  return &map.emplace(aParent, std::move(list)).first->second;
}

// Counts and rows below are int32_t: they fit because the tree never holds more than cMaxNodes.
static_assert(TNodeTree::cMaxNodes <= static_cast<TNodeIndex>(INT32_MAX));

int32_t TNodeTree::ChildCountOf(TNodeIndex aParent, bool aVisible) const {
  int32_t n = 0;
  int32_t walked = 0;
  for (TNodeIndex c = FirstChild(aParent); c != cNoNode; c = NextSibling(c)) {
    if (++walked > cDirectWalk) return static_cast<int32_t>(ChildIndex(aParent, aVisible)->size());
    if (!aVisible || !Hidden(c)) ++n;
  }
  return n;
}

TNodeIndex TNodeTree::ChildAtOf(TNodeIndex aParent, int32_t aRow, bool aVisible) const {
  if (aRow < 0) return cNoNode;
  int32_t row = 0;
  int32_t walked = 0;
  for (TNodeIndex c = FirstChild(aParent); c != cNoNode; c = NextSibling(c)) {
    if (++walked > cDirectWalk) {
      const auto* list = ChildIndex(aParent, aVisible);
      return static_cast<size_t>(aRow) < list->size() ? (*list)[static_cast<size_t>(aRow)] : cNoNode;
    }
    if (aVisible && Hidden(c)) continue;
    if (row++ == aRow) return c;
  }
  return cNoNode;
}

int32_t TNodeTree::RowOfIn(TNodeIndex aNode, bool aVisible) const {
  if (aNode == cNoNode || aNode >= Count() || (aVisible && Hidden(aNode))) return -1;
  const TNodeIndex parent = Parent(aNode);
  int32_t row = 0;
  int32_t walked = 0;
  for (TNodeIndex c = FirstChild(parent); c != cNoNode; c = NextSibling(c)) {
    if (++walked > cDirectWalk) {
      const auto* list = ChildIndex(parent, aVisible);
      auto it = std::lower_bound(list->begin(), list->end(), aNode);
      return it != list->end() && *it == aNode ? static_cast<int32_t>(it - list->begin()) : -1;
    }
    if (c == aNode) return row;
    if (!aVisible || !Hidden(c)) ++row;
  }
  return -1;
}

// ---- flags ----

void TNodeTree::FullExpand(TNodeIndex aNode, bool aExpand) noexcept {
  const TNodeIndex begin = aNode == cNoNode ? 0 : aNode;
  const TNodeIndex end = aNode == cNoNode ? Count() : SubtreeEnd(aNode);
  for (TNodeIndex n = begin; n < end; ++n) SetBit(n, cExpandedBit, aExpand);
}

void TNodeTree::SetHidden(TNodeIndex aNode, bool aValue) {
  if (Hidden(aNode) == aValue) return;
  SetBit(aNode, cHiddenBit, aValue);
  FChildIndex[1].erase(Parent(aNode));
}

void TNodeTree::SetHiddenOfType(TNodeType aType, bool aHidden) {
  const TNodeIndex count = Count();
  for (TNodeIndex n = 0; n < count; ++n)
    if (Typ(n) == aType) SetBit(n, cHiddenBit, aHidden);
  FChildIndex[1].clear();
}

size_t TNodeTree::MemoryUsed() const noexcept {
  size_t indexes = 0;
  for (const auto& map : FChildIndex)
    for (const auto& [key, list] : map) indexes += list.capacity() * sizeof(TNodeIndex) + 64;
  return FName.CapacityBytes() + FValue.CapacityBytes() + FFullBits.CapacityBytes() + FFullRank.CapacityBytes() +
         FSlotNode.CapacityBytes() + FSlotParent.CapacityBytes() + FSlotEnd.CapacityBytes() + FNames.MemoryUsed() + FValues.CapacityBytes() + FValueBase.capacity() * 8 +
         FFarValues.size() * 32 + FOpen.capacity() * sizeof(TNodeIndex) + indexes;
}

// ---- TNodeWalker ----

TNodeWalker::TNodeWalker(const TNodeTree& aTree, TNodeIndex aStart) : FTree(aTree), FNode(cNoNode) {
  if (aStart >= aTree.Count()) return;
  FNode = aStart;
  for (TNodeIndex n = aStart; n != cNoNode; n = aTree.Parent(n)) FPath.push_back(n);
  std::reverse(FPath.begin(), FPath.end());
}

static void StepTo(const TNodeTree& aTree, std::vector<TNodeIndex>& aPath, TNodeIndex& aNode, TNodeIndex aNext) {
  if (aNext >= aTree.Count()) {
    aNode = cNoNode;
    aPath.clear();
    return;
  }
  const TNodeIndex parent = aTree.Parent(aNext);
  while (!aPath.empty() && aPath.back() != parent) aPath.pop_back();
  aPath.push_back(aNext);
  aNode = aNext;
}

void TNodeWalker::Next() {
  if (FNode != cNoNode) StepTo(FTree, FPath, FNode, FNode + 1);
}

void TNodeWalker::SkipChildren() {
  if (FNode != cNoNode) StepTo(FTree, FPath, FNode, FTree.SubtreeEnd(FNode));
}

template class TMappedArray<char16_t>;
template class TMappedArray<uint32_t>;
template class TMappedArray<uint64_t>;
template class TMappedArray<uint8_t>;
