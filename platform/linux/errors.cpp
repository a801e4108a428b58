// The Linux port's errno is the guest's: both are the i386 kernel's
// numbers, so every answer passes through as it is.
#include "platform/errors.h"

namespace platform {

int LinuxErrnoOfCrt(int hostErrno) { return hostErrno; }

}  // namespace platform
