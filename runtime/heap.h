// The loader's own allocator, also behind the guest's malloc. A block
// handed to HeapFree or HeapRealloc that is not a live block of this heap
// raises the invalid-pointer error; the heap is never corrupted by it.
#pragma once

#include <cstddef>

namespace rtl {

void* HeapAlloc(size_t size);  // raises out-of-memory, never returns null
// The same without the error, for the guest's requests: null when no block
// can be had; a block handed to HeapTryRealloc then stays as it was.
void* HeapTryAlloc(size_t size);
void* HeapTryRealloc(void* block, size_t size);
// A block whose address is a multiple of `alignment` (a power of two):
// beyond the heap's own 16 bytes it takes pages of its own, with up to
// `alignment` bytes of slack. HeapFree and HeapTryRealloc take it as any
// other.
void* HeapTryAllocAligned(size_t size, size_t alignment);
void HeapFree(void* block);    // null does nothing
void* HeapRealloc(void* block, size_t size);  // block non-null, size > 0
size_t HeapBlockSize(const void* block);      // bytes usable in a live block
bool HeapIsLive(const void* block);

}  // namespace rtl
