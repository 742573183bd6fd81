#include <gtest/gtest.h>

#include <string>

#include "BlockStream.h"

namespace {

// Bytes that differ from block to block, so a piece out of order or doubled shows.
std::string Pattern(size_t ACount) {
  std::string s(ACount, '\0');
  for (size_t i = 0; i < ACount; ++i) s[i] = char('a' + (i * 7 + i / 4093) % 26);
  return s;
}

std::string TakeAll(TBlockStream& AStream) {
  std::string all;
  for (std::string_view piece = AStream.TakeNext(); !piece.empty(); piece = AStream.TakeNext()) all += piece;
  return all;
}

}  // namespace

// Writes of every size, across block boundaries, come back whole and in order, by pieces and
// joined; the skipped front (a byte-order mark) is left out of both.
TEST(BlockStream, WritesComeBackInOrderWithoutTheSkippedFront) {
  const std::string data = Pattern((size_t(9) << 20) + 12345);
  for (size_t skip : {size_t(0), size_t(3), (size_t(4) << 20) + 5}) {
    SCOPED_TRACE(skip);
    TBlockStream stream;
    for (size_t at = 0, step = 1; at < data.size(); step = step * 3 + 1) {
      const size_t n = std::min(step % 1000003, data.size() - at);
      stream.WriteBuffer(data.data() + at, int64_t(n));
      at += n;
    }
    stream.SkipFront(skip);
    EXPECT_EQ(stream.Length(), data.size() - skip);
    EXPECT_EQ(stream.Position(), int64_t(data.size() - skip));
    const std::vector<uint8_t> joined = stream.Join();
    EXPECT_TRUE(std::string(joined.begin(), joined.end()) == data.substr(skip));
    EXPECT_TRUE(TakeAll(stream) == data.substr(skip));
    EXPECT_EQ(stream.Length(), 0u) << "taken to the end, the stream is empty";
    EXPECT_TRUE(stream.TakeNext().empty());
  }
  TBlockStream empty;
  EXPECT_TRUE(empty.TakeNext().empty());
  EXPECT_TRUE(empty.Join().empty());
  EXPECT_THROW(empty.SetPosition(0), EStreamError) << "a target to append to, not to seek in";
}
