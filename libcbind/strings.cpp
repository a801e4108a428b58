// Memory and strings, and their fortified (checked) forms.
//
// The host C runtime serves a name directly where what it answers is what
// the Linux C library answers on every host: the standard memory and span
// routines. Comparisons are bound directly too, because a guest may rely
// only on their sign: the Linux C library itself answers 1, -1 or the byte
// difference depending on the length and the processor it runs on. The GNU
// and BSD names, everything that allocates (from the loader's heap, which
// the guest frees) and everything whose details the hosts disagree on are
// ours, one implementation for both ports.
//
// Every routine reads no byte past the end of a string or a counted buffer:
// a guest's buffer may end at the end of its last page.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/strings.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

// The "C" locale's classes, without the host's locale in the way.
constexpr unsigned char Lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A'))
                              : c;
}
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

const unsigned char* Bytes(const void* p) {
  return static_cast<const unsigned char*>(p);
}

// A digit run's length from `p`.
size_t DigitRun(const unsigned char* p) {
  size_t n = 0;
  while (IsDigit(p[n])) ++n;
  return n;
}

}  // namespace
}  // namespace tblibc

using tblibc::Bytes;
using tblibc::Lower;

extern "C" {

// ---- Memory -----------------------------------------------------------------

// The hosts' C++ headers declare these two with different const overloads,
// so they are passed through a thin wrapper rather than named in the table.
void* tblibc_memchr(const void* s, int c, uint32_t n) {
  return const_cast<void*>(std::memchr(s, c, n));
}

char* tblibc_strpbrk(const char* s, const char* accept) {
  return const_cast<char*>(std::strpbrk(s, accept));
}

void* tblibc_memrchr(const void* s, int c, uint32_t n) {
  const unsigned char* p = Bytes(s);
  const auto byte = static_cast<unsigned char>(c);
  while (n != 0) {
    --n;
    if (p[n] == byte) return const_cast<unsigned char*>(p + n);
  }
  return nullptr;
}

// No count: the guest promises the byte is there.
void* tblibc_rawmemchr(const void* s, int c) {
  const unsigned char* p = Bytes(s);
  const auto byte = static_cast<unsigned char>(c);
  while (*p != byte) ++p;
  return const_cast<unsigned char*>(p);
}

// The first occurrence, found by its first byte and compared.
static const unsigned char* FindShort(const unsigned char* h, uint32_t hlen,
                                      const unsigned char* n, uint32_t nlen) {
  const unsigned char* last = h + (hlen - nlen);
  for (const unsigned char* p = h; p <= last; ++p) {
    p = static_cast<const unsigned char*>(
        std::memchr(p, n[0], static_cast<size_t>(last - p) + 1));
    if (p == nullptr) return nullptr;
    if (std::memcmp(p + 1, n + 1, nlen - 1) == 0) return p;
  }
  return nullptr;
}

// The first occurrence, in time linear in the haystack for needles of any
// length: a naive search of a long periodic needle would look stuck to the
// user. A long needle goes through Knuth-Morris-Pratt over a table of its
// borders, taken from the loader's heap (the naive search when there is
// none to spare).
void* tblibc_memmem(const void* haystack, uint32_t hlen, const void* needle,
                    uint32_t nlen) {
  const unsigned char* h = Bytes(haystack);
  const unsigned char* n = Bytes(needle);
  if (nlen == 0) return const_cast<unsigned char*>(h);
  if (nlen > hlen) return nullptr;
  constexpr uint32_t kShort = 32;
  auto* border = nlen <= kShort || nlen > SIZE_MAX / sizeof(uint32_t)
                     ? nullptr
                     : static_cast<uint32_t*>(
                           rtl::HeapTryAlloc(sizeof(uint32_t) * size_t{nlen}));
  if (border == nullptr)
    return const_cast<unsigned char*>(FindShort(h, hlen, n, nlen));
  border[0] = 0;
  for (uint32_t i = 1, k = 0; i < nlen; ++i) {
    while (k != 0 && n[i] != n[k]) k = border[k - 1];
    if (n[i] == n[k]) ++k;
    border[i] = k;
  }
  void* found = nullptr;
  for (uint32_t i = 0, k = 0; i < hlen; ++i) {
    while (k != 0 && h[i] != n[k]) k = border[k - 1];
    if (h[i] == n[k]) ++k;
    if (k == nlen) {
      found = const_cast<unsigned char*>(h + i + 1 - nlen);
      break;
    }
  }
  rtl::HeapFree(border);
  return found;
}

void* tblibc_mempcpy(void* dest, const void* src, uint32_t n) {
  std::memmove(dest, src, n);
  return static_cast<char*>(dest) + n;
}

void* tblibc_memccpy(void* dest, const void* src, int c, uint32_t n) {
  auto* d = static_cast<unsigned char*>(dest);
  const unsigned char* s = Bytes(src);
  const auto byte = static_cast<unsigned char>(c);
  for (uint32_t i = 0; i < n; ++i) {
    d[i] = s[i];
    if (s[i] == byte) return d + i + 1;
  }
  return nullptr;
}

void tblibc_bcopy(const void* src, void* dest, uint32_t n) {
  std::memmove(dest, src, n);
}

void tblibc_bzero(void* s, uint32_t n) { std::memset(s, 0, n); }

// Host code cannot have the clearing optimised away, but the guest's
// intent is kept plain all the same.
void tblibc_explicit_bzero(void* s, uint32_t n) {
  volatile auto* p = static_cast<volatile unsigned char*>(s);
  for (uint32_t i = 0; i < n; ++i) p[i] = 0;
}

// ---- Strings ------------------------------------------------------------------

char* tblibc_strdup(const char* s) {
  return tblibc::GuestStrdup(s);
}

uint32_t tblibc_strnlen(const char* s, uint32_t n) {
  const void* end = std::memchr(s, 0, n);
  return end == nullptr ? n
                        : static_cast<uint32_t>(static_cast<const char*>(end) - s);
}

char* tblibc_strndup(const char* s, uint32_t n) {
  return tblibc::GuestStrdup({s, tblibc_strnlen(s, n)});
}

char* tblibc_strtok_r(char* s, const char* delim, char** save) {
  if (s == nullptr) s = *save;
  if (s == nullptr) return nullptr;  // never started, or already finished
  s += std::strspn(s, delim);
  if (*s == '\0') {
    *save = s;
    return nullptr;
  }
  char* end = s + std::strcspn(s, delim);
  if (*end == '\0') {
    *save = end;
  } else {
    *end = '\0';
    *save = end + 1;
  }
  return s;
}

char* tblibc_strtok(char* s, const char* delim) {
  static char* save;
  return tblibc_strtok_r(s, delim, &save);
}

char* tblibc_strsep(char** stringp, const char* delim) {
  char* token = *stringp;
  if (token == nullptr) return nullptr;
  char* end = token + std::strcspn(token, delim);
  if (*end == '\0') {
    *stringp = nullptr;
  } else {
    *end = '\0';
    *stringp = end + 1;
  }
  return token;
}

int tblibc_strcasecmp(const char* a, const char* b) {
  const unsigned char* p = Bytes(a);
  const unsigned char* q = Bytes(b);
  for (;; ++p, ++q) {
    const int diff = Lower(*p) - Lower(*q);
    if (diff != 0 || *p == '\0') return diff;
  }
}

int tblibc_strncasecmp(const char* a, const char* b, uint32_t n) {
  const unsigned char* p = Bytes(a);
  const unsigned char* q = Bytes(b);
  for (; n != 0; --n, ++p, ++q) {
    const int diff = Lower(*p) - Lower(*q);
    if (diff != 0 || *p == '\0') return diff;
  }
  return 0;
}

char* tblibc_strcasestr(const char* haystack, const char* needle) {
  const unsigned char* n = Bytes(needle);
  if (*n == '\0') return const_cast<char*>(haystack);
  const unsigned char first = Lower(*n);
  for (const unsigned char* h = Bytes(haystack); *h != '\0'; ++h) {
    if (Lower(*h) != first) continue;
    size_t i = 1;
    while (n[i] != '\0' && Lower(h[i]) == Lower(n[i])) ++i;
    if (n[i] == '\0') return reinterpret_cast<char*>(const_cast<unsigned char*>(h));
  }
  return nullptr;
}

// Two passes of the host's word-at-a-time routines beat one byte loop.
char* tblibc_strchrnul(const char* s, int c) {
  const char* found = std::strchr(s, static_cast<unsigned char>(c));
  return const_cast<char*>(found != nullptr ? found : s + std::strlen(s));
}

// The "C" locale orders by bytes: the transformed string is the string.
// As much as fits is copied, the terminator only when it fits too.
uint32_t tblibc_strxfrm(char* dest, const char* src, uint32_t n) {
  const size_t length = std::strlen(src);
  if (n != 0) std::memcpy(dest, src, length + 1 < n ? length + 1 : n);
  return static_cast<uint32_t>(length);
}

char* tblibc_stpcpy(char* dest, const char* src) {
  const size_t length = std::strlen(src);
  std::memcpy(dest, src, length + 1);
  return dest + length;
}

char* tblibc_stpncpy(char* dest, const char* src, uint32_t n) {
  const uint32_t length = tblibc_strnlen(src, n);
  std::memcpy(dest, src, length);
  std::memset(dest + length, 0, n - length);
  return dest + length;
}

// Version order: where the strings differ inside a run of digits that both
// share the start of, the runs compare as numbers. A run that starts with
// '0' is a fraction: compared digit by digit, and while it has been zeros
// only, the longer run is the smaller ("000" < "00" < "01" < "010" < "09" <
// "0" < "1" < "9" < "10").
int tblibc_strverscmp(const char* a, const char* b) {
  using tblibc::IsDigit;
  const unsigned char* p = Bytes(a);
  const unsigned char* q = Bytes(b);
  size_t i = 0;
  while (p[i] == q[i]) {
    if (p[i] == '\0') return 0;
    ++i;
  }
  const int diff = p[i] - q[i];
  size_t start = i;  // where the shared digit run begins
  while (start != 0 && IsDigit(p[start - 1])) --start;
  const bool digitP = IsDigit(p[i]), digitQ = IsDigit(q[i]);
  if (start == i) {
    // Both runs begin here: whole numbers unless one starts with '0'.
    if (digitP && digitQ && p[i] != '0' && q[i] != '0') {
      const size_t runP = tblibc::DigitRun(p + i), runQ = tblibc::DigitRun(q + i);
      if (runP != runQ) return runP > runQ ? 1 : -1;
    }
    return diff;
  }
  if (p[start] != '0') {
    // A whole number: the longer run is the greater.
    const size_t runP = tblibc::DigitRun(p + i), runQ = tblibc::DigitRun(q + i);
    if (runP != runQ) return runP > runQ ? 1 : -1;
    return diff;
  }
  bool zerosOnly = true;
  for (size_t k = start; k < i; ++k) zerosOnly = zerosOnly && p[k] == '0';
  if (zerosOnly && digitP != digitQ) return digitP ? -1 : 1;
  return diff;
}

int tblibc_ffs(int32_t v) {
  return v == 0 ? 0 : __builtin_ctz(static_cast<uint32_t>(v)) + 1;
}

int tblibc_ffsll(int64_t v) {
  return v == 0 ? 0 : __builtin_ctzll(static_cast<uint64_t>(v)) + 1;
}

// string.h's basename: what follows the last '/', empty after a trailing
// one; the path is never changed.
char* tblibc_basename(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return const_cast<char*>(slash == nullptr ? path : slash + 1);
}

// libgen.h's basename: trailing slashes are cut off in place, a path of
// slashes only is its last slash, an empty or null path is ".".
char* tblibc_xpg_basename(char* path) {
  static char dot[] = ".";
  if (path == nullptr || *path == '\0') return dot;
  size_t end = std::strlen(path);
  while (end > 1 && path[end - 1] == '/') --end;
  if (end == 1 && path[0] == '/') return path + std::strlen(path) - 1;
  path[end] = '\0';
  char* slash = static_cast<char*>(tblibc_memrchr(path, '/', end));
  return slash == nullptr ? path : slash + 1;
}

// The directory part, cut off in place: trailing slashes and the last
// component go, then the slashes before it. A path of slashes only keeps
// one, or two when it begins with exactly two; no slash at all is ".".
char* tblibc_dirname(char* path) {
  static char dot[] = ".";
  if (path == nullptr) return dot;
  size_t end = std::strlen(path);
  while (end > 0 && path[end - 1] == '/') --end;  // trailing slashes
  while (end > 0 && path[end - 1] != '/') --end;  // the last component
  if (end == 0) {
    // No slash before the last component, or slashes only.
    if (path[0] != '/') return dot;
    size_t slashes = 0;
    while (path[slashes] == '/') ++slashes;
    path[slashes == 2 ? 2 : 1] = '\0';
    return path;
  }
  size_t cut = end;
  while (cut > 0 && path[cut - 1] == '/') --cut;
  if (cut == 0) cut = end == 2 ? 2 : 1;  // only slashes before the component
  path[cut] = '\0';
  return path;
}

// ---- Fortified forms ------------------------------------------------------------
//
// A compiler that knows the size of the destination passes it last; a copy
// that would not fit ends the run before a byte is written, with the Linux
// C library's report.

[[noreturn]] static void Overflow() {
  tblibc::FatalError("*** buffer overflow detected ***: terminated");
}

void* tblibc_memcpy_chk(void* dest, const void* src, uint32_t n,
                        uint32_t destlen) {
  if (destlen < n) Overflow();
  return std::memmove(dest, src, n);
}

void* tblibc_memset_chk(void* dest, int c, uint32_t n, uint32_t destlen) {
  if (destlen < n) Overflow();
  return std::memset(dest, c, n);
}

void* tblibc_mempcpy_chk(void* dest, const void* src, uint32_t n,
                         uint32_t destlen) {
  if (destlen < n) Overflow();
  return tblibc_mempcpy(dest, src, n);
}

char* tblibc_strcpy_chk(char* dest, const char* src, uint32_t destlen) {
  const size_t length = std::strlen(src);
  if (destlen <= length) Overflow();
  return static_cast<char*>(std::memcpy(dest, src, length + 1));
}

char* tblibc_stpcpy_chk(char* dest, const char* src, uint32_t destlen) {
  const size_t length = std::strlen(src);
  if (destlen <= length) Overflow();
  std::memcpy(dest, src, length + 1);
  return dest + length;
}

char* tblibc_strncpy_chk(char* dest, const char* src, uint32_t n,
                         uint32_t destlen) {
  if (destlen < n) Overflow();
  tblibc_stpncpy(dest, src, n);
  return dest;
}

char* tblibc_stpncpy_chk(char* dest, const char* src, uint32_t n,
                         uint32_t destlen) {
  if (destlen < n) Overflow();
  return tblibc_stpncpy(dest, src, n);
}

char* tblibc_strcat_chk(char* dest, const char* src, uint32_t destlen) {
  // The destination's own string must end inside it, too.
  const uint32_t used = tblibc_strnlen(dest, destlen);
  const size_t length = std::strlen(src);
  if (used == destlen || destlen - used <= length) Overflow();
  std::memcpy(dest + used, src, length + 1);
  return dest;
}

char* tblibc_strncat_chk(char* dest, const char* src, uint32_t n,
                         uint32_t destlen) {
  const uint32_t used = tblibc_strnlen(dest, destlen);
  const uint32_t length = tblibc_strnlen(src, n);
  if (used == destlen || destlen - used <= length) Overflow();
  std::memcpy(dest + used, src, length);
  dest[used + length] = '\0';
  return dest;
}

void tblibc_explicit_bzero_chk(void* s, uint32_t n, uint32_t destlen) {
  if (destlen < n) Overflow();
  tblibc_explicit_bzero(s, n);
}


// The start-up's memset and memcpy take a signed count: a negative one
// does nothing; memcpy of overlapping blocks moves them as memmove would.
void* tblibc_memset(void* dest, int c, int32_t n) {
  if (n > 0) std::memset(dest, c, static_cast<size_t>(n));
  return dest;
}

void* tblibc_memcpy(void* dest, const void* src, int32_t n) {
  if (n > 0) std::memmove(dest, src, static_cast<size_t>(n));
  return dest;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    // Memory.
    Fn<&std::memmove>("memmove"),
    Fn<&tblibc_memcpy_chk>("__memmove_chk"),
    Fn<&std::memcmp>("memcmp"),
    Fn<&std::memcmp>("bcmp"),
    Fn<&tblibc_memchr>("memchr"),
    Fn<&tblibc_memrchr>("memrchr"),
    Fn<&tblibc_rawmemchr>("rawmemchr"),
    Fn<&tblibc_rawmemchr>("__rawmemchr"),
    Fn<&tblibc_memmem>("memmem"),
    Fn<&tblibc_mempcpy>("mempcpy"),
    Fn<&tblibc_mempcpy>("__mempcpy"),
    Fn<&tblibc_memccpy>("memccpy"),
    Fn<&tblibc_bcopy>("bcopy"),
    Fn<&tblibc_bzero>("bzero"),
    Fn<&tblibc_explicit_bzero>("explicit_bzero"),
    // Strings.
    Fn<&std::strcat>("strcat"),
    Fn<&std::strncat>("strncat"),
    Fn<&tblibc_strdup>("strdup"),
    Fn<&tblibc_strdup>("__strdup"),
    Fn<&tblibc_strndup>("strndup"),
    Fn<&tblibc_strndup>("__strndup"),
    Fn<&tblibc_strnlen>("strnlen"),
    Fn<&std::strspn>("strspn"),
    Fn<&std::strcspn>("strcspn"),
    Fn<&tblibc_strpbrk>("strpbrk"),
    Fn<&tblibc_strtok>("strtok"),
    Fn<&tblibc_strtok_r>("strtok_r"),
    Fn<&tblibc_strtok_r>("__strtok_r"),
    Fn<&tblibc_strsep>("strsep"),
    Fn<&tblibc_strcasecmp>("strcasecmp"),
    Fn<&tblibc_strncasecmp>("strncasecmp"),
    // The _l forms: only the "C" locale exists here, and the locale argument
    // is one more word that the caller removes.
    Fn<&tblibc_strcasecmp>("strcasecmp_l"),
    Fn<&tblibc_strcasecmp>("__strcasecmp_l"),
    Fn<&tblibc_strncasecmp>("strncasecmp_l"),
    Fn<&tblibc_strncasecmp>("__strncasecmp_l"),
    Fn<&std::strcmp>("strcoll_l"),
    Fn<&std::strcmp>("__strcoll_l"),
    Fn<&tblibc_strxfrm>("strxfrm_l"),
    Fn<&tblibc_strxfrm>("__strxfrm_l"),
    Fn<&tblibc_strcasestr>("strcasestr"),
    Fn<&tblibc_strchrnul>("strchrnul"),
    Fn<&std::strcmp>("strcoll"),
    Fn<&tblibc_strxfrm>("strxfrm"),
    Fn<&tblibc_stpcpy>("stpcpy"),
    Fn<&tblibc_stpcpy>("__stpcpy"),
    Fn<&tblibc_stpncpy>("stpncpy"),
    Fn<&tblibc_stpncpy>("__stpncpy"),
    Fn<&tblibc_strverscmp>("strverscmp"),
    Fn<&tblibc_ffs>("ffs"),
    Fn<&tblibc_ffs>("ffsl"),  // long is 32 bits on i386
    Fn<&tblibc_ffsll>("ffsll"),
    Fn<&tblibc_basename>("basename"),
    Fn<&tblibc_xpg_basename>("__xpg_basename"),
    Fn<&tblibc_dirname>("dirname"),
    // Fortified forms.
    Fn<&tblibc_memcpy_chk>("__memcpy_chk"),
    Fn<&tblibc_memset_chk>("__memset_chk"),
    Fn<&tblibc_mempcpy_chk>("__mempcpy_chk"),
    Fn<&tblibc_strcpy_chk>("__strcpy_chk"),
    Fn<&tblibc_strncpy_chk>("__strncpy_chk"),
    Fn<&tblibc_stpcpy_chk>("__stpcpy_chk"),
    Fn<&tblibc_stpncpy_chk>("__stpncpy_chk"),
    Fn<&tblibc_strcat_chk>("__strcat_chk"),
    Fn<&tblibc_strncat_chk>("__strncat_chk"),
    Fn<&tblibc_explicit_bzero_chk>("__explicit_bzero_chk"),
};

}  // namespace

extern const Family kStringsFamily;
const Family kStringsFamily{"strings", kExports};

}  // namespace tblibc
