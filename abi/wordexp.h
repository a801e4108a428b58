// wordexp_t and the WRDE_* numbers as glibc has them on i386 (checked
// against <wordexp.h> of a native i386 build).
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

struct WordExp {
  uint32_t we_wordc;
  uint32_t we_wordv;  // char** in the guest
  uint32_t we_offs;
};
static_assert(sizeof(WordExp) == 12 && offsetof(WordExp, we_wordv) == 4 &&
              offsetof(WordExp, we_offs) == 8);

// Flags.
constexpr int32_t kWRDE_DOOFFS = 1;
constexpr int32_t kWRDE_APPEND = 2;
constexpr int32_t kWRDE_NOCMD = 4;
constexpr int32_t kWRDE_REUSE = 8;
constexpr int32_t kWRDE_SHOWERR = 16;
constexpr int32_t kWRDE_UNDEF = 32;
// Answers.
constexpr int32_t kWRDE_NOSPACE = 1;
constexpr int32_t kWRDE_BADCHAR = 2;
constexpr int32_t kWRDE_BADVAL = 3;
constexpr int32_t kWRDE_CMDSUB = 4;
constexpr int32_t kWRDE_SYNTAX = 5;
static_assert(kWRDE_UNDEF == 1 << 5 && kWRDE_SYNTAX == 5);

}  // namespace linux
