#include "HashedStrings.h"

#include <algorithm>
#include <bit>
#include <climits>

namespace {

// Primes, each about twice the one before; the table grows along them.
constexpr uint32_t cBucketSizes[] = {
    53,        97,        193,       389,       769,        1543,       3079,
    6151,      12289,     24593,     49157,     98317,      196613,     393241,
    786433,    1572869,   3145739,   6291469,   12582917,   25165843,   50331653,
    100663319, 201326611, 402653189, 805306457, 1610612741, 3221225473, 4294967291};
constexpr int32_t cBucketSizeCount = int32_t(sizeof(cBucketSizes) / sizeof(cBucketSizes[0]));

[[noreturn]] void ListIndexError() { throw EListError(u"List index out of range."); }
[[noreturn]] void AssertionFailure() { throw EAssertionFailed(u"Assertion failure"); }

}  // namespace

uint32_t HashedStringsHash(std::u16string_view aText, bool aCaseSensitive) noexcept {
  uint32_t hash = 0;
  if (aCaseSensitive) {
    for (char16_t c : aText) hash = std::rotl(hash, 2) ^ c;
  } else {
    for (char16_t c : aText) hash = std::rotl(hash, 2) ^ AsciiLower(c);
  }
  return hash;
}

bool HashedStringsSame(std::u16string_view aStored, std::u16string_view aKey,
                       bool aCaseSensitive) noexcept {
  if (aCaseSensitive) return aStored == aKey;
  return SameAsciiNoCase(aStored, aKey);
}

// ---- THashIndexCore ----

template <class TItem, class TOwner>
THashIndexCore<TItem, TOwner>::THashIndexCore() {
  Grow();
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::Grow() {
  // Growth past the last prime is outside any realistic use; stay on the last size then.
  const int32_t sizeIndex = std::min(fLastHashI, cBucketSizeCount - 1);
  const uint32_t bucketCount = cBucketSizes[sizeIndex];
  fBuckets.assign(bucketCount, nullptr);
  fMaxItemsBeforeGrowBuckets =
      int32_t(std::min<int64_t>(int64_t(bucketCount) * 2 / 3, INT32_MAX));
  fItems.reserve(size_t(fMaxItemsBeforeGrowBuckets));
  for (int32_t i = 0; i < fNextItemId; ++i) {
    TItem* item = fItems[size_t(i)].get();
    TItem*& head = fBuckets[Owner().ItemHash(*item) % bucketCount];
    item->fNext = head;
    head = item;
  }
  if (fLastHashI < cBucketSizeCount) ++fLastHashI;
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::GrowUntil(int32_t aCapacity) {
  while (fMaxItemsBeforeGrowBuckets < aCapacity && fLastHashI < cBucketSizeCount) Grow();
}

template <class TItem, class TOwner>
TItem& THashIndexCore<TItem, TOwner>::ItemAt(int32_t aIndex) const {
  if (aIndex < 0 || aIndex >= fNextItemId) ListIndexError();
  return *fItems[size_t(aIndex)];
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::EndDelete() const {
  if (fBlockDelete <= 0) return;
  if (--fBlockDelete > 0) return;
  for (int32_t i = 0; i < fNextItemId; ++i) fItems[size_t(i)]->fIndex = i;
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::EndDeleteForce() const {
  fBlockDelete = 1;
  EndDelete();
}

template <class TItem, class TOwner>
TItem& THashIndexCore<TItem, TOwner>::PrepareNewItem() {
  if (fNextItemId >= fMaxItemsBeforeGrowBuckets) Grow();
  if (size_t(fNextItemId) == fItems.size()) fItems.push_back(std::make_unique<TItem>());
  return *fItems[size_t(fNextItemId)];
}

template <class TItem, class TOwner>
int32_t THashIndexCore<TItem, TOwner>::CommitNewItem(uint32_t aHash) {
  TItem* item = fItems[size_t(fNextItemId)].get();
  TItem*& head = fBuckets[aHash % fBuckets.size()];
  item->fNext = head;
  head = item;
  item->fIndex = fNextItemId;
  return fNextItemId++;
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::DeleteAt(int32_t aIndex) {
  TItem* item = &ItemAt(aIndex);
  // Unlink first: hashing may call out (virtual index), and a failure must not leave a spare
  // record threaded into a chain.
  TItem** link = &fBuckets[Owner().ItemHash(*item) % fBuckets.size()];
  while (*link != item) {
    if (*link == nullptr) AssertionFailure();
    link = &(*link)->fNext;
  }
  *link = item->fNext;
  item->fNext = nullptr;

  auto first = fItems.begin() + aIndex;
  std::rotate(first, first + 1, fItems.begin() + fNextItemId);
  --fNextItemId;
  if (fBlockDelete <= 0)
    for (int32_t i = aIndex; i < fNextItemId; ++i) fItems[size_t(i)]->fIndex = i;
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::ClearCore(bool aFullClear) {
  fNextItemId = 0;
  if (aFullClear) {
    fItems.clear();
    fItems.shrink_to_fit();
    fLastHashI = 0;
    Grow();
  } else {
    std::fill(fBuckets.begin(), fBuckets.end(), nullptr);
  }
}

template <class TItem, class TOwner>
void THashIndexCore<TItem, TOwner>::SetCaseSensitiveCore(bool aValue, const char16_t* aMessage) {
  if (aValue == fCaseSensitive) return;
  if (fNextItemId > 0) throw EGeneralError(aMessage);
  fCaseSensitive = aValue;
}

template class THashIndexCore<THashItem, THashedStrings>;
template class THashIndexCore<TVirtualHashItem, TVirtualHashedStrings>;

// ---- THashedStrings ----

const THashItem* THashedStrings::Find(std::u16string_view aText) const noexcept {
  const bool caseSensitive = CaseSensitive();
  for (const THashItem* item = BucketHead(HashedStringsHash(aText, caseSensitive)); item;
       item = item->fNext)
    if (HashedStringsSame(item->fTextFast, aText, caseSensitive)) return item;
  return nullptr;
}

int32_t THashedStrings::Add(std::u16string_view aText, bool& outNewEntry) {
  EndOpenDelete();
  if (const THashItem* found = Find(aText)) {
    outNewEntry = false;
    return found->fIndex;
  }
  THashItem& item = PrepareNewItem();
  item.fTextFast.assign(aText);
  outNewEntry = true;
  return CommitNewItem(HashedStringsHash(aText, CaseSensitive()));
}

int32_t THashedStrings::Add(std::u16string_view aText) {
  bool newEntry;
  return Add(aText, newEntry);
}

int32_t THashedStrings::IndexOf(std::u16string_view aText) const {
  EndOpenDelete();
  const THashItem* found = Find(aText);
  return found ? found->fIndex : -1;
}

void THashedStrings::Delete(int32_t aIndex) { DeleteAt(aIndex); }

bool THashedStrings::Delete(std::u16string_view aText) {
  const int32_t index = IndexOf(aText);
  if (index < 0) return false;
  Delete(index);
  return true;
}

void THashedStrings::Clear(bool aFullClear) { ClearCore(aFullClear); }

void THashedStrings::SetCaseSensitive(bool aValue) {
  SetCaseSensitiveCore(aValue, u"THashedStrings: cannot set CaseSensitive to a non-empty list.");
}

void THashedStrings::Assign(const TPersistent& aSource) {
  const auto* source = dynamic_cast<const THashedStrings*>(&aSource);
  if (!source) {
    TPersistent::Assign(aSource);
    return;
  }
  if (source == this) return;  // clearing first would lose the very strings to copy
  Clear(false);
  GrowUntil(source->Count());
  for (int32_t i = 0; i < source->Count(); ++i) Add(source->Get(i));
}

// ---- THashedStringObjDictionary ----

THashedStringObjDictionary::~THashedStringObjDictionary() {
  for (TObjectEntry& entry : fObjects) Release(entry);
}

void THashedStringObjDictionary::Release(TObjectEntry& aEntry) noexcept {
  if (fOwnsObjects) delete aEntry.fObject;
  aEntry = TObjectEntry{};
}

THashedStringObjDictionary::TObjectEntry& THashedStringObjDictionary::EntryAt(int32_t aIndex) {
  if (aIndex < 0 || size_t(aIndex) >= fObjects.size())
    throw EArgumentOutOfRange(u"Argument out of range");
  return fObjects[size_t(aIndex)];
}

const THashedStringObjDictionary::TObjectEntry& THashedStringObjDictionary::EntryAt(
    int32_t aIndex) const {
  return const_cast<THashedStringObjDictionary*>(this)->EntryAt(aIndex);
}

int32_t THashedStringObjDictionary::Add(std::u16string_view aText, bool& outNewEntry) {
  const int32_t index = THashedStrings::Add(aText, outNewEntry);
  if (fObjects.size() < size_t(Count())) fObjects.resize(size_t(Count()));
  // Entries past Count are always empty (Clear and Delete leave them so), so a re-added
  // string starts without an object.
  return index;
}

int32_t THashedStringObjDictionary::AddObject(std::u16string_view aText, THashedObject* aObject) {
  bool newEntry;
  return AddObject(aText, aObject, newEntry);
}

int32_t THashedStringObjDictionary::AddObject(std::u16string_view aText, THashedObject* aObject,
                                              bool& outNewEntry) {
  const int32_t index = Add(aText, outNewEntry);
  SetObject(index, aObject);
  return index;
}

void THashedStringObjDictionary::SetObject(int32_t aIndex, THashedObject* aObject) {
  TObjectEntry& entry = EntryAt(aIndex);
  if (entry.fObject == aObject && aObject) return;  // destroying it would leave it dangling
  Release(entry);
  entry.fObject = aObject;
}

THashedObject* THashedStringObjDictionary::GetObject(int32_t aIndex) const {
  return EntryAt(aIndex).fObject;
}

void THashedStringObjDictionary::SetPObject(int32_t aIndex, void* aPointer) {
  TObjectEntry& entry = EntryAt(aIndex);
  Release(entry);
  entry.fPointer = aPointer;
}

void* THashedStringObjDictionary::GetPObject(int32_t aIndex) const {
  const TObjectEntry& entry = EntryAt(aIndex);
  return entry.fObject ? static_cast<void*>(entry.fObject) : entry.fPointer;
}

void THashedStringObjDictionary::Delete(int32_t aIndex) {
  ItemAt(aIndex);  // a bad index fails before anything changes
  THashedStrings::Delete(aIndex);
  if (size_t(aIndex) < fObjects.size()) {
    Release(fObjects[size_t(aIndex)]);
    fObjects.erase(fObjects.begin() + aIndex);
  }
}

void THashedStringObjDictionary::Clear(bool aFullClear) {
  for (TObjectEntry& entry : fObjects) Release(entry);
  THashedStrings::Clear(aFullClear);
  if (aFullClear) {
    fObjects.clear();
    fObjects.shrink_to_fit();
  }
}

// ---- THashedStringDictionary ----

bool THashedStringDictionaryEnum::MoveNext() noexcept {
  if (fIndex + 1 >= fDictionary->Count()) return false;
  ++fIndex;
  return true;
}

THashedStringPair THashedStringDictionaryEnum::GetCurrent() const {
  return fDictionary->GetPair(fIndex);
}

int32_t THashedStringDictionary::Add(std::u16string_view aKey, std::u16string_view aValue) {
  bool newEntry;
  const int32_t index = fKeys.Add(aKey, newEntry);
  if (newEntry)
    fValues.emplace_back(aValue);
  else
    fValues[size_t(index)].assign(aValue);
  return index;
}

bool THashedStringDictionary::TryGetValue(std::u16string_view aKey,
                                          std::u16string& outValue) const {
  const int32_t index = fKeys.IndexOf(aKey);
  if (index < 0) {
    outValue.clear();
    return false;
  }
  outValue = fValues[size_t(index)];
  return true;
}

void THashedStringDictionary::Clear() {
  if (Count() == 0) return;
  fValues.clear();
  fKeys.Clear(true);
}

const std::u16string& THashedStringDictionary::GetValue(int32_t aIndex) const {
  if (aIndex < 0 || size_t(aIndex) >= fValues.size()) ListIndexError();
  return fValues[size_t(aIndex)];
}

void THashedStringDictionary::SetValue(int32_t aIndex, std::u16string_view aValue) {
  if (aIndex < 0 || size_t(aIndex) >= fValues.size()) ListIndexError();
  fValues[size_t(aIndex)].assign(aValue);
}

std::u16string THashedStringDictionary::GetValueOfKey(std::u16string_view aKey) const {
  const int32_t index = fKeys.IndexOf(aKey);
  return index < 0 ? std::u16string() : fValues[size_t(index)];
}

THashedStringPair THashedStringDictionary::GetPair(int32_t aIndex) const {
  return {fKeys.Get(aIndex), GetValue(aIndex)};
}

// ---- TVirtualHashedStrings ----

TVirtualHashedStrings::TVirtualHashedStrings(TVirtualHashIndexGetStringProc aOnGetString,
                                             TVirtualHashIndexSameStringProc aOnSameString)
    : fOnGetString(std::move(aOnGetString)), fOnSameString(std::move(aOnSameString)) {
  if (!fOnGetString) AssertionFailure();
}

const TVirtualHashItem* TVirtualHashedStrings::Find(std::u16string_view aText) const {
  const bool caseSensitive = CaseSensitive();
  const TVirtualHashItem* item = BucketHead(HashedStringsHash(aText, caseSensitive));
  if (!fOnSameString) {
    for (; item; item = item->fNext)
      if (HashedStringsSame(fOnGetString(item->fStringIndex), aText, caseSensitive)) return item;
    return nullptr;
  }
  // An outside comparison receives the key folded the way the hash saw it.
  std::u16string folded;
  std::u16string_view key = aText;
  if (!caseSensitive && item) {
    folded.assign(aText);
    for (char16_t& c : folded) c = AsciiLower(c);
    key = folded;
  }
  for (; item; item = item->fNext)
    if (fOnSameString(item->fStringIndex, key, caseSensitive)) return item;
  return nullptr;
}

int32_t TVirtualHashedStrings::Add(int32_t aStringIndex, bool& outNewEntry) {
  EndOpenDelete();
  const std::u16string_view text = fOnGetString(aStringIndex);
  if (const TVirtualHashItem* found = Find(text)) {
    outNewEntry = false;
    return found->fIndex;
  }
  const uint32_t hash = HashedStringsHash(text, CaseSensitive());
  PrepareNewItem().fStringIndex = aStringIndex;
  outNewEntry = true;
  return CommitNewItem(hash);
}

int32_t TVirtualHashedStrings::Add(int32_t aStringIndex) {
  bool newEntry;
  return Add(aStringIndex, newEntry);
}

int32_t TVirtualHashedStrings::HashedIndexOf(std::u16string_view aText) const {
  EndOpenDelete();
  const TVirtualHashItem* found = Find(aText);
  return found ? found->fIndex : -1;
}

int32_t TVirtualHashedStrings::StringIndexOf(std::u16string_view aText) const {
  EndOpenDelete();
  const TVirtualHashItem* found = Find(aText);
  return found ? found->fStringIndex : -1;
}

void TVirtualHashedStrings::DeleteByHashIndex(int32_t aIndex, bool aDecStringIndex) {
  const int32_t deletedStringIndex = ItemAt(aIndex).fStringIndex;
  DeleteAt(aIndex);
  if (!aDecStringIndex) return;
  for (int32_t i = 0; i < Count(); ++i) {
    TVirtualHashItem& item = ItemAt(i);
    if (item.fStringIndex > deletedStringIndex) --item.fStringIndex;
  }
}

bool TVirtualHashedStrings::DeleteByStringIndex(int32_t aStringIndex, bool aDecStringIndex) {
  EndOpenDelete();
  const std::u16string_view text = fOnGetString(aStringIndex);
  for (const TVirtualHashItem* item = BucketHead(HashedStringsHash(text, CaseSensitive())); item;
       item = item->fNext) {
    if (item->fStringIndex == aStringIndex) {
      DeleteByHashIndex(item->fIndex, aDecStringIndex);
      return true;
    }
  }
  return false;
}

bool TVirtualHashedStrings::DeleteByString(std::u16string_view aText, bool aDecStringIndex) {
  const int32_t index = HashedIndexOf(aText);
  if (index < 0) return false;
  DeleteByHashIndex(index, aDecStringIndex);
  return true;
}

void TVirtualHashedStrings::SetCaseSensitive(bool aValue) {
  SetCaseSensitiveCore(aValue,
                       u"TVirtualHashedStrings: cannot set CaseSensitive to a non-empty list.");
}
