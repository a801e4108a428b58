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
static_assert(sizeof(RegMatch) == 8);
static_assert(sizeof(ReRegisters) == 12);

// Bits of the word after re_nsub.
constexpr uint32_t kRegBitNoSub = 1u << 4;
constexpr uint32_t kRegBitNewlineAnchor = 1u << 7;

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
