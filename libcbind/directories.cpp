// Directories: listing, patterns and tree walks.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kDirectoriesFamily;
const Family kDirectoriesFamily{"directories", {}};

}  // namespace tblibc
