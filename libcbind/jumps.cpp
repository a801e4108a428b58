// Non-local jumps: the entries are in jumps.S; this file keeps the signal
// mask side of them, which lives with the signals family.
#include "abi/signals.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"

extern "C" {

// Reached from jumps.S by a tail jump, so it answers for setjmp itself.
int tumbex_SaveJumpMask(linux::JmpBuf* env, int32_t saveMask) {
  env->maskWasSaved = saveMask != 0;
  if (saveMask != 0) {
    const uint64_t mask = tblibc::BlockedSignals();
    env->mask.words[0] = static_cast<uint32_t>(mask);
    env->mask.words[1] = static_cast<uint32_t>(mask >> 32);
  }
  return 0;
}

void tumbex_RestoreJumpMask(const linux::JmpBuf* env) {
  tblibc::SetBlockedSignals(uint64_t{env->mask.words[0]} |
                            uint64_t{env->mask.words[1]} << 32);
}

[[noreturn]] void tumbex_LongjmpIntoDeadFrame() {
  tblibc::FatalError("*** longjmp causes uninitialized stack frame ***: terminated");
}

int tumbex_setjmp(linux::JmpBuf* env);
int tumbex__setjmp(linux::JmpBuf* env);
int tumbex_sigsetjmp(linux::JmpBuf* env, int32_t saveMask);
[[noreturn]] void tumbex_longjmp(linux::JmpBuf* env, int32_t value);
[[noreturn]] void tumbex_longjmp_chk(linux::JmpBuf* env, int32_t value);

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tumbex_setjmp>("setjmp"),
    Fn<&tumbex__setjmp>("_setjmp"),
    Fn<&tumbex_sigsetjmp>("__sigsetjmp"),
    Fn<&tumbex_sigsetjmp>("sigsetjmp"),
    Fn<&tumbex_longjmp>("longjmp"),
    Fn<&tumbex_longjmp>("_longjmp"),
    Fn<&tumbex_longjmp>("siglongjmp"),
    Fn<&tumbex_longjmp>("__libc_siglongjmp"),
    Fn<&tumbex_longjmp>("__libc_longjmp"),
    Fn<&tumbex_longjmp_chk>("__longjmp_chk"),
};

}  // namespace

extern const Family kJumpsFamily;
const Family kJumpsFamily{"jumps", kExports};

}  // namespace tblibc
