// Hash tables and queues of <search.h>: hcreate, hsearch, hdestroy and their
// _r forms, insque and remque.
//
// The table is open addressing over a prime number of slots (the request,
// at least 3, made odd and raised to the next prime), numbered 1..size.
// A key's hash is built from its last character to its first, each step
// shifting left by 4 and adding the (signed) character, starting from the
// length; 0 becomes 1. The first probe is hash % size + 1, the step
// 1 + hash % (size - 2), walking downwards and wrapping. A guest sees the
// slots through hsearch_data.table and the order of its ENTRY pointers, so
// the same primes and probes are kept, and a full table (as many entries as
// slots) refuses ENTER with ENOMEM.
#include <cstring>

#include "abi/errno.h"
#include "abi/search.h"
#include "libcbind/allocation.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace {

using linux::HashEntry;
using linux::HashSlot;
using linux::HsearchData;
using linux::QueueLinks;

template <typename T>
T* Ptr(uint32_t address) {
  return reinterpret_cast<T*>(uintptr_t{address});
}

bool IsPrime(uint32_t n) {
  if (n < 2) return false;
  for (uint32_t d = 2; d <= n / d; ++d)
    if (n % d == 0) return false;
  return true;
}

int32_t tblibc_hcreate_r(uint32_t count, HsearchData* table) {
  if (table == nullptr) {
    tblibc::SetErrno(linux::kEINVAL);
    return 0;
  }
  if (table->table != 0) return 0;  // still holding a table
  if (count < 3) count = 3;
  count |= 1;
  while (!IsPrime(count)) {
    if (count > 0xFFFFFFFFu - 2) {
      tblibc::SetErrno(linux::kENOMEM);
      return 0;
    }
    count += 2;
  }
  const uint64_t bytes = (uint64_t{count} + 1) * sizeof(HashSlot);
  if (bytes > 0x7FFFFFFF) {
    tblibc::SetErrno(linux::kENOMEM);
    return 0;
  }
  void* slots = tblibc::GuestAlloc(static_cast<size_t>(bytes));
  if (slots == nullptr) return 0;
  std::memset(slots, 0, static_cast<size_t>(bytes));
  table->size = count;
  table->filled = 0;
  table->table = tblibc::Address(slots);
  return 1;
}

void tblibc_hdestroy_r(HsearchData* table) {
  if (table == nullptr) {
    tblibc::SetErrno(linux::kEINVAL);
    return;
  }
  tblibc_free(Ptr<void>(table->table));
  table->table = 0;
}

uint32_t Hash(const char* key) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(key));
  uint32_t hash = length;
  for (uint32_t i = length; i-- > 0;)
    hash = (hash << 4) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(key[i])));
  return hash == 0 ? 1 : hash;
}

bool Holds(const HashSlot& slot, uint32_t hash, const char* key) {
  return slot.used == hash && std::strcmp(key, Ptr<const char>(slot.entry.key)) == 0;
}

int32_t tblibc_hsearch_r(HashEntry item, int32_t action, uint32_t* found,
                         HsearchData* table) {
  HashSlot* slots = Ptr<HashSlot>(table->table);
  const char* key = Ptr<const char>(item.key);
  const uint32_t size = table->size;
  const uint32_t hash = Hash(key);
  uint32_t index = hash % size + 1;
  if (slots[index].used != 0) {
    if (Holds(slots[index], hash, key)) {
      *found = tblibc::Address(&slots[index].entry);
      return 1;
    }
    const uint32_t step = 1 + hash % (size - 2);
    const uint32_t first = index;
    do {
      index = index <= step ? size + index - step : index - step;
      if (index == first) break;
      if (Holds(slots[index], hash, key)) {
        *found = tblibc::Address(&slots[index].entry);
        return 1;
      }
    } while (slots[index].used != 0);
  }
  if (action != linux::kENTER) {
    tblibc::SetErrno(linux::kESRCH);
    *found = 0;
    return 0;
  }
  if (table->filled == size) {
    tblibc::SetErrno(linux::kENOMEM);
    *found = 0;
    return 0;
  }
  slots[index].used = hash;
  slots[index].entry = item;
  ++table->filled;
  *found = tblibc::Address(&slots[index].entry);
  return 1;
}

// The one table of hcreate, hsearch and hdestroy.
HsearchData gTable;

int32_t tblibc_hcreate(uint32_t count) { return tblibc_hcreate_r(count, &gTable); }

void tblibc_hdestroy() { tblibc_hdestroy_r(&gTable); }

uint32_t tblibc_hsearch(HashEntry item, int32_t action) {
  uint32_t found = 0;
  tblibc_hsearch_r(item, action, &found, &gTable);
  return found;
}

// insque with no predecessor starts a list of one, both links null.
void tblibc_insque(QueueLinks* element, QueueLinks* previous) {
  if (previous == nullptr) {
    element->next = 0;
    element->prev = 0;
    return;
  }
  const uint32_t next = previous->next;
  previous->next = tblibc::Address(element);
  if (next != 0) Ptr<QueueLinks>(next)->prev = tblibc::Address(element);
  element->next = next;
  element->prev = tblibc::Address(previous);
}

void tblibc_remque(QueueLinks* element) {
  if (element->next != 0) Ptr<QueueLinks>(element->next)->prev = element->prev;
  if (element->prev != 0) Ptr<QueueLinks>(element->prev)->next = element->next;
}

}  // namespace

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_hcreate>("hcreate"),
    Fn<&tblibc_hsearch>("hsearch"),
    Fn<&tblibc_hdestroy>("hdestroy"),
    Fn<&tblibc_hcreate_r>("hcreate_r"),
    Fn<&tblibc_hsearch_r>("hsearch_r"),
    Fn<&tblibc_hdestroy_r>("hdestroy_r"),
    Fn<&tblibc_insque>("insque"),
    Fn<&tblibc_remque>("remque"),
};

}  // namespace

extern const Family kTablesFamily;
const Family kTablesFamily{"tables", kExports};

}  // namespace tblibc
