// The character and locale family's entries among the start-up names;
// everything else of the family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
uint32_t tblibc_ctype_get_mb_cur_max();
const uint16_t* const* tblibc_ctype_b_loc();
char* tblibc_setlocale(int category, const char* locale);
const char* tblibc_dcgettext(const char* domain, const char* msgid, int category);
const char* tblibc_textdomain(const char* domain);
const char* tblibc_bindtextdomain(const char* domain, const char* directory);
}
