// The loader's own heap, also behind the guest's malloc family.
//
// Layout: blocks up to kMaxClassSize are cut from chunks of fresh pages and
// lie end to end in them, each header saying how large its block and the
// one before it are. A block is split when it is larger than a request
// needs, and a freed block merges with free neighbours, so memory freed in
// blocks of one size serves requests of any other; a chunk that is wholly
// free again goes back to the system (one is kept for the next request).
// Freed blocks of up to kCacheMax bytes first wait, a few per size, in a
// cache that hands them out again as they are: a loop that frees and
// allocates one size never cuts or merges. Larger blocks get pages of their
// own, given back on free.
//
// Every block starts with a 16-byte header (payloads stay 16-byte aligned,
// as glibc's are on i386) holding a seal computed from the header's address,
// its fields and a per-process secret; a header that a merge swallows is
// wiped. Before trusting an address we find the span of our memory that
// holds it (binary search), so an arbitrary pointer is never dereferenced
// outside our own pages; then the seal must match a live block. Anything
// else is the invalid-pointer error, raised before a single byte of the
// heap has changed.
#include <array>
#include <cstring>

#include "platform/memory.h"
#include "platform/time.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace rtl {
namespace {

struct Header {
  uint32_t size;      // usable bytes of the payload, a multiple of kAlign
  // A chunk's block: the payload bytes of the block before it, kFirst for
  // the first. A large block: how far its header lies into its pages.
  uint32_t prevSize;
  uint32_t kind;      // kUsed, kFree, kCached, kEnd or kLarge
  uint32_t check;     // SealOf(this)
};
static_assert(sizeof(Header) == 16, "payloads must stay 16-byte aligned");

constexpr uint32_t kAlign = 16;
constexpr uint32_t kFirst = 0xFFFFFFFFu;

constexpr uint32_t kUsed = 0x55534544;    // "USED"
constexpr uint32_t kFree = 0x46524545;    // "FREE": in a bin
constexpr uint32_t kCached = 0x43414348;  // "CACH": in the cache
constexpr uint32_t kEnd = 0x454E4421;     // "END!": closes a chunk
constexpr uint32_t kLarge = 0x4C524745;   // "LRGE": pages of its own

// ---- Size classes -----------------------------------------------------------
//
// 16-byte steps up to 128, then four steps per doubling up to 1 MiB: the
// bins of free blocks, one per class and one for anything larger.
constexpr size_t kSmallClasses = 8;             // 16 .. 128
constexpr size_t kClassCount = kSmallClasses + 13 * 4;  // 160 .. 1 MiB

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

// Bin k holds free blocks larger than class k-1 and at most class k; the
// last bin everything larger than the largest class.
constexpr uint32_t kBinCount = kClassCount + 1;
static_assert(kBinCount <= 64, "one bit per bin");
inline uint32_t BinOf(uint32_t size) {
  return size <= kMaxClassSize ? ClassOf(size) : static_cast<uint32_t>(kClassCount);
}

// The cache: up to kCacheDepth freed blocks of each size up to kCacheMax.
constexpr uint32_t kCacheMax = 512;
constexpr uint32_t kCacheDepth = 32;

// ---- State ---------------------------------------------------------------------

uint32_t g_secret = 0;

Header* g_bins[kBinCount] = {};
uint64_t g_binMap = 0;  // bit k: bin k holds a block
Header* g_cache[kCacheMax / kAlign] = {};
uint32_t g_cacheCount[kCacheMax / kAlign] = {};
Header* g_spare = nullptr;  // the one wholly free chunk that is kept

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

uint32_t SealOf(const Header* h) {
  uint32_t v = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)) ^ g_secret;
  v ^= h->size * 0x85EBCA6Bu;
  v ^= h->prevSize * 0xC2B2AE35u;
  v *= 0x9E3779B1u;
  return v ^ (v >> 15) ^ h->kind;
}

void Seal(Header* h) { h->check = SealOf(h); }

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

// The pages of the span holding `h` go back to the system.
void ReleaseSpanOf(const Header* h) {
  const size_t i = SpanIndex(reinterpret_cast<uintptr_t>(h));
  const Span span = g_spans[i];
  std::memmove(g_spans + i, g_spans + i + 1, (g_spanCount - i - 1) * sizeof(Span));
  --g_spanCount;
  platform::FreePages(reinterpret_cast<void*>(span.base), span.end - span.base);
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
  if (header->check != SealOf(header)) return nullptr;
  // A large block's header lies at its span's base, or further in for an
  // aligned block, and then says how far.
  if (header->kind == kLarge) return h - header->prevSize == g_spans[i].base ? header : nullptr;
  if (header->kind != kUsed || header->size % kAlign != 0 ||
      g_spans[i].end - a < uint64_t{header->size} + sizeof(Header))
    return nullptr;
  return header;
}

Header* LiveOrRaise(const void* block) {
  Header* h = FindLive(block);
  if (h == nullptr) RaiseInvalidPointer();
  return h;
}

// ---- Blocks in chunks ------------------------------------------------------------

struct Links {
  Header* next;
  Header* prev;
};
Links* LinksOf(Header* h) { return reinterpret_cast<Links*>(h + 1); }

Header* NextOf(Header* h) {
  return reinterpret_cast<Header*>(reinterpret_cast<uintptr_t>(h + 1) + h->size);
}
Header* PrevOf(Header* h) {
  return reinterpret_cast<Header*>(reinterpret_cast<uintptr_t>(h) - h->prevSize -
                                   sizeof(Header));
}

// The block after `h` learns `h`'s new size.
void TellNext(Header* h) {
  Header* next = NextOf(h);
  next->prevSize = h->size;
  Seal(next);
}

// A header swallowed by a merge can never pass for a block again.
void Wipe(Header* h) { h->kind = h->check = 0; }

void Insert(Header* h) {
  const uint32_t bin = BinOf(h->size);
  h->kind = kFree;
  Seal(h);
  Links* links = LinksOf(h);
  links->next = g_bins[bin];
  links->prev = nullptr;
  if (links->next != nullptr) LinksOf(links->next)->prev = h;
  g_bins[bin] = h;
  g_binMap |= uint64_t{1} << bin;
}

void Unlink(Header* h) {
  const uint32_t bin = BinOf(h->size);
  Links* links = LinksOf(h);
  if (links->prev != nullptr)
    LinksOf(links->prev)->next = links->next;
  else
    g_bins[bin] = links->next;
  if (links->next != nullptr) LinksOf(links->next)->prev = links->prev;
  if (g_bins[bin] == nullptr) g_binMap &= ~(uint64_t{1} << bin);
  if (h == g_spare) g_spare = nullptr;
}

// A free block of at least `n` bytes, taken out of its bin: the first fit
// among a few of the bin that `n` falls in, else the first of the next bin
// that holds any (all of whose blocks are large enough).
Header* TakeFree(uint32_t n) {
  const uint32_t bin = BinOf(n);
  int tries = 8;
  for (Header* h = g_bins[bin]; h != nullptr && tries-- > 0; h = LinksOf(h)->next) {
    if (h->size >= n) {
      Unlink(h);
      return h;
    }
  }
  const uint64_t higher = bin + 1 < 64 ? g_binMap & (~uint64_t{0} << (bin + 1)) : 0;
  if (higher == 0) return nullptr;
  Header* h = g_bins[__builtin_ctzll(higher)];
  Unlink(h);
  return h;
}

// A free block that merges with its free neighbours and goes to its bin, or
// with its whole chunk back to the system when another chunk is kept.
void Coalesce(Header* h) {
  Header* next = NextOf(h);
  if (next->kind == kFree) {
    Unlink(next);
    h->size += sizeof(Header) + next->size;
    Wipe(next);
  }
  if (h->prevSize != kFirst) {
    Header* prev = PrevOf(h);
    if (prev->kind == kFree) {
      Unlink(prev);
      prev->size += sizeof(Header) + h->size;
      Wipe(h);
      h = prev;
    }
  }
  TellNext(h);
  const bool wholeChunk = h->prevSize == kFirst && NextOf(h)->kind == kEnd;
  if (wholeChunk && g_spare != nullptr) {
    ReleaseSpanOf(h);
    return;
  }
  Insert(h);
  if (wholeChunk) g_spare = h;
}

// Cuts `h` down to `n` bytes when what is left makes a block of its own.
void Trim(Header* h, uint32_t n) {
  if (h->size - n < sizeof(Header) + kAlign) return;
  auto* rest = reinterpret_cast<Header*>(reinterpret_cast<uintptr_t>(h + 1) + n);
  rest->size = h->size - n - static_cast<uint32_t>(sizeof(Header));
  rest->prevSize = n;
  rest->kind = kFree;
  h->size = n;
  Seal(h);
  Coalesce(rest);
}

void* Use(Header* h, uint32_t n) {
  h->kind = kUsed;
  Trim(h, n);
  Seal(h);
  return h + 1;
}

// A chunk of fresh pages holding one free block and the end mark.
Header* NewChunk(uint32_t n) {
  const size_t need = size_t{n} + 2 * sizeof(Header);
  size_t size = g_nextChunkSize;
  while (size < need) size *= 2;
  void* pages = platform::AllocatePages(size);
  if (pages == nullptr && size > need) {  // address space is tight: just enough
    size = RoundUp(need, platform::kPageSize);
    pages = platform::AllocatePages(size);
  }
  if (pages == nullptr) return nullptr;
  if (g_nextChunkSize < kMaxChunkSize) g_nextChunkSize *= 2;
  const uintptr_t base = reinterpret_cast<uintptr_t>(pages);
  AddSpan(base, base + size);
  auto* first = reinterpret_cast<Header*>(base);
  first->size = static_cast<uint32_t>(size - 2 * sizeof(Header));
  first->prevSize = kFirst;
  first->kind = kFree;
  Header* end = NextOf(first);
  end->size = 0;
  end->kind = kEnd;
  TellNext(first);
  return first;
}

uint32_t PayloadFor(size_t size) {
  return size <= kAlign ? kAlign : static_cast<uint32_t>(RoundUp(size, kAlign));
}

void* AllocInChunk(uint32_t n) {
  if (n <= kCacheMax) {
    const uint32_t c = n / kAlign - 1;
    if (Header* h = g_cache[c]) {
      g_cache[c] = *reinterpret_cast<Header**>(h + 1);
      --g_cacheCount[c];
      h->kind = kUsed;
      Seal(h);
      return h + 1;
    }
  }
  Header* h = TakeFree(n);
  if (h == nullptr) h = NewChunk(n);
  return h != nullptr ? Use(h, n) : nullptr;
}

void FreeInChunk(Header* h) {
  if (h->size <= kCacheMax) {
    const uint32_t c = h->size / kAlign - 1;
    if (g_cacheCount[c] < kCacheDepth) {
      h->kind = kCached;
      Seal(h);
      *reinterpret_cast<Header**>(h + 1) = g_cache[c];
      g_cache[c] = h;
      ++g_cacheCount[c];
      return;
    }
  }
  h->kind = kFree;
  Coalesce(h);
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
  h->prevSize = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h) - base);
  h->kind = kLarge;
  Seal(h);
  return h + 1;
}

// Gives a live block back; its header has been checked by the caller.
void Release(Header* h) {
  if (h->kind == kLarge)
    ReleaseSpanOf(h);
  else
    FreeInChunk(h);
}

}  // namespace

void* HeapTryAlloc(size_t size) {
  if (g_secret == 0) InitSecret();
  if (size > kMaxClassSize) return AllocLarge(size);
  return AllocInChunk(PayloadFor(size));
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
  if (h->kind == kLarge) {
    if (size <= h->size && size > h->size / 2) return block;
    // A large block that keeps growing moves by a quarter more each time.
    if (size > h->size && size < SIZE_MAX / 2) size += size / 4;
  } else if (size <= kMaxClassSize) {
    // In place when it shrinks, or grows into a free block behind it.
    const uint32_t n = PayloadFor(size);
    Header* next = NextOf(h);
    if (n > h->size && next->kind == kFree &&
        uint64_t{h->size} + sizeof(Header) + next->size >= n) {
      Unlink(next);
      h->size += static_cast<uint32_t>(sizeof(Header)) + next->size;
      Wipe(next);
      TellNext(h);
    }
    if (n <= h->size) {
      Trim(h, n);
      Seal(h);
      return block;
    }
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
