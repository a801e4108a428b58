// Module `tbsyscall`: the trap that turns a guest's `int 0x80` into a call
// of the system call table, and the table with its handlers.
#pragma once

#include <cstdint>

#include "platform/exceptions.h"

namespace tbsyscall {

using SyscallHandler = void (*)(platform::Context& context);

constexpr int kSyscallCount = 256;

extern SyscallHandler SyscallTable[kSyscallCount];
extern const char* const SyscallNames[kSyscallCount];

void InitSyscallTable();

// The vectored exception handler installed by guest start.
int32_t SyscallTrap(platform::ExceptionPointers* pointers);

// Handlers (exposed for the unit tests).
void UnknownSyscall(platform::Context& c);
void SysExit(platform::Context& c);
void SysRead(platform::Context& c);
void SysWrite(platform::Context& c);
void SysOpen(platform::Context& c);
void SysClose(platform::Context& c);
void SysLseek(platform::Context& c);
void SysBrk(platform::Context& c);
void SysTime(platform::Context& c);
void SysGettimeofday(platform::Context& c);

}  // namespace tbsyscall
