// The sorting family's entry among the start-up names; everything else of
// the family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
void* tblibc_bsearch(const void* key, const void* base, uint32_t count,
                     uint32_t size, uint32_t compare);
}
