// Memory mappings.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kMappingsFamily;
const Family kMappingsFamily{"mappings", {}};

}  // namespace tblibc
