// strptime, the inverse of strftime, for the time family's table.
#pragma once

#include "abi/time.h"

extern "C" char* tblibc_strptime(const char* text, const char* format, linux::Tm* tm);
