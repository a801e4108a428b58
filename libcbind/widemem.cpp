// Arrays of wide characters: wmemcpy and its kin. The guest's wchar_t is 32
// bits on every port (the Windows host's is 16), so these work on 32-bit
// units of their own and no host wide function is bound.
#include <cstdint>
#include <cstring>

#include "libcbind/families.h"
#include "libcbind/process.h"

extern "C" {

uint32_t* tblibc_wmemcpy(uint32_t* dest, const uint32_t* src, uint32_t n) {
  std::memcpy(dest, src, sizeof(uint32_t) * n);
  return dest;
}

uint32_t* tblibc_wmempcpy(uint32_t* dest, const uint32_t* src, uint32_t n) {
  std::memcpy(dest, src, sizeof(uint32_t) * n);
  return dest + n;
}

uint32_t* tblibc_wmemmove(uint32_t* dest, const uint32_t* src, uint32_t n) {
  std::memmove(dest, src, sizeof(uint32_t) * n);
  return dest;
}

uint32_t* tblibc_wmemset(uint32_t* dest, uint32_t wc, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) dest[i] = wc;
  return dest;
}

uint32_t* tblibc_wmemchr(const uint32_t* s, uint32_t wc, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i)
    if (s[i] == wc) return const_cast<uint32_t*>(s + i);
  return nullptr;
}

// wchar_t is signed on i386 Linux: values compare as signed, and the answer
// is -1, 0 or 1, as wcscmp's.
int32_t tblibc_wmemcmp(const uint32_t* a, const uint32_t* b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t x = static_cast<int32_t>(a[i]), y = static_cast<int32_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

// The fortified forms: `room` is the destination's size in wide characters.
uint32_t* tblibc_wmemcpy_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  if (n > room) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_wmemcpy(dest, src, n);
}
uint32_t* tblibc_wmempcpy_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  if (n > room) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_wmempcpy(dest, src, n);
}
uint32_t* tblibc_wmemmove_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  if (n > room) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_wmemmove(dest, src, n);
}
uint32_t* tblibc_wmemset_chk(uint32_t* dest, uint32_t wc, uint32_t n, uint32_t room) {
  if (n > room) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_wmemset(dest, wc, n);
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_wmemcpy>("wmemcpy"),
    Fn<&tblibc_wmempcpy>("wmempcpy"),
    Fn<&tblibc_wmemmove>("wmemmove"),
    Fn<&tblibc_wmemset>("wmemset"),
    Fn<&tblibc_wmemchr>("wmemchr"),
    Fn<&tblibc_wmemcmp>("wmemcmp"),
    Fn<&tblibc_wmemcpy_chk>("__wmemcpy_chk"),
    Fn<&tblibc_wmempcpy_chk>("__wmempcpy_chk"),
    Fn<&tblibc_wmemmove_chk>("__wmemmove_chk"),
    Fn<&tblibc_wmemset_chk>("__wmemset_chk"),
};

}  // namespace

extern const Family kWideMemFamily;
const Family kWideMemFamily{"widemem", kExports};

}  // namespace tblibc
