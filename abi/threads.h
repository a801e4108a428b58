// The Linux i386 C library's thread objects as the guest lays them out in
// its own memory. Their state lives in these bytes and nowhere else, so
// that an object set up by a static initialiser works, and the encodings
// are the library's own where a program may look at them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

// pthread_mutex_t. PTHREAD_MUTEX_INITIALIZER is all zero; the _NP
// initialisers of the other kinds set `kind` alone.
struct Mutex {
  int32_t lock;     // 0 free, 1 locked
  uint32_t count;   // a recursive mutex's depth
  int32_t owner;    // the holder's thread id
  int32_t kind;     // the type and the attribute flags; -1 once destroyed
  uint32_t nusers;  // locks held
  int16_t spins;
  int16_t elision;
};
static_assert(sizeof(Mutex) == 24);
static_assert(offsetof(Mutex, kind) == 12);
static_assert(offsetof(Mutex, nusers) == 16);

constexpr int32_t kPTHREAD_MUTEX_NORMAL = 0;
constexpr int32_t kPTHREAD_MUTEX_RECURSIVE = 1;
constexpr int32_t kPTHREAD_MUTEX_ERRORCHECK = 2;
constexpr int32_t kPTHREAD_MUTEX_ADAPTIVE_NP = 3;
constexpr int32_t kMutexTypeMask = 3;
// The flags a mutex's kind takes from its attributes.
constexpr int32_t kMutexRobust = 16;
constexpr int32_t kMutexPrioInherit = 32;
constexpr int32_t kMutexPrioProtect = 64;
constexpr int32_t kMutexPshared = 128;
constexpr int32_t kMutexNoElision = 512;  // what settype(NORMAL) records

// pthread_mutexattr_t: one word, the type in the low bits below these.
constexpr uint32_t kMutexAttrPshared = 0x80000000u;
constexpr uint32_t kMutexAttrRobust = 0x40000000u;
constexpr uint32_t kMutexAttrProtocolMask = 0x30000000u;
constexpr int kMutexAttrProtocolShift = 28;
constexpr uint32_t kMutexAttrFlagBits = 0xF0FFF000u;  // protocol, ceiling, flags

constexpr int32_t kPTHREAD_PRIO_NONE = 0;
constexpr int32_t kPTHREAD_PRIO_INHERIT = 1;
constexpr int32_t kPTHREAD_PRIO_PROTECT = 2;

// pthread_cond_t. PTHREAD_COND_INITIALIZER is all zero.
struct Cond {
  uint32_t wseq[2];
  uint32_t g1_start[2];
  uint32_t g_refs[2];
  uint32_t g_size[2];
  uint32_t g1_orig_size;
  uint32_t wrefs;  // with the flags below
  uint32_t g_signals[2];
};
static_assert(sizeof(Cond) == 48);
static_assert(offsetof(Cond, wrefs) == 36);

constexpr uint32_t kCondShared = 1;
constexpr uint32_t kCondClockMonotonic = 2;  // waits measure CLOCK_MONOTONIC

// pthread_condattr_t: one word, process-shared in bit 0, the clock above.
constexpr uint32_t kCondAttrPshared = 1;
constexpr int kCondAttrClockShift = 1;

// pthread_rwlock_t. PTHREAD_RWLOCK_INITIALIZER is all zero.
struct Rwlock {
  uint32_t readers;  // the readers' count above kRwlockReaderShift, phase bits below
  uint32_t writers;
  uint32_t wrphase_futex;
  uint32_t writers_futex;
  uint32_t pad3;
  uint32_t pad4;
  uint8_t flags;  // the kind: PTHREAD_RWLOCK_PREFER_*
  uint8_t shared;
  int8_t rwelision;
  uint8_t pad2;
  int32_t cur_writer;  // the writer's thread id
};
static_assert(sizeof(Rwlock) == 32);
static_assert(offsetof(Rwlock, flags) == 24);
static_assert(offsetof(Rwlock, cur_writer) == 28);

constexpr uint32_t kRwlockWrphase = 1;
constexpr uint32_t kRwlockWrlocked = 2;
constexpr int kRwlockReaderShift = 3;

// pthread_rwlockattr_t.
struct RwlockAttr {
  int32_t lockkind;
  int32_t pshared;
};
static_assert(sizeof(RwlockAttr) == 8);

constexpr int32_t kPTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP = 2;

// pthread_attr_t.
struct ThreadAttr {
  int32_t sched_priority;  // struct sched_param
  int32_t schedpolicy;
  int32_t flags;
  uint32_t guardsize;
  uint32_t stackaddr;  // the stack's end: stacks grow down
  uint32_t stacksize;  // 0: the default
  uint32_t extension;
  uint32_t unused0;
  uint32_t pad;
};
static_assert(sizeof(ThreadAttr) == 36);
static_assert(offsetof(ThreadAttr, guardsize) == 12);
static_assert(offsetof(ThreadAttr, stacksize) == 20);

constexpr int32_t kAttrDetached = 0x01;
constexpr int32_t kAttrNotInheritSched = 0x02;
constexpr int32_t kAttrScopeProcess = 0x04;
constexpr int32_t kAttrStackAddr = 0x08;
constexpr int32_t kAttrSchedSet = 0x20;
constexpr int32_t kAttrPolicySet = 0x40;

constexpr int32_t kSCHED_OTHER = 0;
constexpr int32_t kSCHED_FIFO = 1;
constexpr int32_t kSCHED_RR = 2;
constexpr int32_t kSCHED_BATCH = 3;
constexpr int32_t kSCHED_IDLE = 5;
constexpr int32_t kSCHED_DEADLINE = 6;
// sched_get_priority_max of the real-time policies, as Linux answers.
constexpr int32_t kSchedRealTimeMax = 99;

// pthread_once_t: one word.
constexpr int32_t kOnceInProgress = 1;
constexpr int32_t kOnceDone = 2;

// pthread_spinlock_t: one word, 1 when free on i386.
constexpr int32_t kSpinFree = 1;

constexpr uint32_t kPTHREAD_KEYS_MAX = 1024;
constexpr int kPTHREAD_DESTRUCTOR_ITERATIONS = 4;
constexpr uint32_t kPTHREAD_STACK_MIN = 16384;
constexpr int32_t kPTHREAD_SCOPE_PROCESS = 1;

// C11's <threads.h>: mtx_t is pthread_mutex_t, cnd_t pthread_cond_t,
// once_flag pthread_once_t, tss_t pthread_key_t and thrd_t pthread_t.
constexpr int32_t kthrd_success = 0;
constexpr int32_t kthrd_busy = 1;
constexpr int32_t kthrd_error = 2;
constexpr int32_t kthrd_nomem = 3;
constexpr int32_t kthrd_timedout = 4;
constexpr int32_t kmtx_recursive = 1;
constexpr int32_t kmtx_timed = 2;

}  // namespace linux
