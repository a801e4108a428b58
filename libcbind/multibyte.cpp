// Wide strings and their conversion to and from bytes in the "C" locale:
// mbsrtowcs and its kin, wcscat, wcsstr and the rest of the wide string
// names. The guest's wchar_t is 32 bits and signed on every port (the
// Windows host's is 16), so these work on 32-bit units of their own. The
// "C" locale's character set is ASCII: a byte or wide character past 0x7F
// is EILSEQ, as in glibc.
#include <cstdint>
#include <cstring>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"

extern "C" {  // ctype.cpp
int32_t tblibc_wcwidth(uint32_t wc);
int32_t tblibc_wctomb(char* s, uint32_t wc);
uint32_t tblibc_wcrtomb(char* s, uint32_t wc, void* ps);
uint32_t tblibc_mbstowcs(uint32_t* dst, const char* src, uint32_t n);
uint32_t tblibc_wcstombs(char* dst, const uint32_t* src, uint32_t n);
}

namespace {

constexpr uint32_t kFailed = 0xFFFFFFFFu;  // (size_t)-1

uint32_t Length(const uint32_t* s) {
  uint32_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

bool Contains(const uint32_t* set, uint32_t wc) {
  for (; *set != 0; ++set)
    if (*set == wc) return true;
  return false;
}

uint32_t Lower(uint32_t wc) { return wc >= 'A' && wc <= 'Z' ? wc + 32 : wc; }

// Up to `bytes` bytes of *src, up to `len` wide characters into dst (every
// one counted when dst is null, *src then left alone). The terminator ends
// the string: stored, not counted, *src null.
uint32_t BytesToWide(uint32_t* dst, const char** src, uint32_t bytes, uint32_t len) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(*src);
  uint32_t count = 0;
  for (; bytes > 0 && (dst == nullptr || count < len); ++s, --bytes) {
    if (*s >= 0x80) {
      if (dst != nullptr) *src = reinterpret_cast<const char*>(s);
      tblibc::SetErrno(linux::kEILSEQ);
      return kFailed;
    }
    if (dst != nullptr) dst[count] = *s;
    if (*s == 0) {
      if (dst != nullptr) *src = nullptr;
      return count;
    }
    ++count;
  }
  if (dst != nullptr) *src = reinterpret_cast<const char*>(s);
  return count;
}

// The other way: up to `wides` characters of *src, up to `len` bytes.
uint32_t WideToBytes(char* dst, const uint32_t** src, uint32_t wides, uint32_t len) {
  const uint32_t* s = *src;
  uint32_t count = 0;
  for (; wides > 0 && (dst == nullptr || count < len); ++s, --wides) {
    if (*s >= 0x80) {
      if (dst != nullptr) *src = s;
      tblibc::SetErrno(linux::kEILSEQ);
      return kFailed;
    }
    if (dst != nullptr) dst[count] = static_cast<char>(*s);
    if (*s == 0) {
      if (dst != nullptr) *src = nullptr;
      return count;
    }
    ++count;
  }
  if (dst != nullptr) *src = s;
  return count;
}

}  // namespace

extern "C" {

uint32_t tblibc_mbsrtowcs(uint32_t* dst, const char** src, uint32_t len, void*) {
  return BytesToWide(dst, src, 0xFFFFFFFFu, len);
}

uint32_t tblibc_mbsnrtowcs(uint32_t* dst, const char** src, uint32_t nms, uint32_t len, void*) {
  return BytesToWide(dst, src, nms, len);
}

uint32_t tblibc_wcsrtombs(char* dst, const uint32_t** src, uint32_t len, void*) {
  return WideToBytes(dst, src, 0xFFFFFFFFu, len);
}

uint32_t tblibc_wcsnrtombs(char* dst, const uint32_t** src, uint32_t nwc, uint32_t len, void*) {
  return WideToBytes(dst, src, nwc, len);
}

uint32_t* tblibc_wcscat(uint32_t* dest, const uint32_t* src) {
  uint32_t* end = dest + Length(dest);
  while ((*end++ = *src++) != 0) {
  }
  return dest;
}

uint32_t* tblibc_wcsncat(uint32_t* dest, const uint32_t* src, uint32_t n) {
  uint32_t* end = dest + Length(dest);
  for (; n > 0 && *src != 0; --n) *end++ = *src++;
  *end = 0;
  return dest;
}

uint32_t* tblibc_wcsdup(const uint32_t* s) {
  const uint32_t size = (Length(s) + 1) * sizeof(uint32_t);
  auto* copy = static_cast<uint32_t*>(tblibc::GuestAlloc(size));
  if (copy != nullptr) std::memcpy(copy, s, size);
  return copy;
}

uint32_t tblibc_wcsnlen(const uint32_t* s, uint32_t n) {
  uint32_t i = 0;
  while (i < n && s[i] != 0) ++i;
  return i;
}

uint32_t* tblibc_wcsstr(const uint32_t* haystack, const uint32_t* needle) {
  const uint32_t n = Length(needle);
  for (const uint32_t* p = haystack;; ++p) {
    if (std::memcmp(p, needle, n * sizeof(uint32_t)) == 0 || n == 0)
      return const_cast<uint32_t*>(p);
    if (*p == 0) return nullptr;
  }
}

// The difference of the lowered characters, as glibc answers.
int32_t tblibc_wcsncasecmp(const uint32_t* a, const uint32_t* b, uint32_t n) {
  for (; n > 0; --n, ++a, ++b) {
    const uint32_t x = Lower(*a), y = Lower(*b);
    if (x != y || x == 0) return static_cast<int32_t>(x - y);
  }
  return 0;
}

int32_t tblibc_wcscasecmp(const uint32_t* a, const uint32_t* b) {
  return tblibc_wcsncasecmp(a, b, 0xFFFFFFFFu);
}

uint32_t tblibc_wcsspn(const uint32_t* s, const uint32_t* accept) {
  uint32_t i = 0;
  while (s[i] != 0 && Contains(accept, s[i])) ++i;
  return i;
}

uint32_t tblibc_wcscspn(const uint32_t* s, const uint32_t* reject) {
  uint32_t i = 0;
  while (s[i] != 0 && !Contains(reject, s[i])) ++i;
  return i;
}

uint32_t* tblibc_wcspbrk(const uint32_t* s, const uint32_t* accept) {
  s += tblibc_wcscspn(s, accept);
  return *s != 0 ? const_cast<uint32_t*>(s) : nullptr;
}

uint32_t* tblibc_wcstok(uint32_t* s, const uint32_t* delim, uint32_t** save) {
  if (s == nullptr) s = *save;
  if (s == nullptr) return nullptr;
  s += tblibc_wcsspn(s, delim);
  if (*s == 0) {
    *save = s;
    return nullptr;
  }
  uint32_t* end = s + tblibc_wcscspn(s, delim);
  if (*end != 0) *end++ = 0;
  *save = end;
  return s;
}

uint32_t* tblibc_wcpcpy(uint32_t* dest, const uint32_t* src) {
  while ((*dest = *src++) != 0) ++dest;
  return dest;
}

// wcsncpy pads with nulls up to n; wcpncpy answers where the copy ended
// (the first null written, or dest + n).
uint32_t* tblibc_wcsncpy(uint32_t* dest, const uint32_t* src, uint32_t n) {
  uint32_t i = 0;
  for (; i < n && src[i] != 0; ++i) dest[i] = src[i];
  for (uint32_t k = i; k < n; ++k) dest[k] = 0;
  return dest;
}
uint32_t* tblibc_wcpncpy(uint32_t* dest, const uint32_t* src, uint32_t n) {
  tblibc_wcsncpy(dest, src, n);
  uint32_t i = 0;
  while (i < n && src[i] != 0) ++i;
  return dest + i;
}

int32_t tblibc_wcswidth(const uint32_t* s, uint32_t n) {
  int32_t total = 0;
  for (; n > 0 && *s != 0; --n, ++s) {
    const int32_t width = tblibc_wcwidth(*s);
    if (width < 0) return -1;
    total += width;
  }
  return total;
}

}  // extern "C"

namespace {

void Check(bool overflow) {
  if (overflow) tblibc::FatalError("*** buffer overflow detected ***: terminated");
}

}  // namespace

extern "C" {

// The fortified forms. `room` is the destination's size: in wide
// characters for a wide destination, in bytes for a byte one. Each checks
// what glibc checks, before it writes anything.
uint32_t* tblibc_wcscpy_chk(uint32_t* dest, const uint32_t* src, uint32_t room) {
  Check(Length(src) >= room);
  return tblibc_wcpcpy(dest, src) - Length(src);
}
uint32_t* tblibc_wcpcpy_chk(uint32_t* dest, const uint32_t* src, uint32_t room) {
  Check(Length(src) >= room);
  return tblibc_wcpcpy(dest, src);
}
uint32_t* tblibc_wcsncpy_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  Check(n > room);
  return tblibc_wcsncpy(dest, src, n);
}
uint32_t* tblibc_wcpncpy_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  Check(n > room);
  return tblibc_wcpncpy(dest, src, n);
}
uint32_t* tblibc_wcscat_chk(uint32_t* dest, const uint32_t* src, uint32_t room) {
  Check(uint64_t{Length(dest)} + Length(src) >= room);
  return tblibc_wcscat(dest, src);
}
uint32_t* tblibc_wcsncat_chk(uint32_t* dest, const uint32_t* src, uint32_t n, uint32_t room) {
  uint32_t add = 0;
  while (add < n && src[add] != 0) ++add;
  Check(uint64_t{Length(dest)} + add >= room);
  return tblibc_wcsncat(dest, src, n);
}
uint32_t tblibc_mbsrtowcs_chk(uint32_t* dst, const char** src, uint32_t len, void* ps,
                              uint32_t room) {
  Check(len > room);
  return tblibc_mbsrtowcs(dst, src, len, ps);
}
uint32_t tblibc_mbsnrtowcs_chk(uint32_t* dst, const char** src, uint32_t nms, uint32_t len,
                               void* ps, uint32_t room) {
  Check(len > room);
  return tblibc_mbsnrtowcs(dst, src, nms, len, ps);
}
uint32_t tblibc_mbstowcs_chk(uint32_t* dst, const char* src, uint32_t len, uint32_t room) {
  Check(len > room);
  return tblibc_mbstowcs(dst, src, len);
}
uint32_t tblibc_wcsrtombs_chk(char* dst, const uint32_t** src, uint32_t len, void* ps,
                              uint32_t room) {
  Check(len > room);
  return tblibc_wcsrtombs(dst, src, len, ps);
}
uint32_t tblibc_wcsnrtombs_chk(char* dst, const uint32_t** src, uint32_t nwc, uint32_t len,
                               void* ps, uint32_t room) {
  Check(len > room);
  return tblibc_wcsnrtombs(dst, src, nwc, len, ps);
}
uint32_t tblibc_wcstombs_chk(char* dst, const uint32_t* src, uint32_t len, uint32_t room) {
  Check(len > room);
  return tblibc_wcstombs(dst, src, len);
}
// The "C" locale's MB_CUR_MAX is 1.
uint32_t tblibc_wcrtomb_chk(char* s, uint32_t wc, void* ps, uint32_t room) {
  Check(room < 1);
  return tblibc_wcrtomb(s, wc, ps);
}
int32_t tblibc_wctomb_chk(char* s, uint32_t wc, uint32_t room) {
  Check(room < 1);
  return tblibc_wctomb(s, wc);
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_mbsrtowcs>("mbsrtowcs"),
    Fn<&tblibc_mbsnrtowcs>("mbsnrtowcs"),
    Fn<&tblibc_wcsrtombs>("wcsrtombs"),
    Fn<&tblibc_wcsnrtombs>("wcsnrtombs"),
    Fn<&tblibc_wcscat>("wcscat"),
    Fn<&tblibc_wcsncat>("wcsncat"),
    Fn<&tblibc_wcsdup>("wcsdup"),
    Fn<&tblibc_wcsnlen>("wcsnlen"),
    Fn<&tblibc_wcsstr>("wcsstr"),
    Fn<&tblibc_wcscasecmp>("wcscasecmp"),
    Fn<&tblibc_wcsncasecmp>("wcsncasecmp"),
    Fn<&tblibc_wcsspn>("wcsspn"),
    Fn<&tblibc_wcscspn>("wcscspn"),
    Fn<&tblibc_wcspbrk>("wcspbrk"),
    Fn<&tblibc_wcstok>("wcstok"),
    Fn<&tblibc_wcswidth>("wcswidth"),
    Fn<&tblibc_wcpcpy>("wcpcpy"),
    Fn<&tblibc_wcsncpy>("wcsncpy"),
    Fn<&tblibc_wcpncpy>("wcpncpy"),
    Fn<&tblibc_wcscpy_chk>("__wcscpy_chk"),
    Fn<&tblibc_wcpcpy_chk>("__wcpcpy_chk"),
    Fn<&tblibc_wcsncpy_chk>("__wcsncpy_chk"),
    Fn<&tblibc_wcpncpy_chk>("__wcpncpy_chk"),
    Fn<&tblibc_wcscat_chk>("__wcscat_chk"),
    Fn<&tblibc_wcsncat_chk>("__wcsncat_chk"),
    Fn<&tblibc_mbsrtowcs_chk>("__mbsrtowcs_chk"),
    Fn<&tblibc_mbsnrtowcs_chk>("__mbsnrtowcs_chk"),
    Fn<&tblibc_mbstowcs_chk>("__mbstowcs_chk"),
    Fn<&tblibc_wcsrtombs_chk>("__wcsrtombs_chk"),
    Fn<&tblibc_wcsnrtombs_chk>("__wcsnrtombs_chk"),
    Fn<&tblibc_wcstombs_chk>("__wcstombs_chk"),
    Fn<&tblibc_wcrtomb_chk>("__wcrtomb_chk"),
    Fn<&tblibc_wctomb_chk>("__wctomb_chk"),
};

}  // namespace

extern const Family kMultibyteFamily;
const Family kMultibyteFamily{"multibyte", kExports};

}  // namespace tblibc
