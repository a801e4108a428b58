// Memory on Windows: VirtualAlloc and friends, and file views for the
// mappings family.
#include <io.h>
#include <windows.h>

#include <array>

#include "abi/errno.h"
#include "platform/memory.h"
#include "platform/win32/host.h"

namespace platform {
namespace {

uint32_t g_regionBase = 0;
uint32_t g_regionEnd = 0;

uint64_t RoundUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) & ~(unit - 1);
}


// PAGE_* for each combination of kRead | kWrite | kExecute. Windows has no
// write-only pages; writing implies reading.
constexpr std::array<DWORD, 8> kPageProtection{
    PAGE_NOACCESS,          // none
    PAGE_READONLY,          // r
    PAGE_READWRITE,         // w
    PAGE_READWRITE,         // rw
    PAGE_EXECUTE,           // x
    PAGE_EXECUTE_READ,      // rx
    PAGE_EXECUTE_READWRITE, // wx
    PAGE_EXECUTE_READWRITE, // rwx
};
static_assert(kPageProtection.size() == 8);

constexpr DWORD kReadableProtection = PAGE_READONLY | PAGE_READWRITE |
                                      PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                      PAGE_EXECUTE_READWRITE |
                                      PAGE_EXECUTE_WRITECOPY;

}  // namespace

void* ReserveRegion(uint32_t address, uint32_t size) {
  // The reservation's start is rounded down to the allocation granularity
  // by the kernel; the base it returns is that rounded address.
  void* base = VirtualAlloc(reinterpret_cast<void*>(static_cast<uintptr_t>(address)),
                            size, MEM_COMMIT | MEM_RESERVE,
                            PAGE_EXECUTE_READWRITE);
  if (base == nullptr) return nullptr;
  g_regionBase = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base));
  g_regionEnd = static_cast<uint32_t>(RoundUp(uint64_t{address} + size, kPageSize));
  return base;
}

void GuestRegion(uint32_t* base, uint32_t* end) {
  *base = g_regionBase;
  *end = g_regionEnd;
}

bool Protect(uint32_t address, uint32_t size, unsigned protection) {
  DWORD old = 0;
  return VirtualProtect(reinterpret_cast<void*>(static_cast<uintptr_t>(address)),
                        size, kPageProtection[protection & 7], &old) != 0;
}

namespace {

unsigned ProtectionOf(DWORD protect) {
  if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return kNoAccess;
  unsigned p = 0;
  if (protect & kReadableProtection) p |= kRead;
  if (protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                 PAGE_EXECUTE_WRITECOPY))
    p |= kWrite;
  if (protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                 PAGE_EXECUTE_WRITECOPY))
    p |= kExecute;
  return p;
}

}  // namespace

// One region per allocation: its committed pages, from the first to the
// last, with the protections they have between them; the stack's guard
// page belongs to it as Linux's stack mapping grows into its gap.
std::vector<MemoryRegion> MemoryRegions() {
  std::vector<MemoryRegion> regions;
  const auto here = reinterpret_cast<uintptr_t>(&regions);
  uint64_t at = 0;
  void* base = nullptr;
  while (at < 0x100000000ull) {
    MEMORY_BASIC_INFORMATION mbi{};
    if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(at)), &mbi, sizeof mbi) == 0)
      break;
    const auto start = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mbi.BaseAddress));
    const uint64_t end = uint64_t{start} + mbi.RegionSize;
    if (mbi.State == MEM_COMMIT) {
      const unsigned protection = ProtectionOf(mbi.Protect);
      if (!regions.empty() && mbi.AllocationBase == base) {
        regions.back().end = static_cast<uint32_t>(end);
        regions.back().protection |= protection;
      } else {
        regions.push_back({start, static_cast<uint32_t>(end), protection, false});
        base = mbi.AllocationBase;
      }
      if (here >= start && here < end) regions.back().stack = true;
    }
    at = end;
  }
  return regions;
}

bool IsReadable(uint32_t address, uint32_t size) {
  if (size == 0) return true;
  const uint64_t end = uint64_t{address} + size;
  if (end > 0x100000000ull) return false;
  uint64_t at = address;
  while (at < end) {
    MEMORY_BASIC_INFORMATION mbi{};
    if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(at)), &mbi,
                     sizeof mbi) == 0)
      return false;
    if (mbi.State != MEM_COMMIT || (mbi.Protect & PAGE_GUARD) != 0 ||
        (mbi.Protect & kReadableProtection) == 0)
      return false;
    at = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  }
  return true;
}

void* AllocatePages(size_t size) {
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

// Windows hands out the lowest free addresses first: a large copy would sit
// where the guest region goes.
void* AllocatePagesHigh(size_t size) {
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN, PAGE_READWRITE);
}

void FreePages(void* pages, size_t) { VirtualFree(pages, 0, MEM_RELEASE); }

// Views start at multiples of the allocation granularity (64 KiB), Linux
// offsets at any page: the view starts lower and the guest gets the page
// it asked for. The section is the file's current length, never more:
// Windows would grow the file to the section, Linux never does.
int MapShared(int fd, int64_t offset, uint32_t size, bool writable,
              void** address) {
  HANDLE file = OsHandle(fd);
  if (file == INVALID_HANDLE_VALUE) return linux::kEBADF;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length)) return LastLinuxErrno();
  if (length.QuadPart <= offset) return linux::kEINVAL;
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const uint64_t start = static_cast<uint64_t>(offset) &
                         ~static_cast<uint64_t>(info.dwAllocationGranularity - 1);
  const uint64_t lead = static_cast<uint64_t>(offset) - start;
  const uint64_t available = static_cast<uint64_t>(length.QuadPart) - start;
  const uint64_t wanted = lead + size;
  const SIZE_T viewSize = static_cast<SIZE_T>(wanted < available ? wanted : available);
  HANDLE section = CreateFileMappingA(
      file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0, nullptr);
  if (section == nullptr) return LastLinuxErrno();
  void* view = MapViewOfFile(section, writable ? FILE_MAP_WRITE : FILE_MAP_READ,
                             static_cast<DWORD>(start >> 32),
                             static_cast<DWORD>(start), viewSize);
  const DWORD e = GetLastError();
  CloseHandle(section);  // the view keeps the section alive
  if (view == nullptr) return LinuxErrnoOfWin32(e);
  *address = static_cast<char*>(view) + lead;
  return 0;
}

int UnmapShared(void* address, uint32_t) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(address, &info, sizeof info) == 0) return LastLinuxErrno();
  return Ok(UnmapViewOfFile(info.AllocationBase));
}

int FlushShared(void* address, uint32_t size) {
  return Ok(FlushViewOfFile(address, size));
}

bool IsWritable(uint32_t address) {
  MEMORY_BASIC_INFORMATION mbi{};
  if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), &mbi,
                   sizeof mbi) == 0)
    return false;
  constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return mbi.State == MEM_COMMIT && (mbi.Protect & kWritable) != 0;
}

}  // namespace platform
