// The loader's own heap, also behind the guest's malloc family.
//
// Layout: small blocks (up to kMaxClassSize) are carved from chunks of
// fresh pages by a bump pointer and recycled through one free list per size
// class; they are never split or merged, so a header, once written, stays at
// its place for the life of the process. Larger blocks get pages of their
// own, given back on free.
//
// Every block starts with a 16-byte header (payloads stay 16-byte aligned,
// as glibc's are on i386) holding a seal computed from the header's address,
// its size, its class, its state and a per-process secret. Before trusting
// an address we find the span of our memory that holds it (binary search),
// so an arbitrary pointer is never dereferenced outside our own pages; then
// the seal must match a live block. Anything else is the invalid-pointer
// error, raised before a single byte of the heap has changed.
#include <array>
#include <cstring>

#include "platform/memory.h"
#include "platform/time.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace rtl {
namespace {

struct Header {
  uint32_t size;    // usable bytes of the payload
  uint32_t cls;     // size class, or kLargeClass
  uint32_t check;   // Seal(this, state)
  Header* next;     // free-list link while free
};
static_assert(sizeof(Header) == 16, "payloads must stay 16-byte aligned");

constexpr uint32_t kAlign = 16;

// ---- Size classes -----------------------------------------------------------
//
// 16-byte steps up to 128, then four steps per doubling up to 1 MiB: the
// waste of a class stays under a fifth, and a growing realloc moves
// geometrically.
constexpr size_t kSmallClasses = 8;             // 16 .. 128
constexpr size_t kClassCount = kSmallClasses + 13 * 4;  // 160 .. 1 MiB
constexpr uint32_t kLargeClass = 0xFFFFu;

constexpr std::array<uint32_t, kClassCount> MakeClassSizes() {
  std::array<uint32_t, kClassCount> sizes{};
  for (size_t i = 0; i < kClassCount; ++i) {
    if (i < kSmallClasses) {
      sizes[i] = static_cast<uint32_t>((i + 1) * 16);
    } else {
      const uint32_t k = static_cast<uint32_t>(7 + (i - kSmallClasses) / 4);
      const uint32_t sub = static_cast<uint32_t>((i - kSmallClasses) % 4);
      sizes[i] = (1u << k) + (sub + 1) * (1u << (k - 2));
    }
  }
  return sizes;
}
constexpr std::array<uint32_t, kClassCount> kClassSizes = MakeClassSizes();
static_assert(kClassSizes.size() == 60);
static_assert(kClassSizes[7] == 128 && kClassSizes[8] == 160);
constexpr uint32_t kMaxClassSize = kClassSizes[kClassCount - 1];
static_assert(kMaxClassSize == 1u << 20);

// The smallest class whose size is at least `size` (size <= kMaxClassSize).
inline uint32_t ClassOf(size_t size) {
  if (size <= 128) return size == 0 ? 0 : static_cast<uint32_t>((size - 1) >> 4);
  const uint32_t s = static_cast<uint32_t>(size - 1);
  const uint32_t k = 31 - static_cast<uint32_t>(__builtin_clz(s));
  const uint32_t sub = (s - (1u << k)) >> (k - 2);
  return static_cast<uint32_t>(kSmallClasses) + (k - 7) * 4 + sub;
}

// ---- State ---------------------------------------------------------------------

constexpr uint32_t kLive = 0x4C495645;  // "LIVE"
constexpr uint32_t kFree = 0x46524545;  // "FREE"

uint32_t g_secret = 0;

Header* g_freeLists[kClassCount] = {};

uintptr_t g_top = 0;    // bump pointer into the current chunk
uintptr_t g_limit = 0;  // end of the current chunk
size_t g_nextChunkSize = 256 * 1024;
constexpr size_t kMaxChunkSize = 16 * 1024 * 1024;

// Every range of memory the heap owns, sorted by base: chunks and large
// blocks alike. The array itself lives in pages of its own.
struct Span {
  uintptr_t base;
  uintptr_t end;
};
Span* g_spans = nullptr;
size_t g_spanCount = 0;
size_t g_spanCapacity = 0;

uintptr_t RoundUp(uintptr_t value, uintptr_t unit) { return (value + unit - 1) & ~(unit - 1); }

uint32_t Seal(const Header* h, uint32_t state) {
  uint32_t v = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)) ^ g_secret;
  v ^= h->size * 0x85EBCA6Bu;
  v ^= h->cls << 20;
  v *= 0x9E3779B1u;
  return v ^ (v >> 15) ^ state;
}

void InitSecret() {
  int64_t seconds = 0;
  uint32_t micro = 0;
  platform::TimeOfDay(&seconds, &micro);
  uint32_t s = static_cast<uint32_t>(seconds) * 0x9E3779B1u ^ micro ^
               platform::TickCount() * 0x85EBCA6Bu ^
               static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&seconds));
  g_secret = s | 1;
}

// ---- Spans -----------------------------------------------------------------------

// Index of the last span whose base is <= address, or g_spanCount when none.
size_t SpanIndex(uintptr_t address) {
  size_t lo = 0, hi = g_spanCount;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (g_spans[mid].base <= address)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo == 0 ? g_spanCount : lo - 1;
}

void AddSpan(uintptr_t base, uintptr_t end) {
  if (g_spanCount == g_spanCapacity) {
    const size_t capacity = g_spanCapacity == 0 ? platform::kPageSize / sizeof(Span)
                                                : g_spanCapacity * 2;
    auto* grown = static_cast<Span*>(platform::AllocatePages(capacity * sizeof(Span)));
    if (grown == nullptr) RaiseOutOfMemory();
    if (g_spanCount != 0) std::memcpy(grown, g_spans, g_spanCount * sizeof(Span));
    if (g_spans != nullptr) platform::FreePages(g_spans, g_spanCapacity * sizeof(Span));
    g_spans = grown;
    g_spanCapacity = capacity;
  }
  size_t at = g_spanCount;
  while (at > 0 && g_spans[at - 1].base > base) --at;
  std::memmove(g_spans + at + 1, g_spans + at, (g_spanCount - at) * sizeof(Span));
  g_spans[at] = Span{base, end};
  ++g_spanCount;
}

void RemoveSpan(size_t index) {
  std::memmove(g_spans + index, g_spans + index + 1,
               (g_spanCount - index - 1) * sizeof(Span));
  --g_spanCount;
}

// The live block whose payload starts at `block`, or null. Reads memory
// only inside a span of ours.
Header* FindLive(const void* block) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(block);
  if (a % kAlign != 0 || a < sizeof(Header)) return nullptr;
  const uintptr_t h = a - sizeof(Header);
  const size_t i = SpanIndex(h);
  if (i == g_spanCount || h >= g_spans[i].end || g_spans[i].end - h < sizeof(Header))
    return nullptr;
  auto* header = reinterpret_cast<Header*>(h);
  if (header->check != Seal(header, kLive)) return nullptr;
  // A large block's header lies at its span's base, or further in for an
  // aligned block, and then says where the base is.
  if (header->cls == kLargeClass)
    return reinterpret_cast<uintptr_t>(header->next) == g_spans[i].base ? header : nullptr;
  if (header->cls >= kClassCount || header->size != kClassSizes[header->cls]) return nullptr;
  return header;
}

Header* LiveOrRaise(const void* block) {
  Header* h = FindLive(block);
  if (h == nullptr) RaiseInvalidPointer();
  return h;
}

// ---- Small blocks ------------------------------------------------------------------

Header* MakeBlock(uintptr_t at, uint32_t cls) {
  auto* h = reinterpret_cast<Header*>(at);
  h->size = kClassSizes[cls];
  h->cls = cls;
  h->next = nullptr;
  return h;
}

void PushFree(Header* h) {
  h->check = Seal(h, kFree);
  h->next = g_freeLists[h->cls];
  g_freeLists[h->cls] = h;
}

// What is left of a chunk becomes free blocks of the largest classes that fit.
void UseUpChunk() {
  while (g_limit - g_top >= sizeof(Header) + kClassSizes[0]) {
    uint32_t cls = ClassOf(g_limit - g_top - sizeof(Header));
    if (sizeof(Header) + kClassSizes[cls] > g_limit - g_top) --cls;
    PushFree(MakeBlock(g_top, cls));
    g_top += sizeof(Header) + kClassSizes[cls];
  }
}

bool NewChunk(size_t need) {
  UseUpChunk();
  size_t size = g_nextChunkSize;
  while (size < need) size *= 2;
  void* pages = platform::AllocatePages(size);
  if (pages == nullptr && size > need) {  // address space is tight: just enough
    size = RoundUp(need, platform::kPageSize);
    pages = platform::AllocatePages(size);
  }
  if (pages == nullptr) return false;
  if (g_nextChunkSize < kMaxChunkSize) g_nextChunkSize *= 2;
  const uintptr_t base = reinterpret_cast<uintptr_t>(pages);
  AddSpan(base, base + size);
  g_top = base;
  g_limit = base + size;
  return true;
}

Header* Carve(uint32_t cls) {
  const size_t need = sizeof(Header) + kClassSizes[cls];
  if (g_limit - g_top < need && !NewChunk(need)) return nullptr;
  Header* h = MakeBlock(g_top, cls);
  g_top += need;
  return h;
}

// ---- Large blocks ------------------------------------------------------------------

// Pages of their own, the payload at a multiple of `alignment` (at most a
// page's worth of slack is taken for it beyond the header).
void* AllocLarge(size_t size, size_t alignment = kAlign) {
  const size_t slack = alignment > kAlign ? alignment - kAlign : 0;
  if (size > SIZE_MAX - sizeof(Header) - platform::kPageSize - slack) return nullptr;
  const size_t total = RoundUp(size + sizeof(Header) + slack, platform::kPageSize);
  void* pages = platform::AllocatePages(total);
  if (pages == nullptr) return nullptr;
  const uintptr_t base = reinterpret_cast<uintptr_t>(pages);
  AddSpan(base, base + total);
  const uintptr_t payload = RoundUp(base + sizeof(Header), alignment);
  auto* h = reinterpret_cast<Header*>(payload - sizeof(Header));
  h->size = static_cast<uint32_t>(base + total - payload);
  h->cls = kLargeClass;
  h->next = reinterpret_cast<Header*>(base);
  h->check = Seal(h, kLive);
  return h + 1;
}

void FreeLarge(Header* h) {
  const size_t i = SpanIndex(reinterpret_cast<uintptr_t>(h));
  const Span span = g_spans[i];
  RemoveSpan(i);
  platform::FreePages(reinterpret_cast<void*>(span.base), span.end - span.base);
}

// Gives a live block back; its header has been checked by the caller.
void Release(Header* h) {
  if (h->cls == kLargeClass)
    FreeLarge(h);
  else
    PushFree(h);
}

}  // namespace

void* HeapTryAlloc(size_t size) {
  if (g_secret == 0) InitSecret();
  if (size > kMaxClassSize) return AllocLarge(size);
  const uint32_t cls = ClassOf(size);
  Header* h = g_freeLists[cls];
  if (h != nullptr)
    g_freeLists[cls] = h->next;
  else if ((h = Carve(cls)) == nullptr)
    return nullptr;
  h->next = nullptr;
  h->check = Seal(h, kLive);
  return h + 1;
}

void* HeapTryAllocAligned(size_t size, size_t alignment) {
  if (alignment <= kAlign) return HeapTryAlloc(size);
  if (g_secret == 0) InitSecret();
  return AllocLarge(size, alignment);
}

void* HeapAlloc(size_t size) {
  void* block = HeapTryAlloc(size);
  if (block == nullptr) RaiseOutOfMemory();
  return block;
}

void HeapFree(void* block) {
  if (block != nullptr) Release(LiveOrRaise(block));
}

void* HeapRealloc(void* block, size_t size) {
  void* moved = HeapTryRealloc(block, size);
  if (moved == nullptr) RaiseOutOfMemory();
  return moved;
}

void* HeapTryRealloc(void* block, size_t size) {
  Header* h = LiveOrRaise(block);
  if (h->cls == kLargeClass) {
    if (size <= h->size && size > h->size / 2) return block;
    // A large block that keeps growing moves by a quarter more each time.
    if (size > h->size && size < SIZE_MAX / 2) size += size / 4;
  } else if (size <= kMaxClassSize && ClassOf(size) == h->cls) {
    return block;
  }
  const size_t keep = size < h->size ? size : h->size;
  void* moved = HeapTryAlloc(size);
  if (moved == nullptr) return nullptr;  // the block stays as it was
  std::memcpy(moved, block, keep);
  Release(h);  // checked above; a new block never disturbs an old header
  return moved;
}

size_t HeapBlockSize(const void* block) { return LiveOrRaise(block)->size; }

bool HeapIsLive(const void* block) { return block != nullptr && FindLive(block) != nullptr; }

}  // namespace rtl
