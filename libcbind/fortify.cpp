// Fortified calls and the names of older C libraries.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kFortifyFamily;
const Family kFortifyFamily{"fortify", {}};

}  // namespace tblibc
