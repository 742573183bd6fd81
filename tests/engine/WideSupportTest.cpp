#include <gtest/gtest.h>

#include "WideSupport.h"

TEST(Format, FillsPlaceholdersInOrderAndKeepsMissingOnes) {
  EXPECT_EQ(Format(u"Error at line %d at position %d: %s: %s", {int64_t(3), int64_t(-7), u"bad", u"<a"}),
            u"Error at line 3 at position -7: bad: <a");
  EXPECT_EQ(Format(u"100%% of %s", {u"x"}), u"100% of x");
  EXPECT_EQ(Format(u"%s and %s", {u"one"}), u"one and %s");
  EXPECT_EQ(Format(u"trailing %", {}), u"trailing %");
}

TEST(Utf, RoundTripsAndReplacesIllFormedInput) {
  std::u16string mixed = u"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(mixed)), mixed);
  // Overlong form, truncated sequence, encoded surrogate: each becomes one U+FFFD per bad byte run start.
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));
  EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), std::u16string(u"a\uFFFD\uFFFD"));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Errors, CarryTheirMessageAsUtf8Too) {
  try {
    throw EListError(u"List index out of range.");
  } catch (const EGeneralError& e) {
    EXPECT_EQ(e.Message(), u"List index out of range.");
    EXPECT_STREQ(e.what(), "List index out of range.");
  }
}
