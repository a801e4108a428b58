// The character and locale family's entries among the start-up names;
// everything else of the family is reached through its table.
#pragma once

#include <cstdint>
#include <string_view>

namespace tblibc::ctype {

// The class bits of the Linux i386 C library's table, as its <ctype.h>
// macros test them.
constexpr uint16_t kUpper = 0x100, kLower = 0x200, kAlpha = 0x400,
                   kDigit = 0x800, kXdigit = 0x1000, kSpace = 0x2000,
                   kPrint = 0x4000, kGraph = 0x8000, kBlank = 0x1,
                   kCntrl = 0x2, kPunct = 0x4, kAlnum = 0x8;

// The "C" locale's class named `name` ("alnum" ... "xdigit") as its bit, 0
// for a name it does not know; the same names fnmatch, regcomp and wctype
// take.
uint16_t ClassNamed(std::string_view name);
// Whether byte `c` is in the classes of `bits` (any of them).
bool InClass(unsigned char c, uint16_t bits);

}  // namespace tblibc::ctype

extern "C" {
uint32_t tblibc_ctype_get_mb_cur_max();
const uint16_t* const* tblibc_ctype_b_loc();
char* tblibc_setlocale(int category, const char* locale);
const char* tblibc_dcgettext(const char* domain, const char* msgid, int category);
const char* tblibc_textdomain(const char* domain);
const char* tblibc_bindtextdomain(const char* domain, const char* directory);
}
