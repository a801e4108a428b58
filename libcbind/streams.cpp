// Streams: opening, reading, writing and positioning FILE*s.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kStreamsFamily;
const Family kStreamsFamily{"streams", {}};

}  // namespace tblibc
