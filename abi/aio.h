// The Linux i386 C library's asynchronous I/O (<aio.h>): struct aiocb and
// aiocb64, and the struct sigevent inside them. The two control blocks have
// one size; aiocb64's offset is 64 bits where aiocb's is 32 bits and a pad.
// Offsets are checked below against a native i386 build.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/time.h"  // struct sigevent

namespace linux {

#pragma pack(push, 4)

// struct aiocb (Offset int32_t, then 4 bytes of padding) and struct
// aiocb64 (Offset int64_t). The double-underscore fields are the C
// library's own: aio_error and aio_return read them.
template <typename Offset>
struct AioControl {
  int32_t aio_fildes;
  int32_t aio_lio_opcode;
  int32_t aio_reqprio;
  uint32_t aio_buf;  // volatile void*
  uint32_t aio_nbytes;
  SigEvent aio_sigevent;
  uint32_t next_prio;  // struct aiocb*
  int32_t abs_prio;
  int32_t policy;
  int32_t error_code;
  int32_t return_value;
  Offset aio_offset;
  char pad[8 - sizeof(Offset)];
  char reserved[32];
};
template <>
struct AioControl<int64_t> {
  int32_t aio_fildes;
  int32_t aio_lio_opcode;
  int32_t aio_reqprio;
  uint32_t aio_buf;
  uint32_t aio_nbytes;
  SigEvent aio_sigevent;
  uint32_t next_prio;
  int32_t abs_prio;
  int32_t policy;
  int32_t error_code;
  int32_t return_value;
  int64_t aio_offset;
  char reserved[32];
};

using Aiocb = AioControl<int32_t>;
using Aiocb64 = AioControl<int64_t>;

#pragma pack(pop)

static_assert(offsetof(SigEvent, signo) == 4 && offsetof(SigEvent, notify) == 8 &&
              offsetof(SigEvent, thread.function) == 12 &&
              offsetof(SigEvent, thread.attribute) == 16);
static_assert(sizeof(Aiocb) == 144 && offsetof(Aiocb, aio_lio_opcode) == 4 &&
              offsetof(Aiocb, aio_reqprio) == 8 && offsetof(Aiocb, aio_buf) == 12 &&
              offsetof(Aiocb, aio_nbytes) == 16 &&
              offsetof(Aiocb, aio_sigevent) == 20 &&
              offsetof(Aiocb, next_prio) == 84 && offsetof(Aiocb, abs_prio) == 88 &&
              offsetof(Aiocb, policy) == 92 && offsetof(Aiocb, error_code) == 96 &&
              offsetof(Aiocb, return_value) == 100 &&
              offsetof(Aiocb, aio_offset) == 104 &&
              offsetof(Aiocb, reserved) == 112);
static_assert(sizeof(Aiocb64) == 144 && offsetof(Aiocb64, aio_sigevent) == 20 &&
              offsetof(Aiocb64, error_code) == 96 &&
              offsetof(Aiocb64, return_value) == 100 &&
              offsetof(Aiocb64, aio_offset) == 104 &&
              offsetof(Aiocb64, reserved) == 112);

// aio_cancel() answers.
constexpr int32_t kAIO_CANCELED = 0, kAIO_NOTCANCELED = 1, kAIO_ALLDONE = 2;
// aio_lio_opcode and lio_listio() modes. The C library marks a request of
// an aiocb64 by adding 128 to the operation it stores.
constexpr int32_t kLIO_READ = 0, kLIO_WRITE = 1, kLIO_NOP = 2;
constexpr int32_t kLIO_DSYNC = 3, kLIO_SYNC = 4;  // the C library's own
constexpr int32_t kLIO_OPCODE_WIDE = 128;
constexpr int32_t kLIO_WAIT = 0, kLIO_NOWAIT = 1;
// The highest aio_reqprio accepted (AIO_PRIO_DELTA_MAX).
constexpr int32_t kAIO_PRIO_DELTA_MAX = 20;
// aio_fsync() operations: O_DSYNC and O_SYNC.
constexpr int32_t kO_DSYNC = 010000, kO_SYNC = 04010000;

}  // namespace linux
