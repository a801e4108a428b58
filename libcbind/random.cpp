// Random numbers: the Linux C library's sequences.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kRandomFamily;
const Family kRandomFamily{"random", {}};

}  // namespace tblibc
