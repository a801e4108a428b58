// The trap of module `tbsyscall`: the vectored exception handler that
// guest start installs first, which turns a guest's `int 0x80` into a call
// of the system call table and reports every other exception.
#pragma once

#include <cstdint>

#include "platform/exceptions.h"

namespace tbsyscall {

int32_t SyscallTrap(platform::ExceptionPointers* pointers);

}  // namespace tbsyscall
