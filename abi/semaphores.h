// The Linux i386 C library's sem_t as the guest lays it out in its own
// memory: 16 bytes, encoded as the library's 32-bit form (no 64-bit
// atomics on i386) encodes it, so that a program that looks at the bytes,
// or zeroes them to make a semaphore of value 0, sees what it sees on
// Linux.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

struct Sem {
  uint32_t value;     // the count above kSemValueShift, kSemNwaitersBit below
  uint32_t shared;    // 0 for a process's own, kSemShared between processes
  uint32_t pad;
  uint32_t nwaiters;  // threads blocked in a wait
};
static_assert(sizeof(Sem) == 16);
static_assert(offsetof(Sem, value) == 0);
static_assert(offsetof(Sem, shared) == 4);
static_assert(offsetof(Sem, nwaiters) == 12);

constexpr int kSemValueShift = 1;
constexpr uint32_t kSemNwaitersBit = 1;
constexpr uint32_t kSemShared = 128;  // the futex word's "shared" flag
constexpr uint32_t kSEM_VALUE_MAX = 0x7FFFFFFF;

// sem_open's answer on failure.
constexpr uint32_t kSEM_FAILED = 0;
// The longest name sem_open takes: the library builds "/dev/shm/sem." and
// the name in a buffer of its own; a name that fits it but makes a file
// name longer than NAME_MAX fails when the file is opened.
constexpr uint32_t kSemNameBuffer = 256;  // names this long or longer: EINVAL
constexpr uint32_t kSemNameMax = 251;     // longer: ENAMETOOLONG

}  // namespace linux
