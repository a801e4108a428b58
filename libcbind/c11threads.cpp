// C11 threads (<threads.h>) over the one-thread pthreads of threads.cpp,
// as the Linux C library's are thin wrappers over its pthreads: mtx_t is a
// pthread_mutex_t, cnd_t a pthread_cond_t, tss_t a key, once_flag a
// pthread_once_t, thrd_t a pthread_t, and an error number becomes a C11
// result the library's way. So thrd_create answers thrd_error (EAGAIN),
// and a wait that no thread could end (mtx_lock of a plain mutex its
// holder has, cnd_wait) answers thrd_error (EDEADLK) instead of hanging.
#include <cstdint>

#include "abi/errno.h"
#include "abi/threads.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/threads.h"
#include "libcbind/time.h"

namespace tblibc {
namespace {

int32_t Result(int32_t e) {
  switch (e) {
    case 0: return linux::kthrd_success;
    case linux::kENOMEM: return linux::kthrd_nomem;
    case linux::kETIMEDOUT: return linux::kthrd_timedout;
    case linux::kEBUSY: return linux::kthrd_busy;
    default: return linux::kthrd_error;
  }
}

// thrd_sleep: 0 after the whole sleep, -1 interrupted, -2 refused.
int32_t Slept(int32_t e) { return e == 0 ? 0 : e == linux::kEINTR ? -1 : -2; }

}  // namespace
}  // namespace tblibc

using linux::Cond;
using linux::Mutex;
using tblibc::Result;

extern "C" {

// ---- Threads ------------------------------------------------------------------

int32_t tblibc_thrd_create(uint32_t* thread, uint32_t start, uint32_t arg) {
  return Result(tblibc_pthread_create(thread, nullptr, start, arg));
}
int32_t tblibc_thrd_equal(uint32_t a, uint32_t b) { return a == b ? 1 : 0; }
void tblibc_thrd_yield() {}
void tblibc_thrd_exit(int32_t result) { tblibc_pthread_exit(static_cast<uint32_t>(result)); }
// The result is stored only when there is one: the library stores
// whatever it has even when the join fails.
int32_t tblibc_thrd_join(uint32_t thread, int32_t* result) {
  uint32_t value = 0;
  const int32_t e = tblibc_pthread_join(thread, &value);
  if (e == 0 && result != nullptr) *result = static_cast<int32_t>(value);
  return Result(e);
}
int32_t tblibc_thrd_detach(uint32_t thread) { return Result(tblibc_pthread_detach(thread)); }

int32_t tblibc_thrd_sleep(const linux::Timespec* t, linux::Timespec* remaining) {
  return tblibc::Slept(tblibc_clock_nanosleep(linux::kCLOCK_REALTIME, 0, t, remaining));
}
int32_t tblibc_thrd_sleep64(const linux::Timespec64* t, linux::Timespec64* remaining) {
  return tblibc::Slept(tblibc_clock_nanosleep_time64(linux::kCLOCK_REALTIME, 0, t, remaining));
}

// ---- Mutexes ------------------------------------------------------------------

// Recursive when asked with mtx_plain or mtx_timed; every other type is a
// plain mutex, as the library makes it.
int32_t tblibc_mtx_init(Mutex* m, int32_t type) {
  uint32_t attr = 0;
  const bool recursive =
      type == linux::kmtx_recursive || type == (linux::kmtx_recursive | linux::kmtx_timed);
  tblibc_pthread_mutexattr_settype(
      &attr, recursive ? linux::kPTHREAD_MUTEX_RECURSIVE : linux::kPTHREAD_MUTEX_NORMAL);
  return Result(tblibc_pthread_mutex_init(m, &attr));
}
int32_t tblibc_mtx_lock(Mutex* m) { return Result(tblibc_pthread_mutex_lock(m)); }
int32_t tblibc_mtx_trylock(Mutex* m) { return Result(tblibc_pthread_mutex_trylock(m)); }
int32_t tblibc_mtx_timedlock(Mutex* m, const linux::Timespec* t) {
  return Result(tblibc_pthread_mutex_timedlock(m, t));
}
int32_t tblibc_mtx_timedlock64(Mutex* m, const linux::Timespec64* t) {
  return Result(tblibc_pthread_mutex_timedlock64(m, t));
}
int32_t tblibc_mtx_unlock(Mutex* m) { return Result(tblibc_pthread_mutex_unlock(m)); }
void tblibc_mtx_destroy(Mutex* m) { tblibc_pthread_mutex_destroy(m); }

// ---- Conditions ---------------------------------------------------------------

int32_t tblibc_cnd_init(Cond* c) { return Result(tblibc_pthread_cond_init(c, nullptr)); }
// Nobody waits: signalling wakes no one.
int32_t tblibc_cnd_signal(Cond*) { return linux::kthrd_success; }
void tblibc_cnd_destroy(Cond*) {}
int32_t tblibc_cnd_wait(Cond* c, Mutex* m) { return Result(tblibc_pthread_cond_wait(c, m)); }
int32_t tblibc_cnd_timedwait(Cond* c, Mutex* m, const linux::Timespec* t) {
  return Result(tblibc_pthread_cond_timedwait(c, m, t));
}
int32_t tblibc_cnd_timedwait64(Cond* c, Mutex* m, const linux::Timespec64* t) {
  return Result(tblibc_pthread_cond_timedwait64(c, m, t));
}

// ---- Thread-specific storage and once -----------------------------------------

int32_t tblibc_tss_create(uint32_t* key, uint32_t destructor) {
  return Result(tblibc_pthread_key_create(key, destructor));
}
int32_t tblibc_tss_set(uint32_t key, uint32_t value) {
  return Result(tblibc_pthread_setspecific(key, value));
}
void tblibc_tss_delete(uint32_t key) { tblibc_pthread_key_delete(key); }
void tblibc_call_once(int32_t* flag, uint32_t routine) { tblibc_pthread_once(flag, routine); }

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_thrd_create>("thrd_create"),
    Fn<&tblibc_pthread_self>("thrd_current"),
    Fn<&tblibc_thrd_equal>("thrd_equal"),
    Fn<&tblibc_thrd_yield>("thrd_yield"),
    Fn<&tblibc_thrd_exit>("thrd_exit"),
    Fn<&tblibc_thrd_join>("thrd_join"),
    Fn<&tblibc_thrd_detach>("thrd_detach"),
    Fn<&tblibc_thrd_sleep>("thrd_sleep"),
    Fn<&tblibc_thrd_sleep64>("__thrd_sleep64"),
    Fn<&tblibc_mtx_init>("mtx_init"),
    Fn<&tblibc_mtx_lock>("mtx_lock"),
    Fn<&tblibc_mtx_trylock>("mtx_trylock"),
    Fn<&tblibc_mtx_timedlock>("mtx_timedlock"),
    Fn<&tblibc_mtx_timedlock64>("__mtx_timedlock64"),
    Fn<&tblibc_mtx_unlock>("mtx_unlock"),
    Fn<&tblibc_mtx_destroy>("mtx_destroy"),
    Fn<&tblibc_cnd_init>("cnd_init"),
    Fn<&tblibc_cnd_signal>("cnd_signal"),
    Fn<&tblibc_cnd_signal>("cnd_broadcast"),
    Fn<&tblibc_cnd_wait>("cnd_wait"),
    Fn<&tblibc_cnd_timedwait>("cnd_timedwait"),
    Fn<&tblibc_cnd_timedwait64>("__cnd_timedwait64"),
    Fn<&tblibc_cnd_destroy>("cnd_destroy"),
    Fn<&tblibc_tss_create>("tss_create"),
    Fn<&tblibc_pthread_getspecific>("tss_get"),
    Fn<&tblibc_tss_set>("tss_set"),
    Fn<&tblibc_tss_delete>("tss_delete"),
    Fn<&tblibc_call_once>("call_once"),
};

}  // namespace

extern const Family kC11ThreadsFamily;
const Family kC11ThreadsFamily{"c11threads", kExports};

}  // namespace tblibc
