// The guest's heap among the start-up names: malloc and its kin, from the
// loader's own heap; the aligned forms are reached through the family's
// table.
#pragma once

#include <cstdint>

extern "C" {
void* tblibc_malloc(int32_t size);
void tblibc_free(void* block);
void* tblibc_realloc(void* block, int32_t size);
void* tblibc_calloc(uint32_t count, uint32_t size);
}
