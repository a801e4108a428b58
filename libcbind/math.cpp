// Mathematics: libm.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kMathFamily;
const Family kMathFamily{"math", {}};

}  // namespace tblibc
