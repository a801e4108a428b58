// The Linux i386 C library's locale records and item numbers, as the
// guest sees them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

// struct lconv: ten string pointers, then the monetary numbers (CHAR_MAX,
// 127, where the locale gives none).
struct Lconv {
  uint32_t decimal_point, thousands_sep, grouping, int_curr_symbol,
      currency_symbol, mon_decimal_point, mon_thousands_sep, mon_grouping,
      positive_sign, negative_sign;
  char int_frac_digits, frac_digits, p_cs_precedes, p_sep_by_space,
      n_cs_precedes, n_sep_by_space, p_sign_posn, n_sign_posn,
      int_p_cs_precedes, int_p_sep_by_space, int_n_cs_precedes,
      int_n_sep_by_space, int_p_sign_posn, int_n_sign_posn;
};
static_assert(sizeof(Lconv) == 56);
static_assert(offsetof(Lconv, int_frac_digits) == 40);
static_assert(offsetof(Lconv, int_n_sign_posn) == 53);

// nl_langinfo's items: the category in the high half, the index below.
constexpr int32_t kCODESET = 0xE, kRADIXCHAR = 0x10000, kTHOUSEP = 0x10001,
                  kABDAY_1 = 0x20000, kDAY_1 = 0x20007, kABMON_1 = 0x2000E,
                  kMON_1 = 0x2001A, kAM_STR = 0x20026, kPM_STR = 0x20027,
                  kD_T_FMT = 0x20028, kD_FMT = 0x20029, kT_FMT = 0x2002A,
                  kT_FMT_AMPM = 0x2002B, kCRNCYSTR = 0x4000F,
                  kYESEXPR = 0x50000, kNOEXPR = 0x50001;

// The locale categories: LC_ALL sits among them, and its bit alone in a
// mask means all of them.
constexpr int32_t kLC_ALL = 6;
constexpr int32_t kLcCategories = 13;
constexpr int32_t kLC_ALL_MASK = ((1 << kLcCategories) - 1) & ~(1 << kLC_ALL);
static_assert(kLC_ALL_MASK == 0x1FBF);

// (locale_t)-1: the global locale, as uselocale takes and answers it.
constexpr uint32_t kLC_GLOBAL_LOCALE = 0xFFFFFFFFu;

// struct __locale_struct, what a locale_t points at. libstdc++'s
// std::ctype<char> reads the class and case tables straight from it.
struct LocaleStruct {
  uint32_t locales[kLcCategories];  // struct __locale_data*; null for LC_ALL
  uint32_t ctype_b;                 // const unsigned short*, as __ctype_b_loc's
  uint32_t ctype_tolower;           // const int*
  uint32_t ctype_toupper;           // const int*
  uint32_t names[kLcCategories];    // const char*
};
static_assert(sizeof(LocaleStruct) == 116);
static_assert(offsetof(LocaleStruct, ctype_b) == 52);
static_assert(offsetof(LocaleStruct, ctype_tolower) == 56);
static_assert(offsetof(LocaleStruct, ctype_toupper) == 60);
static_assert(offsetof(LocaleStruct, names) == 64);

}  // namespace linux
