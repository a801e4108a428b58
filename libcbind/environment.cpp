// The guest's environment and program name.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

extern "C" char* tblibc_getenv(const char*) { return nullptr; }

namespace tblibc {

extern const Family kEnvironmentFamily;
const Family kEnvironmentFamily{"environment", {}};

}  // namespace tblibc
