// A write-only memory target for big texts made in one pass (a formatted document on its way
// into a text view): bytes go into fixed-size blocks, so growing never copies what was written
// and no byte is cleared before it is written. The reader takes the blocks in order and each one
// is freed as soon as the next is asked for, so the text is not held twice while it moves on.
// Blocks come straight from the system and go back to it when freed, so the memory a taken
// block held is really given up; where the system offers it they are backed by large pages,
// as first touching a hundred megabytes page by page costs more than writing them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "BufferedStreams.h"

class TBlockStream : public TStream {
public:
  TBlockStream() = default;
  TBlockStream(TBlockStream&&) noexcept = default;
  TBlockStream& operator=(TBlockStream&&) noexcept = default;

  using TStream::Read;
  using TStream::Write;
  int64_t Read(void* aBuffer, int64_t aCount) override;  // write-only: reads nothing
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  // Only the position can be asked (it is the size): appending is all this target does.
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override { return int64_t(FSize - FSkip); }

  size_t Length() const { return FSize - FSkip; }
  void Clear();
  // Leaves out the first aCount bytes (a byte-order mark) from what the reader gets.
  void SkipFront(size_t aCount);
  // Copies everything into one piece (for a decoder that needs it whole).
  std::vector<uint8_t> Join() const;
  // The next block in order, empty at the end. The block returned before is freed; so is the
  // last one when the end is reported. The stream is empty afterwards.
  std::string_view TakeNext();

private:
  static constexpr size_t kBlockSize = size_t(4) << 20;
  struct TFree {
    void operator()(char* aBlock) const;
  };
  using TBlock = std::unique_ptr<char, TFree>;
  static TBlock NewBlock();
  std::vector<TBlock> FBlocks;
  size_t FSize = 0;
  size_t FSkip = 0;
  size_t FTaken = 0;  // blocks handed out by TakeNext
};
