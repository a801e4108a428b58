// Sorting and searching with guest comparators.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

#include <cstdlib>

extern "C" void* tblibc_bsearch(const void* key, const void* base,
                                uint32_t count, uint32_t size,
                                uint32_t compare) {
  using Compare = int (*)(const void*, const void*);
  return std::bsearch(key, base, count, size,
                      reinterpret_cast<Compare>(uintptr_t{compare}));
}

namespace tblibc {

extern const Family kSortingFamily;
const Family kSortingFamily{"sorting", {}};

}  // namespace tblibc
