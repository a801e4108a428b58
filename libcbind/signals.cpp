// Signals.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

extern "C" uint32_t tblibc_signal(int32_t, uint32_t) { return 0; }

namespace tblibc {

extern const Family kSignalsFamily;
const Family kSignalsFamily{"signals", {}};

}  // namespace tblibc
