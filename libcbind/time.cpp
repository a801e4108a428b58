// Time: clocks, calendar and formatting of dates.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kTimeFamily;
const Family kTimeFamily{"time", {}};

}  // namespace tblibc
