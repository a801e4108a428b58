// The real-time signal range a program asks the C library for. glibc keeps
// 32 and 33 for its own threads, so a program's SIGRTMIN is 34 and its
// SIGRTMAX 64, the kernel's last.
#include <cstdint>

#include "libcbind/families.h"

namespace {

int32_t tblibc_sigrtmin() { return 34; }
int32_t tblibc_sigrtmax() { return 64; }

}  // namespace

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_sigrtmin>("__libc_current_sigrtmin"),
    Fn<&tblibc_sigrtmax>("__libc_current_sigrtmax"),
};

}  // namespace

extern const Family kSigRealtimeFamily;
const Family kSigRealtimeFamily{"sigrealtime", kExports};

}  // namespace tblibc
