#include "BlockStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__linux__)
namespace {
constexpr size_t kLargePage = size_t(2) << 20;
}

TBlockStream::TBlock TBlockStream::NewBlock() {
  static_assert(kBlockSize % kLargePage == 0);
  // Mapped with a large page's worth to spare, then cut to a block that starts on a large-page
  // boundary, so all of it can be backed by large pages.
  const size_t span = kBlockSize + kLargePage;
  void* mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  char* const base = static_cast<char*>(mapped);
  const uintptr_t at = reinterpret_cast<uintptr_t>(base);
  char* const block = base + ((kLargePage - at % kLargePage) % kLargePage);
  if (block > base) munmap(base, size_t(block - base));
  char* const end = block + kBlockSize;
  if (end < base + span) munmap(end, size_t(base + span - end));
#if defined(MADV_HUGEPAGE)
  madvise(block, kBlockSize, MADV_HUGEPAGE);  // advice only: without it the block still works
#endif
  return TBlock(block);
}

void TBlockStream::TFree::operator()(char* aBlock) const { munmap(aBlock, kBlockSize); }
#else
TBlockStream::TBlock TBlockStream::NewBlock() { return TBlock(new char[kBlockSize]); }
void TBlockStream::TFree::operator()(char* aBlock) const { delete[] aBlock; }
#endif

int64_t TBlockStream::Read(void*, int64_t) { return 0; }

int64_t TBlockStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  const char* from = static_cast<const char*>(aBuffer);
  size_t left = size_t(aCount);
  while (left > 0) {
    const size_t used = FSize % kBlockSize;
    if (used == 0 && FSize / kBlockSize == FBlocks.size())
      FBlocks.push_back(NewBlock());
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
