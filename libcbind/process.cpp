// The process: identity, limits, ends and children.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kProcessFamily;
const Family kProcessFamily{"process", {}};

}  // namespace tblibc
