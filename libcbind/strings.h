// The memory routines among the start-up names; everything else of the
// family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
void* tblibc_memset(void* dest, int c, int32_t n);
void* tblibc_memcpy(void* dest, const void* src, int32_t n);
}
