#pragma once
// Storage for large buffers that are written whole by whoever sizes them (pixel stores): new elements are left
// uninitialised unless a value is given, and buffers of 1 MiB and more take blocks of whole 2 MiB huge pages, so
// that a picture's memory comes in with a few page faults instead of one for every 4 KiB. Freed blocks are kept in a
// small pool for the next buffer of the same size, so that loads and scenes that replace a buffer by one of the same
// size reuse memory already faulted in; elements of a reused block hold whatever its last user left.
#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace velk {

// Blocks from AllocateBigBlock are whole huge pages of this size.
constexpr size_t kBigBlockBytes = size_t{2} << 20;
// Buffers of at least this many bytes take a block: faulting in one huge page costs far less than faulting in the
// 4 KiB pages of even half of it, which is worth the rest of the page left unused.
constexpr size_t kBigBufferBytes = size_t{1} << 20;
// The pool of freed blocks holds at most this many blocks and bytes (a few full-screen pictures); blocks beyond go
// back to the system.
constexpr size_t kBigBlockPoolCount = 8;
constexpr size_t kBigBlockPoolBytes = size_t{48} << 20;

// A block of bytes (rounded up to whole huge pages), advised as huge pages where the system has them: a pooled block
// of the same rounded size when there is one. Throws std::bad_alloc as operator new does when memory runs out.
// FreeBigBlock gives it back with the size it was asked for, to the pool while it has room. Both are thread-safe.
void* AllocateBigBlock(size_t bytes);
void FreeBigBlock(void* block, size_t bytes);

// Zeroes the first bytes of a buffer just allocated on this thread, before anything wrote it. A block fresh from the
// system is zero already and is left untouched, so its pages come in only when first drawn (a surface that is never
// drawn costs no memory); a pooled block or a small buffer is cleared.
void ClearNewBigBlock(void* data, size_t bytes);

// Moves the top of the C library's heap on by bytes (up to 30 MiB) and advises that stretch as huge pages, so that
// the heap's next buffers (pictures below the block size, file and decode buffers, the scene's objects) come in 2
// MiB at a time instead of 4 KiB; called once, at the start of a process that keeps much of what it allocates.
void ReserveHugePageHeap(size_t bytes);
// Gives every pooled block back to the system.
void FreeBigBlockPool();
// Blocks and bytes the pool holds now.
struct TBigBlockPoolState {
  size_t Blocks = 0;
  size_t Bytes = 0;
};
TBigBlockPoolState BigBlockPoolState();

template <class T>
struct TBigBufferAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = TBigBufferAllocator<U>;
  };
  TBigBufferAllocator() = default;
  template <class U>
  TBigBufferAllocator(const TBigBufferAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n * sizeof(T) < kBigBufferBytes) return std::allocator<T>::allocate(n);
    return static_cast<T*>(AllocateBigBlock(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept {
    if (n * sizeof(T) < kBigBufferBytes)
      std::allocator<T>::deallocate(p, n);
    else
      FreeBigBlock(p, n * sizeof(T));
  }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <class T, class U>
bool operator==(const TBigBufferAllocator<T>&, const TBigBufferAllocator<U>&) noexcept {
  return true;
}

}  // namespace velk
