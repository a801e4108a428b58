// What the threads family's file holds for its neighbours (semaphores,
// C11 threads): the deadlines of timed waits and the pthread calls the
// C11 names wrap.
#pragma once

#include <cstdint>

#include "abi/threads.h"
#include "abi/time.h"
#include "platform/time.h"

namespace tblibc {

// A timed wait's absolute deadline, from either width of timespec.
struct Deadline {
  int64_t sec;
  int32_t nsec;
};
Deadline Of(const linux::Timespec* t);
Deadline Of(const linux::Timespec64* t);
// Nanoseconds in [0, 1e9).
bool Valid(const Deadline& d);
// The clocks a wait may measure (CLOCK_REALTIME, CLOCK_MONOTONIC); false
// for any other.
bool ClockOf(int32_t clock, platform::ClockKind* kind);
// A wait that nothing can end early: sleeps until the clock reaches the
// deadline, then answers ETIMEDOUT.
int32_t SleepUntil(platform::ClockKind clock, const Deadline& d);

}  // namespace tblibc

extern "C" {
int32_t tblibc_pthread_mutex_init(linux::Mutex* m, const uint32_t* attr);
int32_t tblibc_pthread_mutex_destroy(linux::Mutex* m);
int32_t tblibc_pthread_mutex_lock(linux::Mutex* m);
int32_t tblibc_pthread_mutex_trylock(linux::Mutex* m);
int32_t tblibc_pthread_mutex_timedlock(linux::Mutex* m, const linux::Timespec* t);
int32_t tblibc_pthread_mutex_timedlock64(linux::Mutex* m, const linux::Timespec64* t);
int32_t tblibc_pthread_mutex_unlock(linux::Mutex* m);
int32_t tblibc_pthread_mutexattr_settype(uint32_t* a, int32_t type);
int32_t tblibc_pthread_cond_init(linux::Cond* c, const uint32_t* attr);
int32_t tblibc_pthread_cond_wait(linux::Cond* c, linux::Mutex* m);
int32_t tblibc_pthread_cond_timedwait(linux::Cond* c, linux::Mutex* m, const linux::Timespec* t);
int32_t tblibc_pthread_cond_timedwait64(linux::Cond* c, linux::Mutex* m,
                                        const linux::Timespec64* t);
int32_t tblibc_pthread_once(int32_t* control, uint32_t routine);
int32_t tblibc_pthread_key_create(uint32_t* key, uint32_t destructor);
int32_t tblibc_pthread_key_delete(uint32_t key);
uint32_t tblibc_pthread_getspecific(uint32_t key);
int32_t tblibc_pthread_setspecific(uint32_t key, uint32_t value);
uint32_t tblibc_pthread_self();
int32_t tblibc_pthread_create(uint32_t* thread, const void* attr, uint32_t start, uint32_t arg);
int32_t tblibc_pthread_join(uint32_t thread, uint32_t* result);
int32_t tblibc_pthread_detach(uint32_t thread);
[[noreturn]] void tblibc_pthread_exit(uint32_t result);
}
