// strftime and strptime in the "C" locale (strftime.cpp, strptime.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "abi/time.h"

namespace tblibc {

// What strftime writes for `format`, whatever its length.
std::string FormatTime(const char* format, const linux::Tm& tm);

}  // namespace tblibc

extern "C" {
uint32_t tblibc_strftime(char* buffer, uint32_t size, const char* format, const linux::Tm* tm);
}
