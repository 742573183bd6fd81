#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HashedStrings.h"

namespace {

std::u16string Key(int i) { return u"k" + IntToStr(i); }

template <class E, class F>
void ExpectError(F&& aCall, std::u16string_view aMessage) {
  try {
    aCall();
    ADD_FAILURE() << "no error raised";
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), aMessage);
  }
}

}  // namespace

TEST(HashedStringsHash, RotatesWithin32BitsAndFoldsOnlyAsciiLetters) {
  struct Case {
    std::u16string_view text;
    bool caseSensitive;
    uint32_t hash;
  } cases[] = {
      {u"", true, 0},
      {u"ab", true, 0x1E6},
      {u"abcdefghijklmnopqrstuvwxyz", true, 0xC695554D},  // wraps the rotation many times
      {u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", false, 0xC695554D},
      {u"Hello, World!", false, HashedStringsHash(u"hello, world!", true)},
      {u"\u00C4", false, 0xC4},  // only A to Z fold
  };
  for (const Case& c : cases)
    EXPECT_EQ(HashedStringsHash(c.text, c.caseSensitive), c.hash) << Utf16ToUtf8(c.text);
}

TEST(HashedStrings, GrowsPastTwoThirdsAndKeepsIndexes) {
  THashedStrings list;
  EXPECT_EQ(list.BucketCount(), 53);
  // The table grows when string number 36, 65, 129, 260 would be added.
  const struct {
    int countBefore;
    int bucketsAfter;
  } steps[] = {{34, 53}, {35, 97}, {63, 97}, {64, 193}, {127, 193}, {128, 389}, {258, 389},
               {259, 769}};
  int added = 0;
  for (const auto& step : steps) {
    for (; added < step.countBefore; ++added) ASSERT_EQ(list.Add(Key(added)), added);
    EXPECT_EQ(list.Add(Key(added)), added);
    ++added;
    EXPECT_EQ(list.BucketCount(), step.bucketsAfter) << "after adding string " << added;
  }
  for (int i = 0; i < added; ++i) {
    ASSERT_EQ(list.IndexOf(Key(i)), i);
    ASSERT_EQ(list.Get(i), Key(i));
  }
  bool newEntry = true;
  EXPECT_EQ(list.Add(Key(7), newEntry), 7);
  EXPECT_FALSE(newEntry);
  EXPECT_EQ(list.Count(), added);
}

TEST(HashedStrings, CaseInsensitiveFoldsAsciiOnly) {
  THashedStrings list;
  list.SetCaseSensitive(false);
  bool newEntry = false;
  EXPECT_EQ(list.Add(u"ABC", newEntry), 0);
  EXPECT_TRUE(newEntry);
  EXPECT_EQ(list.Add(u"abc", newEntry), 0);
  EXPECT_FALSE(newEntry);
  EXPECT_EQ(list.Get(0), u"ABC");  // kept as first added
  EXPECT_EQ(list.IndexOf(u"aBc"), 0);
  EXPECT_EQ(list.Add(u"\u00C4"), 1);
  EXPECT_EQ(list.Add(u"\u00E4"), 2);
  EXPECT_EQ(list.IndexOf(u"ab"), -1);
  EXPECT_EQ(list.IndexOf(u"abcd"), -1);

  THashedStrings exact;
  EXPECT_EQ(exact.Add(u"ABC"), 0);
  EXPECT_EQ(exact.Add(u"abc"), 1);
}

TEST(HashedStrings, CaseSensitivityIsFixedOnceFilled) {
  THashedStrings list;
  list.Add(u"x");
  list.SetCaseSensitive(true);  // unchanged value is always allowed
  ExpectError<EGeneralError>([&] { list.SetCaseSensitive(false); },
                             u"THashedStrings: cannot set CaseSensitive to a non-empty list.");
  list.Delete(0);
  list.SetCaseSensitive(false);
  EXPECT_FALSE(list.CaseSensitive());
}

TEST(HashedStrings, DeleteMovesLaterStringsDown) {
  THashedStrings list;
  for (auto s : {u"a", u"b", u"c"}) list.Add(s);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf(u"a"), -1);
  EXPECT_EQ(list.IndexOf(u"b"), 0);
  EXPECT_EQ(list.IndexOf(u"c"), 1);
  EXPECT_EQ(list.GetItem(1).fIndex, 1);
  EXPECT_TRUE(list.Delete(std::u16string_view(u"c")));
  EXPECT_FALSE(list.Delete(std::u16string_view(u"c")));
  EXPECT_EQ(list.Add(u"a"), 1);  // the spare record is reused and findable again

  for (int bad : {-1, 2, 100}) {
    ExpectError<EListError>([&] { list.Get(bad); }, u"List index out of range.");
    ExpectError<EListError>([&] { list.GetItem(bad); }, u"List index out of range.");
    ExpectError<EListError>([&] { list.Delete(bad); }, u"List index out of range.");
  }
  EXPECT_EQ(list.Count(), 2);
}

TEST(HashedStrings, BulkDeletionRenumbersOnceWhenClosed) {
  THashedStrings list;
  for (int i = 0; i < 6; ++i) list.Add(Key(i));
  list.BeginDelete();
  list.BeginDelete();
  list.Delete(0);
  list.Delete(0);
  EXPECT_EQ(list.Get(0), Key(2));          // positions are current
  EXPECT_EQ(list.GetItem(0).fIndex, 2);     // the stored indexes are stale
  list.EndDelete();
  EXPECT_EQ(list.GetItem(0).fIndex, 2);     // still one level open
  EXPECT_EQ(list.IndexOf(Key(5)), 3);       // a lookup closes it
  EXPECT_EQ(list.GetItem(0).fIndex, 0);
  list.EndDelete();                          // never below zero
  list.BeginDelete();
  list.Delete(1);
  EXPECT_EQ(list.Add(u"new"), 3);
  EXPECT_EQ(list.IndexOf(Key(4)), 1);
}

TEST(HashedStrings, ClearKeepsOrDropsTheTable) {
  THashedStrings list;
  for (int i = 0; i < 40; ++i) list.Add(Key(i));
  ASSERT_EQ(list.BucketCount(), 97);
  list.Clear(false);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.BucketCount(), 97);
  EXPECT_EQ(list.IndexOf(Key(3)), -1);
  EXPECT_EQ(list.Add(Key(3)), 0);
  list.Clear(true);
  EXPECT_EQ(list.BucketCount(), 53);
  for (int i = 0; i < 36; ++i) list.Add(Key(i));
  EXPECT_EQ(list.BucketCount(), 97);
  EXPECT_EQ(list.IndexOf(Key(35)), 35);
}

TEST(HashedStrings, AssignCopiesStringsInOrder) {
  THashedStrings source, target;
  for (int i = 0; i < 100; ++i) source.Add(Key(i));
  target.Add(u"old");
  target.Assign(source);
  ASSERT_EQ(target.Count(), 100);
  EXPECT_EQ(target.BucketCount(), 193);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(target.IndexOf(Key(i)), i);
  EXPECT_EQ(target.IndexOf(u"old"), -1);

  target.Assign(target);  // assigning to itself keeps the strings
  EXPECT_EQ(target.Count(), 100);

  struct TOther : TPersistent {} other;
  EXPECT_THROW(target.Assign(other), EGeneralError);
}

// Random adds and deletes against a plain vector: every index and chain must stay consistent.
TEST(HashedStrings, StaysConsistentWithAModelUnderRandomUse) {
  THashedStrings list;
  std::vector<std::u16string> model;
  std::mt19937 random(12345);
  for (int step = 0; step < 4000; ++step) {
    const int r = int(random() % 100);
    if (r < 55 || model.empty()) {
      std::u16string key = Key(int(random() % 300));
      bool newEntry;
      int index = list.Add(key, newEntry);
      auto it = std::find(model.begin(), model.end(), key);
      ASSERT_EQ(newEntry, it == model.end());
      if (newEntry) model.push_back(key);
      ASSERT_EQ(model[size_t(index)], key);
    } else if (r < 95) {
      size_t index = random() % model.size();
      list.Delete(int(index));
      model.erase(model.begin() + long(index));
    } else {
      list.Clear(r == 99);
      model.clear();
    }
  }
  ASSERT_EQ(list.Count(), int(model.size()));
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list.IndexOf(model[i]), int(i));
}

TEST(HashedStringDictionary, AddReplacesValueInPlace) {
  THashedStringDictionary dict;
  EXPECT_EQ(dict.Add(u"quot", u"\""), 0);
  EXPECT_EQ(dict.Add(u"amp", u"&"), 1);
  EXPECT_EQ(dict.Add(u"quot", u"Q"), 0);
  EXPECT_EQ(dict.Count(), 2);
  EXPECT_EQ(dict.GetValue(0), u"Q");
  EXPECT_EQ(dict.GetKey(1), u"amp");

  std::u16string value = u"stale";
  EXPECT_FALSE(dict.TryGetValue(u"lt", value));
  EXPECT_EQ(value, u"");
  EXPECT_TRUE(dict.TryGetValue(u"amp", value));
  EXPECT_EQ(value, u"&");
  EXPECT_EQ(dict.GetValueOfKey(u"AMP"), u"");  // case-sensitive by default
  dict.SetValueOfKey(u"lt", u"<");
  dict.SetValue(1, u"and");
  EXPECT_EQ(dict.GetPair(1).Value, u"and");
  EXPECT_EQ(dict.GetPair(2).Key, u"lt");
  ExpectError<EListError>([&] { dict.GetValue(3); }, u"List index out of range.");
  ExpectError<EListError>([&] { dict.SetValue(-1, u""); }, u"List index out of range.");

  dict.Clear();
  EXPECT_EQ(dict.Count(), 0);
  EXPECT_EQ(dict.IndexOf(u"lt"), -1);
  EXPECT_EQ(dict.Add(u"gt", u">"), 0);
}

TEST(HashedStringDictionary, EnumeratesPairsInOrder) {
  THashedStringDictionary dict;
  auto empty = dict.GetEnumerator();
  EXPECT_FALSE(empty.MoveNext());

  dict.Add(u"a", u"1");
  dict.Add(u"b", u"2");
  auto e = dict.GetEnumerator();
  std::u16string seen;
  while (e.MoveNext()) {
    seen += e.GetCurrent().Key;
    seen += e.GetCurrent().Value;
  }
  EXPECT_EQ(seen, u"a1b2");
  EXPECT_FALSE(e.MoveNext());
}

namespace {
struct TCounted : THashedObject {
  explicit TCounted(int& aDestroyed) : fDestroyed(aDestroyed) {}
  ~TCounted() override { ++fDestroyed; }
  int& fDestroyed;
};
}  // namespace

TEST(HashedStringObjDictionary, OwnedObjectsAreDestroyedExactlyOnce) {
  int destroyed = 0;
  {
    THashedStringObjDictionary dict;
    dict.SetOwnsObjects(true);
    auto* a = new TCounted(destroyed);
    auto* b = new TCounted(destroyed);
    auto* c = new TCounted(destroyed);
    EXPECT_EQ(dict.AddObject(u"a", a), 0);
    EXPECT_EQ(dict.AddObject(u"b", b), 1);
    EXPECT_EQ(dict.AddObject(u"c", c), 2);
    dict.SetObject(0, a);  // the same object again must not destroy it
    EXPECT_EQ(destroyed, 0);
    dict.SetObject(0, new TCounted(destroyed));  // replaces and destroys a
    EXPECT_EQ(destroyed, 1);
    dict.Delete(1);  // destroys b and moves c down
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(dict.GetObject(1), c);
    EXPECT_EQ(dict.IndexOf(u"c"), 1);
    int untyped = 0;
    dict.Add(u"p");
    EXPECT_EQ(dict.GetObject(2), nullptr);  // a new entry starts empty
    dict.SetPObject(2, &untyped);
    EXPECT_EQ(dict.GetPObject(2), &untyped);
    EXPECT_EQ(dict.GetObject(2), nullptr);
    EXPECT_EQ(dict.GetPObject(1), static_cast<void*>(c));
    dict.Clear(false);  // destroys the two objects left, never the untyped reference
    EXPECT_EQ(destroyed, 4);
    dict.AddObject(u"a", new TCounted(destroyed));
    EXPECT_EQ(dict.GetObject(0) != nullptr, true);
    dict.Add(u"b");
    EXPECT_EQ(dict.GetObject(1), nullptr);  // re-added strings start without an object
  }
  EXPECT_EQ(destroyed, 5);  // the dictionary's destruction frees what it owns
}

TEST(HashedStringObjDictionary, WithoutOwnershipNothingIsDestroyedAndIndexesAreChecked) {
  int destroyed = 0;
  TCounted kept(destroyed);
  {
    THashedStringObjDictionary dict;
    dict.AddObject(u"x", &kept);
    dict.SetObject(0, nullptr);
    dict.SetObject(0, &kept);
    dict.Delete(0);
    dict.AddObject(u"x", &kept);
    dict.Clear(true);
    EXPECT_THROW(dict.GetObject(0), EArgumentOutOfRange);
    dict.AddObject(u"y", &kept);
    EXPECT_THROW(dict.SetObject(1, nullptr), EArgumentOutOfRange);
    EXPECT_THROW(dict.GetPObject(-1), EArgumentOutOfRange);
    ExpectError<EListError>([&] { dict.Delete(1); }, u"List index out of range.");
    EXPECT_EQ(dict.GetObject(0), &kept);  // the failed Delete changed nothing
  }
  EXPECT_EQ(destroyed, 0);
}

TEST(VirtualHashedStrings, IndexesAnOutsideListAndFollowsItsRemovals) {
  std::vector<std::u16string> names = {u"id", u"class", u"style", u"href"};
  TVirtualHashedStrings index([&](int32_t i) -> std::u16string_view { return names[size_t(i)]; });
  for (int i = 0; i < 4; ++i) EXPECT_EQ(index.Add(i), i);
  bool newEntry = true;
  EXPECT_EQ(index.Add(1, newEntry), 1);
  EXPECT_FALSE(newEntry);
  EXPECT_EQ(index.StringIndexOf(u"style"), 2);
  EXPECT_EQ(index.HashedIndexOf(u"nope"), -1);

  // Remove "class" from the outside list: the index is told first, then the list drops it.
  EXPECT_TRUE(index.DeleteByStringIndex(1, true));
  names.erase(names.begin() + 1);
  EXPECT_EQ(index.Count(), 3);
  EXPECT_EQ(index.StringIndexOf(u"style"), 1);
  EXPECT_EQ(index.StringIndexOf(u"href"), 2);
  EXPECT_EQ(index.HashedIndexOf(u"href"), 2);
  EXPECT_EQ(index.StringIndexOf(u"class"), -1);

  EXPECT_TRUE(index.DeleteByString(u"id", false));
  EXPECT_FALSE(index.DeleteByString(u"id", false));
  EXPECT_EQ(index.Get(0), 1);  // string indexes unchanged without aDecStringIndex
  ExpectError<EListError>([&] { index.Get(2); }, u"List index out of range.");

  index.Clear(true);
  ExpectError<EGeneralError>([&] {
    index.Add(0);
    index.SetCaseSensitive(false);
  },
                             u"TVirtualHashedStrings: cannot set CaseSensitive to a non-empty list.");
}

TEST(VirtualHashedStrings, RequiresGetStringAndPassesTheFoldedKeyToSameString) {
  ExpectError<EAssertionFailed>([] { TVirtualHashedStrings index(nullptr); }, u"Assertion failure");

  std::vector<std::u16string> names = {u"Alpha", u"Beta"};
  std::vector<std::u16string> keysSeen;
  TVirtualHashedStrings index(
      [&](int32_t i) -> std::u16string_view { return names[size_t(i)]; },
      [&](int32_t i, std::u16string_view text, bool caseSensitive) {
        keysSeen.emplace_back(text);
        return HashedStringsSame(names[size_t(i)], text, caseSensitive);
      });
  index.SetCaseSensitive(false);
  index.Add(0);
  index.Add(1);
  EXPECT_EQ(index.HashedIndexOf(u"ALPHA"), 0);
  ASSERT_FALSE(keysSeen.empty());
  EXPECT_EQ(keysSeen.back(), u"alpha");
}

TEST(VirtualHashedStrings, StaysConsistentWithAModelUnderRandomUse) {
  // The outside list holds distinct names; the index mirrors it through adds and removals.
  std::vector<std::u16string> names;
  TVirtualHashedStrings index([&](int32_t i) -> std::u16string_view { return names[size_t(i)]; });
  std::mt19937 random(777);
  int next = 0;
  for (int step = 0; step < 3000; ++step) {
    if (names.empty() || random() % 100 < 60) {
      names.push_back(Key(next++));
      ASSERT_EQ(index.Add(int32_t(names.size() - 1)), int32_t(names.size() - 1));
    } else {
      const size_t victim = random() % names.size();
      // The index mirrors the outside list's order, so hash index = string index here.
      if (random() % 2)
        index.DeleteByHashIndex(int32_t(victim), true);
      else
        ASSERT_TRUE(index.DeleteByStringIndex(int32_t(victim), true));
      names.erase(names.begin() + long(victim));
    }
  }
  ASSERT_EQ(index.Count(), int32_t(names.size()));
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(index.StringIndexOf(names[i]), int32_t(i));
    ASSERT_EQ(index.HashedIndexOf(names[i]), int32_t(i));
  }
}
