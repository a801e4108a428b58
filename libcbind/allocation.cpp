// Allocation beyond malloc, calloc, realloc and free: aligned blocks, the
// overflow-checked reallocarray, and the size a block really has. Every
// block comes from the loader's heap, so the guest's free and realloc take
// them as any other.
//
// The answers are the Linux C library's (2.36): memalign and aligned_alloc
// round an alignment that is no power of two up to the next one and take
// one below 16 as 16; posix_memalign answers EINVAL for an alignment that
// is not a power-of-two multiple of the pointer size; a zero size still
// gives a block.
#include <cstdint>
#include <cstring>

#include "abi/errno.h"
#include "libcbind/allocation.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "platform/memory.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

constexpr uint32_t kPointerSize = 4;
// Sizes from 2 GiB on: no block of this heap is that large.
constexpr uint32_t kLargestRequest = 0x7FFFFFFF;

bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

void* Aligned(uint32_t alignment, uint32_t size) {
  if (size > kLargestRequest) {
    SetErrno(linux::kENOMEM);
    return nullptr;
  }
  void* block = rtl::HeapTryAllocAligned(size == 0 ? 1 : size, alignment);
  if (block == nullptr) SetErrno(linux::kENOMEM);
  return block;
}

}  // namespace
}  // namespace tblibc

extern "C" {

// The start-up realloc (tblibc.cpp): reallocarray is realloc after its
// overflow check, as in the Linux C library.
void* tblibc_realloc(void* block, int32_t size);

using namespace tblibc;

void* tblibc_memalign(uint32_t alignment, uint32_t size) {
  if (alignment > 0x80000000u) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (!PowerOfTwo(alignment)) {
    uint32_t next = 1;
    while (next < alignment) next <<= 1;
    alignment = next;
  }
  return Aligned(alignment, size);
}

int32_t tblibc_posix_memalign(void** out, uint32_t alignment, uint32_t size) {
  if (alignment % kPointerSize != 0 || !PowerOfTwo(alignment / kPointerSize))
    return linux::kEINVAL;
  void* block = Aligned(alignment, size);
  if (block == nullptr) return linux::kENOMEM;
  *out = block;
  return 0;
}

void* tblibc_valloc(uint32_t size) { return Aligned(platform::kPageSize, size); }

void* tblibc_pvalloc(uint32_t size) {
  const uint64_t rounded =
      (uint64_t{size} + platform::kPageSize - 1) / platform::kPageSize * platform::kPageSize;
  if (rounded > kLargestRequest) {
    SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return Aligned(platform::kPageSize,
                 rounded == 0 ? platform::kPageSize : static_cast<uint32_t>(rounded));
}

void* tblibc_reallocarray(void* block, uint32_t count, uint32_t size) {
  const uint64_t bytes = uint64_t{count} * size;
  if (bytes > 0xFFFFFFFFu) {
    SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return tblibc_realloc(block, static_cast<int32_t>(bytes));
}

uint32_t tblibc_malloc_usable_size(void* block) {
  return block == nullptr ? 0 : static_cast<uint32_t>(rtl::HeapBlockSize(block));
}


// ---- The guest's heap: the loader's own, never the host C runtime's ------
//
// A request the heap cannot meet answers null with ENOMEM and the run goes
// on: C programs try a large buffer first and fall back to a smaller one.

void* tblibc_malloc(int32_t size) {
  if (size == 0) return nullptr;
  if (size < 0) {  // 2 GiB and more: no block of this heap is that large
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return tblibc::GuestAlloc(static_cast<size_t>(size));
}

void tblibc_free(void* block) { rtl::HeapFree(block); }

void* tblibc_realloc(void* block, int32_t size) {
  if (block == nullptr) return tblibc_malloc(size);
  if (size == 0) {
    rtl::HeapFree(block);
    return nullptr;
  }
  if (size < 0) {
    // Beyond any block this heap gives; the block stays as it was.
    if (!rtl::HeapIsLive(block)) rtl::RaiseInvalidPointer();
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return tblibc::GuestRealloc(block, static_cast<size_t>(size));
}

void* tblibc_calloc(uint32_t count, uint32_t size) {
  const uint64_t bytes = uint64_t{count} * size;
  if (bytes > 0x7FFFFFFF) {
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  void* block = tblibc_malloc(static_cast<int32_t>(bytes));
  if (block != nullptr) std::memset(block, 0, static_cast<size_t>(bytes));
  return block;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_posix_memalign>("posix_memalign"),
    Fn<&tblibc_memalign>("aligned_alloc"),
    Fn<&tblibc_memalign>("memalign"),
    Fn<&tblibc_valloc>("valloc"),
    Fn<&tblibc_pvalloc>("pvalloc"),
    Fn<&tblibc_reallocarray>("reallocarray"),
    Fn<&tblibc_malloc_usable_size>("malloc_usable_size"),
};

}  // namespace

extern const Family kAllocationFamily;
const Family kAllocationFamily{"allocation", kExports, {}, nullptr};

}  // namespace tblibc
