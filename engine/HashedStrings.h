// Indexed string lists with a hash index: a string's position is found in constant time while
// the list keeps the order of insertion. Entity tables, child-handler tables and the attribute
// index of elements with very many attributes are built on them.
//
// Design shared by all variants: a positional array of item records (live ones first, spare
// ones after them, kept for reuse), bucket chains threaded through the records, a bucket
// count taken from a fixed table of primes that roughly doubles, and a load kept below two
// thirds. Delete and a non-full Clear keep records and buckets, so steady use allocates nothing.
#pragma once

#include "WideSupport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One entry of a THashedStrings.
struct THashItem {
  THashItem* fNext = nullptr;  // next item of the same bucket
  std::u16string fTextFast;    // the string as added, in its original letter case
  int32_t fIndex = 0;          // position in the list (stale during a bulk deletion)
};

// One entry of a TVirtualHashedStrings: the string itself lives in an outside list.
struct TVirtualHashItem {
  TVirtualHashItem* fNext = nullptr;
  int32_t fStringIndex = 0;  // index of the string in the outside list
  int32_t fIndex = 0;
};

// The key's hash: per code unit, rotate left by 2 within 32 bits, then xor the unit. Without
// case sensitivity only A to Z are folded to a to z; no other character is.
uint32_t HashedStringsHash(std::u16string_view aText, bool aCaseSensitive) noexcept;
// Equality under the same folding as the hash.
bool HashedStringsSame(std::u16string_view aStored, std::u16string_view aKey,
                       bool aCaseSensitive) noexcept;

// The bucket machinery common to both lists. TOwner provides `uint32_t ItemHash(const TItem&)
// const`, the hash of an item's key, used when buckets are rebuilt and when an item is unlinked.
template <class TItem, class TOwner>
class THashIndexCore {
public:
  THashIndexCore(const THashIndexCore&) = delete;
  THashIndexCore& operator=(const THashIndexCore&) = delete;

  int32_t Count() const noexcept { return fNextItemId; }
  bool CaseSensitive() const noexcept { return fCaseSensitive; }

  // Bulk deletion: while open, Delete leaves the fIndex of later items stale instead of
  // renumbering them one deletion at a time; closing renumbers once.
  void BeginDelete() noexcept { ++fBlockDelete; }
  void EndDelete() const;
  void EndDeleteForce() const;

  // Fails with "List index out of range." outside 0 to Count - 1.
  const TItem& GetItem(int32_t aIndex) const { return ItemAt(aIndex); }
  int32_t BucketCount() const noexcept { return static_cast<int32_t>(fBuckets.size()); }

protected:
  THashIndexCore();
  ~THashIndexCore() = default;

  TItem& ItemAt(int32_t aIndex) const;
  TItem* BucketHead(uint32_t aHash) const noexcept { return fBuckets[aHash % fBuckets.size()]; }
  // Lookups and Add see current positions: an open bulk deletion is closed before them.
  void EndOpenDelete() const {
    if (fBlockDelete > 0) EndDeleteForce();
  }
  // Adding is two steps so that a failure while filling the record leaves the chains intact:
  // PrepareNewItem grows the table when full and hands out the record for position Count;
  // CommitNewItem links it to the head of its chain and makes it live.
  TItem& PrepareNewItem();
  int32_t CommitNewItem(uint32_t aHash);
  // Removes the item at aIndex; later items move down one place.
  void DeleteAt(int32_t aIndex);
  void ClearCore(bool aFullClear);
  void SetCaseSensitiveCore(bool aValue, const char16_t* aMessage);
  void GrowUntil(int32_t aCapacity);

private:
  void Grow();
  const TOwner& Owner() const noexcept { return *static_cast<const TOwner*>(this); }

  bool fCaseSensitive = true;
  std::vector<std::unique_ptr<TItem>> fItems;  // its size is the number of records allocated
  int32_t fNextItemId = 0;
  int32_t fMaxItemsBeforeGrowBuckets = 0;
  std::vector<TItem*> fBuckets;
  int32_t fLastHashI = 0;
  mutable int32_t fBlockDelete = 0;
};

// A list of distinct strings; each has an index, its position.
class THashedStrings : public TPersistent, public THashIndexCore<THashItem, THashedStrings> {
public:
  THashedStrings() = default;

  // Index of aText; adds it when absent (outNewEntry true).
  virtual int32_t Add(std::u16string_view aText, bool& outNewEntry);
  int32_t Add(std::u16string_view aText);
  int32_t IndexOf(std::u16string_view aText) const;
  const std::u16string& Get(int32_t aIndex) const { return ItemAt(aIndex).fTextFast; }
  // Removes the string at aIndex; later strings move down by one.
  virtual void Delete(int32_t aIndex);
  bool Delete(std::u16string_view aText);
  // A full clear frees the records and returns to the smallest table; otherwise records and
  // buckets stay for reuse.
  virtual void Clear(bool aFullClear);
  // Only allowed while the list is empty (or when the value does not change).
  void SetCaseSensitive(bool aValue);
  // Copies the strings of another THashedStrings in index order.
  void Assign(const TPersistent& aSource) override;

  uint32_t ItemHash(const THashItem& aItem) const noexcept {
    return HashedStringsHash(aItem.fTextFast, CaseSensitive());
  }

private:
  const THashItem* Find(std::u16string_view aText) const noexcept;
};

// Base of objects that a THashedStringObjDictionary can own: the virtual destructor lets an
// owning dictionary destroy any kind of object.
class THashedObject {
public:
  virtual ~THashedObject() = default;
};

// A THashedStrings with one object per entry, at the entry's position.
class THashedStringObjDictionary : public THashedStrings {
public:
  THashedStringObjDictionary() = default;
  ~THashedStringObjDictionary() override;

  using THashedStrings::Add;
  using THashedStrings::Delete;
  int32_t Add(std::u16string_view aText, bool& outNewEntry) override;
  int32_t AddObject(std::u16string_view aText, THashedObject* aObject);
  int32_t AddObject(std::u16string_view aText, THashedObject* aObject, bool& outNewEntry);
  // With OwnsObjects the object held before is destroyed (unless it is aObject itself).
  void SetObject(int32_t aIndex, THashedObject* aObject);
  // The object at aIndex; none when the entry holds an untyped reference.
  THashedObject* GetObject(int32_t aIndex) const;
  // An untyped reference, never destroyed by the dictionary.
  void SetPObject(int32_t aIndex, void* aPointer);
  void* GetPObject(int32_t aIndex) const;
  void Delete(int32_t aIndex) override;
  // Destroys owned objects; every object entry is empty afterwards.
  void Clear(bool aFullClear) override;

  bool OwnsObjects() const noexcept { return fOwnsObjects; }
  void SetOwnsObjects(bool aValue) noexcept { fOwnsObjects = aValue; }

private:
  struct TObjectEntry {
    THashedObject* fObject = nullptr;
    void* fPointer = nullptr;  // set instead of fObject by SetPObject
  };
  TObjectEntry& EntryAt(int32_t aIndex);
  const TObjectEntry& EntryAt(int32_t aIndex) const;
  void Release(TObjectEntry& aEntry) noexcept;

  bool fOwnsObjects = false;
  std::vector<TObjectEntry> fObjects;
};

extern template class THashIndexCore<THashItem, THashedStrings>;

// A key and its value, as views into the dictionary (valid until it changes).
struct THashedStringPair {
  std::u16string_view Key;
  std::u16string_view Value;
};

class THashedStringDictionary;

class THashedStringDictionaryEnum {
public:
  explicit THashedStringDictionaryEnum(const THashedStringDictionary& aDictionary) noexcept
      : fDictionary(&aDictionary) {}
  bool MoveNext() noexcept;
  THashedStringPair GetCurrent() const;

private:
  int32_t fIndex = -1;
  const THashedStringDictionary* fDictionary;
};

// String keys with string values in insertion order. There is no deletion of single keys.
class THashedStringDictionary {
public:
  // A new key appends its value; a present key gets its value replaced and keeps its index.
  int32_t Add(std::u16string_view aKey, std::u16string_view aValue);
  bool TryGetValue(std::u16string_view aKey, std::u16string& outValue) const;
  int32_t IndexOf(std::u16string_view aKey) const { return fKeys.IndexOf(aKey); }
  int32_t Count() const noexcept { return fKeys.Count(); }
  void Clear();
  const std::u16string& GetKey(int32_t aIndex) const { return fKeys.Get(aIndex); }
  const std::u16string& GetValue(int32_t aIndex) const;
  void SetValue(int32_t aIndex, std::u16string_view aValue);
  // The value, or empty when the key is absent.
  std::u16string GetValueOfKey(std::u16string_view aKey) const;
  void SetValueOfKey(std::u16string_view aKey, std::u16string_view aValue) { Add(aKey, aValue); }
  THashedStringPair GetPair(int32_t aIndex) const;
  bool CaseSensitive() const noexcept { return fKeys.CaseSensitive(); }
  void SetCaseSensitive(bool aValue) { fKeys.SetCaseSensitive(aValue); }
  THashedStringDictionaryEnum GetEnumerator() const noexcept {
    return THashedStringDictionaryEnum(*this);
  }

private:
  THashedStrings fKeys;
  std::vector<std::u16string> fValues;  // the value of key i at position i
};

// Gives the string of an index of the outside list. The view must stay valid until the next
// call into the index.
using TVirtualHashIndexGetStringProc = std::function<std::u16string_view(int32_t aStringIndex)>;
// Tells whether the string at aStringIndex equals aText (already folded unless case-sensitive).
using TVirtualHashIndexSameStringProc =
    std::function<bool(int32_t aStringIndex, std::u16string_view aText, bool aCaseSensitive)>;

// A hash index over strings that live in another list and are reached by their index there.
class TVirtualHashedStrings : public THashIndexCore<TVirtualHashItem, TVirtualHashedStrings> {
public:
  // aOnGetString is required ("Assertion failure" without it); without aOnSameString the
  // strings are fetched through aOnGetString and compared.
  explicit TVirtualHashedStrings(TVirtualHashIndexGetStringProc aOnGetString,
                                 TVirtualHashIndexSameStringProc aOnSameString = {});

  int32_t Add(int32_t aStringIndex, bool& outNewEntry);
  int32_t Add(int32_t aStringIndex);
  int32_t HashedIndexOf(std::u16string_view aText) const;
  int32_t StringIndexOf(std::u16string_view aText) const;
  int32_t Get(int32_t aIndex) const { return ItemAt(aIndex).fStringIndex; }
  // With aDecStringIndex the string indexes above the deleted one drop by 1, following a
  // removal from the outside list; the deleted string must still be reachable during the call.
  void DeleteByHashIndex(int32_t aIndex, bool aDecStringIndex);
  bool DeleteByStringIndex(int32_t aStringIndex, bool aDecStringIndex);
  bool DeleteByString(std::u16string_view aText, bool aDecStringIndex);
  void Clear(bool aFullClear) { ClearCore(aFullClear); }
  void SetCaseSensitive(bool aValue);

  uint32_t ItemHash(const TVirtualHashItem& aItem) const {
    return HashedStringsHash(fOnGetString(aItem.fStringIndex), CaseSensitive());
  }

private:
  const TVirtualHashItem* Find(std::u16string_view aText) const;

  TVirtualHashIndexGetStringProc fOnGetString;
  TVirtualHashIndexSameStringProc fOnSameString;
};

extern template class THashIndexCore<TVirtualHashItem, TVirtualHashedStrings>;
