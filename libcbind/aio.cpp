// POSIX asynchronous I/O in a one-thread process.
//
// glibc hands each request to a helper thread; here there is one thread,
// so a request is carried out at once, inside the call that submits it,
// through the files family's own pread/pwrite (read/write for a descriptor
// with no position, write for one opened with O_APPEND, as glibc's helper
// does). The outcome lands where glibc's helper leaves it, in the control
// block's own fields (__error_code, __return_value), so aio_error never
// answers EINPROGRESS, aio_return answers the count, aio_suspend returns at
// once, aio_cancel answers AIO_ALLDONE. Notifications come before the
// submitting call returns: SIGEV_SIGNAL raises the signal with si_code
// SI_ASYNCIO and the request's value, SIGEV_THREAD calls the guest's
// function with its value on this thread (its thread attributes are not
// read), SIGEV_NONE nothing.
#include <cstdint>

#include "abi/aio.h"
#include "abi/errno.h"
#include "abi/linux.h"
#include "abi/signals.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"

extern "C" {
// The files family's.
int32_t tblibc_pread64(int32_t fd, void* buffer, uint32_t count, int64_t offset);
int32_t tblibc_pwrite64(int32_t fd, const void* buffer, uint32_t count,
                        int64_t offset);
int32_t tblibc_fsync(int32_t fd);
}

namespace {

using tblibc::Errno;
using tblibc::SetErrno;

int32_t Fail(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return -1;
}

void* Pointer(uint32_t address) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}

// What glibc's helper does when a request's notification is due.
void Notify(const linux::SigEvent& event) {
  switch (event.notify) {
    case linux::kSIGEV_SIGNAL:
      tblibc::QueueSignal(event.signo, linux::kSI_ASYNCIO, event.value);
      break;
    case linux::kSIGEV_THREAD:
      if (event.thread.function != 0)
        tblibc::CallGuest(event.thread.function, {event.value});
      break;
    default:
      break;
  }
}

// Carries out one request as glibc's helper thread does, leaves its outcome
// in the control block and sends its notification. `operation` is what
// glibc stores in aio_lio_opcode (128 added for an aiocb64).
template <typename Control>
void Perform(Control* cb, int32_t operation) {
  cb->aio_lio_opcode = operation;
  const int32_t fd = cb->aio_fildes;
  void* buffer = Pointer(cb->aio_buf);
  const uint32_t count = cb->aio_nbytes;
  const int64_t offset = cb->aio_offset;
  int32_t result = -1;
  switch (operation & ~linux::kLIO_OPCODE_WIDE) {
    case linux::kLIO_READ:
      result = tblibc_pread64(fd, buffer, count, offset);
      if (result == -1 && Errno() == linux::kESPIPE)
        result = tblibc_read(fd, buffer, count);
      break;
    case linux::kLIO_WRITE: {
      const int32_t flags = tblibc_fcntl(fd, linux::kF_GETFL, 0);
      if (flags != -1 && (static_cast<uint32_t>(flags) & linux::kO_APPEND)) {
        result = tblibc_write(fd, buffer, count);
      } else {
        result = tblibc_pwrite64(fd, buffer, count, offset);
        if (result == -1 && Errno() == linux::kESPIPE)
          result = tblibc_write(fd, buffer, count);
      }
      break;
    }
    case linux::kLIO_DSYNC:
    case linux::kLIO_SYNC:
      result = tblibc_fsync(fd);
      break;
    default:
      SetErrno(linux::kEINVAL);
  }
  cb->return_value = result;
  cb->error_code = result == -1 ? Errno() : 0;
  Notify(cb->aio_sigevent);
}

// glibc's check before it queues a request: a priority out of range is
// refused, the block marked with EINVAL.
template <typename Control>
bool Acceptable(Control* cb) {
  if (cb->aio_reqprio >= 0 && cb->aio_reqprio <= linux::kAIO_PRIO_DELTA_MAX)
    return true;
  cb->error_code = linux::kEINVAL;
  cb->return_value = -1;
  SetErrno(linux::kEINVAL);
  return false;
}

template <typename Control>
int32_t Submit(Control* cb, int32_t operation) {
  if (!Acceptable(cb)) return -1;
  const int32_t saved = Errno();
  Perform(cb, operation);
  SetErrno(saved);  // the request's own failure is aio_error's to tell
  return 0;
}

template <typename Control>
constexpr int32_t Wide() {
  return sizeof(Control::aio_offset) == 8 ? linux::kLIO_OPCODE_WIDE : 0;
}

template <typename Control>
int32_t Fsync(int32_t op, Control* cb) {
  if (op != linux::kO_DSYNC && op != linux::kO_SYNC) return Fail(linux::kEINVAL);
  if (tblibc_fcntl(cb->aio_fildes, linux::kF_GETFL, 0) == -1)
    return Fail(linux::kEBADF);
  return Submit(cb, (op == linux::kO_SYNC ? linux::kLIO_SYNC : linux::kLIO_DSYNC) |
                        Wide<Control>());
}

// Every request is finished when the call that made it returns, so there is
// never anything to wait for.
int32_t Suspend(int32_t count) {
  if (count < 0) return Fail(linux::kEINVAL);
  return 0;
}

template <typename Control>
int32_t Cancel(int32_t fd, Control* cb) {
  if (tblibc_fcntl(fd, linux::kF_GETFL, 0) == -1) return Fail(linux::kEBADF);
  if (cb != nullptr && cb->aio_fildes != fd) return Fail(linux::kEINVAL);
  return linux::kAIO_ALLDONE;
}

// lio_listio: each request carried out in order, each with its own
// notification; with LIO_NOWAIT the list's notification follows, and with
// LIO_WAIT a request that failed makes the call fail with EIO, as glibc's.
template <typename Control>
int32_t ListIo(int32_t mode, Control* const* list, int32_t count,
               const linux::SigEvent* event) {
  if (mode != linux::kLIO_WAIT && mode != linux::kLIO_NOWAIT)
    return Fail(linux::kEINVAL);
  const int32_t saved = Errno();
  int32_t result = 0;
  int32_t total = 0;
  bool failed = false;
  for (int32_t i = 0; i < count; ++i) {
    Control* cb = list[i];
    if (cb == nullptr || cb->aio_lio_opcode == linux::kLIO_NOP) continue;
    if (!Acceptable(cb)) {
      result = -1;
      continue;
    }
    Perform(cb, cb->aio_lio_opcode | Wide<Control>());
    failed = failed || cb->error_code != 0;
    ++total;
  }
  if (result == -1) return result;  // errno EINVAL from the refused request
  if (mode == linux::kLIO_NOWAIT && event != nullptr) Notify(*event);
  if (mode == linux::kLIO_WAIT && total > 0 && failed) return Fail(linux::kEIO);
  SetErrno(saved);
  return 0;
}

}  // namespace

extern "C" {

using linux::Aiocb;
using linux::Aiocb64;

int32_t tblibc_aio_read(Aiocb* cb) { return Submit(cb, linux::kLIO_READ); }
int32_t tblibc_aio_read64(Aiocb64* cb) {
  return Submit(cb, linux::kLIO_READ | linux::kLIO_OPCODE_WIDE);
}
int32_t tblibc_aio_write(Aiocb* cb) { return Submit(cb, linux::kLIO_WRITE); }
int32_t tblibc_aio_write64(Aiocb64* cb) {
  return Submit(cb, linux::kLIO_WRITE | linux::kLIO_OPCODE_WIDE);
}
int32_t tblibc_aio_fsync(int32_t op, Aiocb* cb) { return Fsync(op, cb); }
int32_t tblibc_aio_fsync64(int32_t op, Aiocb64* cb) { return Fsync(op, cb); }

// The two blocks keep the outcome at the same offsets; one entry serves both.
int32_t tblibc_aio_error(const Aiocb* cb) { return cb->error_code; }
int32_t tblibc_aio_return(Aiocb* cb) { return cb->return_value; }

int32_t tblibc_aio_suspend(const uint32_t*, int32_t count, const linux::Timespec*) {
  return Suspend(count);
}
int32_t tblibc_aio_suspend_time64(const uint32_t*, int32_t count,
                                  const linux::Timespec64*) {
  return Suspend(count);
}

int32_t tblibc_aio_cancel(int32_t fd, Aiocb* cb) { return Cancel(fd, cb); }
int32_t tblibc_aio_cancel64(int32_t fd, Aiocb64* cb) { return Cancel(fd, cb); }

int32_t tblibc_lio_listio(int32_t mode, Aiocb* const* list, int32_t count,
                          const linux::SigEvent* event) {
  return ListIo(mode, list, count, event);
}
int32_t tblibc_lio_listio64(int32_t mode, Aiocb64* const* list, int32_t count,
                            const linux::SigEvent* event) {
  return ListIo(mode, list, count, event);
}

// The helper threads' tuning: nothing to tune.
void tblibc_aio_init(const void*) {}

}  // extern "C"

namespace tblibc {

extern const Family kAioFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_aio_read>("aio_read"),
    Fn<&tblibc_aio_read64>("aio_read64"),
    Fn<&tblibc_aio_write>("aio_write"),
    Fn<&tblibc_aio_write64>("aio_write64"),
    Fn<&tblibc_aio_error>("aio_error"),
    Fn<&tblibc_aio_error>("aio_error64"),
    Fn<&tblibc_aio_return>("aio_return"),
    Fn<&tblibc_aio_return>("aio_return64"),
    Fn<&tblibc_aio_suspend>("aio_suspend"),
    Fn<&tblibc_aio_suspend>("aio_suspend64"),
    Fn<&tblibc_aio_suspend_time64>("__aio_suspend_time64"),
    Fn<&tblibc_aio_cancel>("aio_cancel"),
    Fn<&tblibc_aio_cancel64>("aio_cancel64"),
    Fn<&tblibc_aio_fsync>("aio_fsync"),
    Fn<&tblibc_aio_fsync64>("aio_fsync64"),
    Fn<&tblibc_lio_listio>("lio_listio"),
    Fn<&tblibc_lio_listio64>("lio_listio64"),
    Fn<&tblibc_aio_init>("aio_init"),
};

const Family kAioFamily{"aio", kExports};

}  // namespace tblibc
