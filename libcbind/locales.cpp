// Locale objects (newlocale, uselocale ...) and the functions that take
// one, in a world with a single locale: "C". Every object answers as the
// "C" locale does, so each function of an explicit locale is the plain
// function's entry (the locale is one more word on the stack that the
// callee never reads), and the rest are the wide collation and time
// functions of the "C" locale on the guest's 32-bit wchar_t.
//
// The objects are laid out as the Linux C library's (abi/locale.h), with
// its class and case tables, because libstdc++ reads those fields itself.
// As in that library, "C" is one object of the library's own that
// freelocale leaves alone; "POSIX" and "" (the environment's locale, which
// is "C" here) and every duplicate are blocks of the loader's heap. Any
// other name is a locale this world does not have: ENOENT.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "abi/errno.h"
#include "abi/locale.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/strftime.h"
#include "libcbind/strptime.h"
#include "runtime/heap.h"

extern "C" {  // ctype.cpp
const uint16_t* const* tblibc_ctype_b_loc();
const int32_t* const* tblibc_ctype_tolower_loc();
const int32_t* const* tblibc_ctype_toupper_loc();
const char* tblibc_nl_langinfo(int32_t item);
uint32_t tblibc_isalnum(int32_t c);
uint32_t tblibc_isalpha(int32_t c);
uint32_t tblibc_isblank(int32_t c);
uint32_t tblibc_iscntrl(int32_t c);
uint32_t tblibc_isdigit(int32_t c);
uint32_t tblibc_isgraph(int32_t c);
uint32_t tblibc_islower(int32_t c);
uint32_t tblibc_isprint(int32_t c);
uint32_t tblibc_ispunct(int32_t c);
uint32_t tblibc_isspace(int32_t c);
uint32_t tblibc_isupper(int32_t c);
uint32_t tblibc_isxdigit(int32_t c);
int32_t tblibc_tolower(int32_t c);
int32_t tblibc_toupper(int32_t c);
uint32_t tblibc_iswalnum(uint32_t wc);
uint32_t tblibc_iswalpha(uint32_t wc);
uint32_t tblibc_iswblank(uint32_t wc);
uint32_t tblibc_iswcntrl(uint32_t wc);
uint32_t tblibc_iswdigit(uint32_t wc);
uint32_t tblibc_iswgraph(uint32_t wc);
uint32_t tblibc_iswlower(uint32_t wc);
uint32_t tblibc_iswprint(uint32_t wc);
uint32_t tblibc_iswpunct(uint32_t wc);
uint32_t tblibc_iswspace(uint32_t wc);
uint32_t tblibc_iswupper(uint32_t wc);
uint32_t tblibc_iswxdigit(uint32_t wc);
uint32_t tblibc_towlower(uint32_t wc);
uint32_t tblibc_towupper(uint32_t wc);
int32_t tblibc_iswctype(uint32_t wc, uint32_t desc);
uint32_t tblibc_wctype(const char* name);
int32_t tblibc_wcscmp(const uint32_t* a, const uint32_t* b);
uint32_t tblibc_wctrans(const char* name);
uint32_t tblibc_towctrans(uint32_t wc, uint32_t desc);
int32_t tblibc_isascii(int32_t c);
int32_t tblibc_toascii(int32_t c);
}

extern "C" {  // numbers.cpp
double tblibc_strtod(const char* s, char** end);
float tblibc_strtof(const char* s, char** end);
long double tblibc_strtold(const char* s, char** end);
int32_t tblibc_strtol(const char* s, char** end, int32_t base);
uint32_t tblibc_strtoul(const char* s, char** end, int32_t base);
int64_t tblibc_strtoll(const char* s, char** end, int32_t base);
uint64_t tblibc_strtoull(const char* s, char** end, int32_t base);
double tblibc_wcstod(const int32_t* s, int32_t** end);
float tblibc_wcstof(const int32_t* s, int32_t** end);
long double tblibc_wcstold(const int32_t* s, int32_t** end);
int32_t tblibc_wcstol(const int32_t* s, int32_t** end, int32_t base);
uint32_t tblibc_wcstoul(const int32_t* s, int32_t** end, int32_t base);
int64_t tblibc_wcstoll(const int32_t* s, int32_t** end, int32_t base);
uint64_t tblibc_wcstoull(const int32_t* s, int32_t** end, int32_t base);
}

extern "C" {  // multibyte.cpp
int32_t tblibc_wcscasecmp(const uint32_t* a, const uint32_t* b);
int32_t tblibc_wcsncasecmp(const uint32_t* a, const uint32_t* b, uint32_t n);
}


namespace tblibc {
namespace {

using linux::LocaleStruct;

// What each category's data pointer points at. Nothing reads these
// records in the "C" locale, but they are not null, as the library's are
// not.
const uint32_t kCategoryData[64] = {};
const char kCName[] = "C";

LocaleStruct Build() {
  LocaleStruct l{};
  for (int32_t i = 0; i < linux::kLcCategories; ++i) {
    if (i != linux::kLC_ALL) l.locales[i] = Address(kCategoryData);
    l.names[i] = Address(kCName);
  }
  l.ctype_b = Address(*tblibc_ctype_b_loc());
  l.ctype_tolower = Address(*tblibc_ctype_tolower_loc());
  l.ctype_toupper = Address(*tblibc_ctype_toupper_loc());
  return l;
}

// The library's own "C" object.
LocaleStruct* CLocale() {
  static LocaleStruct c = Build();
  return &c;
}

uint32_t Copy() {
  auto* l = static_cast<LocaleStruct*>(GuestAlloc(sizeof(LocaleStruct)));
  if (l == nullptr) return 0;
  *l = *CLocale();
  return Address(l);
}

bool Named(uint32_t locale) {
  return locale != 0 && locale != linux::kLC_GLOBAL_LOCALE;
}

// The calling thread's locale, uselocale's: the global one to begin with.
uint32_t gCurrent = linux::kLC_GLOBAL_LOCALE;

}  // namespace
}  // namespace tblibc

using tblibc::Address;

extern "C" {

// ---- Locale objects -------------------------------------------------------------

// A mask of no category keeps whatever `base` is and never reads the name.
// A base is kept and answered: its categories are "C" already.
uint32_t tblibc_newlocale(int32_t mask, const char* name, uint32_t base) {
  if (mask == 1 << linux::kLC_ALL) mask = linux::kLC_ALL_MASK;
  if ((mask & ~linux::kLC_ALL_MASK) != 0 || name == nullptr) {
    tblibc::SetErrno(linux::kEINVAL);
    return 0;
  }
  if (mask == 0) return tblibc::Named(base) ? base : Address(tblibc::CLocale());
  const std::string_view n = name;
  if (n != "C" && n != "POSIX" && !n.empty()) {
    tblibc::SetErrno(linux::kENOENT);
    return 0;
  }
  if (tblibc::Named(base)) return base;
  return n == "C" ? Address(tblibc::CLocale()) : tblibc::Copy();
}

uint32_t tblibc_duplocale(uint32_t locale) {
  return locale == Address(tblibc::CLocale()) ? locale : tblibc::Copy();
}

void tblibc_freelocale(uint32_t locale) {
  void* block = reinterpret_cast<void*>(uintptr_t{locale});
  if (tblibc::Named(locale) && locale != Address(tblibc::CLocale()) && rtl::HeapIsLive(block))
    rtl::HeapFree(block);
}

uint32_t tblibc_uselocale(uint32_t locale) {
  const uint32_t previous = tblibc::gCurrent;
  if (locale != 0) tblibc::gCurrent = locale;
  return previous;
}

// ---- Wide collation and time ----------------------------------------------------

// The "C" locale orders wide strings by their values, as wcscmp does, so
// the transformed string is the string: as much as fits is copied, the
// terminator only when it fits too.
uint32_t tblibc_wcsxfrm(uint32_t* dest, const uint32_t* src, uint32_t n) {
  uint32_t length = 0;
  while (src[length] != 0) ++length;
  if (n != 0) std::memcpy(dest, src, sizeof(uint32_t) * (length + 1 < n ? length + 1 : n));
  return length;
}

// strftime's text, widened. What lies between characters beyond ASCII is
// formatted on its own and those characters are copied as they are: no
// conversion of the "C" locale's has one.
uint32_t tblibc_wcsftime(uint32_t* buffer, uint32_t size, const uint32_t* format,
                         const linux::Tm* tm) {
  std::vector<uint32_t> out;
  std::string run;
  const auto flush = [&] {
    for (const unsigned char c : tblibc::FormatTime(run.c_str(), *tm)) out.push_back(c);
    run.clear();
  };
  for (const uint32_t* f = format; *f != 0; ++f) {
    if (*f < 0x80) {
      run.push_back(static_cast<char>(*f));
    } else {
      flush();
      out.push_back(*f);
    }
  }
  flush();
  if (out.size() >= size) return 0;
  std::memcpy(buffer, out.data(), sizeof(uint32_t) * out.size());
  buffer[out.size()] = 0;
  return static_cast<uint32_t>(out.size());
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_newlocale>("newlocale"),
    Fn<&tblibc_newlocale>("__newlocale"),
    Fn<&tblibc_duplocale>("duplocale"),
    Fn<&tblibc_duplocale>("__duplocale"),
    Fn<&tblibc_freelocale>("freelocale"),
    Fn<&tblibc_freelocale>("__freelocale"),
    Fn<&tblibc_uselocale>("uselocale"),
    Fn<&tblibc_uselocale>("__uselocale"),
    Fn<&tblibc_wcscmp>("wcscoll"),
    Fn<&tblibc_wcsxfrm>("wcsxfrm"),
    Fn<&tblibc_wcsftime>("wcsftime"),
    // The forms of an explicit locale (nl_langinfo_l, the strcoll_l and
    // strxfrm_l names and __strftime_l are their plain families' rows).
    Fn<&tblibc_nl_langinfo>("__nl_langinfo_l"),
    Fn<&tblibc_strftime>("strftime_l"),
    Fn<&tblibc_wcsftime>("wcsftime_l"),
    Fn<&tblibc_wcsftime>("__wcsftime_l"),
    Fn<&tblibc_wcscmp>("wcscoll_l"),
    Fn<&tblibc_wcscmp>("__wcscoll_l"),
    Fn<&tblibc_wcsxfrm>("wcsxfrm_l"),
    Fn<&tblibc_wcsxfrm>("__wcsxfrm_l"),
    Fn<&tblibc_strtod>("strtod_l"),
    Fn<&tblibc_strtod>("__strtod_l"),
    Fn<&tblibc_strtof>("strtof_l"),
    Fn<&tblibc_strtof>("__strtof_l"),
    Fn<&tblibc_strtold>("strtold_l"),
    Fn<&tblibc_strtold>("__strtold_l"),
    Fn<&tblibc_strtof>("strtof32_l"),
    Fn<&tblibc_strtod>("strtof32x_l"),
    Fn<&tblibc_strtod>("strtof64_l"),
    Fn<&tblibc_strtold>("strtof64x_l"),
    Fn<&tblibc_strtol>("strtol_l"),
    Fn<&tblibc_strtol>("__strtol_l"),
    Fn<&tblibc_strtoul>("strtoul_l"),
    Fn<&tblibc_strtoul>("__strtoul_l"),
    Fn<&tblibc_strtoll>("strtoll_l"),
    Fn<&tblibc_strtoll>("__strtoll_l"),
    Fn<&tblibc_strtoull>("strtoull_l"),
    Fn<&tblibc_strtoull>("__strtoull_l"),
    Fn<&tblibc_wcstod>("wcstod_l"),
    Fn<&tblibc_wcstod>("__wcstod_l"),
    Fn<&tblibc_wcstof>("wcstof_l"),
    Fn<&tblibc_wcstof>("__wcstof_l"),
    Fn<&tblibc_wcstold>("wcstold_l"),
    Fn<&tblibc_wcstold>("__wcstold_l"),
    Fn<&tblibc_wcstof>("wcstof32_l"),
    Fn<&tblibc_wcstod>("wcstof32x_l"),
    Fn<&tblibc_wcstod>("wcstof64_l"),
    Fn<&tblibc_wcstold>("wcstof64x_l"),
    Fn<&tblibc_wcstol>("wcstol_l"),
    Fn<&tblibc_wcstol>("__wcstol_l"),
    Fn<&tblibc_wcstoul>("wcstoul_l"),
    Fn<&tblibc_wcstoul>("__wcstoul_l"),
    Fn<&tblibc_wcstoll>("wcstoll_l"),
    Fn<&tblibc_wcstoll>("__wcstoll_l"),
    Fn<&tblibc_wcstoull>("wcstoull_l"),
    Fn<&tblibc_wcstoull>("__wcstoull_l"),
    Fn<&tblibc_wcscasecmp>("wcscasecmp_l"),
    Fn<&tblibc_wcscasecmp>("__wcscasecmp_l"),
    Fn<&tblibc_wcsncasecmp>("wcsncasecmp_l"),
    Fn<&tblibc_wcsncasecmp>("__wcsncasecmp_l"),
    Fn<&tblibc_wctrans>("wctrans_l"),
    Fn<&tblibc_wctrans>("__wctrans_l"),
    Fn<&tblibc_towctrans>("towctrans_l"),
    Fn<&tblibc_towctrans>("__towctrans_l"),
    Fn<&tblibc_isascii>("__isascii_l"),
    Fn<&tblibc_toascii>("__toascii_l"),
    Fn<&tblibc_strptime>("strptime_l"),
    Fn<&tblibc_isalnum>("isalnum_l"),
    Fn<&tblibc_isalnum>("__isalnum_l"),
    Fn<&tblibc_isalpha>("isalpha_l"),
    Fn<&tblibc_isalpha>("__isalpha_l"),
    Fn<&tblibc_isblank>("isblank_l"),
    Fn<&tblibc_isblank>("__isblank_l"),
    Fn<&tblibc_iscntrl>("iscntrl_l"),
    Fn<&tblibc_iscntrl>("__iscntrl_l"),
    Fn<&tblibc_isdigit>("isdigit_l"),
    Fn<&tblibc_isdigit>("__isdigit_l"),
    Fn<&tblibc_isgraph>("isgraph_l"),
    Fn<&tblibc_isgraph>("__isgraph_l"),
    Fn<&tblibc_islower>("islower_l"),
    Fn<&tblibc_islower>("__islower_l"),
    Fn<&tblibc_isprint>("isprint_l"),
    Fn<&tblibc_isprint>("__isprint_l"),
    Fn<&tblibc_ispunct>("ispunct_l"),
    Fn<&tblibc_ispunct>("__ispunct_l"),
    Fn<&tblibc_isspace>("isspace_l"),
    Fn<&tblibc_isspace>("__isspace_l"),
    Fn<&tblibc_isupper>("isupper_l"),
    Fn<&tblibc_isupper>("__isupper_l"),
    Fn<&tblibc_isxdigit>("isxdigit_l"),
    Fn<&tblibc_isxdigit>("__isxdigit_l"),
    Fn<&tblibc_tolower>("tolower_l"),
    Fn<&tblibc_tolower>("__tolower_l"),
    Fn<&tblibc_toupper>("toupper_l"),
    Fn<&tblibc_toupper>("__toupper_l"),
    Fn<&tblibc_iswalnum>("iswalnum_l"),
    Fn<&tblibc_iswalnum>("__iswalnum_l"),
    Fn<&tblibc_iswalpha>("iswalpha_l"),
    Fn<&tblibc_iswalpha>("__iswalpha_l"),
    Fn<&tblibc_iswblank>("iswblank_l"),
    Fn<&tblibc_iswblank>("__iswblank_l"),
    Fn<&tblibc_iswcntrl>("iswcntrl_l"),
    Fn<&tblibc_iswcntrl>("__iswcntrl_l"),
    Fn<&tblibc_iswdigit>("iswdigit_l"),
    Fn<&tblibc_iswdigit>("__iswdigit_l"),
    Fn<&tblibc_iswgraph>("iswgraph_l"),
    Fn<&tblibc_iswgraph>("__iswgraph_l"),
    Fn<&tblibc_iswlower>("iswlower_l"),
    Fn<&tblibc_iswlower>("__iswlower_l"),
    Fn<&tblibc_iswprint>("iswprint_l"),
    Fn<&tblibc_iswprint>("__iswprint_l"),
    Fn<&tblibc_iswpunct>("iswpunct_l"),
    Fn<&tblibc_iswpunct>("__iswpunct_l"),
    Fn<&tblibc_iswspace>("iswspace_l"),
    Fn<&tblibc_iswspace>("__iswspace_l"),
    Fn<&tblibc_iswupper>("iswupper_l"),
    Fn<&tblibc_iswupper>("__iswupper_l"),
    Fn<&tblibc_iswxdigit>("iswxdigit_l"),
    Fn<&tblibc_iswxdigit>("__iswxdigit_l"),
    Fn<&tblibc_towlower>("towlower_l"),
    Fn<&tblibc_towlower>("__towlower_l"),
    Fn<&tblibc_towupper>("towupper_l"),
    Fn<&tblibc_towupper>("__towupper_l"),
    Fn<&tblibc_iswctype>("iswctype_l"),
    Fn<&tblibc_iswctype>("__iswctype_l"),
    Fn<&tblibc_wctype>("wctype_l"),
    Fn<&tblibc_wctype>("__wctype_l"),
};

}  // namespace

extern const Family kLocalesFamily;
const Family kLocalesFamily{"locales", kExports};

}  // namespace tblibc
