// Non-local jumps.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kJumpsFamily;
const Family kJumpsFamily{"jumps", {}};

}  // namespace tblibc
