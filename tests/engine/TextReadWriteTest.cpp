#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "ScratchDir.h"
#include "TextReadWrite.h"

namespace {

// A stream that is neither a memory nor a file stream, so the reader wraps it in a buffered one.
class TPlainStream : public TStream {
public:
  explicit TPlainStream(std::string aData) : FData(std::move(aData)) {}
  int Seeks = 0;
  int64_t Read(void* aBuffer, int64_t aCount) override {
    int64_t n = std::min<int64_t>(aCount, static_cast<int64_t>(FData.size()) - FPos);
    if (n <= 0) return 0;
    std::memcpy(aBuffer, FData.data() + FPos, static_cast<size_t>(n));
    FPos += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override {
    if (!(aOrigin == soCurrent && aOffset == 0)) ++Seeks;
    FPos = aOrigin == soBeginning ? aOffset : aOrigin == soCurrent ? FPos + aOffset : static_cast<int64_t>(FData.size()) + aOffset;
    return FPos;
  }

private:
  std::string FData;
  int64_t FPos = 0;
};

// A target that records each write and can be told to refuse.
class TRecordingStream : public TMemoryStream {
public:
  std::vector<int64_t> Writes;
  bool Refuse = false;
  int64_t Write(const void* aBuffer, int64_t aCount) override {
    if (Refuse) return 0;
    Writes.push_back(aCount);
    return TMemoryStream::Write(aBuffer, aCount);
  }
  std::string Text() { return std::string(static_cast<const char*>(Memory()), static_cast<size_t>(Size())); }
};

std::u16string ReadAll(TTextReader& r) {
  std::u16string out;
  char16_t c;
  while (r.ReadNextChar(c)) out.push_back(c);
  return out;
}

}  // namespace

TEST(TextReader, CountsEachKindOfLineBreakOnce) {
  struct { const char16_t* In; int64_t Line, LinePos; } cases[] = {
      {u"a\r\nb", 2, 1}, {u"a\r\rb", 3, 1}, {u"a\nb", 2, 1}, {u"a\n\r\nbc", 3, 2}, {u"ab", 1, 2}, {u"a\r", 2, 0},
  };
  for (auto& c : cases) {
    TTextReader r(16384);
    r.InitString(c.In);
    std::u16string all = ReadAll(r);
    EXPECT_EQ(all, c.In);
    EXPECT_EQ(r.Line(), c.Line) << all.size();
    EXPECT_EQ(r.LinePosition(), c.LinePos);
    EXPECT_EQ(r.FilePosition(), static_cast<int64_t>(all.size()));
  }
}

TEST(TextReader, EndAndUndo) {
  TTextReader r(16384);
  r.InitString(u"xy");
  char16_t c = 1;
  r.UndoRead();  // nothing delivered yet: nothing to give back
  ASSERT_TRUE(r.ReadNextChar(c));
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_EQ(r.TempStringPosition(), 3);
  r.UndoRead();
  EXPECT_EQ(r.TempStringPosition(), 2);
  EXPECT_EQ(r.LinePosition(), 1);
  EXPECT_EQ(r.FilePosition(), 1);
  try {
    r.UndoRead();
    FAIL();
  } catch (const ETextReader& e) {
    EXPECT_EQ(e.Message(), u"Unsupported: you tried to run the undo function two times in a row.");
  }
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_EQ(c, u'y');
  EXPECT_EQ(r.LinePosition(), 2);
  r.UndoRead();  // a read in between clears the pending undo
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_FALSE(r.ReadNextChar(c));
  EXPECT_EQ(c, 0);
  EXPECT_TRUE(r.Eof());
  EXPECT_FALSE(r.ReadNextChar(c));
  r.UndoRead();
  EXPECT_FALSE(r.ReadNextChar(c));
}

TEST(TextReader, ReadStringStopsAtLineBreaks) {
  TTextReader r(16384);
  char16_t c;
  r.InitString(u"abc\r\nde");
  EXPECT_EQ(r.ReadString(5, true, true), u"abc");
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_EQ(c, u'd');

  r.InitString(u"abc\r\nde");
  EXPECT_EQ(r.ReadString(5, true, false), u"abc");
  EXPECT_THROW(r.UndoRead(), ETextReader);  // the CR is pending
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_EQ(c, u'\r');

  r.InitString(u"abc\rde");
  EXPECT_EQ(r.ReadString(true, true), u"abc");
  ASSERT_TRUE(r.ReadNextChar(c));
  EXPECT_EQ(c, u'd');

  r.InitString(u"ab\ncd");
  EXPECT_EQ(r.ReadString(0, true, true), u"");
  EXPECT_EQ(r.ReadString(false, false), u"ab\ncd");
}

TEST(TextReader, ReadPreviousStringLooksBackWithinTheLine) {
  TTextReader r(16384);
  r.InitString(u"one\r\ntwo");
  EXPECT_EQ(r.ReadPreviousString(30, true), u"");
  EXPECT_EQ(r.ReadString(5, true, true), u"one");
  char16_t c;
  r.ReadNextChar(c);
  EXPECT_EQ(r.ReadPreviousString(30, true), u"t");
  EXPECT_EQ(r.ReadPreviousString(30, false), u"one\r\nt");
  EXPECT_EQ(r.ReadPreviousString(2, false), u"\nt");
  r.UndoRead();
  EXPECT_EQ(r.ReadPreviousString(30, true), u"");
  EXPECT_EQ(r.FilePosition(), 5);
}

TEST(TextReader, ParseErrorCarriesStubAndRaisesPerErrorHandling) {
  std::u16string line;
  for (int i = 0; i < 60; ++i) line.push_back(static_cast<char16_t>(u'A' + i % 26));
  TTextReader r(16384);
  r.InitString(u"first\n" + line + u"\nnext");
  r.SetURL(u"file.xml");
  r.ReadString(6 + 40, false, false);
  r.RaiseExceptionFmt(TXMLParseErrorInvalidCharacter::ClassType(), u"bad %s", {u"thing"});
  auto e = r.ParseError();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetErrorCode(), pcInvalidCharacter);
  EXPECT_EQ(e->GetLine(), 2);
  EXPECT_EQ(e->GetLinePos(), 40);
  EXPECT_EQ(e->GetSrcTextPos(), 30);
  EXPECT_EQ(e->GetSrcText(), line.substr(10, 40));
  EXPECT_EQ(e->GetReason(), u"bad thing");
  EXPECT_EQ(e->GetURL(), u"file.xml");

  try {
    e->RaiseException();
    FAIL();
  } catch (const EXMLReaderInvalidCharacter& x) {
    EXPECT_EQ(x.GetErrorCode(), pcInvalidCharacter);
    EXPECT_EQ(x.Message(), u"bad thing\r\n\r\nReading at:\r\nURL: file.xml\r\nLine: 2\r\nChar: 40\r\n"
                           u"Position in source stub: 30\r\nSource stub:\r\n" + line.substr(10, 40));
  }

  // Short line, error right after a line break, no URL; the stub stops at the next break.
  TTextReader s(16384);
  s.InitString(u"ab\ncd\nef");
  s.ReadString(3, false, false);
  s.SetErrorHandling(ehRaiseAndEat);
  s.RaiseException(TXMLParseErrorInvalidStructure::ClassType(), u"oops");
  ASSERT_TRUE(s.ParseError());
  EXPECT_EQ(s.ParseError()->GetErrorCode(), pcInvalidStructure);
  EXPECT_EQ(s.ParseError()->GetSrcText(), u"cd");
  EXPECT_EQ(s.ParseError()->GetSrcTextPos(), 0);
  s.SetErrorHandling(ehRaise);
  try {
    s.RaiseException(TXMLParseErrorInvalidStructure::ClassType(), u"again");
    FAIL();
  } catch (const ETextReaderException& x) {
    EXPECT_EQ(x.GetErrorCode(), pcInvalidStructure);
    // The first error's stub read up to the next line break and gave it back: the line is already
    // counted and the position stands before the line's first character.
    EXPECT_EQ(x.Line(), 3);
    EXPECT_EQ(x.GetFormattedErrorText(), u"Reading at:\r\nLine: 3\r\nChar: -1\r\nPosition in source stub: 2\r\nSource stub:\r\ncd");
  }
  // A new document clears the error.
  s.InitString(u"x");
  EXPECT_FALSE(s.ParseError());
}

TEST(TextReader, Utf8BlocksEndOnCharacterBoundaries) {
  std::string data(20000, 'a');
  data.replace(16383, 3, "\xE2\x82\xAC");  // the 16384th byte leads a three-byte sequence
  TTextReader r(16384);
  r.InitBuffer(data.data(), static_cast<int64_t>(data.size()), TEncoding::UTF8());
  char16_t c;
  r.ReadNextChar(c);
  EXPECT_EQ(r.StreamPosition(), 16386);
  std::u16string all(1, c);
  all += ReadAll(r);
  EXPECT_EQ(all.size(), 20000u - 2);
  EXPECT_EQ(all[16383], u'\u20ac');
  EXPECT_EQ(all.find(u'\uFFFD'), std::u16string::npos);

  // The source ends inside that sequence: the missing byte does not exist, so the partial
  // character becomes U+FFFD instead of failing the read.
  std::string cut = data.substr(0, 16385);
  r.InitBuffer(cut.data(), static_cast<int64_t>(cut.size()), TEncoding::UTF8());
  all = ReadAll(r);
  EXPECT_EQ(all.size(), 16384u);
  EXPECT_EQ(all.back(), u'\uFFFD');
}

TEST(TextReader, MultiByteCodePageCharactersSurviveBlockEnds) {
  // Shift-JIS "あ" is 82 A0. Put its lead byte last in every block size from 2 to 9, through
  // both the in-place memory path and the buffered path, and also at the very end of the source.
  for (int64_t block = 2; block <= 9; ++block) {
    std::string data(static_cast<size_t>(block - 1), 'a');
    data += "\x82\xA0" + std::string(5, 'b') + "\x82\xA0";
    std::u16string want = std::u16string(static_cast<size_t>(block - 1), u'a') + u"\u3042bbbbb\u3042";
    for (bool buffered : {false, true}) {
      TEncoding* sjis = new TEncoding(932);
      TTextReader r(block);
      TPlainStream plain(data);
      if (buffered)
        r.InitStream(&plain, sjis);
      else
        r.InitBuffer(data.data(), static_cast<int64_t>(data.size()), sjis);
      EXPECT_EQ(ReadAll(r), want) << "block " << block << (buffered ? " buffered" : " memory");
    }
  }
  std::string cut = "ab\x82";
  TTextReader r(2);
  r.InitBuffer(cut.data(), static_cast<int64_t>(cut.size()), new TEncoding(932));
  EXPECT_EQ(ReadAll(r), u"ab\uFFFD");
}

TEST(TextReader, ByteOrderMarksAndDefaults) {
  TTextReader r(16384);
  r.InitString(u"\uFEFFab");
  EXPECT_TRUE(r.BOMFound());
  EXPECT_EQ(ReadAll(r), u"ab");

  r.InitString_UTF8("\xEF\xBB\xBF" "a\xC3\xA9");
  EXPECT_TRUE(r.BOMFound());
  EXPECT_EQ(r.Encoding(), TEncoding::UTF8());
  EXPECT_EQ(ReadAll(r), u"a\u00e9");

  r.InitBuffer(std::vector<uint8_t>{0xFE, 0xFF, 0, 'x'});
  EXPECT_EQ(r.Encoding(), TEncoding::BigEndianUnicode());
  EXPECT_EQ(ReadAll(r), u"x");

  // No mark: the default, here an owned code page; otherwise the system 8-bit encoding.
  r.InitBuffer(std::vector<uint8_t>{'a', 0xE9}, EncodingFromCodePage(1251));
  EXPECT_FALSE(r.BOMFound());
  EXPECT_TRUE(r.OwnsEncoding());
  EXPECT_EQ(ReadAll(r), u"a\u0439");
  r.InitBuffer(std::vector<uint8_t>{0x80});
  EXPECT_EQ(r.Encoding(), TEncoding::Default());
  EXPECT_FALSE(r.OwnsEncoding());
  EXPECT_EQ(ReadAll(r), u"\u20ac");
  // A mark leaves an owned default unused; the reader still disposes of it.
  r.InitBuffer(std::vector<uint8_t>{0xEF, 0xBB, 0xBF, 'z'}, EncodingFromCodePage(1250));
  EXPECT_EQ(ReadAll(r), u"z");

  r.InitBuffer(nullptr, 0);
  char16_t c;
  EXPECT_FALSE(r.ReadNextChar(c));
}

TEST(TextReader, EncodingSwitchRereadsFromTheStartAndKeepsCounting) {
  // Not a memory stream: the reader goes through a buffered stream and replays from memory.
  std::string text = "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9\x80</a>";
  for (int32_t block : {4, 16384}) {
    TPlainStream src(text);
    TTextReader r(block);
    r.InitStream(&src, TEncoding::UTF8());
    r.BlockFlushTempBuffer();
    std::u16string decl = r.ReadString(40, false, false);
    EXPECT_EQ(r.LinePosition(), 40);
    int seeks = src.Seeks;
    TEncoding* e = nullptr;
    ASSERT_TRUE(EncodingFromAlias(u"windows-1252", e));
    r.SetEncoding(e);
    EXPECT_TRUE(r.OwnsEncoding());
    r.UnblockFlushTempBuffer();
    EXPECT_EQ(src.Seeks, seeks);
    EXPECT_EQ(r.LinePosition(), 40);
    EXPECT_EQ(r.ReadString(40, false, false), decl);
    EXPECT_EQ(r.LinePosition(), 80);
    std::u16string rest = ReadAll(r);
    EXPECT_EQ(rest.substr(rest.size() - 9), u"<a>\u00e9\u20ac</a>") << block;
  }
}

TEST(TextReader, FileOpenFailureLeavesTheReaderAsItWas) {
  TTextReader r(16384);
  r.InitString(u"abc");
  char16_t c;
  r.ReadNextChar(c);
  EXPECT_THROW(r.InitFile(u"/nonexistent/file.xml", EncodingFromCodePage(1250)), EFOpenError);
  EXPECT_EQ(r.ReadString(10, false, false), u"bc");

  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  std::ofstream(dir.File("bom.txt"), std::ios::binary).write("\xFF\xFEh\0i\0", 6);
  const std::u16string wname = dir.File16("bom.txt");
  r.InitFile(wname);
  EXPECT_EQ(r.URL(), wname);
  EXPECT_TRUE(r.BOMFound());
  EXPECT_EQ(r.StreamSize(), 6);
  EXPECT_EQ(ReadAll(r), u"hi");
}

// Any bytes, any block size, any encoding: the reader never fails, and everything it is asked
// for stays consistent. Valid UTF-8 read in tiny blocks decodes as a whole.
TEST(TextReader, SurvivesArbitraryInput) {
  std::mt19937 rng(12345);
  TEncoding* encodings[] = {TEncoding::UTF8(), TEncoding::Unicode(), TEncoding::BigEndianUnicode(),
                            TEncoding::UTF7(), TEncoding::ASCII(), TEncoding::Default(), nullptr};
  const char* pieces[] = {"a", "<x>", "\r\n", "\r", "\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "+"};
  for (int round = 0; round < 400; ++round) {
    std::string data;
    bool valid = round % 2 == 0;
    int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      if (valid)
        data += pieces[rng() % std::size(pieces)];
      else
        data.push_back(static_cast<char>(rng()));
    }
    if (!valid && !data.empty() && rng() % 2) data.resize(rng() % data.size());
    int32_t block = static_cast<int32_t>(1 + rng() % 9);
    TEncoding* e = valid ? TEncoding::UTF8() : encodings[rng() % std::size(encodings)];
    if (!e) e = EncodingFromCodePage(932);  // a multi-byte code page; the reader takes it over
    TTextReader r(block);
    r.InitBuffer(data.data(), static_cast<int64_t>(data.size()), e);
    r.SetErrorHandling(ehRaiseAndEat);
    std::u16string got;
    char16_t c;
    int step = 0;
    while (r.ReadNextChar(c)) {
      got.push_back(c);
      switch (++step % 7) {
        case 0: r.UndoRead(); got.pop_back(); break;
        case 3: (void)r.ReadPreviousString(30, true); break;
        case 5:
          if (rng() % 4 == 0) r.RaiseException(TXMLParseErrorInvalidCharacter::ClassType(), u"x");
          break;
      }
      if (r.ParseError()) break;  // the error moved the reader on; stop comparing
    }
    if (!r.ParseError()) {
      EXPECT_EQ(r.FilePosition(), static_cast<int64_t>(got.size()));
      if (valid && !r.BOMFound()) {
        std::u16string whole = TEncoding::UTF8()->GetString(data);
        EXPECT_EQ(got, whole) << "block " << block;
      }
    }
  }
}

TEST(TextWriter, ByteOrderMarkIsDecidedAtTheFirstWriteOut) {
  struct { TEncoding* E; bool BOM; bool DropBOMLater; std::string Out; } cases[] = {
      {TEncoding::UTF8(), true, false, "\xEF\xBB\xBF" "a\xC3\xA9"},
      {TEncoding::UTF8(), false, false, "a\xC3\xA9"},
      {TEncoding::UTF8(), true, true, "a\xC3\xA9"},
      {TEncoding::Default(), true, false, "a\xE9"},
      {TEncoding::Unicode(), true, false, std::string("\xFF\xFE" "a\0\xE9\0", 6)},
  };
  for (auto& c : cases) {
    TRecordingStream out;
    {
      TTextWriter w(&out, false, c.E, c.BOM, 8192);
      w.WriteString(u"a");
      w.WriteChar(u'\u00e9');
      if (c.DropBOMLater) w.SetWriteBOM(false);
    }
    EXPECT_EQ(out.Text(), c.Out) << EncodingCodePage(c.E);
  }
  TRecordingStream empty;
  { TTextWriter w(&empty, false, TEncoding::UTF8(), true, 8192); }
  EXPECT_EQ(empty.Size(), 0);
}

TEST(TextWriter, LongStringsBypassTheBuffer) {
  TRecordingStream out;
  TTextWriter w(&out, false, TEncoding::UTF8(), false, 8192);
  w.WriteString(u"12345");
  w.WriteString(std::u16string(10000, u'x'));
  EXPECT_EQ(out.Writes, (std::vector<int64_t>{5, 10000}));
  w.WriteString(u"end");
  w.ReleaseDocument();
  EXPECT_EQ(out.Writes.back(), 3);
  EXPECT_EQ(w.Stream(), nullptr);
}

TEST(TextWriter, EncodingChangeWritesEachPartInItsEncoding) {
  TRecordingStream out;
  TTextWriter w(&out, false, TEncoding::UTF8(), false, 8192);
  w.WriteChar(u'a');
  w.WriteChar(u'b');
  w.SetEncoding(EncodingFromCodePage(1200));
  EXPECT_EQ(w.Encoding(), TEncoding::Unicode());
  w.SetEncoding(EncodingFromCodePage(1252));
  EXPECT_TRUE(w.OwnsEncoding());
  w.WriteChar(u'\u20ac');
  w.SetEncoding(TEncoding::Unicode());
  w.WriteString(u"c");
  w.ReleaseDocument();
  EXPECT_EQ(out.Text(), std::string("ab\x80" "c\0", 5));
}

TEST(TextWriter, SurrogatePairsSurviveBufferBoundaries) {
  std::u16string text;
  for (int i = 0; i < 50; ++i) text += u"a\U0001F600";  // pairs land on every buffer edge
  for (bool asString : {false, true}) {
    TRecordingStream out;
    TTextWriter w(&out, false, TEncoding::UTF8(), false, 4);
    if (asString) {
      for (size_t i = 0; i < text.size(); i += 2) w.WriteString(text.substr(i, 2));
    } else {
      for (char16_t c : text) w.WriteChar(c);
    }
    w.ReleaseDocument();
    EXPECT_EQ(Utf8ToUtf16(out.Text()), text);
  }
}

TEST(TextWriter, FailedWriteKeepsTheBufferedText) {
  TRecordingStream out;
  TTextWriter w(&out, false, TEncoding::UTF8(), false, 8192);
  w.WriteString(u"keep");
  out.Refuse = true;
  EXPECT_THROW(w.EnsureTempStringWritten(), EWriteError);
  out.Refuse = false;
  w.ReleaseDocument();
  EXPECT_EQ(out.Text(), "keep");

  TTextWriter unattached(8192);
  EXPECT_EQ(unattached.Encoding(), TEncoding::Default());
  EXPECT_TRUE(unattached.WriteBOM());
}

TEST(TextWriter, InitFileReplacesTheFileOnlyWhenComplete) {
  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::u16string wname = dir.File16("doc.xml");
  {
    TTextWriter w(8192);
    w.InitFile(wname, TEncoding::UTF8(), true);
    w.WriteString(u"<a/>");
    w.ReleaseDocument();
  }
  TTextReader r(16384);
  r.InitFile(wname);
  EXPECT_TRUE(r.BOMFound());
  EXPECT_EQ(ReadAll(r), u"<a/>");
  EXPECT_THROW(TTextWriter(8192).InitFile(std::u16string(u"/nonexistent/x.xml"), nullptr, true), EFCreateError);
}
