#include "base/big_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace velk {

void* AllocateBigBlock(size_t bytes) {
  const size_t rounded = (bytes + kBigBlockBytes - 1) / kBigBlockBytes * kBigBlockBytes;
  void* block = rounded >= bytes ? std::aligned_alloc(kBigBlockBytes, rounded) : nullptr;
  if (block == nullptr) throw std::bad_alloc();
  // Only advice: a system without huge pages keeps ordinary ones.
  ::madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

void FreeBigBlock(void* block) { std::free(block); }

}  // namespace velk
