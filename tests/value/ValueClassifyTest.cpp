// What the value pane makes of a value: Base64 or plain text, the decoded bytes, and the
// picture facts read from header bytes.
#include <gtest/gtest.h>

#include <string>

#include "ValueClassify.h"
#include "WideSupport.h"

namespace {

std::string Narrow(std::u16string_view aText) {
  std::string s;
  for (char16_t c : aText) s += c < 0x80 ? static_cast<char>(c) : '?';
  return s;
}

// Header bytes: aSize zero bytes with the given bytes written at their offsets.
std::string Header(size_t aSize, std::initializer_list<std::pair<size_t, uint8_t>> aBytes) {
  std::string b(aSize, '\0');
  for (auto [at, value] : aBytes) b[at] = static_cast<char>(value);
  return b;
}

}  // namespace

TEST(ValueClassifyTest, Base64NeedsWholeQuadsOfTheAlphabetWithPaddingOnlyAtTheEnd) {
  const std::pair<std::u16string, bool> cases[] = {
      {u"QUJDRA==", true}, {u"QUJ=RA==", false}, {u"QUJDRA", false}, {u"", false},
      {u"word", true},     {u"ab+/", true},      {u"QUJDR===", false}, {u"QUJD\r\nRA==", true},
      {u"QU D", false},    {u"QUJD=A==", false}, {u"QUJDRE=a", false}, {u"\u00e9bcd", false},
      {u"\r\n", false},    {u"QUJ\nD", true},    {u"QUJD-A==", false}, {u"QUJDRA=", false},
  };
  for (const auto& [text, base64] : cases) EXPECT_EQ(IsBase64(text), base64) << Narrow(text);
}

TEST(ValueClassifyTest, WrappedAndIndentedBase64IsRecognisedAndDecodedButBlanksInsideALineAreNot) {
  struct TCase {
    std::u16string Value;
    bool Base64;
    std::string Bytes;
  } cases[] = {
      {u"QUJD", true, "ABC"},
      {u"QUJDRA==", true, "ABCD"},
      {u"\n    QUJD\n    RA==\n  ", true, "ABCD"},     // wrapped and indented with its element
      {u"QUJD \t\r\n\t RA==", true, "ABCD"},           // blanks at both ends of a break go with it
      {u"  QUJD  ", true, "ABC"},                      // trimmed
      {u"QU JD", false, ""},                           // a blank inside a line: plain text
      {u"QUJD\n\nRA==", true, "ABCD"},                 // an empty line between
      {u"", false, ""},
      {u"   ", false, ""},
      {u"one two", false, ""},
      {u"AAEC/w==", true, std::string("\x00\x01\x02\xFF", 4)},
  };
  for (const TCase& c : cases) {
    const TValueClass value = ClassifyValue(c.Value);
    EXPECT_EQ(value.Base64, c.Base64) << Narrow(c.Value);
    EXPECT_EQ(value.Bytes, c.Bytes) << Narrow(c.Value);
  }
  EXPECT_EQ(CompactValue(u" \tA B\r\n  C \n"), u"A BC");
}

TEST(ValueClassifyTest, DecodingSkipsEverythingOutsideTheAlphabetAndDropsALoosePartialByte) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"QUJDRA", "ABCD"},       // no padding needed
      {u"Q", ""},                // 6 bits make no byte
      {u"QU", "A"},
      {u"Q U\tJ\u00e9D", "ABC"},  // blanks and non-ASCII skipped
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(DecodeBase64(text), bytes) << Narrow(text);
}

TEST(ValueClassifyTest, DecodedBytesShowWellFormedUtf8AndEveryIllFormedPartAsOneReplacement) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain ASCII", "plain ASCII"},
      {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},  // 2, 3, 4 bytes
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\x96\x89" "e", r + r + "e"},                      // stray continuation bytes
      {"\xE2\x82", r},                                  // cut short by the end: one part
      {"\xE2\x82" "x", r + "x"},                        // cut short by an ASCII byte
      {"\xC0\xAF", r + r},                              // overlong slash
      {"\xE0\x9F\xBF", r + r + r},                     // overlong three-byte form
      {"\xF0\x8F\xBF\xBF", r + r + r + r},            // overlong four-byte form
      {"\xED\xA0\x80", r + r + r},                     // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},            // above U+10FFFF
      {"\xF5\x80\x80", r + r + r},                     // no lead byte at all
      {"\xFF" "\xC3\xA9", r + "\xC3\xA9"},             // good after bad
      {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},                 // U+FFFD itself is well-formed
  };
  for (const auto& [bytes, text] : cases) {
    std::string shown;
    for (unsigned char c : bytes) shown += "\\x" + std::to_string(c);
    EXPECT_EQ(WellFormedUtf8(bytes), text) << shown;
    EXPECT_EQ(Utf8ToUtf16(WellFormedUtf8(bytes)), Utf8ToUtf16(bytes)) << shown << ": reads back the same";
    // In pieces of any size the parts come out the same.
    std::string pieces;
    for (size_t at = 0; at < bytes.size();) at = WellFormedUtf8(bytes, at, pieces, 1);
    EXPECT_EQ(pieces, text) << shown;
  }
}

TEST(ValueClassifyTest, BitsPerPixelComeFromTheHeaderAndShortHeadersReadAsUnknown) {
  struct TCase {
    const char* What;
    TPictureKind Kind;
    std::string Bytes;
    int Bits;
  } cases[] = {
      {"bmp core header", pkBitmap, Header(26, {{14, 12}, {24, 24}}), 24},
      {"bmp info 8 bit", pkBitmap, Header(54, {{14, 40}, {28, 8}}), 8},
      {"bmp 16 bit plain", pkBitmap, Header(54, {{14, 40}, {28, 16}}), 15},
      {"bmp 16 bit fields 5-6-5", pkBitmap, Header(70, {{14, 40}, {28, 16}, {30, 3}, {58, 0xE0}, {59, 0x07}}), 16},
      {"bmp 16 bit fields 5-5-5", pkBitmap, Header(70, {{14, 40}, {28, 16}, {30, 3}, {58, 0xE0}, {59, 0x03}}), 15},
      {"bmp cut short", pkBitmap, Header(5, {}), 0},
      {"jpeg grey", pkJPEG, Header(20, {{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xC0}, {5, 11}, {11, 1}}), 8},
      {"jpeg colour", pkJPEG, Header(20, {{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xC0}, {5, 17}, {11, 3}}), 24},
      {"jpeg frame after a segment", pkJPEG,
       Header(30, {{0, 0xFF}, {1, 0xD8}, {2, 0xFF}, {3, 0xE0}, {5, 4}, {8, 0xFF}, {9, 0xC2}, {17, 1}}), 8},
      {"jpeg without frame", pkJPEG, Header(4, {{0, 0xFF}, {1, 0xD8}}), 24},
      {"gif 2 colours", pkGIF, Header(13, {{10, 0x80}}), 1},
      {"gif 8 colours", pkGIF, Header(13, {{10, 0x82}}), 4},
      {"gif 256 colours", pkGIF, Header(13, {{10, 0x87}}), 8},
      {"gif no global table", pkGIF, Header(13, {{10, 0x07}}), 8},
      {"png rgba 8", pkPNG, Header(33, {{24, 8}, {25, 6}}), 32},
      {"png rgb 16", pkPNG, Header(33, {{24, 16}, {25, 2}}), 48},
      {"png palette", pkPNG, Header(33, {{24, 8}, {25, 3}}), 8},
      {"png grey alpha", pkPNG, Header(33, {{24, 8}, {25, 4}}), 16},
      {"png bad colour type", pkPNG, Header(33, {{24, 8}, {25, 5}}), 0},
      {"png cut short", pkPNG, Header(25, {{24, 8}}), 0},
  };
  for (const TCase& c : cases) EXPECT_EQ(PictureBitsPerPixel(c.Kind, c.Bytes), c.Bits) << c.What;
}

TEST(ValueClassifyTest, CaptionNamesKindSizeAndOnlyTheKnownDepths) {
  EXPECT_EQ(PictureCaption(pkPNG, 16, 16, 32), u" PNG: 16 x 16 - 32bit ");
  EXPECT_EQ(PictureCaption(pkBitmap, 5, 3, 15), u" Bitmap: 5 x 3 - 15bit ");
  EXPECT_EQ(PictureCaption(pkJPEG, 1024, 768, 24), u" JPEG: 1024 x 768 - 24bit ");
  EXPECT_EQ(PictureCaption(pkGIF, 1, 1, 1), u" GIF: 1 x 1 - 1bit ");
  EXPECT_EQ(PictureCaption(pkPNG, 5, 3, 48), u" PNG: 5 x 3");
  EXPECT_EQ(PictureCaption(pkPNG, 5, 3, 0), u" PNG: 5 x 3");
  const std::pair<TPictureKind, std::u16string_view> extensions[] = {
      {pkBitmap, u".bmp"}, {pkJPEG, u".jpg"}, {pkGIF, u".gif"}, {pkPNG, u".png"}};
  for (auto [kind, extension] : extensions) EXPECT_EQ(PictureExtension(kind), extension);
}

TEST(ValueClassifyTest, SingleLineFieldsTakeABoundedPrefixWithAnEllipsis) {
  const std::u16string e(1, cEllipsis);
  struct TCase {
    std::u16string Text;
    size_t Length;
    std::u16string Shown;
  } cases[] = {
      {u"", 4, u""},
      {u"abcd", 4, u"abcd"},                                     // exactly the bound: unchanged
      {u"abcde", 4, u"abcd" + e},                                // one over: cut
      {u"ab\U0001F600cd", 4, u"ab\U0001F600" + e},               // the pair ends at the bound
      {u"abc\U0001F600d", 4, u"abc" + e},                        // the cut would split the pair
      {u"\U0001F600\U0001F600", 3, u"\U0001F600" + e},
      {u"\U0001F600x", 1, e},                                    // nothing whole fits
      {u"ab\ncd\r\nef\ngh", 7, u"ab\ncd\r\n" + e},               // lines before the cut are kept
      {u"ab\r\ncd", 3, u"ab\r" + e},                             // a cut between CR and LF
      {u"x\xDC00yz", 2, u"x\xDC00" + e},                         // a lone low surrogate is a unit
      {u"\xD800\xD800z", 2, u"\xD800\xD800" + e},                // lone highs are no pair
  };
  for (const TCase& c : cases) EXPECT_EQ(BoundedText(c.Text, c.Length), c.Shown) << Narrow(c.Text);

  // A huge text costs only the prefix, with the default bound.
  const std::u16string huge(10 * 1024 * 1024, u'n');
  const std::u16string shown = BoundedText(huge);
  EXPECT_EQ(shown.size(), cFieldTextLength + 1);
  EXPECT_EQ(shown.back(), cEllipsis);
  EXPECT_EQ(std::u16string_view(shown).substr(0, cFieldTextLength), std::u16string_view(huge).substr(0, cFieldTextLength));
}
