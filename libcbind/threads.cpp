// Threads, in a process that has exactly one: pthread_create fails with
// EAGAIN and makes nothing, so every lock is only ever wanted by the one
// thread. Mutexes, conditions, read-write locks, once controls and spin
// locks keep their state in the guest's own bytes, encoded as the Linux C
// library encodes it (abi/threads.h), so that statically initialised ones
// work and no host object stands behind them.
//
// Where the Linux C library would block for ever because the one thread
// waits for itself (a normal mutex or a spin lock relocked by its holder, a
// write lock wanted by a reader, a once routine that runs its own control
// again, a condition that no other thread can signal), the call answers
// EDEADLK instead and leaves the object as it was: the program sees an
// error it can report rather than hanging. pthread_cond_wait answers so
// only once its mutex has passed the check the library makes first (EPERM
// for an error-checking or recursive mutex the caller does not hold), and
// returns with the mutex still held, as any return of it does. A timed
// wait that nothing can end sleeps until its deadline and answers
// ETIMEDOUT, as the library does with nobody to wake it. Joins answer as
// the library answers a thread joining itself; pthread_exit ends the
// process as the last thread's exit does.
#include <cstdint>
#include <cstring>
#include <iterator>

#include "abi/errno.h"
#include "abi/threads.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/threads.h"
#include "platform/process.h"
#include "platform/time.h"
#include "process/process.h"

namespace tblibc {

// ---- Deadlines (threads.h) -----------------------------------------------------

Deadline Of(const linux::Timespec* t) { return {t->tv_sec, t->tv_nsec}; }
Deadline Of(const linux::Timespec64* t) { return {t->tv_sec, t->tv_nsec}; }

bool Valid(const Deadline& d) { return d.nsec >= 0 && d.nsec < 1000000000; }

bool ClockOf(int32_t clock, platform::ClockKind* kind) {
  if (clock == linux::kCLOCK_REALTIME) {
    *kind = platform::ClockKind::kRealtime;
    return true;
  }
  if (clock == linux::kCLOCK_MONOTONIC) {
    *kind = platform::ClockKind::kMonotonic;
    return true;
  }
  return false;
}

int32_t SleepUntil(platform::ClockKind clock, const Deadline& d) {
  for (;;) {
    int64_t sec;
    int32_t nsec;
    platform::ClockRead(clock, &sec, &nsec);
    if (sec > d.sec || (sec == d.sec && nsec >= d.nsec)) return linux::kETIMEDOUT;
    // A day at a time at most, so that no span overflows.
    const int64_t seconds = d.sec - sec < 86400 ? d.sec - sec : 86400;
    platform::SleepFor(seconds * 1000000000 + (d.nsec - nsec));
  }
}

namespace {

using linux::Mutex;

// The one thread's id, the process's as for a main thread.
int32_t Tid() {
  static const int32_t tid = static_cast<int32_t>(platform::ProcessId());
  return tid;
}

// ---- Mutexes ------------------------------------------------------------------

int32_t Type(const Mutex& m) { return m.kind & linux::kMutexTypeMask; }

// Which mutexes refuse an unlock by a thread that does not hold them.
bool ChecksOwner(const Mutex& m) {
  constexpr int32_t kFlags =
      linux::kMutexRobust | linux::kMutexPrioInherit | linux::kMutexPrioProtect;
  return Type(m) == linux::kPTHREAD_MUTEX_RECURSIVE ||
         Type(m) == linux::kPTHREAD_MUTEX_ERRORCHECK || (m.kind & kFlags) != 0;
}

bool Ours(const Mutex& m) { return m.lock != 0 && m.owner == Tid(); }

void Take(Mutex* m) {
  m->lock = 1;
  m->owner = Tid();
  if (Type(*m) == linux::kPTHREAD_MUTEX_RECURSIVE) m->count = 1;
  ++m->nusers;
}

// A recursive mutex its holder locks again: one level more.
int32_t Deeper(Mutex* m) {
  if (m->count == UINT32_MAX) return linux::kEAGAIN;
  ++m->count;
  return 0;
}

// What unlocking would answer, without unlocking: the check
// pthread_cond_wait makes before it waits.
int32_t Releasable(const Mutex& m) {
  if (m.kind < 0) return linux::kEINVAL;
  if (ChecksOwner(m) && !Ours(m)) return linux::kEPERM;
  return 0;
}

// lock, timedlock and clocklock (no deadline: lock). A held mutex is the
// caller's own, or one that no thread left running can give back.
int32_t LockUntil(Mutex* m, platform::ClockKind clock, const Deadline* deadline) {
  if (m->kind < 0) return linux::kEINVAL;
  if (m->lock == 0) {
    Take(m);
    return 0;
  }
  if (Ours(*m) && Type(*m) == linux::kPTHREAD_MUTEX_RECURSIVE) return Deeper(m);
  if (deadline == nullptr || (Ours(*m) && Type(*m) == linux::kPTHREAD_MUTEX_ERRORCHECK))
    return linux::kEDEADLK;
  if (!Valid(*deadline)) return linux::kEINVAL;
  return SleepUntil(clock, *deadline);
}

int32_t ClockLock(Mutex* m, int32_t clock, const Deadline& d) {
  platform::ClockKind kind;
  if (!ClockOf(clock, &kind)) return linux::kEINVAL;
  return LockUntil(m, kind, &d);
}

// ---- Conditions ---------------------------------------------------------------

int32_t ClockOfCond(const linux::Cond& c) {
  return (c.wrefs & linux::kCondClockMonotonic) != 0 ? linux::kCLOCK_MONOTONIC
                                                      : linux::kCLOCK_REALTIME;
}

// The checks come in the Linux C library's order: the clock, the deadline,
// then the mutex it would give up while waiting.
int32_t ClockWait(Mutex* m, int32_t clock, const Deadline& d) {
  platform::ClockKind kind;
  if (!ClockOf(clock, &kind) || !Valid(d)) return linux::kEINVAL;
  if (const int32_t e = Releasable(*m); e != 0) return e;
  return SleepUntil(kind, d);
}

// ---- Attribute words ----------------------------------------------------------

// The yes-or-no attributes: 0 or 1, anything else EINVAL.
template <typename Word>
int32_t SetFlag(Word* word, Word bit, int32_t value) {
  if (value != 0 && value != 1) return linux::kEINVAL;
  *word = value != 0 ? *word | bit : *word & ~bit;
  return 0;
}

// ---- Read-write locks ---------------------------------------------------------

using linux::Rwlock;

constexpr uint32_t kOneReader = 1u << linux::kRwlockReaderShift;

bool Written(const Rwlock& l) { return (l.readers & linux::kRwlockWrlocked) != 0; }
uint32_t Readers(const Rwlock& l) { return l.readers >> linux::kRwlockReaderShift; }

int32_t Read(Rwlock* l) {
  if (l->readers >= UINT32_MAX - kOneReader) return linux::kEAGAIN;
  l->readers += kOneReader;
  return 0;
}

void Write(Rwlock* l) {
  l->readers |= linux::kRwlockWrlocked | linux::kRwlockWrphase;
  l->writers_futex = 1;
  l->cur_writer = Tid();
}

// The timed forms check the clock and the deadline before the lock, as the
// library does.
int32_t ReadUntil(Rwlock* l, int32_t clock, const Deadline& d) {
  platform::ClockKind kind;
  if (!ClockOf(clock, &kind) || !Valid(d)) return linux::kEINVAL;
  return Written(*l) ? linux::kEDEADLK : Read(l);
}

int32_t WriteUntil(Rwlock* l, int32_t clock, const Deadline& d) {
  platform::ClockKind kind;
  if (!ClockOf(clock, &kind) || !Valid(d)) return linux::kEINVAL;
  if (Written(*l)) return linux::kEDEADLK;
  if (Readers(*l) != 0) return SleepUntil(kind, d);
  Write(l);
  return 0;
}

// ---- Keys ---------------------------------------------------------------------

// The process's keys, with the one thread's value of each. The destructors
// are kept but never run: the Linux C library runs them when a thread
// exits through pthread_exit, never at the process's exit, and the one
// thread here leaves only with the process.
struct Key {
  bool used;
  uint32_t destructor;
  uint32_t value;
};
Key gKeys[linux::kPTHREAD_KEYS_MAX];

bool Live(uint32_t key) { return key < std::size(gKeys) && gKeys[key].used; }

// ---- The one thread -----------------------------------------------------------

bool gDetached = false;
int32_t gCancelState = 0;  // PTHREAD_CANCEL_ENABLE
int32_t gCancelType = 0;   // PTHREAD_CANCEL_DEFERRED

// The thread pointer, as the Linux C library's pthread_self answers.
uint32_t Self() { return Address(process::Thread); }

int32_t SetCancel(int32_t* current, int32_t value, int32_t* old) {
  if (value != 0 && value != 1) return linux::kEINVAL;
  if (old != nullptr) *old = *current;
  *current = value;
  return 0;
}

// ---- Scheduling ---------------------------------------------------------------

int32_t Failed(int32_t e) {
  SetErrno(e);
  return -1;
}

int32_t SchedTarget(int32_t pid) {
  if (pid < 0) return linux::kEINVAL;
  return pid == 0 || pid == Tid() ? 0 : linux::kESRCH;
}

bool RealTime(int32_t policy) {
  return policy == linux::kSCHED_FIFO || policy == linux::kSCHED_RR;
}
bool KnownPolicy(int32_t policy) {
  return RealTime(policy) || policy == linux::kSCHED_OTHER || policy == linux::kSCHED_BATCH ||
         policy == linux::kSCHED_IDLE || policy == linux::kSCHED_DEADLINE;
}

constexpr int32_t kTimeSliceNs = 100000000;

// The default stack a new thread would get: Linux's usual 8 MiB.
constexpr uint32_t kDefaultStack = 8u << 20;
constexpr uint32_t kPageSize = 4096;

}  // namespace
}  // namespace tblibc

using linux::Mutex;
using linux::Rwlock;

extern "C" {

// Destroying an attribute object, or a condition nobody waits on, and
// signalling one: nothing to do.
int32_t tblibc_pthread_nothing(void*) { return 0; }

// ---- Mutexes ------------------------------------------------------------------

int32_t tblibc_pthread_mutex_init(Mutex* m, const uint32_t* attr) {
  const uint32_t a = attr != nullptr ? *attr : 0;
  std::memset(m, 0, sizeof *m);
  int32_t kind = static_cast<int32_t>(a & ~linux::kMutexAttrFlagBits);
  if ((a & linux::kMutexAttrRobust) != 0) kind |= linux::kMutexRobust;
  const uint32_t protocol =
      (a & linux::kMutexAttrProtocolMask) >> linux::kMutexAttrProtocolShift;
  if (protocol == linux::kPTHREAD_PRIO_INHERIT) kind |= linux::kMutexPrioInherit;
  if (protocol == linux::kPTHREAD_PRIO_PROTECT) kind |= linux::kMutexPrioProtect;
  if ((a & linux::kMutexAttrPshared) != 0) kind |= linux::kMutexPshared;
  m->kind = kind;
  return 0;
}

int32_t tblibc_pthread_mutex_destroy(Mutex* m) {
  if ((m->kind & linux::kMutexRobust) == 0 && m->nusers != 0) return linux::kEBUSY;
  m->kind = -1;
  return 0;
}

// A normal mutex relocked by its holder would hang in the Linux C library.
int32_t tblibc_pthread_mutex_lock(Mutex* m) {
  return tblibc::LockUntil(m, platform::ClockKind::kRealtime, nullptr);
}

int32_t tblibc_pthread_mutex_trylock(Mutex* m) {
  if (m->kind < 0) return linux::kEINVAL;
  if (m->lock == 0) {
    tblibc::Take(m);
    return 0;
  }
  if (tblibc::Ours(*m) && tblibc::Type(*m) == linux::kPTHREAD_MUTEX_RECURSIVE)
    return tblibc::Deeper(m);
  return linux::kEBUSY;
}

int32_t tblibc_pthread_mutex_timedlock(Mutex* m, const linux::Timespec* t) {
  return tblibc::ClockLock(m, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_pthread_mutex_timedlock64(Mutex* m, const linux::Timespec64* t) {
  return tblibc::ClockLock(m, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_pthread_mutex_clocklock(Mutex* m, int32_t clock, const linux::Timespec* t) {
  return tblibc::ClockLock(m, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_mutex_clocklock64(Mutex* m, int32_t clock, const linux::Timespec64* t) {
  return tblibc::ClockLock(m, clock, tblibc::Of(t));
}

int32_t tblibc_pthread_mutex_unlock(Mutex* m) {
  if (const int32_t e = tblibc::Releasable(*m); e != 0) return e;
  if (tblibc::Type(*m) == linux::kPTHREAD_MUTEX_RECURSIVE && --m->count != 0) return 0;
  m->owner = 0;
  --m->nusers;
  m->lock = 0;
  return 0;
}

// ---- Mutex attributes ---------------------------------------------------------

int32_t tblibc_pthread_mutexattr_init(uint32_t* a) {
  *a = 0;
  return 0;
}

int32_t tblibc_pthread_mutexattr_settype(uint32_t* a, int32_t type) {
  if (type < linux::kPTHREAD_MUTEX_NORMAL || type > linux::kPTHREAD_MUTEX_ADAPTIVE_NP)
    return linux::kEINVAL;
  if (type == linux::kPTHREAD_MUTEX_NORMAL) type |= linux::kMutexNoElision;
  *a = (*a & linux::kMutexAttrFlagBits) | static_cast<uint32_t>(type);
  return 0;
}
int32_t tblibc_pthread_mutexattr_gettype(const uint32_t* a, int32_t* type) {
  *type = static_cast<int32_t>(*a & ~linux::kMutexAttrFlagBits) & ~linux::kMutexNoElision;
  return 0;
}

int32_t tblibc_pthread_mutexattr_setpshared(uint32_t* a, int32_t v) {
  return tblibc::SetFlag(a, linux::kMutexAttrPshared, v);
}
int32_t tblibc_pthread_mutexattr_getpshared(const uint32_t* a, int32_t* v) {
  *v = (*a & linux::kMutexAttrPshared) != 0 ? 1 : 0;
  return 0;
}
int32_t tblibc_pthread_mutexattr_setrobust(uint32_t* a, int32_t v) {
  return tblibc::SetFlag(a, linux::kMutexAttrRobust, v);
}
int32_t tblibc_pthread_mutexattr_getrobust(const uint32_t* a, int32_t* v) {
  *v = (*a & linux::kMutexAttrRobust) != 0 ? 1 : 0;
  return 0;
}
int32_t tblibc_pthread_mutexattr_setprotocol(uint32_t* a, int32_t protocol) {
  if (protocol < linux::kPTHREAD_PRIO_NONE || protocol > linux::kPTHREAD_PRIO_PROTECT)
    return linux::kEINVAL;
  *a = (*a & ~linux::kMutexAttrProtocolMask) |
       (static_cast<uint32_t>(protocol) << linux::kMutexAttrProtocolShift);
  return 0;
}
int32_t tblibc_pthread_mutexattr_getprotocol(const uint32_t* a, int32_t* protocol) {
  *protocol = static_cast<int32_t>((*a & linux::kMutexAttrProtocolMask) >>
                                   linux::kMutexAttrProtocolShift);
  return 0;
}

// ---- Conditions ---------------------------------------------------------------

int32_t tblibc_pthread_cond_init(linux::Cond* c, const uint32_t* attr) {
  const uint32_t a = attr != nullptr ? *attr : 0;
  std::memset(c, 0, sizeof *c);
  if ((a & linux::kCondAttrPshared) != 0) c->wrefs |= linux::kCondShared;
  if (((a >> linux::kCondAttrClockShift) & 1) != 0) c->wrefs |= linux::kCondClockMonotonic;
  return 0;
}


// No other thread could ever signal it: see the top of this file.
int32_t tblibc_pthread_cond_wait(linux::Cond*, Mutex* m) {
  if (const int32_t e = tblibc::Releasable(*m); e != 0) return e;
  return linux::kEDEADLK;
}

int32_t tblibc_pthread_cond_timedwait(linux::Cond* c, Mutex* m, const linux::Timespec* t) {
  return tblibc::ClockWait(m, tblibc::ClockOfCond(*c), tblibc::Of(t));
}
int32_t tblibc_pthread_cond_timedwait64(linux::Cond* c, Mutex* m, const linux::Timespec64* t) {
  return tblibc::ClockWait(m, tblibc::ClockOfCond(*c), tblibc::Of(t));
}
int32_t tblibc_pthread_cond_clockwait(linux::Cond*, Mutex* m, int32_t clock,
                                      const linux::Timespec* t) {
  return tblibc::ClockWait(m, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_cond_clockwait64(linux::Cond*, Mutex* m, int32_t clock,
                                        const linux::Timespec64* t) {
  return tblibc::ClockWait(m, clock, tblibc::Of(t));
}

int32_t tblibc_pthread_condattr_setpshared(uint32_t* a, int32_t v) {
  return tblibc::SetFlag(a, linux::kCondAttrPshared, v);
}
int32_t tblibc_pthread_condattr_getpshared(const uint32_t* a, int32_t* v) {
  *v = static_cast<int32_t>(*a & linux::kCondAttrPshared);
  return 0;
}
int32_t tblibc_pthread_condattr_setclock(uint32_t* a, int32_t clock) {
  platform::ClockKind kind;
  if (!tblibc::ClockOf(clock, &kind)) return linux::kEINVAL;
  return tblibc::SetFlag(a, 1u << linux::kCondAttrClockShift, clock);
}
int32_t tblibc_pthread_condattr_getclock(const uint32_t* a, int32_t* clock) {
  *clock = static_cast<int32_t>((*a >> linux::kCondAttrClockShift) & 1);
  return 0;
}

// ---- Read-write locks ---------------------------------------------------------

int32_t tblibc_pthread_rwlock_init(Rwlock* l, const linux::RwlockAttr* attr) {
  std::memset(l, 0, sizeof *l);
  if (attr != nullptr) {
    l->flags = static_cast<uint8_t>(attr->lockkind);
    l->shared = static_cast<uint8_t>(attr->pshared);
  }
  return 0;
}
int32_t tblibc_pthread_rwlock_destroy(Rwlock*) { return 0; }

// A lock the one thread holds for writing can never be given back while it
// waits; nor can its own read locks while it waits to write.
int32_t tblibc_pthread_rwlock_rdlock(Rwlock* l) {
  return tblibc::Written(*l) ? linux::kEDEADLK : tblibc::Read(l);
}
int32_t tblibc_pthread_rwlock_wrlock(Rwlock* l) {
  if (tblibc::Written(*l) || tblibc::Readers(*l) != 0) return linux::kEDEADLK;
  tblibc::Write(l);
  return 0;
}
int32_t tblibc_pthread_rwlock_tryrdlock(Rwlock* l) {
  return tblibc::Written(*l) ? linux::kEBUSY : tblibc::Read(l);
}
int32_t tblibc_pthread_rwlock_trywrlock(Rwlock* l) {
  if (tblibc::Written(*l) || tblibc::Readers(*l) != 0) return linux::kEBUSY;
  tblibc::Write(l);
  return 0;
}
int32_t tblibc_pthread_rwlock_unlock(Rwlock* l) {
  if (tblibc::Written(*l)) {
    l->readers &= ~(linux::kRwlockWrlocked | linux::kRwlockWrphase);
    l->writers_futex = 0;
    l->cur_writer = 0;
  } else if (tblibc::Readers(*l) != 0) {
    l->readers -= tblibc::kOneReader;
  }
  return 0;
}

int32_t tblibc_pthread_rwlock_clockrdlock64(Rwlock* l, int32_t clock,
                                            const linux::Timespec64* t) {
  return tblibc::ReadUntil(l, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_clockrdlock(Rwlock* l, int32_t clock, const linux::Timespec* t) {
  return tblibc::ReadUntil(l, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_timedrdlock64(Rwlock* l, const linux::Timespec64* t) {
  return tblibc::ReadUntil(l, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_timedrdlock(Rwlock* l, const linux::Timespec* t) {
  return tblibc::ReadUntil(l, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_clockwrlock64(Rwlock* l, int32_t clock,
                                            const linux::Timespec64* t) {
  return tblibc::WriteUntil(l, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_clockwrlock(Rwlock* l, int32_t clock, const linux::Timespec* t) {
  return tblibc::WriteUntil(l, clock, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_timedwrlock64(Rwlock* l, const linux::Timespec64* t) {
  return tblibc::WriteUntil(l, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_pthread_rwlock_timedwrlock(Rwlock* l, const linux::Timespec* t) {
  return tblibc::WriteUntil(l, linux::kCLOCK_REALTIME, tblibc::Of(t));
}

int32_t tblibc_pthread_rwlockattr_init(linux::RwlockAttr* a) {
  *a = {0, 0};
  return 0;
}
int32_t tblibc_pthread_rwlockattr_setkind_np(linux::RwlockAttr* a, int32_t kind) {
  if (kind < 0 || kind > linux::kPTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP)
    return linux::kEINVAL;
  a->lockkind = kind;
  return 0;
}
int32_t tblibc_pthread_rwlockattr_getkind_np(const linux::RwlockAttr* a, int32_t* kind) {
  *kind = a->lockkind;
  return 0;
}
int32_t tblibc_pthread_rwlockattr_setpshared(linux::RwlockAttr* a, int32_t v) {
  if (v != 0 && v != 1) return linux::kEINVAL;
  a->pshared = v;
  return 0;
}
int32_t tblibc_pthread_rwlockattr_getpshared(const linux::RwlockAttr* a, int32_t* v) {
  *v = a->pshared;
  return 0;
}

// ---- Spin locks ---------------------------------------------------------------

int32_t tblibc_pthread_spin_init(int32_t* s, int32_t) {
  *s = linux::kSpinFree;
  return 0;
}
// A held spin lock would spin for ever in the Linux C library.
int32_t tblibc_pthread_spin_lock(int32_t* s) {
  if (*s != linux::kSpinFree) return linux::kEDEADLK;
  *s = 0;
  return 0;
}
int32_t tblibc_pthread_spin_trylock(int32_t* s) {
  if (*s != linux::kSpinFree) return linux::kEBUSY;
  *s = 0;
  return 0;
}
int32_t tblibc_pthread_spin_unlock(int32_t* s) {
  *s = linux::kSpinFree;
  return 0;
}

// ---- Once ---------------------------------------------------------------------

// A routine that runs its own control again would wait for itself.
int32_t tblibc_pthread_once(int32_t* control, uint32_t routine) {
  if ((*control & linux::kOnceDone) != 0) return 0;
  if ((*control & linux::kOnceInProgress) != 0) return linux::kEDEADLK;
  *control = linux::kOnceInProgress;
  tblibc::CallGuest(routine, {});
  *control = linux::kOnceDone;
  return 0;
}

// ---- Keys ---------------------------------------------------------------------

// The lowest free key, as the Linux C library hands them out.
int32_t tblibc_pthread_key_create(uint32_t* key, uint32_t destructor) {
  for (uint32_t k = 0; k < std::size(tblibc::gKeys); ++k) {
    if (tblibc::gKeys[k].used) continue;
    tblibc::gKeys[k] = {true, destructor, 0};
    *key = k;
    return 0;
  }
  return linux::kEAGAIN;
}
int32_t tblibc_pthread_key_delete(uint32_t key) {
  if (!tblibc::Live(key)) return linux::kEINVAL;
  tblibc::gKeys[key].used = false;
  return 0;
}
uint32_t tblibc_pthread_getspecific(uint32_t key) {
  return tblibc::Live(key) ? tblibc::gKeys[key].value : 0;
}
int32_t tblibc_pthread_setspecific(uint32_t key, uint32_t value) {
  if (!tblibc::Live(key)) return linux::kEINVAL;
  tblibc::gKeys[key].value = value;
  return 0;
}

// ---- The one thread -----------------------------------------------------------

uint32_t tblibc_pthread_self() { return tblibc::Self(); }
int32_t tblibc_pthread_equal(uint32_t a, uint32_t b) { return a == b ? 1 : 0; }

// One thread is all there is: the new one is never made.
int32_t tblibc_pthread_create(uint32_t*, const void*, uint32_t, uint32_t) {
  return linux::kEAGAIN;
}

// Joining itself deadlocks unless it is detached; no other thread exists.
// The library answers so before it looks at a deadline.
int32_t tblibc_pthread_join(uint32_t thread, uint32_t*) {
  if (thread != tblibc::Self()) return linux::kESRCH;
  return tblibc::gDetached ? linux::kEINVAL : linux::kEDEADLK;
}
int32_t tblibc_pthread_timedjoin_np(uint32_t thread, uint32_t* result, const void*) {
  return tblibc_pthread_join(thread, result);
}
int32_t tblibc_pthread_clockjoin_np(uint32_t thread, uint32_t* result, int32_t clock,
                                    const void*) {
  platform::ClockKind kind;
  if (!tblibc::ClockOf(clock, &kind)) return linux::kEINVAL;
  return tblibc_pthread_join(thread, result);
}
// The one thread is still running, detached or not.
int32_t tblibc_pthread_tryjoin_np(uint32_t thread, uint32_t*) {
  return thread != tblibc::Self() ? linux::kESRCH : linux::kEBUSY;
}

// The last thread leaving ends the process as exit(0) does, at-exit
// routines and all, once the destructors of its keys have run: each key
// with a value has it cleared and its destructor called with it, in rounds
// while any value is left, as many rounds as the library makes.
void tblibc_pthread_exit(uint32_t) {
  for (int round = 0; round < linux::kPTHREAD_DESTRUCTOR_ITERATIONS; ++round) {
    bool ran = false;
    for (tblibc::Key& key : tblibc::gKeys) {
      if (!key.used || key.value == 0) continue;
      const uint32_t value = key.value;
      key.value = 0;
      if (key.destructor == 0) continue;
      tblibc::CallGuest(key.destructor, {value});
      ran = true;
    }
    if (!ran) break;
  }
  tblibc::Exit(0);
}
int32_t tblibc_pthread_detach(uint32_t thread) {
  if (thread != tblibc::Self()) return linux::kESRCH;
  if (tblibc::gDetached) return linux::kEINVAL;
  tblibc::gDetached = true;
  return 0;
}

int32_t tblibc_pthread_setcancelstate(int32_t state, int32_t* old) {
  return tblibc::SetCancel(&tblibc::gCancelState, state, old);
}
int32_t tblibc_pthread_setcanceltype(int32_t type, int32_t* old) {
  return tblibc::SetCancel(&tblibc::gCancelType, type, old);
}
// No other thread can cancel this one.
void tblibc_pthread_testcancel() {}

// fork always fails here, so the handlers would never run.
int32_t tblibc_pthread_atfork(uint32_t, uint32_t, uint32_t, uint32_t) { return 0; }

int32_t tblibc_sched_yield() { return 0; }

// ---- Scheduling ---------------------------------------------------------------

// The process runs under SCHED_OTHER at priority 0, as a Linux process
// normally does. A query names it as 0 or by its id; a negative id is
// EINVAL and any other process ESRCH (no other one is looked at).
int32_t tblibc_sched_getscheduler(int32_t pid) {
  if (const int32_t e = tblibc::SchedTarget(pid); e != 0) return tblibc::Failed(e);
  return linux::kSCHED_OTHER;
}
int32_t tblibc_sched_getparam(int32_t pid, int32_t* param) {
  if (param == nullptr) return tblibc::Failed(linux::kEINVAL);
  if (const int32_t e = tblibc::SchedTarget(pid); e != 0) return tblibc::Failed(e);
  *param = 0;
  return 0;
}
int32_t tblibc_sched_get_priority_max(int32_t policy) {
  if (!tblibc::KnownPolicy(policy)) return tblibc::Failed(linux::kEINVAL);
  return tblibc::RealTime(policy) ? linux::kSchedRealTimeMax : 0;
}
int32_t tblibc_sched_get_priority_min(int32_t policy) {
  if (!tblibc::KnownPolicy(policy)) return tblibc::Failed(linux::kEINVAL);
  return tblibc::RealTime(policy) ? 1 : 0;
}
// The slice answered is SCHED_RR's on Linux, 100 ms.
int32_t tblibc_sched_rr_get_interval64(int32_t pid, linux::Timespec64* t) {
  if (const int32_t e = tblibc::SchedTarget(pid); e != 0) return tblibc::Failed(e);
  if (t == nullptr) return tblibc::Failed(linux::kEFAULT);
  *t = {0, tblibc::kTimeSliceNs, 0};
  return 0;
}
int32_t tblibc_sched_rr_get_interval(int32_t pid, linux::Timespec* t) {
  if (const int32_t e = tblibc::SchedTarget(pid); e != 0) return tblibc::Failed(e);
  if (t == nullptr) return tblibc::Failed(linux::kEFAULT);
  *t = {0, tblibc::kTimeSliceNs};
  return 0;
}

// ---- Thread attributes --------------------------------------------------------

using linux::ThreadAttr;

int32_t tblibc_pthread_attr_init(ThreadAttr* a) {
  std::memset(a, 0, sizeof *a);
  a->guardsize = tblibc::kPageSize;
  return 0;
}

int32_t tblibc_pthread_attr_setdetachstate(ThreadAttr* a, int32_t v) {
  return tblibc::SetFlag(&a->flags, linux::kAttrDetached, v);
}
int32_t tblibc_pthread_attr_getdetachstate(const ThreadAttr* a, int32_t* v) {
  *v = (a->flags & linux::kAttrDetached) != 0 ? 1 : 0;
  return 0;
}
int32_t tblibc_pthread_attr_setinheritsched(ThreadAttr* a, int32_t v) {
  return tblibc::SetFlag(&a->flags, linux::kAttrNotInheritSched, v);
}
int32_t tblibc_pthread_attr_getinheritsched(const ThreadAttr* a, int32_t* v) {
  *v = (a->flags & linux::kAttrNotInheritSched) != 0 ? 1 : 0;
  return 0;
}
// Every thread competes with the system's: PTHREAD_SCOPE_PROCESS is
// ENOTSUP, as on Linux.
int32_t tblibc_pthread_attr_setscope(ThreadAttr* a, int32_t scope) {
  if (scope == linux::kPTHREAD_SCOPE_PROCESS) return linux::kENOTSUP;
  return scope == 0 ? tblibc::SetFlag(&a->flags, linux::kAttrScopeProcess, 0) : linux::kEINVAL;
}
int32_t tblibc_pthread_attr_getscope(const ThreadAttr* a, int32_t* scope) {
  *scope = (a->flags & linux::kAttrScopeProcess) != 0 ? 1 : 0;
  return 0;
}

int32_t tblibc_pthread_attr_setguardsize(ThreadAttr* a, uint32_t size) {
  a->guardsize = size;
  return 0;
}
int32_t tblibc_pthread_attr_getguardsize(const ThreadAttr* a, uint32_t* size) {
  *size = a->guardsize;
  return 0;
}
int32_t tblibc_pthread_attr_setstacksize(ThreadAttr* a, uint32_t size) {
  if (size < linux::kPTHREAD_STACK_MIN) return linux::kEINVAL;
  a->stacksize = size;
  return 0;
}
int32_t tblibc_pthread_attr_getstacksize(const ThreadAttr* a, uint32_t* size) {
  *size = a->stacksize != 0 ? a->stacksize : tblibc::kDefaultStack;
  return 0;
}
// The attribute keeps the stack's end, as the Linux C library's does.
int32_t tblibc_pthread_attr_setstack(ThreadAttr* a, uint32_t base, uint32_t size) {
  if (size < linux::kPTHREAD_STACK_MIN) return linux::kEINVAL;
  a->stackaddr = base + size;
  a->stacksize = size;
  a->flags |= linux::kAttrStackAddr;
  return 0;
}
int32_t tblibc_pthread_attr_getstack(const ThreadAttr* a, uint32_t* base, uint32_t* size) {
  *base = a->stackaddr - a->stacksize;
  *size = a->stacksize;
  return 0;
}
int32_t tblibc_pthread_attr_setstackaddr(ThreadAttr* a, uint32_t end) {
  a->stackaddr = end;
  a->flags |= linux::kAttrStackAddr;
  return 0;
}
int32_t tblibc_pthread_attr_getstackaddr(const ThreadAttr* a, uint32_t* end) {
  *end = a->stackaddr;
  return 0;
}

int32_t tblibc_pthread_attr_setschedpolicy(ThreadAttr* a, int32_t policy) {
  if (policy != linux::kSCHED_OTHER && policy != linux::kSCHED_FIFO &&
      policy != linux::kSCHED_RR)
    return linux::kEINVAL;
  a->schedpolicy = policy;
  a->flags |= linux::kAttrPolicySet;
  return 0;
}
int32_t tblibc_pthread_attr_getschedpolicy(const ThreadAttr* a, int32_t* policy) {
  *policy = a->schedpolicy;
  return 0;
}
// The priorities Linux allows: 0 alone for SCHED_OTHER, 1 to 99 for the
// real-time policies.
int32_t tblibc_pthread_attr_setschedparam(ThreadAttr* a, const int32_t* param) {
  const bool realTime = a->schedpolicy == linux::kSCHED_FIFO || a->schedpolicy == linux::kSCHED_RR;
  const int32_t lo = realTime ? 1 : 0, hi = realTime ? 99 : 0;
  if (*param < lo || *param > hi) return linux::kEINVAL;
  a->sched_priority = *param;
  a->flags |= linux::kAttrSchedSet;
  return 0;
}
int32_t tblibc_pthread_attr_getschedparam(const ThreadAttr* a, int32_t* param) {
  *param = a->sched_priority;
  return 0;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    // Mutexes.
    Fn<&tblibc_pthread_mutex_init>("pthread_mutex_init"),
    Fn<&tblibc_pthread_mutex_init>("__pthread_mutex_init"),
    Fn<&tblibc_pthread_mutex_destroy>("pthread_mutex_destroy"),
    Fn<&tblibc_pthread_mutex_destroy>("__pthread_mutex_destroy"),
    Fn<&tblibc_pthread_mutex_lock>("pthread_mutex_lock"),
    Fn<&tblibc_pthread_mutex_lock>("__pthread_mutex_lock"),
    Fn<&tblibc_pthread_mutex_trylock>("pthread_mutex_trylock"),
    Fn<&tblibc_pthread_mutex_trylock>("__pthread_mutex_trylock"),
    Fn<&tblibc_pthread_mutex_unlock>("pthread_mutex_unlock"),
    Fn<&tblibc_pthread_mutex_unlock>("__pthread_mutex_unlock"),
    Fn<&tblibc_pthread_mutex_timedlock>("pthread_mutex_timedlock"),
    Fn<&tblibc_pthread_mutex_timedlock64>("__pthread_mutex_timedlock64"),
    Fn<&tblibc_pthread_mutex_clocklock>("pthread_mutex_clocklock"),
    Fn<&tblibc_pthread_mutex_clocklock64>("__pthread_mutex_clocklock64"),
    Fn<&tblibc_pthread_mutexattr_init>("pthread_mutexattr_init"),
    Fn<&tblibc_pthread_mutexattr_init>("__pthread_mutexattr_init"),
    Fn<&tblibc_pthread_nothing>("pthread_mutexattr_destroy"),
    Fn<&tblibc_pthread_nothing>("__pthread_mutexattr_destroy"),
    Fn<&tblibc_pthread_mutexattr_settype>("pthread_mutexattr_settype"),
    Fn<&tblibc_pthread_mutexattr_settype>("__pthread_mutexattr_settype"),
    Fn<&tblibc_pthread_mutexattr_settype>("pthread_mutexattr_setkind_np"),
    Fn<&tblibc_pthread_mutexattr_gettype>("pthread_mutexattr_gettype"),
    Fn<&tblibc_pthread_mutexattr_gettype>("pthread_mutexattr_getkind_np"),
    Fn<&tblibc_pthread_mutexattr_setpshared>("pthread_mutexattr_setpshared"),
    Fn<&tblibc_pthread_mutexattr_getpshared>("pthread_mutexattr_getpshared"),
    Fn<&tblibc_pthread_mutexattr_setrobust>("pthread_mutexattr_setrobust"),
    Fn<&tblibc_pthread_mutexattr_setrobust>("pthread_mutexattr_setrobust_np"),
    Fn<&tblibc_pthread_mutexattr_getrobust>("pthread_mutexattr_getrobust"),
    Fn<&tblibc_pthread_mutexattr_getrobust>("pthread_mutexattr_getrobust_np"),
    Fn<&tblibc_pthread_mutexattr_setprotocol>("pthread_mutexattr_setprotocol"),
    Fn<&tblibc_pthread_mutexattr_getprotocol>("pthread_mutexattr_getprotocol"),
    // Conditions.
    Fn<&tblibc_pthread_cond_init>("pthread_cond_init"),
    Fn<&tblibc_pthread_nothing>("pthread_cond_destroy"),
    Fn<&tblibc_pthread_nothing>("pthread_cond_signal"),
    Fn<&tblibc_pthread_nothing>("pthread_cond_broadcast"),
    Fn<&tblibc_pthread_cond_wait>("pthread_cond_wait"),
    Fn<&tblibc_pthread_cond_timedwait>("pthread_cond_timedwait"),
    Fn<&tblibc_pthread_cond_timedwait64>("__pthread_cond_timedwait64"),
    Fn<&tblibc_pthread_cond_clockwait>("pthread_cond_clockwait"),
    Fn<&tblibc_pthread_cond_clockwait64>("__pthread_cond_clockwait64"),
    Fn<&tblibc_pthread_mutexattr_init>("pthread_condattr_init"),
    Fn<&tblibc_pthread_nothing>("pthread_condattr_destroy"),
    Fn<&tblibc_pthread_condattr_setpshared>("pthread_condattr_setpshared"),
    Fn<&tblibc_pthread_condattr_getpshared>("pthread_condattr_getpshared"),
    Fn<&tblibc_pthread_condattr_setclock>("pthread_condattr_setclock"),
    Fn<&tblibc_pthread_condattr_getclock>("pthread_condattr_getclock"),
    // Read-write locks.
    Fn<&tblibc_pthread_rwlock_init>("pthread_rwlock_init"),
    Fn<&tblibc_pthread_rwlock_init>("__pthread_rwlock_init"),
    Fn<&tblibc_pthread_rwlock_destroy>("pthread_rwlock_destroy"),
    Fn<&tblibc_pthread_rwlock_destroy>("__pthread_rwlock_destroy"),
    Fn<&tblibc_pthread_rwlock_rdlock>("pthread_rwlock_rdlock"),
    Fn<&tblibc_pthread_rwlock_rdlock>("__pthread_rwlock_rdlock"),
    Fn<&tblibc_pthread_rwlock_wrlock>("pthread_rwlock_wrlock"),
    Fn<&tblibc_pthread_rwlock_wrlock>("__pthread_rwlock_wrlock"),
    Fn<&tblibc_pthread_rwlock_tryrdlock>("pthread_rwlock_tryrdlock"),
    Fn<&tblibc_pthread_rwlock_tryrdlock>("__pthread_rwlock_tryrdlock"),
    Fn<&tblibc_pthread_rwlock_trywrlock>("pthread_rwlock_trywrlock"),
    Fn<&tblibc_pthread_rwlock_trywrlock>("__pthread_rwlock_trywrlock"),
    Fn<&tblibc_pthread_rwlock_unlock>("pthread_rwlock_unlock"),
    Fn<&tblibc_pthread_rwlock_unlock>("__pthread_rwlock_unlock"),
    Fn<&tblibc_pthread_rwlock_timedrdlock>("pthread_rwlock_timedrdlock"),
    Fn<&tblibc_pthread_rwlock_timedrdlock64>("__pthread_rwlock_timedrdlock64"),
    Fn<&tblibc_pthread_rwlock_timedwrlock>("pthread_rwlock_timedwrlock"),
    Fn<&tblibc_pthread_rwlock_timedwrlock64>("__pthread_rwlock_timedwrlock64"),
    Fn<&tblibc_pthread_rwlock_clockrdlock>("pthread_rwlock_clockrdlock"),
    Fn<&tblibc_pthread_rwlock_clockrdlock64>("__pthread_rwlock_clockrdlock64"),
    Fn<&tblibc_pthread_rwlock_clockwrlock>("pthread_rwlock_clockwrlock"),
    Fn<&tblibc_pthread_rwlock_clockwrlock64>("__pthread_rwlock_clockwrlock64"),
    Fn<&tblibc_pthread_rwlockattr_init>("pthread_rwlockattr_init"),
    Fn<&tblibc_pthread_nothing>("pthread_rwlockattr_destroy"),
    Fn<&tblibc_pthread_rwlockattr_setkind_np>("pthread_rwlockattr_setkind_np"),
    Fn<&tblibc_pthread_rwlockattr_getkind_np>("pthread_rwlockattr_getkind_np"),
    Fn<&tblibc_pthread_rwlockattr_setpshared>("pthread_rwlockattr_setpshared"),
    Fn<&tblibc_pthread_rwlockattr_getpshared>("pthread_rwlockattr_getpshared"),
    // Spin locks.
    Fn<&tblibc_pthread_spin_init>("pthread_spin_init"),
    Fn<&tblibc_pthread_nothing>("pthread_spin_destroy"),
    Fn<&tblibc_pthread_spin_lock>("pthread_spin_lock"),
    Fn<&tblibc_pthread_spin_trylock>("pthread_spin_trylock"),
    Fn<&tblibc_pthread_spin_unlock>("pthread_spin_unlock"),
    // Once and keys.
    Fn<&tblibc_pthread_once>("pthread_once"),
    Fn<&tblibc_pthread_once>("__pthread_once"),
    Fn<&tblibc_pthread_key_create>("pthread_key_create"),
    Fn<&tblibc_pthread_key_create>("__pthread_key_create"),
    Fn<&tblibc_pthread_key_delete>("pthread_key_delete"),
    Fn<&tblibc_pthread_getspecific>("pthread_getspecific"),
    Fn<&tblibc_pthread_getspecific>("__pthread_getspecific"),
    Fn<&tblibc_pthread_setspecific>("pthread_setspecific"),
    Fn<&tblibc_pthread_setspecific>("__pthread_setspecific"),
    // The one thread.
    Fn<&tblibc_pthread_self>("pthread_self"),
    Fn<&tblibc_pthread_equal>("pthread_equal"),
    Fn<&tblibc_pthread_create>("pthread_create"),
    Fn<&tblibc_pthread_join>("pthread_join"),
    Fn<&tblibc_pthread_detach>("pthread_detach"),
    Fn<&tblibc_pthread_timedjoin_np>("pthread_timedjoin_np"),
    Fn<&tblibc_pthread_timedjoin_np>("__pthread_timedjoin_np64"),
    Fn<&tblibc_pthread_clockjoin_np>("pthread_clockjoin_np"),
    Fn<&tblibc_pthread_clockjoin_np>("__pthread_clockjoin_np64"),
    Fn<&tblibc_pthread_tryjoin_np>("pthread_tryjoin_np"),
    Fn<&tblibc_pthread_exit>("pthread_exit"),
    Fn<&tblibc_pthread_setcancelstate>("pthread_setcancelstate"),
    Fn<&tblibc_pthread_setcanceltype>("pthread_setcanceltype"),
    Fn<&tblibc_pthread_testcancel>("pthread_testcancel"),
    Fn<&tblibc_pthread_atfork>("pthread_atfork"),
    Fn<&tblibc_pthread_atfork>("__register_atfork"),
    Fn<&tblibc_sched_yield>("sched_yield"),
    Fn<&tblibc_sched_yield>("__sched_yield"),
    Fn<&tblibc_sched_yield>("pthread_yield"),
    Fn<&tblibc_sched_getscheduler>("sched_getscheduler"),
    Fn<&tblibc_sched_getscheduler>("__sched_getscheduler"),
    Fn<&tblibc_sched_getparam>("sched_getparam"),
    Fn<&tblibc_sched_getparam>("__sched_getparam"),
    Fn<&tblibc_sched_get_priority_max>("sched_get_priority_max"),
    Fn<&tblibc_sched_get_priority_max>("__sched_get_priority_max"),
    Fn<&tblibc_sched_get_priority_min>("sched_get_priority_min"),
    Fn<&tblibc_sched_get_priority_min>("__sched_get_priority_min"),
    Fn<&tblibc_sched_rr_get_interval>("sched_rr_get_interval"),
    Fn<&tblibc_sched_rr_get_interval64>("__sched_rr_get_interval64"),
    // Thread attributes.
    Fn<&tblibc_pthread_attr_init>("pthread_attr_init"),
    Fn<&tblibc_pthread_nothing>("pthread_attr_destroy"),
    Fn<&tblibc_pthread_attr_setdetachstate>("pthread_attr_setdetachstate"),
    Fn<&tblibc_pthread_attr_getdetachstate>("pthread_attr_getdetachstate"),
    Fn<&tblibc_pthread_attr_setinheritsched>("pthread_attr_setinheritsched"),
    Fn<&tblibc_pthread_attr_getinheritsched>("pthread_attr_getinheritsched"),
    Fn<&tblibc_pthread_attr_setscope>("pthread_attr_setscope"),
    Fn<&tblibc_pthread_attr_getscope>("pthread_attr_getscope"),
    Fn<&tblibc_pthread_attr_setguardsize>("pthread_attr_setguardsize"),
    Fn<&tblibc_pthread_attr_getguardsize>("pthread_attr_getguardsize"),
    Fn<&tblibc_pthread_attr_setstacksize>("pthread_attr_setstacksize"),
    Fn<&tblibc_pthread_attr_getstacksize>("pthread_attr_getstacksize"),
    Fn<&tblibc_pthread_attr_setstack>("pthread_attr_setstack"),
    Fn<&tblibc_pthread_attr_getstack>("pthread_attr_getstack"),
    Fn<&tblibc_pthread_attr_setstackaddr>("pthread_attr_setstackaddr"),
    Fn<&tblibc_pthread_attr_getstackaddr>("pthread_attr_getstackaddr"),
    Fn<&tblibc_pthread_attr_setschedpolicy>("pthread_attr_setschedpolicy"),
    Fn<&tblibc_pthread_attr_getschedpolicy>("pthread_attr_getschedpolicy"),
    Fn<&tblibc_pthread_attr_setschedparam>("pthread_attr_setschedparam"),
    Fn<&tblibc_pthread_attr_getschedparam>("pthread_attr_getschedparam"),
};

}  // namespace

extern const Family kThreadsFamily;
const Family kThreadsFamily{"threads", kExports};

}  // namespace tblibc
