// Stand-ins for the modules the image loader calls, for the fuzz target.
// The guest region is real memory at the real address, fenced by
// no-access pages; messages are dropped; file objects are never used.
#include "libcbind/tblibc.h"
#include "runtime/heap.h"
#include "tests/fuzz/fuzz_host.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "libcbind/families.h"
#include "process/process.h"
#include "libcbind/util.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "runtime/rtl.h"

namespace {
constexpr uint32_t kFence = 0x10000;
uint32_t g_base = 0, g_end = 0;
uintptr_t g_pages = 0, g_pagesEnd = 0;

// Blocks the loader takes from its heap for the life of the process (copies
// of import names that lie outside every segment). In the product they stay
// until the process ends; here that is the end of one input, so they are an
// arena given back with the region rather than leaks.
std::vector<void*> g_lasting;
}  // namespace

namespace fuzzhost {
void ReleaseRegion() {
  if (g_end > g_base)
    munmap(reinterpret_cast<void*>(uintptr_t{g_base - kFence}), g_end - g_base + 2 * kFence);
  g_base = g_end = 0;
  for (void* block : g_lasting) std::free(block);
  g_lasting.clear();
}
}  // namespace fuzzhost

namespace platform {

void* ReserveRegion(uint32_t address, uint32_t size) {
  const uint32_t base = address & ~0xFFFFu;
  const uint64_t end = (uint64_t{address} + size + kPageSize - 1) & ~uint64_t{kPageSize - 1};
  if (end + kFence > 0xC0000000u) return nullptr;
  void* want = reinterpret_cast<void*>(uintptr_t{base - kFence});
  const size_t length = end - base + 2 * kFence;
  void* got = mmap(want, length, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
  if (got == MAP_FAILED) return nullptr;
  if (got != want) {
    munmap(got, length);
    return nullptr;
  }
  mprotect(reinterpret_cast<void*>(uintptr_t{base}), end - base,
           PROT_READ | PROT_WRITE | PROT_EXEC);
  g_base = base;
  g_end = static_cast<uint32_t>(end);
  return reinterpret_cast<void*>(uintptr_t{base});
}

void GuestRegion(uint32_t* base, uint32_t* end) {
  *base = g_base;
  *end = g_end;
}

// The loader's own pages (stubs and cells of a position-independent image).
void* AllocatePages(size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  g_pages = reinterpret_cast<uintptr_t>(p);
  g_pagesEnd = g_pages + size;
  return p;
}

// Only the loader's file path asks for these, which the fuzz target never takes.
void* AllocatePagesHigh(size_t) { std::abort(); }

void FreePages(void* pages, size_t size) {
  munmap(pages, size);
  g_pages = g_pagesEnd = 0;
}

bool Protect(uint32_t address, uint32_t size, unsigned protection) {
  // Only inside the region or the loader's pages: a request elsewhere is
  // the loader's fault.
  const bool inPages = address >= g_pages && uint64_t{address} + size <= g_pagesEnd;
  if (!inPages && (address < g_base || uint64_t{address} + size > g_end)) std::abort();
  int prot = PROT_NONE;
  if (protection & kRead) prot |= PROT_READ;
  if (protection & kWrite) prot |= PROT_WRITE;
  if (protection & kExecute) prot |= PROT_EXEC;
  const uint32_t start = address & ~(kPageSize - 1);
  const uint64_t end = (uint64_t{address} + size + kPageSize - 1) & ~uint64_t{kPageSize - 1};
  return mprotect(reinterpret_cast<void*>(uintptr_t{start}), end - start, prot) == 0;
}

// No library is ever beside a fuzzed program.
int PathStatus(const char*, bool, FileStatus*) { return 2; }  // ENOENT
int FullPath(const char*, std::string*) { return 2; }

}  // namespace platform

namespace rtl {
void WriteLine(std::string_view) {}
void ReportLine(std::string_view) {}
void* HeapAlloc(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) std::abort();
  g_lasting.push_back(p);
  return p;
}
void HeapFree(void* block) {
  if (block == nullptr) return;
  const auto it = std::find(g_lasting.begin(), g_lasting.end(), block);
  if (it == g_lasting.end()) std::abort();  // not a block of this heap
  g_lasting.erase(it);
  std::free(block);
}
void RaiseIoError(uint32_t) { std::abort(); }
void File::OpenExisting(bool) { std::abort(); }
uint32_t File::Read(void*, uint32_t) { std::abort(); }
void File::Seek(int64_t) { std::abort(); }
int64_t File::Size() { std::abort(); }
void File::Close() {}
}  // namespace rtl

namespace util {
uint32_t UnknownCallReporterAddress() { return 0x00C0FFEE; }
constexpr std::string_view kImports[] = {"puts", "__libc_start_main"};
uint32_t LookupImport(const char* name) {
  // Reads the whole name, as the real registry does.
  if (std::strcmp(name, "puts") == 0) return 0x00ABC000;
  if (std::strcmp(name, "__libc_start_main") == 0) return 0x00ABD000;
  return UnknownCallReporterAddress();
}
size_t ImportCount() { return std::size(kImports); }
std::string_view ImportName(size_t i) { return kImports[i]; }
}  // namespace util

namespace tblibc {

// A family writes its object's initial value over the whole copy: the copy
// the loader hands over must lie in the region or in a cell of its pages.
bool BindDataObject(std::string_view, uint32_t address, uint32_t size) {
  const bool inPages = address >= g_pages && uint64_t{address} + size <= g_pagesEnd;
  if (!inPages && (address < g_base || uint64_t{address} + size > g_end)) std::abort();
  std::memset(reinterpret_cast<void*>(uintptr_t{address}), 0, size);
  return true;
}

namespace {
void CheckedBind(uint32_t address, uint32_t size) { BindDataObject({}, address, size); }
constexpr std::string_view kServed[] = {"stdin", "stdout", "stderr", "_IO_stdin_used",
                                        "optind", "optarg", "optopt", "opterr", "environ"};
constexpr DataExport kObject{"", &CheckedBind, 1};
}  // namespace

const DataExport* FindDataObject(std::string_view name) {
  return std::find(std::begin(kServed), std::end(kServed), name) != std::end(kServed)
             ? &kObject : nullptr;
}

void ForgetDataObjects() {}

// No guest code runs under the fuzzer: a resolver answers 0.
uint64_t CallGuest(uint32_t, std::initializer_list<uint32_t>) { return 0; }

}  // namespace tblibc
