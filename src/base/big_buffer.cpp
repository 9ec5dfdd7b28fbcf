#include "base/big_buffer.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace velk {
namespace {

size_t RoundedBlockBytes(size_t bytes) { return (bytes + kBigBlockBytes - 1) / kBigBlockBytes * kBigBlockBytes; }

// Blocks are mappings of their own, so that a fresh one is known to be zero.
void* MapBlock(size_t rounded) {
  if (rounded > SIZE_MAX - kBigBlockBytes) return nullptr;
  // A mapping a huge page longer than the block, trimmed to the block at its first huge-page boundary.
  const size_t length = rounded + kBigBlockBytes;
  void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t aligned = (start + kBigBlockBytes - 1) / kBigBlockBytes * kBigBlockBytes;
  if (aligned > start) ::munmap(mapped, aligned - start);
  const uintptr_t end = aligned + rounded;
  if (start + length > end) ::munmap(reinterpret_cast<void*>(end), start + length - end);
  return reinterpret_cast<void*>(aligned);
}

void UnmapBlock(void* block, size_t rounded) { ::munmap(block, rounded); }

// The stretch of the heap below its reserved huge pages, kept for good.
void* heap_head = nullptr;

// The block this thread took last, when it came fresh from the system.
thread_local void* fresh_block = nullptr;

// Blocks given back, kept for the next request of the same size. A picture load frees its decode buffers and a
// scene its surfaces just before the next one asks for the same sizes again; taking them from here spares the
// system faulting in and zeroing fresh pages. Made once and never destroyed, so that buffers freed while the
// process exits still find it.
class TBigBlockPool {
 public:
  TBigBlockPool() {
    // Big blocks never pass through free(), whose first free of a big buffer would otherwise have raised the C
    // library's threshold for serving a buffer from a mapping of its own to about that buffer's size. Below it,
    // mid-size buffers (alpha bitmaps, file and decode buffers) come from the library's heap and reuse memory
    // already in, instead of fresh mappings made and unmapped for each; the thresholds are set as that free would
    // have set them.
    ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kBigBlockBytes));
    ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(4 * kBigBlockBytes));
  }

  void* Take(size_t rounded) {
    std::lock_guard<std::mutex> hold(lock_);
    // The block given back last first: its pages are the likeliest still in the caches.
    for (size_t i = count_; i-- > 0;) {
      if (slots_[i].Bytes != rounded) continue;
      void* block = slots_[i].Block;
      for (size_t j = i + 1; j < count_; ++j) slots_[j - 1] = slots_[j];
      --count_;
      bytes_ -= rounded;
      return block;
    }
    return nullptr;
  }

  bool Keep(void* block, size_t rounded) {
    std::lock_guard<std::mutex> hold(lock_);
    if (count_ == kBigBlockPoolCount || rounded > kBigBlockPoolBytes - bytes_) return false;
    slots_[count_++] = TSlot{block, rounded};
    bytes_ += rounded;
    return true;
  }

  void FreeAll() {
    std::lock_guard<std::mutex> hold(lock_);
    for (size_t i = 0; i < count_; ++i) UnmapBlock(slots_[i].Block, slots_[i].Bytes);
    count_ = 0;
    bytes_ = 0;
  }

  TBigBlockPoolState State() {
    std::lock_guard<std::mutex> hold(lock_);
    return TBigBlockPoolState{count_, bytes_};
  }

 private:
  struct TSlot {
    void* Block;
    size_t Bytes;
  };
  std::mutex lock_;
  TSlot slots_[kBigBlockPoolCount] = {};
  size_t count_ = 0;
  size_t bytes_ = 0;
};

TBigBlockPool& Pool() {
  static TBigBlockPool* const pool = new TBigBlockPool;
  return *pool;
}

}  // namespace

void* AllocateBigBlock(size_t bytes) {
  const size_t rounded = RoundedBlockBytes(bytes);
  if (rounded < bytes) throw std::bad_alloc();
  fresh_block = nullptr;
  if (void* kept = Pool().Take(rounded)) return kept;
  void* block = MapBlock(rounded);
  if (block == nullptr) throw std::bad_alloc();
  // Only advice: a system without huge pages keeps ordinary ones.
  ::madvise(block, rounded, MADV_HUGEPAGE);
  fresh_block = block;
  return block;
}

void FreeBigBlock(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (block == fresh_block) fresh_block = nullptr;
  if (!Pool().Keep(block, RoundedBlockBytes(bytes))) UnmapBlock(block, RoundedBlockBytes(bytes));
}

void ClearNewBigBlock(void* data, size_t bytes) {
  const bool fresh = data != nullptr && data == fresh_block;
  fresh_block = nullptr;
  if (!fresh && bytes != 0) std::memset(data, 0, bytes);
}

void FreeBigBlockPool() { Pool().FreeAll(); }

void ReserveHugePageHeap(size_t bytes) {
  // The pool's thresholds first, then a trim threshold above the reserve, so that giving it back leaves the heap's
  // top where it is, and a mapping threshold lifted for the one allocation that moves the top on.
  Pool();
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes + 4 * kBigBlockBytes));
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes + kBigBlockBytes));
  void* reserve = std::malloc(bytes);
  ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kBigBlockBytes));
  if (reserve == nullptr) return;
  const auto start = reinterpret_cast<uintptr_t>(reserve);
  const uintptr_t first = (start + kBigBlockBytes - 1) / kBigBlockBytes * kBigBlockBytes;
  const uintptr_t last = (start + bytes) / kBigBlockBytes * kBigBlockBytes;
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  std::free(reserve);
  // The next buffers would start in the ordinary pages below the first huge page; a buffer kept for good (of which
  // only the first page is ever touched) takes that stretch, so that they start on the huge pages instead.
  constexpr size_t kChunkHeader = 2 * sizeof(size_t);
  if (last > first && heap_head == nullptr && first - start > 4 * kChunkHeader)
    heap_head = std::malloc(first - start - kChunkHeader);
}

TBigBlockPoolState BigBlockPoolState() { return Pool().State(); }

}  // namespace velk
