// Error texts and assertions.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kErrorsFamily;
const Family kErrorsFamily{"errors", {}};

}  // namespace tblibc
