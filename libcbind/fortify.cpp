// Fortified calls and the names of older C libraries: the stack
// protector's report, FD_SET's bound check, the start-up names today's
// toolchains link into every program, and data objects that programs built
// against older C libraries keep a copy of.
#include <cstdint>
#include <cstring>
#include <iterator>

#include "libcbind/ctype.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"

extern "C" {  // ctype.cpp
const uint16_t* const* tblibc_ctype_b_loc();
const int32_t* const* tblibc_ctype_tolower_loc();
const int32_t* const* tblibc_ctype_toupper_loc();
}

namespace {

// FD_SETSIZE and the bits of one fd_mask word on i386.
constexpr int32_t kFdSetSize = 1024;
constexpr int32_t kFdMaskBits = 32;

}  // namespace

extern "C" {

// A function's canary word differed on return: the Linux C library ends
// the run at once with this line.
[[noreturn]] void tblibc_stack_chk_fail() {
  tblibc::FatalError("*** stack smashing detected ***: terminated");
}

// FD_SET, FD_CLR and FD_ISSET's word index, with the bound the fortified
// macros check, and the Linux C library's own report when it fails.
int32_t tblibc_fdelt_chk(int32_t fd) {
  if (fd < 0 || fd >= kFdSetSize)
    tblibc::FatalError("*** bit out of range 0 - FD_SETSIZE on fd_set ***: terminated");
  return fd / kFdMaskBits;
}

// A library's destructors call this with its handle: what it registered
// and is still due runs now, before the libraries it needs are cleaned up.
void tblibc_cxa_finalize(void* dso) { tblibc::FinalizeObject(tblibc::Address(dso)); }

}  // extern "C"

namespace tblibc {
namespace {

void Put32(uint32_t address, uint32_t size, uint32_t value) {
  if (size >= 4) std::memcpy(reinterpret_cast<void*>(uintptr_t{address}), &value, 4);
}

// Programs of older C libraries index the class table through this pointer
// (the one __ctype_b_loc hands out, valid from -128 to 255).
void BindCtypeB(uint32_t address, uint32_t size) {
  Put32(address, size, Address(*tblibc_ctype_b_loc()));
}

// The case tables likewise, 32-bit entries valid from -128 to 255.
void BindCtypeToLower(uint32_t address, uint32_t size) {
  Put32(address, size, Address(*tblibc_ctype_tolower_loc()));
}

void BindCtypeToUpper(uint32_t address, uint32_t size) {
  Put32(address, size, Address(*tblibc_ctype_toupper_loc()));
}

// One thread only: the C library's own fast paths may skip their locks.
void BindSingleThreaded(uint32_t address, uint32_t size) {
  if (size >= 1) *reinterpret_cast<uint8_t*>(uintptr_t{address}) = 1;
}

constexpr Export kExports[] = {
    Fn<&tblibc_stack_chk_fail>("__stack_chk_fail"),
    Fn<&tblibc_fdelt_chk>("__fdelt_chk"),
    Fn<&tblibc_cxa_finalize>("__cxa_finalize"),
};
static_assert(std::size(kExports) == 3);

constexpr DataExport kObjects[] = {
    {"__ctype_b", BindCtypeB},
    {"__ctype_tolower", BindCtypeToLower},
    {"__ctype_toupper", BindCtypeToUpper},
    {"__libc_single_threaded", BindSingleThreaded, 1},
};
static_assert(std::size(kObjects) == 4);

}  // namespace

extern const Family kFortifyFamily;
const Family kFortifyFamily{"fortify", kExports, kObjects};

}  // namespace tblibc
