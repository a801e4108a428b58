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

}  // namespace linux
