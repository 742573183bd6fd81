#include "BlockStream.h"

#include <algorithm>
#include <cstring>

int64_t TBlockStream::Read(void*, int64_t) { return 0; }

int64_t TBlockStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  const char* from = static_cast<const char*>(aBuffer);
  size_t left = size_t(aCount);
  while (left > 0) {
    const size_t used = FSize % kBlockSize;
    if (used == 0 && FSize / kBlockSize == FBlocks.size())
      FBlocks.emplace_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    const size_t n = std::min(left, kBlockSize - used);
    std::memcpy(FBlocks[FSize / kBlockSize].get() + used, from, n);
    from += n;
    left -= n;
    FSize += n;
  }
  return aCount;
}

int64_t TBlockStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  if (aOffset != 0 || aOrigin == soBeginning) throw EStreamError(u"Stream seek error");
  return Size();
}

void TBlockStream::Clear() {
  FBlocks.clear();
  FBlocks.shrink_to_fit();
  FSize = FSkip = FTaken = 0;
}

void TBlockStream::SkipFront(size_t aCount) { FSkip = std::min(FSize, FSkip + aCount); }

std::vector<uint8_t> TBlockStream::Join() const {
  std::vector<uint8_t> bytes;
  bytes.reserve(Length());
  for (size_t at = FSkip; at < FSize;) {
    const size_t n = std::min(FSize - at, kBlockSize - at % kBlockSize);
    const auto* p = reinterpret_cast<const uint8_t*>(FBlocks[at / kBlockSize].get() + at % kBlockSize);
    bytes.insert(bytes.end(), p, p + n);
    at += n;
  }
  return bytes;
}

std::string_view TBlockStream::TakeNext() {
  if (FTaken > 0) FBlocks[FTaken - 1].reset();
  for (;;) {
    const size_t start = FTaken * kBlockSize;
    if (start >= FSize) {
      Clear();
      return {};
    }
    const size_t end = std::min(FSize, start + kBlockSize);
    const size_t from = std::max(start, FSkip);
    ++FTaken;
    if (from < end) return {FBlocks[FTaken - 1].get() + (from - start), end - from};
    FBlocks[FTaken - 1].reset();  // wholly skipped
  }
}
