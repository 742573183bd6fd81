#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <numeric>

#include "BufferedStreams.h"
#include "ScratchDir.h"

namespace {

// A memory source that counts how often the buffered stream goes to it.
class TCountingStream : public TMemoryStream {
public:
  int Reads = 0;
  int Seeks = 0;
  int64_t Read(void* aBuffer, int64_t aCount) override {
    ++Reads;
    return TMemoryStream::Read(aBuffer, aCount);
  }
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override {
    if (!(aOrigin == soCurrent && aOffset == 0)) ++Seeks;
    return TMemoryStream::Seek(aOffset, aOrigin);
  }
};

std::vector<uint8_t> Pattern(size_t aCount) {
  std::vector<uint8_t> v(aCount);
  for (size_t i = 0; i < aCount; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return v;
}

void Fill(TMemoryStream& aStream, const std::vector<uint8_t>& aBytes) {
  aStream.WriteBuffer(aBytes.data(), static_cast<int64_t>(aBytes.size()));
  aStream.SetPosition(0);
}

}  // namespace

TEST(BufferedReadStream, StartsAtTheSourcePositionAndKeepsItsSize) {
  TCountingStream src;
  Fill(src, Pattern(1000));
  src.SetPosition(100);
  TBufferedReadStream s(&src, false, 64);
  EXPECT_EQ(s.Position(), 100);
  EXPECT_EQ(s.Size(), 1000);
  uint8_t b;
  s.ReadBuffer(&b, 1);
  EXPECT_EQ(b, Pattern(1000)[100]);
}

TEST(BufferedReadStream, BlockedBytesAreReplayedFromMemory) {
  auto data = Pattern(1000);
  TCountingStream src;
  Fill(src, data);
  TBufferedReadStream s(&src, false, 64);
  uint8_t skip[10];
  s.ReadBuffer(skip, 10);
  s.BlockFlushTempBuffer();
  int64_t mark = s.Position();
  std::vector<uint8_t> first(3 * 64);
  s.ReadBuffer(first.data(), static_cast<int64_t>(first.size()));
  int reads = src.Reads, seeks = src.Seeks;
  EXPECT_EQ(s.Seek(mark, soBeginning), mark);
  std::vector<uint8_t> again(first.size());
  s.ReadBuffer(again.data(), static_cast<int64_t>(again.size()));
  EXPECT_EQ(again, first);
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 10, data.begin() + 10 + 192), first);
  EXPECT_EQ(src.Reads, reads);
  EXPECT_EQ(src.Seeks, seeks);
  EXPECT_GT(s.BufferCapacity(), 64);

  // Unblocking more often than blocking never goes below zero.
  s.UnblockFlushTempBuffer();
  s.UnblockFlushTempBuffer();
  EXPECT_EQ(s.BlockFlushCount(), 0);
}

TEST(BufferedReadStream, UnblockedCapacityStaysAtTheBlockSize) {
  auto data = Pattern(5000);
  TCountingStream src;
  Fill(src, data);
  TBufferedReadStream s(&src, false, 64);
  std::vector<uint8_t> all(data.size());
  s.ReadBuffer(all.data(), static_cast<int64_t>(all.size()));
  EXPECT_EQ(all, data);
  EXPECT_EQ(s.BufferCapacity(), 64);
  uint8_t b;
  EXPECT_EQ(s.Read(&b, 1), 0);
  // A seek before the window goes to the source.
  EXPECT_EQ(s.Seek(7, soBeginning), 7);
  s.ReadBuffer(&b, 1);
  EXPECT_EQ(b, data[7]);
}

TEST(BufferedReadStream, QueriesAndMisuse) {
  TCountingStream src;
  Fill(src, Pattern(300));
  TBufferedReadStream s(&src, false, 64);
  uint8_t buf[100];
  // One Read never crosses a refill.
  EXPECT_EQ(s.Read(buf, 100), 64);
  int reads = src.Reads;
  EXPECT_EQ(s.Seek(0, soCurrent), 64);
  EXPECT_EQ(s.Read(buf, -1), 0);
  EXPECT_EQ(src.Reads, reads);
  EXPECT_EQ(s.Seek(-10, soEnd), 290);
  try {
    s.Write(buf, 1);
    FAIL();
  } catch (const EBufferedReadStream& e) {
    EXPECT_EQ(e.Message(), u"You can't write to TBufferedReadStream");
  }
  try {
    TBufferedReadStream none(nullptr, false, 64);
    FAIL();
  } catch (const EBufferedReadStream& e) {
    EXPECT_EQ(e.Message(), u"The aStream parameter must be assigned when creating a buffered stream.");
  }
}

TEST(BufferedReadStream, ShortSourceFailsWithReadErrorAndKeepsItsCounters) {
  // A source whose Size promises more than it delivers.
  class TLyingStream : public TMemoryStream {
  public:
    int64_t Size() override { return TMemoryStream::Size() + 50; }
  } src;
  Fill(src, Pattern(100));
  TBufferedReadStream s(&src, false, 64);
  uint8_t buf[64];
  s.ReadBuffer(buf, 64);
  EXPECT_THROW(s.Read(buf, 64), EReadError);
  EXPECT_EQ(s.Position(), 64);
}

TEST(Stream, ReadAndWriteExactlyFailWhenNothingMoves) {
  TMemoryStream m;
  Fill(m, Pattern(10));
  uint8_t buf[20];
  EXPECT_THROW(m.ReadBuffer(buf, 20), EReadError);
  std::vector<uint8_t> v(4);
  EXPECT_THROW(m.Read(v, 2, 3), EArgumentOutOfRange);

  TVirtualMemoryStream ro;
  ro.SetString_UTF8("abc");
  try {
    ro.WriteBuffer("x", 1);
    FAIL();
  } catch (const EGeneralError& e) {
    EXPECT_EQ(e.Message(), u"You cannot write to a TVirtualMemoryStream.");
  }
}

TEST(VirtualMemoryStream, ServesCallerMemoryWithoutCopy) {
  std::u16string text = u"a\u20ac";
  TVirtualMemoryStream s;
  s.SetString(text);
  EXPECT_EQ(s.Size(), 4);
  EXPECT_EQ(s.Memory(), static_cast<const void*>(text.data()));
  char16_t back[2];
  s.ReadBuffer(back, 4);
  EXPECT_EQ(std::u16string(back, 2), text);

  std::vector<uint8_t> empty;
  s.SetBuffer(empty);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
  uint8_t b;
  EXPECT_EQ(s.Read(&b, 1), 0);
}

TEST(ByteBuffer, GrowsGeometricallyAndShrinksOnFullClear) {
  TByteBuffer b(16);
  std::vector<uint8_t> forty(40, 'x');
  b.Append(forty.data(), 40);
  EXPECT_EQ(b.AllocLength(), 64);  // 16 + 48, not 56
  EXPECT_EQ(b.UsedLength(), 40);
  EXPECT_EQ(b.Remaining(), 24);

  b.Clear(false);
  EXPECT_EQ(b.AllocLength(), 64);
  EXPECT_EQ(b.Remaining(), 64);
  b.Clear(true);
  EXPECT_EQ(b.AllocLength(), 16);
  EXPECT_EQ(b.Remaining(), 16);

  b.RemoveLastChar();
  EXPECT_EQ(b.UsedLength(), 0);
  EXPECT_EQ(b.Remaining(), 16);

  // A buffer created empty still grows.
  TByteBuffer zero(0);
  zero.WriteString(u"abc");
  EXPECT_EQ(zero.GetString(), u"abc");
}

TEST(ByteBuffer, HoldsCodeUnitsLowByteFirst) {
  TByteBuffer b(4);
  b.WriteChar(u'\u20ac');
  b.WriteString(u"ab");
  b.WriteString(u"");
  b.WriteByte('z');
  EXPECT_EQ(b.UsedLength(), 7);
  EXPECT_EQ(b.GetString(), u"\u20acab");  // the odd last byte is left out
  EXPECT_EQ(b.GetBytes(), (std::vector<uint8_t>{0xAC, 0x20, 'a', 0, 'b', 0, 'z'}));
  EXPECT_EQ(b.GetUTF8Container(), std::string("\xAC\x20" "a\0b\0z", 7));
  b.RemoveLastByte();
  b.RemoveLastString(1);
  EXPECT_EQ(b.GetString(), u"\u20aca");

  TByteBuffer copy(2);
  copy.Assign(b);
  EXPECT_EQ(copy.GetString(), u"\u20aca");
  EXPECT_EQ(copy.AllocLength(), b.AllocLength());
  EXPECT_EQ(copy.Remaining(), b.Remaining());
}

TEST(FileStream, OpenErrorsAndAtomicReplace) {
  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::u16string wname = dir.File16("out.txt");
  EXPECT_THROW(TFileStream(wname + u"-missing", fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(u"/nonexistent-dir/x", fmCreate), EFCreateError);

  { TFileStream f(wname, fmCreate); f.WriteBuffer("old", 3); }
  {
    TAtomicFileStream f(wname);
    f.WriteBuffer("new text", 8);
    // destroyed without Commit: the old file stays
  }
  {
    TFileStream f(wname, fmOpenRead);
    EXPECT_EQ(f.Size(), 3);
  }
  {
    TAtomicFileStream f(wname);
    f.WriteBuffer("new text", 8);
    f.Commit();
  }
  TFileStream f(wname, fmOpenRead);
  char buf[8];
  f.ReadBuffer(buf, 8);
  EXPECT_EQ(std::string(buf, 8), "new text");
  EXPECT_EQ(f.Size(), 8);
}
