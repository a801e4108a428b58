// Memory: the guest's region, page protection, the run-time's pages and
// views of files that writes reach the file through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum Protection : unsigned { kNoAccess = 0, kRead = 1, kWrite = 2, kExecute = 4 };

constexpr uint32_t kPageSize = 4096;

// Reserves and commits [address rounded down to 64 KiB, address + size) as
// readable, writable and executable, and returns the rounded base. Never
// replaces an existing mapping; null on failure. The range is remembered as
// the guest region.
void* ReserveRegion(uint32_t address, uint32_t size);
void GuestRegion(uint32_t* base, uint32_t* end);

// Changes the protection of whole pages covering [address, address + size).
bool Protect(uint32_t address, uint32_t size, unsigned protection);

// True when every byte of [address, address + size) can be read now.
bool IsReadable(uint32_t address, uint32_t size);

// True when the byte at `address` may be written now (the fortified
// printf refuses %n in a format that could have been altered).
bool IsWritable(uint32_t address);

// The process's memory as /proc/self/maps lists it: each mapping in address
// order, with its protection; `stack` marks the calling thread's stack.
struct MemoryRegion {
  uint32_t start, end;
  unsigned protection;
  bool stack;
};
std::vector<MemoryRegion> MemoryRegions();

// Fresh read-write pages anywhere in the address space, for the run-time's
// heap; null when none are left.
void* AllocatePages(size_t size);
// The same, as high in the address space as the host will place them: for
// a copy of a program file, which must leave the guest region's addresses
// free. FreePages gives them back.
void* AllocatePagesHigh(size_t size);
void FreePages(void* pages, size_t size);

// A view of [offset, offset + size) of the file behind descriptor `fd` that
// writes reach the file through; EOPNOTSUPP or ENODEV where the host
// cannot give one.
int MapShared(int fd, int64_t offset, uint32_t size, bool writable,
              void** address);
int UnmapShared(void* address, uint32_t size);
int FlushShared(void* address, uint32_t size);

}  // namespace platform
