// The errors family's entries among the start-up names; everything else of
// the family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
int tblibc_error(int32_t status, int32_t errnum, const char* format, ...);
int* tblibc_errno_location();
}
