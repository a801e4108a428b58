// Files: status, descriptors, names and permissions.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

extern "C" {
int tblibc_futimesat(int32_t, const char*, const void*) { return 0; }
int tblibc_fxstat64(int32_t, int32_t, void*) { return 0; }
}

namespace tblibc {

extern const Family kFilesFamily;
const Family kFilesFamily{"files", {}};

}  // namespace tblibc
