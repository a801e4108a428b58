// The loader's heap: every size, alignment, realloc's kept prefix, reuse,
// and refusal of anything that is not a live block, without damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/exceptions.h"
#include "platform/process.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace {

uint8_t Tag(size_t i, size_t j) { return static_cast<uint8_t>(i * 31 + j * 7 + 1); }

TEST(Heap, BlocksOfManySizesAreAlignedDisjointAndKeepTheirBytes) {
  std::vector<size_t> sizes;
  for (size_t s = 0; s <= 300; ++s) sizes.push_back(s);
  for (size_t s = 301; s <= (1u << 21); s = s * 5 / 4 + 3) sizes.push_back(s);
  sizes.push_back((1u << 20) - 1);
  sizes.push_back(1u << 20);
  sizes.push_back((1u << 20) + 1);  // the first size with pages of its own
  sizes.push_back(5u << 20);

  std::vector<uint8_t*> blocks;
  for (size_t i = 0; i < sizes.size(); ++i) {
    auto* p = static_cast<uint8_t*>(rtl::HeapAlloc(sizes[i]));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << sizes[i];
    EXPECT_GE(rtl::HeapBlockSize(p), sizes[i]);
    EXPECT_TRUE(rtl::HeapIsLive(p));
    for (size_t j = 0; j < sizes[i]; ++j) p[j] = Tag(i, j);
    blocks.push_back(p);
  }
  for (size_t i = 0; i < sizes.size(); ++i) {
    size_t bad = 0;
    for (size_t j = 0; j < sizes[i]; ++j) bad += blocks[i][j] != Tag(i, j);
    EXPECT_EQ(bad, 0u) << "block of " << sizes[i] << " bytes was overwritten";
  }
  for (uint8_t* p : blocks) rtl::HeapFree(p);
  for (uint8_t* p : blocks) EXPECT_FALSE(rtl::HeapIsLive(p));
}

TEST(Heap, ReallocKeepsTheSmallerPrefix) {
  auto* p = static_cast<uint8_t*>(rtl::HeapAlloc(100));
  for (int i = 0; i < 100; ++i) p[i] = static_cast<uint8_t>(i);
  // grow within the class, to another class, to pages of its own, and back
  const size_t steps[] = {110, 5000, 3u << 20, 9u << 20, 2u << 20, 60, 7};
  size_t kept = 100;
  for (size_t size : steps) {
    p = static_cast<uint8_t*>(rtl::HeapRealloc(p, size));
    kept = std::min(kept, size);
    for (size_t i = 0; i < kept; ++i) ASSERT_EQ(p[i], static_cast<uint8_t>(i)) << size;
    EXPECT_GE(rtl::HeapBlockSize(p), size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  }
  rtl::HeapFree(p);
}

TEST(Heap, FreedBlocksAreReused) {
  void* a = rtl::HeapAlloc(40);
  rtl::HeapFree(a);
  EXPECT_EQ(rtl::HeapAlloc(40), a);
  rtl::HeapFree(a);
  // A churn of a million blocks stays within the memory of a few.
  void* first = rtl::HeapAlloc(200);
  rtl::HeapFree(first);
  for (int i = 0; i < 1000000; ++i) {
    void* p = rtl::HeapAlloc(200);
    ASSERT_EQ(p, first);
    rtl::HeapFree(p);
  }
  rtl::HeapFree(nullptr);  // does nothing
}

TEST(Heap, OnlyLiveBlocksAreLive) {
  auto* p = static_cast<uint8_t*>(rtl::HeapAlloc(64));
  int local = 0;
  EXPECT_TRUE(rtl::HeapIsLive(p));
  EXPECT_FALSE(rtl::HeapIsLive(p + 16));
  EXPECT_FALSE(rtl::HeapIsLive(p + 1));
  EXPECT_FALSE(rtl::HeapIsLive(&local));
  EXPECT_FALSE(rtl::HeapIsLive(nullptr));
  EXPECT_FALSE(rtl::HeapIsLive(reinterpret_cast<void*>(16)));
  rtl::HeapFree(p);
  EXPECT_FALSE(rtl::HeapIsLive(p));
}

// Blocks cut from and merged back into the same memory in a fixed
// pseudo-random order of allocations, reallocations and frees keep their
// bytes and never overlap.
TEST(Heap, SplitAndMergedBlocksKeepTheirBytes) {
  struct Held {
    uint8_t* p;
    size_t size;
    uint8_t tag;
  };
  std::vector<Held> held;
  uint32_t x = 0x2545F491;
  const auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  const auto fill = [](const Held& h) {
    for (size_t j = 0; j < h.size; ++j) h.p[j] = static_cast<uint8_t>(h.tag + j);
  };
  const auto intact = [](const Held& h, size_t upTo) {
    for (size_t j = 0; j < upTo; ++j)
      if (h.p[j] != static_cast<uint8_t>(h.tag + j)) return false;
    return true;
  };
  for (int step = 0; step < 30000; ++step) {
    const uint32_t r = next();
    const size_t size = r % 11 == 0 ? next() % 400000 : next() % 3000;
    if (held.empty() || r % 3 != 0) {
      held.push_back({static_cast<uint8_t*>(rtl::HeapAlloc(size)), size,
                      static_cast<uint8_t>(r >> 24)});
      fill(held.back());
      continue;
    }
    Held& h = held[next() % held.size()];
    ASSERT_TRUE(intact(h, h.size)) << step;
    if (r % 5 == 0) {
      h.p = static_cast<uint8_t*>(rtl::HeapRealloc(h.p, size + 1));
      ASSERT_TRUE(intact(h, std::min(h.size, size + 1))) << step;
      h.size = size + 1;
      fill(h);
    } else {
      rtl::HeapFree(h.p);
      EXPECT_FALSE(rtl::HeapIsLive(h.p));
      h = held.back();
      held.pop_back();
    }
  }
  for (const Held& h : held) {
    EXPECT_TRUE(intact(h, h.size));
    rtl::HeapFree(h.p);
  }
}

// Aligned blocks lie inside pages of their own, their header not at the
// start: they must still be live, sized, reallocated and freed like any
// other, and nothing inside them must pass for a block.
TEST(Heap, AlignedBlocksAreAlignedUsableAndTakenBackLikeAnyOther) {
  for (size_t alignment : {1u, 16u, 32u, 64u, 256u, 4096u, 65536u}) {
    for (size_t size : {1u, 100u, 5000u, 300000u}) {
      auto* p = static_cast<uint8_t*>(rtl::HeapTryAllocAligned(size, alignment));
      ASSERT_NE(p, nullptr) << alignment << " " << size;
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignment, 0u) << alignment << " " << size;
      EXPECT_TRUE(rtl::HeapIsLive(p));
      EXPECT_GE(rtl::HeapBlockSize(p), size);
      EXPECT_FALSE(rtl::HeapIsLive(p + 16));
      std::memset(p, 0x5a, rtl::HeapBlockSize(p));
      p = static_cast<uint8_t*>(rtl::HeapRealloc(p, size * 2));
      EXPECT_EQ(p[size - 1], 0x5a);
      rtl::HeapFree(p);
      EXPECT_FALSE(rtl::HeapIsLive(p));
    }
  }
  EXPECT_EQ(rtl::HeapTryAllocAligned(0xFFFFF000u, 4096), nullptr);
}

// ---- Invalid pointers -------------------------------------------------------------
//
// Each runs in a child; before the trap exists the error ends the run with
// the run-time's report.

void DoubleFree() {
  void* p = rtl::HeapAlloc(24);
  rtl::HeapFree(p);
  rtl::HeapFree(p);
}

void InteriorFree() {
  auto* p = static_cast<uint8_t*>(rtl::HeapAlloc(256));
  rtl::HeapFree(p + 32);
}

void ForeignFree() {
  alignas(16) static uint8_t notOurs[64];
  rtl::HeapFree(notOurs + 16);
}

void FreeOfReturnedPages() {
  void* big = rtl::HeapAlloc(4u << 20);
  rtl::HeapFree(big);
  rtl::HeapFree(big);  // its pages are gone: must not be read
}

void ReallocOfFreed() {
  void* p = rtl::HeapAlloc(8);
  rtl::HeapFree(p);
  rtl::HeapRealloc(p, 16);
}

void FreeInsideAnAlignedBlock() {
  auto* p = static_cast<uint8_t*>(rtl::HeapTryAllocAligned(64, 4096));
  rtl::HeapFree(p - 4096 + 16);  // where an unaligned block's payload would be
}

void SizeOfInterior() {
  auto* p = static_cast<uint8_t*>(rtl::HeapAlloc(8));
  rtl::HeapBlockSize(p + 16);
}

TEST(HeapDeathTest, WhatIsNotALiveBlockRaisesTheInvalidPointerError) {
  EXPECT_EXIT(DoubleFree(), ::testing::ExitedWithCode(1), "Invalid pointer operation\\.");
  EXPECT_EXIT(InteriorFree(), ::testing::ExitedWithCode(1), "EInvalidPointer");
  EXPECT_EXIT(ForeignFree(), ::testing::ExitedWithCode(1), "EInvalidPointer");
  EXPECT_EXIT(FreeOfReturnedPages(), ::testing::ExitedWithCode(1), "EInvalidPointer");
  EXPECT_EXIT(ReallocOfFreed(), ::testing::ExitedWithCode(1), "EInvalidPointer");
  EXPECT_EXIT(SizeOfInterior(), ::testing::ExitedWithCode(1), "EInvalidPointer");
  EXPECT_EXIT(FreeInsideAnAlignedBlock(), ::testing::ExitedWithCode(1), "EInvalidPointer");
}

// With a handler installed the error is an exception; the heap must be
// intact when it arrives.
uint8_t* g_block = nullptr;
uint8_t* g_other = nullptr;

int32_t CheckHeapAndLeave(platform::ExceptionPointers* p) {
  bool ok = p->ExceptionCode == rtl::kInvalidPointerCode;
  ok = ok && !rtl::HeapIsLive(g_block) && rtl::HeapIsLive(g_other);
  for (int i = 0; i < 48; ++i) ok = ok && g_other[i] == 0x5A;
  void* again = rtl::HeapAlloc(48);  // the freed block, once
  ok = ok && again == g_block && rtl::HeapAlloc(48) != g_block;
  rtl::HeapFree(g_other);
  platform::ExitProcess(ok ? 42 : 43);
}

void DoubleFreeUnderAHandler() {
  g_block = static_cast<uint8_t*>(rtl::HeapAlloc(48));
  g_other = static_cast<uint8_t*>(rtl::HeapAlloc(48));
  std::memset(g_other, 0x5A, 48);
  rtl::HeapFree(g_block);
  platform::AddVectoredExceptionHandler(CheckHeapAndLeave);
  rtl::HeapFree(g_block);
}

TEST(HeapDeathTest, ARefusedFreeChangesNothing) {
  EXPECT_EXIT(DoubleFreeUnderAHandler(), ::testing::ExitedWithCode(42), "");
}

void AllocateTooMuch() { rtl::HeapAlloc(SIZE_MAX - 8); }
void AllocateMoreThanThereIs() { rtl::HeapAlloc(size_t{3} << 30); }

TEST(HeapDeathTest, ExhaustionRaisesOutOfMemory) {
  EXPECT_EXIT(AllocateTooMuch(), ::testing::ExitedWithCode(1), "Out of memory\\.");
  EXPECT_EXIT(AllocateMoreThanThereIs(), ::testing::ExitedWithCode(1), "EOutOfMemory");
}

}  // namespace
