// The printf family: one formatter of ours behind every name.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

#include <cstdarg>
#include <cstdio>

extern "C" {

int tblibc_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vprintf(format, args);
  va_end(args);
  return n;
}

int tblibc_fprintf(void* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vfprintf(static_cast<FILE*>(stream), format, args);
  va_end(args);
  return n;
}

int tblibc_vfprintf(void* stream, const char* format, uint32_t args) {
  return std::vfprintf(static_cast<FILE*>(stream), format,
                       reinterpret_cast<va_list>(uintptr_t{args}));
}

int tblibc_snprintf(char* buffer, uint32_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}

}  // extern "C"

namespace tblibc {

extern const Family kFormatFamily;
const Family kFormatFamily{"format", {}};

}  // namespace tblibc
