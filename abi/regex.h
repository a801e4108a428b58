// The Linux i386 C library's regular-expression structures and constants as
// the guest sees them. Offsets are the library's own (checked below against
// a native i386 build).
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

#pragma pack(push, 4)

// struct re_pattern_buffer, alias regex_t. The flag bits after re_nsub are
// one 32-bit word of bitfields, allocated from the low bit up.
struct RegexT {
  uint32_t buffer;     // the compiled program: host memory of ours
  uint32_t allocated;
  uint32_t used;
  uint32_t syntax;
  uint32_t fastmap;    // char* in the guest
  uint32_t translate;  // unsigned char* in the guest
  uint32_t re_nsub;
  uint32_t bits;
};

struct RegMatch {
  int32_t rm_so;
  int32_t rm_eo;
};

struct ReRegisters {
  uint32_t num_regs;
  uint32_t start;  // regoff_t* in the guest, from its heap
  uint32_t end;
};

#pragma pack(pop)

static_assert(sizeof(RegexT) == 32 && offsetof(RegexT, syntax) == 12 &&
              offsetof(RegexT, fastmap) == 16 && offsetof(RegexT, re_nsub) == 24);
static_assert(offsetof(RegexT, buffer) == 0 && offsetof(RegexT, allocated) == 4 &&
              offsetof(RegexT, used) == 8 && offsetof(RegexT, translate) == 20 &&
              offsetof(RegexT, bits) == 28);
static_assert(sizeof(RegMatch) == 8);
static_assert(sizeof(ReRegisters) == 12 && offsetof(ReRegisters, start) == 4 &&
              offsetof(ReRegisters, end) == 8);

// Bits of the word after re_nsub: can_be_null, regs_allocated (two bits),
// fastmap_accurate, no_sub, not_bol, not_eol, newline_anchor.
constexpr uint32_t kRegBitCanBeNull = 1u << 0;
constexpr uint32_t kRegAllocShift = 1;
constexpr uint32_t kRegAllocMask = 3u << kRegAllocShift;
constexpr uint32_t kRegBitFastmapAccurate = 1u << 3;
constexpr uint32_t kRegBitNoSub = 1u << 4;
constexpr uint32_t kRegBitNotBol = 1u << 5;
constexpr uint32_t kRegBitNotEol = 1u << 6;
constexpr uint32_t kRegBitNewlineAnchor = 1u << 7;

// regs_allocated's values.
constexpr uint32_t kREGS_UNALLOCATED = 0;
constexpr uint32_t kREGS_REALLOCATE = 1;
constexpr uint32_t kREGS_FIXED = 2;

// The syntax bits of re_syntax_options and the buffer's `syntax`.
constexpr uint32_t kRE_BACKSLASH_ESCAPE_IN_LISTS = 1u << 0;
constexpr uint32_t kRE_BK_PLUS_QM = 1u << 1;
constexpr uint32_t kRE_CHAR_CLASSES = 1u << 2;
constexpr uint32_t kRE_CONTEXT_INDEP_ANCHORS = 1u << 3;
constexpr uint32_t kRE_CONTEXT_INDEP_OPS = 1u << 4;
constexpr uint32_t kRE_CONTEXT_INVALID_OPS = 1u << 5;
constexpr uint32_t kRE_DOT_NEWLINE = 1u << 6;
constexpr uint32_t kRE_DOT_NOT_NULL = 1u << 7;
constexpr uint32_t kRE_HAT_LISTS_NOT_NEWLINE = 1u << 8;
constexpr uint32_t kRE_INTERVALS = 1u << 9;
constexpr uint32_t kRE_LIMITED_OPS = 1u << 10;
constexpr uint32_t kRE_NEWLINE_ALT = 1u << 11;
constexpr uint32_t kRE_NO_BK_BRACES = 1u << 12;
constexpr uint32_t kRE_NO_BK_PARENS = 1u << 13;
constexpr uint32_t kRE_NO_BK_REFS = 1u << 14;
constexpr uint32_t kRE_NO_BK_VBAR = 1u << 15;
constexpr uint32_t kRE_NO_EMPTY_RANGES = 1u << 16;
constexpr uint32_t kRE_UNMATCHED_RIGHT_PAREN_ORD = 1u << 17;
constexpr uint32_t kRE_NO_POSIX_BACKTRACKING = 1u << 18;
constexpr uint32_t kRE_NO_GNU_OPS = 1u << 19;
constexpr uint32_t kRE_INVALID_INTERVAL_ORD = 1u << 21;
constexpr uint32_t kRE_ICASE = 1u << 22;
constexpr uint32_t kRE_CARET_ANCHORS_HERE = 1u << 23;
constexpr uint32_t kRE_CONTEXT_INVALID_DUP = 1u << 24;
constexpr uint32_t kRE_NO_SUB = 1u << 25;

constexpr uint32_t kRE_SYNTAX_POSIX_COMMON = kRE_CHAR_CLASSES | kRE_DOT_NEWLINE |
                                             kRE_DOT_NOT_NULL | kRE_INTERVALS |
                                             kRE_NO_EMPTY_RANGES;
constexpr uint32_t kRE_SYNTAX_POSIX_BASIC =
    kRE_SYNTAX_POSIX_COMMON | kRE_BK_PLUS_QM | kRE_CONTEXT_INVALID_DUP;
constexpr uint32_t kRE_SYNTAX_POSIX_EXTENDED =
    kRE_SYNTAX_POSIX_COMMON | kRE_CONTEXT_INDEP_ANCHORS | kRE_CONTEXT_INDEP_OPS |
    kRE_NO_BK_BRACES | kRE_NO_BK_PARENS | kRE_NO_BK_VBAR | kRE_CONTEXT_INVALID_OPS |
    kRE_UNMATCHED_RIGHT_PAREN_ORD;
static_assert(kRE_SYNTAX_POSIX_BASIC == 0x10102c6u && kRE_SYNTAX_POSIX_EXTENDED == 0x3b2fcu);

// regcomp's flags.
constexpr int32_t kREG_EXTENDED = 1;
constexpr int32_t kREG_ICASE = 2;
constexpr int32_t kREG_NEWLINE = 4;
constexpr int32_t kREG_NOSUB = 8;
// regexec's flags.
constexpr int32_t kREG_NOTBOL = 1;
constexpr int32_t kREG_NOTEOL = 2;
constexpr int32_t kREG_STARTEND = 4;

// The error codes, in the library's order.
enum RegError : int32_t {
  kREG_NOERROR = 0,
  kREG_NOMATCH,
  kREG_BADPAT,
  kREG_ECOLLATE,
  kREG_ECTYPE,
  kREG_EESCAPE,
  kREG_ESUBREG,
  kREG_EBRACK,
  kREG_EPAREN,
  kREG_EBRACE,
  kREG_BADBR,
  kREG_ERANGE,
  kREG_ESPACE,
  kREG_BADRPT,
  kREG_EEND,
  kREG_ESIZE,
  kREG_ERPAREN,
};

}  // namespace linux
