// What the value pane makes of a node's value, without any user interface: plain text, or
// Base64 that decodes to bytes, which the window then shows as text or, when a picture
// decoder takes them, as a picture. The picture's kind word, file extension, bits per pixel
// and tab caption come from here too, read from the header bytes the way the file stores the
// picture (a decoder may widen it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The value trimmed, with its line breaks removed together with the blanks around them.
// Base64 in XML is usually wrapped and indented with its element, so the blanks that begin or
// end a line go with the break; blanks inside a line remain (and make the value plain text).
std::u16string CompactValue(std::u16string_view aValue);

// A text is Base64 when, without CR and LF, it is a non-empty multiple of 4 characters of the
// Base64 alphabet, with "=" only in the last two places and nothing but "=" after the first.
bool IsBase64(std::u16string_view aText);

// The bytes that the Base64 characters of aText stand for; every other character (line breaks,
// blanks, padding) is skipped, and bits that do not fill a last byte are dropped.
std::string DecodeBase64(std::u16string_view aText);

// aBytes as well-formed UTF-8, the way the Decoded view shows bytes: each ill-formed part (a
// stray byte, a sequence cut short, an overlong form, a surrogate, a code point above
// U+10FFFF) becomes U+FFFD, as the text reads back as UTF-16.
std::string WellFormedUtf8(std::string_view aBytes);
// The same a piece at a time: appends to aOut the well-formed form of aBytes from aFrom on,
// until it has appended at least aPiece bytes or the bytes end, and returns where it stopped
// (never inside a sequence).
size_t WellFormedUtf8(std::string_view aBytes, size_t aFrom, std::string& aOut, size_t aPiece);

struct TValueClass {
  bool Base64 = false;  // the value gets a Decoded or an Image tab
  std::string Bytes;    // a Base64 value's decoded bytes
};
// Base64 when the value is not empty and its compacted form is Base64.
TValueClass ClassifyValue(std::u16string_view aValue);

// A value as one row of the tree or the details list shows it: cut to aCount units with "..."
// and CR LF pairs removed (ShortenText), then every line break left, a lone CR or LF, as the
// visible mark U+21B5, so a multi-line value (a comment, mixed text) stays within its row.
std::u16string RowText(std::u16string_view aValue, int32_t aCount);
inline constexpr char16_t cLineBreakMark = u'\u21B5';

// Single-line fields (the path bar and its tip, list and tree cells, panel captions, message
// lines) show a bounded prefix of their text: laying out a line of megabytes (a huge element
// name, an amplified value) takes seconds, and no field is wide enough to show more than this.
// Where the whole text is needed (copying, the value pane) it is taken from the node instead.
inline constexpr size_t cFieldTextLength = 1000;
inline constexpr char16_t cEllipsis = u'\u2026';
// aText unchanged when it has at most aLength code units; otherwise its first aLength units
// (one fewer when the cut would split a surrogate pair) followed by cEllipsis. Line breaks
// stay as they are. Reads no more than the units it keeps.
std::u16string BoundedText(std::u16string_view aText, size_t aLength = cFieldTextLength);

// Picture kinds in the order their decoders are tried.
enum TPictureKind : int32_t { pkBitmap, pkJPEG, pkGIF, pkPNG };
inline constexpr TPictureKind cPictureKinds[] = {pkBitmap, pkJPEG, pkGIF, pkPNG};

std::u16string_view PictureKindWord(TPictureKind aKind) noexcept;   // "Bitmap", "JPEG", "GIF", "PNG"
std::u16string_view PictureExtension(TPictureKind aKind) noexcept;  // ".bmp", ".jpg", ".gif", ".png"
// Bits per pixel as the bytes' header stores the picture; 0 when the header does not say.
// Short or damaged headers never read past aBytes.
int PictureBitsPerPixel(TPictureKind aKind, std::string_view aBytes) noexcept;
// The Image tab's caption: " PNG: 16 x 16 - 32bit "; the depth suffix only for 1, 4, 8, 15, 16,
// 24 and 32 bits.
std::u16string PictureCaption(TPictureKind aKind, int aWidth, int aHeight, int aBitsPerPixel);
