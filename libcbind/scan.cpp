// The scanf family.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kScanFamily;
const Family kScanFamily{"scan", {}};

}  // namespace tblibc
