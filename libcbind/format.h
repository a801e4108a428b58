// The printf family's entries among the start-up names; everything else
// of the family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
int tblibc_printf(const char* format, ...);
int tblibc_fprintf(void* stream, const char* format, ...);
int tblibc_vfprintf(void* stream, const char* format, uint32_t args);
int tblibc_snprintf(char* buffer, uint32_t size, const char* format, ...);
}
