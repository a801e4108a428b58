// Memory and strings.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kStringsFamily;
const Family kStringsFamily{"strings", {}};

}  // namespace tblibc
