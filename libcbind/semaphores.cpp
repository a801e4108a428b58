// POSIX semaphores, in a process of one thread (see threads.cpp). A
// semaphore's state lives in the guest's own sem_t, encoded as the Linux
// C library's 32-bit form encodes it (abi/semaphores.h): a zeroed sem_t is
// a semaphore of value 0, and sem_getvalue reads the bytes.
//
// A wait on a semaphore of value 0 could only end by a post from another
// thread, and there is none: sem_wait answers EDEADLK instead of hanging,
// and a timed wait sleeps to its deadline and answers ETIMEDOUT, as the
// library does with nobody to post. A signal handler that posts during
// such a wait (an asynchronous timer's) is not seen by it: the untimed
// wait has already answered, the timed one ends at its deadline all the
// same.
//
// Named semaphores are the process's own: a table of names, each with its
// semaphore in memory of the loader's, stands where the Linux C library
// keeps files in /dev/shm. Another process does not see them. Opening a
// name again answers the same semaphore (as the library answers the same
// mapping), O_CREAT with O_EXCL refuses a name in use, sem_unlink takes
// the name away while the handles already open still work, and a name
// keeps its semaphore and its value after its last sem_close, as the
// library's file does, until it is unlinked.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "abi/errno.h"
#include "abi/linux.h"
#include "abi/semaphores.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/threads.h"

namespace tblibc {
namespace {

using linux::Sem;

int32_t Failed(int32_t e) {
  SetErrno(e);
  return -1;
}

uint32_t Value(const Sem& s) { return s.value >> linux::kSemValueShift; }

void Init(Sem* s, uint32_t value, uint32_t shared) {
  s->value = value << linux::kSemValueShift;
  s->shared = shared;
  s->pad = 0;
  s->nwaiters = 0;
}

// The fast path of every wait: one token taken when there is one.
bool TakeOne(Sem* s) {
  if (Value(*s) == 0) return false;
  s->value -= 1u << linux::kSemValueShift;
  return true;
}

// sem_timedwait and sem_clockwait: the clock and the deadline are checked
// before the value, as the library checks them.
int32_t WaitUntil(Sem* s, int32_t clock, const Deadline& d) {
  platform::ClockKind kind;
  if (!ClockOf(clock, &kind) || !Valid(d)) return Failed(linux::kEINVAL);
  if (TakeOne(s)) return 0;
  return Failed(SleepUntil(kind, d));
}

// ---- Named semaphores -----------------------------------------------------------

// A name's semaphore; `name` is empty once unlinked. The entry, and the
// semaphore with it, goes when it is unlinked and no handle is open.
struct Named {
  std::string name;
  Sem* sem;
  uint32_t opens;
};
std::vector<Named> gNamed;

Named* Find(std::string_view name) {
  for (Named& n : gNamed)
    if (!n.name.empty() && n.name == name) return &n;
  return nullptr;
}

void Forget(Named* n) {
  delete n->sem;
  gNamed.erase(gNamed.begin() + (n - gNamed.data()));
}

// The library's check of a name, after the slashes it begins with: not
// empty, no other slash, short enough for its buffer (EINVAL) and for a
// file name (ENAMETOOLONG).
int32_t CheckName(std::string_view* name) {
  while (!name->empty() && name->front() == '/') name->remove_prefix(1);
  if (name->empty() || name->find('/') != std::string_view::npos ||
      name->size() >= linux::kSemNameBuffer)
    return linux::kEINVAL;
  return name->size() > linux::kSemNameMax ? linux::kENAMETOOLONG : 0;
}

}  // namespace
}  // namespace tblibc

using linux::Sem;

extern "C" {

int32_t tblibc_sem_init(Sem* s, int32_t shared, uint32_t value) {
  if (value > linux::kSEM_VALUE_MAX) return tblibc::Failed(linux::kEINVAL);
  tblibc::Init(s, value, shared != 0 ? linux::kSemShared : 0);
  return 0;
}

int32_t tblibc_sem_destroy(Sem*) { return 0; }

int32_t tblibc_sem_post(Sem* s) {
  if (tblibc::Value(*s) == linux::kSEM_VALUE_MAX) return tblibc::Failed(linux::kEOVERFLOW);
  s->value += 1u << linux::kSemValueShift;
  return 0;
}

int32_t tblibc_sem_getvalue(const Sem* s, int32_t* value) {
  *value = static_cast<int32_t>(tblibc::Value(*s));
  return 0;
}

int32_t tblibc_sem_trywait(Sem* s) {
  return tblibc::TakeOne(s) ? 0 : tblibc::Failed(linux::kEAGAIN);
}

// No other thread could ever post it: see the top of this file.
int32_t tblibc_sem_wait(Sem* s) {
  return tblibc::TakeOne(s) ? 0 : tblibc::Failed(linux::kEDEADLK);
}

int32_t tblibc_sem_timedwait(Sem* s, const linux::Timespec* t) {
  return tblibc::WaitUntil(s, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_sem_timedwait64(Sem* s, const linux::Timespec64* t) {
  return tblibc::WaitUntil(s, linux::kCLOCK_REALTIME, tblibc::Of(t));
}
int32_t tblibc_sem_clockwait(Sem* s, int32_t clock, const linux::Timespec* t) {
  return tblibc::WaitUntil(s, clock, tblibc::Of(t));
}
int32_t tblibc_sem_clockwait64(Sem* s, int32_t clock, const linux::Timespec64* t) {
  return tblibc::WaitUntil(s, clock, tblibc::Of(t));
}

// sem_open(name, oflag[, mode, value]): the mode and the value are read
// only with O_CREAT, as the library reads its variable arguments. The
// mode asks nothing of a semaphore that only this process sees.
uint32_t tblibc_sem_open(const char* name, int32_t oflag, uint32_t, uint32_t value) {
  std::string_view key = name;
  if (const int32_t e = tblibc::CheckName(&key); e != 0) {
    tblibc::SetErrno(e);
    return linux::kSEM_FAILED;
  }
  const uint32_t flags = static_cast<uint32_t>(oflag);
  const bool create = (flags & linux::kO_CREAT) != 0;
  const bool exclusive = create && (flags & linux::kO_EXCL) != 0;
  tblibc::Named* n = tblibc::Find(key);
  // The library opens a name that exists before it looks at the value,
  // but checks the value first when it must create.
  int32_t e = 0;
  if (n == nullptr && !create) e = linux::kENOENT;
  else if ((n == nullptr || exclusive) && value > linux::kSEM_VALUE_MAX) e = linux::kEINVAL;
  else if (n != nullptr && exclusive) e = linux::kEEXIST;
  if (e != 0) {
    tblibc::SetErrno(e);
    return linux::kSEM_FAILED;
  }
  if (n == nullptr) {
    Sem* s = new Sem;
    tblibc::Init(s, value, linux::kSemShared);
    tblibc::gNamed.push_back({std::string(key), s, 0});
    n = &tblibc::gNamed.back();
  }
  ++n->opens;
  return tblibc::Address(n->sem);
}

// A handle sem_open did not give is EINVAL.
int32_t tblibc_sem_close(Sem* s) {
  for (tblibc::Named& n : tblibc::gNamed) {
    if (n.sem != s || n.opens == 0) continue;
    if (--n.opens == 0 && n.name.empty()) tblibc::Forget(&n);
    return 0;
  }
  return tblibc::Failed(linux::kEINVAL);
}

// A name the library would refuse is one it cannot find.
int32_t tblibc_sem_unlink(const char* name) {
  std::string_view key = name;
  if (const int32_t e = tblibc::CheckName(&key); e != 0)
    return tblibc::Failed(e == linux::kEINVAL ? linux::kENOENT : e);
  tblibc::Named* n = tblibc::Find(key);
  if (n == nullptr) return tblibc::Failed(linux::kENOENT);
  n->name.clear();
  if (n->opens == 0) tblibc::Forget(n);
  return 0;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_sem_init>("sem_init"),
    Fn<&tblibc_sem_destroy>("sem_destroy"),
    Fn<&tblibc_sem_post>("sem_post"),
    Fn<&tblibc_sem_getvalue>("sem_getvalue"),
    Fn<&tblibc_sem_trywait>("sem_trywait"),
    Fn<&tblibc_sem_wait>("sem_wait"),
    Fn<&tblibc_sem_timedwait>("sem_timedwait"),
    Fn<&tblibc_sem_timedwait64>("__sem_timedwait64"),
    Fn<&tblibc_sem_clockwait>("sem_clockwait"),
    Fn<&tblibc_sem_clockwait64>("__sem_clockwait64"),
    Fn<&tblibc_sem_open>("sem_open"),
    Fn<&tblibc_sem_close>("sem_close"),
    Fn<&tblibc_sem_unlink>("sem_unlink"),
};

}  // namespace

extern const Family kSemaphoresFamily;
const Family kSemaphoresFamily{"semaphores", kExports};

}  // namespace tblibc
