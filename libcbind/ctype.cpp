// Characters: classes, case, multibyte and wide characters in the "C" locale.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

extern "C" uint32_t tblibc_ctype_get_mb_cur_max() { return 0; }

namespace tblibc {

extern const Family kCtypeFamily;
const Family kCtypeFamily{"ctype", {}};

}  // namespace tblibc
