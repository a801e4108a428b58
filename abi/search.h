// <search.h> as the guest lays it out on i386: the reentrant hash table's
// handle and its slots, and the doubly linked element insque and remque
// work on.
#pragma once

#include <cstdint>

namespace linux {

// ENTRY: the key and data pointers hsearch hands back.
struct HashEntry {
  uint32_t key;
  uint32_t data;
};
static_assert(sizeof(HashEntry) == 8);

// One slot of the table: `used` is 0 when empty, else the key's hash.
struct HashSlot {
  uint32_t used;
  HashEntry entry;
};
static_assert(sizeof(HashSlot) == 12);

// struct hsearch_data.
struct HsearchData {
  uint32_t table;  // HashSlot*, slots 1..size (slot 0 unused)
  uint32_t size;
  uint32_t filled;
};
static_assert(sizeof(HsearchData) == 12);

// struct qelem's links (the data after them is the caller's).
struct QueueLinks {
  uint32_t next;
  uint32_t prev;
};
static_assert(sizeof(QueueLinks) == 8);

constexpr int32_t kFIND = 0;
constexpr int32_t kENTER = 1;

}  // namespace linux
