// Numbers: conversions between text and numbers, abs, div.
#include "libcbind/family.h"
#include "libcbind/guest.h"
#include "libcbind/startup.h"

namespace tblibc {

extern const Family kNumbersFamily;
const Family kNumbersFamily{"numbers", {}};

}  // namespace tblibc
