#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "Encodings.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

struct TOwned {
  TEncoding* E;
  explicit TOwned(TEncoding* e) : E(e) {}
  ~TOwned() { FreeEncoding(E); }
  TEncoding* operator->() const { return E; }
};

}  // namespace

TEST(Encodings, AliasLookupIsExactButCaseBlind) {
  struct { const char16_t* Name; int CodePage; } cases[] = {
      {u"utf-8", 65001},      {u"UTF-8", 65001},    {u"utf8", 0},       {u"utf-16", 1200},
      {u"utf-16 ", 0},        {u"UTF-16BE", 1201},  {u"Windows-1250", 1250}, {u"shift-jis", 932},
      {u"us-ascii", 20127},   {u"utf-7", 65000},    {u"latin1", 0},     {u"", 0},
  };
  for (auto& c : cases) EXPECT_EQ(AliasToCodePage(c.Name), c.CodePage) << std::string(c.Name, c.Name + std::char_traits<char16_t>::length(c.Name));

  TEncoding* e = nullptr;
  ASSERT_TRUE(EncodingFromAlias(u"uTf-8", e));
  EXPECT_EQ(e, TEncoding::UTF8());
  ASSERT_TRUE(EncodingFromAlias(u"utf-16be", e));
  EXPECT_EQ(e, TEncoding::BigEndianUnicode());
  // names outside the table go to the C library's converter; spellings of UTF-8 get the
  // shared instance
  ASSERT_TRUE(EncodingFromAlias(u"utf8", e));
  EXPECT_EQ(e, TEncoding::UTF8());
  EXPECT_FALSE(EncodingFromAlias(u"utf-16 ", e));
  EXPECT_EQ(e, nullptr);
  ASSERT_TRUE(EncodingFromAlias(u"WINDOWS-1250", e));
  TOwned cp1250(e);
  EXPECT_FALSE(TEncoding::IsStandardEncoding(e));
  EXPECT_EQ(EncodingCodePage(e), 1250);
}

TEST(Encodings, EveryAliasNamesAWorkingEncodingAndRoundTrips) {
  const char16_t* names[] = {u"utf-8", u"utf-16", u"utf-16be", u"windows-1250", u"windows-1251", u"windows-1252",
                             u"windows-1253", u"windows-1254", u"windows-1255", u"windows-1256", u"windows-1257",
                             u"windows-1258", u"iso-8859-1", u"iso-8859-2", u"iso-8859-3", u"iso-8859-4",
                             u"iso-8859-5", u"iso-8859-6", u"iso-8859-7", u"iso-8859-8", u"iso-8859-9",
                             u"iso-8859-13", u"iso-8859-15", u"koi8-r", u"koi8-u", u"ibm437", u"ibm850",
                             u"ibm852", u"cp866", u"windows-874", u"shift-jis", u"us-ascii", u"utf-7"};
  for (const char16_t* name : names) {
    TEncoding* e = nullptr;
    ASSERT_TRUE(EncodingFromAlias(name, e));
    TOwned owned(e);
    EXPECT_EQ(EncodingAlias(e), name);
    std::u16string text = u"<a x=\"1\">Hello, world 42</a>\r\n";
    EXPECT_EQ(e->GetString(e->GetBytes(text)), text) << EncodingCodePage(e);
  }
}

TEST(Encodings, SharedInstancesAndOwnership) {
  EXPECT_EQ(EncodingFromCodePage(65001), EncodingFromCodePage(65001));
  EXPECT_EQ(EncodingFromCodePage(0), TEncoding::Default());
  EXPECT_EQ(EncodingFromCodePage(1200), TEncoding::Unicode());
  EXPECT_EQ(EncodingFromCodePage(65000), TEncoding::UTF7());
  TOwned a(EncodingFromCodePage(1252)), b(EncodingFromCodePage(1252));
  EXPECT_NE(a.E, b.E);
  EXPECT_EQ(CloneEncoding(TEncoding::ASCII()), TEncoding::ASCII());
  TOwned c(CloneEncoding(a.E));
  EXPECT_NE(c.E, a.E);
  EXPECT_EQ(c->CodePage(), 1252);
  EXPECT_EQ(c->GetString(Bytes("\x80")), u"\u20ac");

  struct { TEncoding* E; const char16_t* Alias; int CodePage; } names[] = {
      {TEncoding::UTF8(), u"utf-8", 65001},         {TEncoding::Unicode(), u"utf-16", 1200},
      {TEncoding::BigEndianUnicode(), u"utf-16be", 1201}, {TEncoding::Default(), u"windows-1252", 1252},
      {TEncoding::ASCII(), u"us-ascii", 20127},     {nullptr, u"0", 0},
  };
  for (auto& n : names) {
    EXPECT_EQ(EncodingAlias(n.E), n.Alias);
    EXPECT_EQ(EncodingCodePage(n.E), n.CodePage);
  }
  TOwned gbk(EncodingFromCodePage(936));
  EXPECT_EQ(EncodingAlias(gbk.E), u"936");
  EXPECT_THROW(TEncoding(12345), EEncodingError);

  // Created once even when first asked for from several threads.
  TEncoding* seen[4] = {};
  std::vector<std::thread> threads;
  for (auto& s : seen) threads.emplace_back([&s] { s = TEncoding::UTF7(); });
  for (auto& t : threads) t.join();
  for (auto* s : seen) EXPECT_EQ(s, TEncoding::UTF7());
}

TEST(Encodings, PreamblesAndSingleByteFlag) {
  EXPECT_EQ(EncodingPreamble(TEncoding::UTF8()), Bytes("\xEF\xBB\xBF"));
  EXPECT_EQ(EncodingPreamble(TEncoding::Unicode()), Bytes("\xFF\xFE"));
  EXPECT_EQ(EncodingPreamble(TEncoding::BigEndianUnicode()), Bytes("\xFE\xFF"));
  EXPECT_TRUE(EncodingPreamble(TEncoding::UTF7()).empty());
  EXPECT_TRUE(EncodingPreamble(TEncoding::Default()).empty());
  EXPECT_TRUE(TEncoding::Default()->IsSingleByte());
  TOwned sjis(EncodingFromCodePage(932));
  EXPECT_FALSE(sjis->IsSingleByte());
  EXPECT_FALSE(TEncoding::UTF8()->IsSingleByte());
}

TEST(Encodings, DetectsByteOrderMarksOnly) {
  TEncoding* def = TEncoding::Default();
  struct { std::string In; TEncoding* Expected; int Length; } cases[] = {
      {"\xEF\xBB\xBF<", TEncoding::UTF8(), 3},
      {"\xFF\xFE\x00\x00", TEncoding::Unicode(), 2},
      {"\xFE\xFF\x00<", TEncoding::BigEndianUnicode(), 2},
      {"\xEF\xBB", def, 0},
      {"\xFF", def, 0},
      {"<?xml", def, 0},
      {"", def, 0},
  };
  for (auto& c : cases) {
    int len = -1;
    EXPECT_EQ(DetectBufferEncoding(reinterpret_cast<const uint8_t*>(c.In.data()), c.In.size(), def, len), c.Expected);
    EXPECT_EQ(len, c.Length);
  }
}

TEST(Encodings, DetectStreamEncodingPositionsAfterTheMark) {
  std::string data = "\xEF\xBB\xBF<a/>";
  TVirtualMemoryStream s;
  s.SetString_UTF8(data);
  int64_t pos = 0;
  EXPECT_EQ(DetectStreamEncoding(s, pos, s.Size(), nullptr), TEncoding::UTF8());
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(s.Position(), 3);

  s.SetString_UTF8("<a/>");
  pos = 0;
  EXPECT_EQ(DetectStreamEncoding(s, pos, s.Size(), nullptr), TEncoding::Default());
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(s.Position(), 0);

  // One byte left: no test, nothing read.
  s.SetString_UTF8("\xEF");
  pos = 0;
  EXPECT_EQ(DetectStreamEncoding(s, pos, s.Size(), TEncoding::ASCII()), TEncoding::ASCII());
  EXPECT_EQ(s.Position(), 0);
}

TEST(Encodings, BadBytesBecomeReplacementCharacters) {
  TOwned cp1252(EncodingFromCodePage(1252)), sjis(EncodingFromCodePage(932));
  struct { TEncoding* E; std::string In; std::u16string Out; } cases[] = {
      {TEncoding::UTF8(), "a\xC0\xAF" "b", u"a\uFFFD\uFFFDb"},           // overlong
      {TEncoding::UTF8(), "a\xE2\x82", u"a\uFFFD"},                      // truncated at the end
      {TEncoding::UTF8(), "\xE2\x82" "x", u"\uFFFDx"},                   // truncated inside
      {TEncoding::UTF8(), "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},        // encoded surrogate
      {TEncoding::UTF8(), "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {TEncoding::UTF8(), "\x80\xFF\xF0\x9F\x98", u"\uFFFD\uFFFD\uFFFD"},
      {TEncoding::UTF8(), "\xF0\x9F\x98\x80\xC3\xA9", u"\U0001F600\u00e9"},
      {TEncoding::ASCII(), "a\x80\xFF", u"a\uFFFD\uFFFD"},
      {TEncoding::Unicode(), std::string("a\0b", 3), u"a\uFFFD"},      // a lone last byte
      {TEncoding::BigEndianUnicode(), std::string("\0a\xD8\x3D\xDE\x00", 6), u"a\U0001F600"},
      {cp1252.E, "\x80\x81\xE9", u"\u20ac\uFFFD\u00e9"},
      {TEncoding::Default(), "\x80\x81\xE9", u"\u20ac\uFFFD\u00e9"},
      {sjis.E, "\x93\xFA\x96\x7B" "a\x93", u"\u65e5\u672c" u"a\uFFFD"},  // lead byte at the end
      {sjis.E, "\xFF" "a", u"\uFFFD" u"a"},
      {TEncoding::UTF7(), "Hi Mom -+Jjo--!", u"Hi Mom -\u263a-!"},
      {TEncoding::UTF7(), "1 +- 1 +AGEAYgBj-", u"1 + 1 abc"},
      {TEncoding::UTF7(), "\xC3+ZeVnLIqe-", u"\uFFFD\u65e5\u672c\u8a9e"},
  };
  for (auto& c : cases) EXPECT_EQ(c.E->GetString(c.In), c.Out) << EncodingCodePage(c.E) << " " << c.In;
}

TEST(Encodings, UnencodableCharactersBecomeQuestionMarks) {
  TOwned sjis(EncodingFromCodePage(932)), koi(EncodingFromCodePage(20866));
  struct { TEncoding* E; std::u16string In; std::string Out; } cases[] = {
      {TEncoding::Default(), u"\u20ac\u03a9\U0001F600x", "\x80??x"},
      {TEncoding::ASCII(), u"caf\u00e9", "caf?"},
      {sjis.E, u"\u65e5\u0e01\U0001F600", "\x93\xFA??"},
      {koi.E, u"\u0416\u00e9", "\xF6?"},
      {TEncoding::UTF8(), std::u16string(u"a") + char16_t(0xD800) + u"b", "a\xEF\xBF\xBD" "b"},
      {TEncoding::UTF7(), u"1 + 1 = \u263a", "1 +- 1 = +Jjo-"},
      {TEncoding::BigEndianUnicode(), u"a\u20ac", std::string("\0a\x20\xAC", 4)},
  };
  for (auto& c : cases) EXPECT_EQ(c.E->GetBytes(c.In), Bytes(c.Out)) << EncodingCodePage(c.E);
}

TEST(Encodings, UnicodeFormsRoundTripAtEveryAlignment) {
  // Mixed runs, so the 16-byte ASCII path of UTF-8 meets non-ASCII at every offset.
  std::mt19937 rng(7);
  const char16_t* pieces[] = {u"a", u"0123456789abcdefghij", u"\u00e9", u"\u20ac", u"\U0001F600", u"<", u"\r\n", u"+", u"-"};
  for (int round = 0; round < 200; ++round) {
    std::u16string text;
    int n = static_cast<int>(rng() % 20);
    for (int i = 0; i < n; ++i) text += pieces[rng() % std::size(pieces)];
    for (TEncoding* e : {TEncoding::UTF8(), TEncoding::UTF7(), TEncoding::Unicode(), TEncoding::BigEndianUnicode()})
      ASSERT_EQ(e->GetString(e->GetBytes(text)), text) << EncodingCodePage(e);
  }
  // A reused output buffer keeps its capacity and is not shrunk.
  std::u16string out;
  size_t n1 = TEncoding::UTF8()->DecodeInto(reinterpret_cast<const uint8_t*>("abcdefgh"), 8, out);
  size_t cap = out.size();
  size_t n2 = TEncoding::UTF8()->DecodeInto(reinterpret_cast<const uint8_t*>("xy"), 2, out);
  EXPECT_EQ(n1, 8u);
  EXPECT_EQ(n2, 2u);
  EXPECT_EQ(out.size(), cap);
  EXPECT_EQ(out.substr(0, n2), u"xy");
}

// Names outside the alias table: the C library's converter, under the name as declared.
TEST(Encodings, ConverterNamesDecodeAndKeepTheirName) {
  struct {
    const char16_t* Name;
    std::string Bytes;
    std::u16string Text;
  } cases[] = {
      {u"Shift_JIS", "\x93\xfa\x96\x7b\x8c\xea", u"\u65e5\u672c\u8a9e"},
      {u"EUC-JP", "\xc6\xfc\xcb\xdc\xb8\xec", u"\u65e5\u672c\u8a9e"},
      {u"euc-kr", "\xc7\xd1\xb1\xb9\xbe\xee", u"\ud55c\uad6d\uc5b4"},
      {u"Big5", "\xa4\xa4\xa4\xe5\xa6\x72", u"\u4e2d\u6587\u5b57"},
      {u"GB18030", "\xd6\xd0\xce\xc4\xd7\xd6", u"\u4e2d\u6587\u5b57"},
      {u"GB2312", "\xd6\xd0\xce\xc4\xd7\xd6", u"\u4e2d\u6587\u5b57"},
      {u"IBM866", "\x8f\xe0\xa8\xa2\xa5\xe2", u"\u041f\u0440\u0438\u0432\u0435\u0442"},
      {u"x-mac-cyrillic", "\x84\xee\xec", u"\u0414\u043e\u043c"},
      {u"TIS-620", "\xa1\xa2", u"\u0e01\u0e02"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.Name));
    TEncoding* e = nullptr;
    ASSERT_TRUE(EncodingFromAlias(c.Name, e));
    TOwned owned(e);
    EXPECT_FALSE(TEncoding::IsStandardEncoding(e));
    EXPECT_EQ(EncodingCodePage(e), 0);
    EXPECT_EQ(EncodingAlias(e), c.Name);  // what the writer declares
    EXPECT_EQ(e->GetString(c.Bytes), c.Text);
    EXPECT_EQ(e->GetBytes(c.Text), Bytes(c.Bytes));
    TOwned copy(CloneEncoding(e));
    EXPECT_EQ(EncodingAlias(copy.E), c.Name);
    EXPECT_EQ(copy->GetString(c.Bytes), c.Text);
  }
  // Nothing that cannot have declared itself in ASCII bytes, nothing unknown, no converter
  // suffixes.
  for (const char16_t* name : {u"UTF-16LE", u"UTF-32", u"UCS-2", u"IBM037", u"x-nonsense", u"UTF-8//TRANSLIT",
                               u"ISO-8859-1//IGNORE", u"", u"a b"}) {
    TEncoding* e = reinterpret_cast<TEncoding*>(1);
    EXPECT_FALSE(EncodingFromAlias(name, e)) << Utf16ToUtf8(name);
    EXPECT_EQ(e, nullptr);
  }
}

// The system encoding follows the locale's charset.
TEST(Encodings, SystemEncodingFromTheLocaleCharset) {
  struct {
    const char* Codeset;
    TEncodingKind Kind;
    int CodePage;
    const char16_t* Alias;
  } cases[] = {
      {"UTF-8", ekUTF8, 65001, u"utf-8"},
      {"utf8", ekUTF8, 65001, u"utf-8"},
      {"ISO-8859-15", ekCodePage, 28605, u"iso-8859-15"},
      {"KOI8-R", ekCodePage, 20866, u"koi8-r"},
      {"EUC-JP", ekCodePage, 0, u"EUC-JP"},
      // the C locale's ASCII, and names nothing converts, fall back to the Western page
      {"ANSI_X3.4-1968", ekCodePage, 1252, u"windows-1252"},
      {"", ekCodePage, 1252, u"windows-1252"},
      {"no-such-charset", ekCodePage, 1252, u"windows-1252"},
      {"UTF-16", ekCodePage, 1252, u"windows-1252"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.Codeset);
    TOwned e(TEncoding::ForLocaleCharset(c.Codeset));
    EXPECT_EQ(e->Kind(), c.Kind);
    EXPECT_EQ(e->CodePage(), c.CodePage);
    EXPECT_EQ(EncodingAlias(e.E), c.Alias);
    EXPECT_TRUE(e->GetPreamble().empty());  // also as UTF-8: the system encoding has no mark
  }
  TOwned utf8(TEncoding::ForLocaleCharset("UTF-8"));
  EXPECT_EQ(utf8->GetBytes(u"\u4e2d\u00e9"), Bytes("\xe4\xb8\xad\xc3\xa9"));
}
