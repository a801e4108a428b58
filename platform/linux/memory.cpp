// Memory on Linux: the guest region is one fixed mapping that never
// replaces another, and readability is asked of the kernel rather than
// found out by faulting.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/linux/host.h"
#include "platform/memory.h"

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

namespace platform {

uint32_t g_regionBase = 0;
uint32_t g_regionEnd = 0;

namespace {

constexpr uint32_t kAllocationGranularity = 0x10000;

// The kernel copies from user memory without faulting us: a write() of one
// byte per page into a private pipe fails with EFAULT where we could not read.
int g_probe[2] = {-1, -1};

bool ProbePage(uint32_t address) {
  if (g_probe[0] < 0 && pipe2(g_probe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  ssize_t n;
  do n = write(g_probe[1], reinterpret_cast<const void*>(address), 1);
  while (n < 0 && errno == EINTR);
  if (n != 1) return false;
  char sink;
  while (read(g_probe[0], &sink, 1) < 0 && errno == EINTR) {
  }
  return true;
}

}  // namespace

void* ReserveRegion(uint32_t address, uint32_t size) {
  const uint32_t base = RoundDown(address, kAllocationGranularity);
  const uint64_t end = RoundUp(uint64_t{address} + size, kPageSize);
  if (end > 0xFFFFF000u || end <= base) return nullptr;
  const size_t length = static_cast<size_t>(end - base);
  void* want = reinterpret_cast<void*>(static_cast<uintptr_t>(base));
  void* got = mmap(want, length, PROT_READ | PROT_WRITE | PROT_EXEC,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (got == MAP_FAILED) return nullptr;
  if (got != want) {  // a kernel that ignores the flag placed it elsewhere
    munmap(got, length);
    return nullptr;
  }
  g_regionBase = base;
  g_regionEnd = static_cast<uint32_t>(end);
  TrapGuestSyscalls();
  return got;
}

void GuestRegion(uint32_t* base, uint32_t* end) {
  *base = g_regionBase;
  *end = g_regionEnd;
}

bool Protect(uint32_t address, uint32_t size, unsigned protection) {
  const uint32_t start = RoundDown(address, kPageSize);
  const uint64_t end = RoundUp(uint64_t{address} + size, kPageSize);
  int prot = PROT_NONE;
  if (protection & kRead) prot |= PROT_READ;
  if (protection & kWrite) prot |= PROT_WRITE;
  if (protection & kExecute) prot |= PROT_EXEC;
  return mprotect(reinterpret_cast<void*>(static_cast<uintptr_t>(start)),
                  static_cast<size_t>(end - start), prot) == 0;
}

// The kernel's own list, read as it stands.
std::vector<MemoryRegion> MemoryRegions() {
  std::vector<MemoryRegion> regions;
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (maps == nullptr) return regions;
  char line[512];
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    int name = 0;
    if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, perms, &name) < 3)
      continue;
    unsigned protection = 0;
    if (perms[0] == 'r') protection |= kRead;
    if (perms[1] == 'w') protection |= kWrite;
    if (perms[2] == 'x') protection |= kExecute;
    const bool stack = std::strncmp(line + name, "[stack]", 7) == 0;
    regions.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end), protection, stack});
  }
  std::fclose(maps);
  return regions;
}

bool IsReadable(uint32_t address, uint32_t size) {
  if (size == 0) return true;
  const uint64_t last = uint64_t{address} + size - 1;
  if (last > 0xFFFFFFFFu) return false;
  for (uint64_t page = RoundDown(address, kPageSize); page <= last;
       page += kPageSize) {
    if (!ProbePage(static_cast<uint32_t>(page < address ? address : page)))
      return false;
  }
  return true;
}

void* AllocatePages(size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

// Linux places anonymous mappings from the top down already; the pages a
// program file's copy never touches take no memory.
void* AllocatePagesHigh(size_t size) { return AllocatePages(size); }

void FreePages(void* pages, size_t size) { munmap(pages, size); }

// ---- Memory mappings (the mappings family) ----

int MapShared(int fd, int64_t offset, uint32_t size, bool writable,
              void** address) {
  const KeepErrno keep;
  void* view = mmap64(nullptr, size, PROT_READ | (writable ? PROT_WRITE : 0),
                      MAP_SHARED, fd, offset);
  if (view == MAP_FAILED) return errno;
  *address = view;
  return 0;
}

int UnmapShared(void* address, uint32_t size) {
  const KeepErrno keep;
  return Done(munmap(address, size));
}

int FlushShared(void* address, uint32_t size) {
  const KeepErrno keep;
  return Done(msync(address, size, MS_SYNC));
}

// The kernel's map of the process, as the C library itself consults it:
// lines "start-end perms ...", in address order.
bool IsWritable(uint32_t address) {
  const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[4096];
  size_t have = 0;
  bool writable = false, done = false;
  while (!done) {
    const ssize_t n = ::read(fd, buffer + have, sizeof buffer - 1 - have);
    if (n <= 0) break;
    have += static_cast<size_t>(n);
    buffer[have] = '\0';
    char* line = buffer;
    for (char* end; (end = std::strchr(line, '\n')) != nullptr; line = end + 1) {
      *end = '\0';
      unsigned long start = 0, stop = 0;
      char perms[8] = {};
      if (std::sscanf(line, "%lx-%lx %7s", &start, &stop, perms) == 3 &&
          address >= start && address < stop) {
        writable = perms[1] == 'w';
        done = true;
        break;
      }
      if (start > address) {
        done = true;
        break;
      }
    }
    have = static_cast<size_t>(buffer + have - line);
    std::memmove(buffer, line, have);
    if (have == sizeof buffer - 1) have = 0;  // a line longer than the buffer
  }
  ::close(fd);
  return writable;
}


}  // namespace platform
