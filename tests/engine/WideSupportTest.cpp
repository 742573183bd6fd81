#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ScopeGuard.h"
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
  // One U+FFFD per maximal subpart: an overlong form and an encoded surrogate are bad from their
  // first byte on, a truncated sequence is one bad run.
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));
  EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), std::u16string(u"a\uFFFD"));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// One U+FFFD per maximal subpart, as the UTF-8 encoding of files decodes: a document and the
// same bytes read back from the text control or a command line give the same text.
TEST(Utf, ReplacesEachMaximalSubpartOnce) {
  const std::u16string r(1, u'\uFFFD');
  const struct {
    std::string Bytes;
    std::u16string Text;
  } cases[] = {
      {"a\xE2\x82" "b", u"a" + r + u"b"},  // truncated three-byte sequence
      {"\xF0\x9F\x98", r},                 // truncated four-byte sequence
      {"\xF0\x9F\x98\xF0", r + r},         // and another lead at the end
      {"\xC0\xAF\xC1\xBF", r + r + r + r},  // overlong two-byte forms
      {"\xE0\x80\xAF", r + r + r},          // overlong three-byte form
      {"\xED\xA0\x80\xED\xBF\xBF", r + r + r + r + r + r},  // encoded surrogates
      {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
      {"\xF5\x80\xFF\xFE", r + r + r + r},
      {"\x80\xBF" "x", r + r + u"x"},  // stray continuation bytes
      {std::string(17, 'a') + "\xE2\x82\xAC" + std::string(20, 'b') + "\xE2\x82",
       std::u16string(17, u'a') + u"\u20AC" + std::u16string(20, u'b') + r},  // across the 16-byte runs
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.Bytes), c.Text) << c.Bytes;
}

// Where the non-ASCII code unit stands must not matter to the 16-byte ASCII runs.
TEST(Utf, DecodesEveryPositionOfAWideRun) {
  for (size_t k = 0; k < 40; ++k) {
    const std::string bytes = std::string(k, 'a') + "\xC3\xA9\xF0\x9F\x98\x80" + std::string(40 - k, 'b');
    const std::u16string text = std::u16string(k, u'a') + u"\u00E9\U0001F600" + std::u16string(40 - k, u'b');
    EXPECT_EQ(Utf8ToUtf16(bytes), text) << k;
    EXPECT_EQ(Utf16ToUtf8(text), bytes) << k;
  }
}

// Lone surrogates: replaced at the edges, kept whole by the lsKeep form that text held inside
// uses, in three bytes either way.
TEST(Utf, LoneSurrogatesFollowTheChosenRule) {
  const struct {
    std::u16string Text;
    std::string Replaced;
    std::string Kept;
  } cases[] = {
      {u"a" + std::u16string(1, char16_t(0xD800)), "a\xEF\xBF\xBD", "a\xED\xA0\x80"},
      {std::u16string(1, char16_t(0xDC00)) + u"b", "\xEF\xBF\xBD" "b", "\xED\xB0\x80" "b"},
      {std::u16string{char16_t(0xDBFF), char16_t(0xDBFF), char16_t(0xDFFF)}, "\xEF\xBF\xBD\xF4\x8F\xBF\xBF",
       "\xED\xAF\xBF\xF4\x8F\xBF\xBF"},
      {std::u16string{char16_t(0xDFFF), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD", "\xED\xBF\xBF\xED\xA0\x80"},
  };
  for (const auto& c : cases) {
    char out[32];
    EXPECT_EQ(std::string(out, Utf16ToUtf8(c.Text, out)), c.Replaced);
    EXPECT_EQ(std::string(out, Utf16ToUtf8(c.Text, out, lsKeep)), c.Kept);
    EXPECT_EQ(Utf8Length(c.Text), c.Kept.size());
    char16_t back[32];
    EXPECT_EQ(std::u16string(back, Utf8ToUtf16(c.Kept, back, lsKeep)), c.Text);
  }
  // every single code unit comes back from the kept form
  for (uint32_t u = 0; u <= 0xFFFF; ++u) {
    const std::u16string one(1, char16_t(u));
    char bytes[4];
    char16_t back[4];
    const size_t n = Utf16ToUtf8(one, bytes, lsKeep);
    ASSERT_EQ(Utf8ToUtf16({bytes, n}, back, lsKeep), 1u) << u;
    ASSERT_EQ(back[0], char16_t(u)) << u;
  }
}

// Only A-Z and a-z fold: the neighbours that a bitwise fold would also match stay apart, and so
// do letters beyond ASCII.
TEST(AsciiCase, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(SameAsciiNoCase(u"EnCoDiNg", u"encoding"));
  EXPECT_TRUE(SameAsciiNoCase(u"UTF-8", "utf-8"));
  EXPECT_FALSE(SameAsciiNoCase(u"@[\\]^", u"`{|}~"));
  EXPECT_FALSE(SameAsciiNoCase(u"\u00C9", u"\u00E9"));
  EXPECT_FALSE(SameAsciiNoCase(u"ab", u"abc"));
  EXPECT_FALSE(SameAsciiNoCase(u"\u00E9", "\xC3\xA9"));  // the 8-bit side is ASCII, not UTF-8
  EXPECT_EQ(AsciiUpper(u'z'), u'Z');
  EXPECT_EQ(AsciiUpper(u'{'), u'{');
  EXPECT_EQ(AsciiLower('@'), '@');
  EXPECT_EQ(AsciiLower(char16_t(0xC0)), char16_t(0xC0));
}

TEST(ScopeGuard, RunsOnEveryWayOut) {
  int count = 0;
  bool flag = false;
  {
    const auto counted = ScopedCount(count);
    const auto flagged = ScopedFlag(flag);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(flag);
    {
      const auto again = ScopedCount(count);
      const auto off = ScopedFlag(flag, false);
      EXPECT_EQ(count, 2);
      EXPECT_FALSE(flag);
    }
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(flag);  // the inner guard gives back the outer one's value
  }
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(flag);
  std::string log;
  try {
    const TScopeExit done([&] { log += "done"; });
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
    log += " caught";
  }
  EXPECT_EQ(log, "done caught");
}

TEST(Errors, CarryTheirMessageAsUtf8Too) {
  try {
    throw EListError(u"List index out of range.");
  } catch (const EGeneralError& e) {
    EXPECT_EQ(e.Message(), u"List index out of range.");
    EXPECT_STREQ(e.what(), "List index out of range.");
  }
}
