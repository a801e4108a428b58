// Kernel facilities a console program may probe for but that have no host
// here: sockets, POSIX message queues, System V IPC, epoll, timerfd,
// eventfd, signalfd and inotify. Each call fails as glibc's does on a Linux
// kernel built without the facility (ENOSYS), so that a program reports
// "Function not implemented" or takes its fallback, rather than being
// answered 0 by the unserved-call reporter and believing it has a socket
// or a queue. A socket call on a descriptor answers what Linux answers for
// a descriptor that is not a socket, since none ever is. (shmat's failure,
// (void *) -1, is the same -1.)
#include <cstdint>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"

namespace {

constexpr int32_t kF_GETFD = 1;

int32_t Absent() {
  tblibc::SetErrno(linux::kENOSYS);
  return -1;
}

// An open descriptor is not a socket; anything else is not a descriptor.
int32_t NotSocket(int32_t fd) {
  if (tblibc_fcntl(fd, kF_GETFD, 0) < 0) return -1;  // EBADF, left by fcntl
  tblibc::SetErrno(linux::kENOTSOCK);
  return -1;
}

}  // namespace

extern "C" {

int32_t tblibc_refused() { return Absent(); }
int32_t tblibc_refused_fd(int32_t fd) { return NotSocket(fd); }

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    // Sockets: making one, and every call on a descriptor.
    Fn<&tblibc_refused>("socket"),
    Fn<&tblibc_refused>("socketpair"),
    Fn<&tblibc_refused_fd>("bind"),
    Fn<&tblibc_refused_fd>("connect"),
    Fn<&tblibc_refused_fd>("listen"),
    Fn<&tblibc_refused_fd>("accept"),
    Fn<&tblibc_refused_fd>("accept4"),
    Fn<&tblibc_refused_fd>("send"),
    Fn<&tblibc_refused_fd>("sendto"),
    Fn<&tblibc_refused_fd>("sendmsg"),
    Fn<&tblibc_refused_fd>("__sendmsg64"),
    Fn<&tblibc_refused_fd>("sendmmsg"),
    Fn<&tblibc_refused_fd>("__sendmmsg64"),
    Fn<&tblibc_refused_fd>("recv"),
    Fn<&tblibc_refused_fd>("__recv_chk"),
    Fn<&tblibc_refused_fd>("recvfrom"),
    Fn<&tblibc_refused_fd>("__recvfrom_chk"),
    Fn<&tblibc_refused_fd>("recvmsg"),
    Fn<&tblibc_refused_fd>("__recvmsg64"),
    Fn<&tblibc_refused_fd>("recvmmsg"),
    Fn<&tblibc_refused_fd>("__recvmmsg64"),
    Fn<&tblibc_refused_fd>("getsockopt"),
    Fn<&tblibc_refused_fd>("__getsockopt64"),
    Fn<&tblibc_refused_fd>("setsockopt"),
    Fn<&tblibc_refused_fd>("__setsockopt64"),
    Fn<&tblibc_refused_fd>("getsockname"),
    Fn<&tblibc_refused_fd>("getpeername"),
    Fn<&tblibc_refused_fd>("shutdown"),
    Fn<&tblibc_refused_fd>("sockatmark"),
    // POSIX message queues.
    Fn<&tblibc_refused>("mq_open"),
    Fn<&tblibc_refused>("__mq_open_2"),
    Fn<&tblibc_refused>("mq_close"),
    Fn<&tblibc_refused>("mq_unlink"),
    Fn<&tblibc_refused>("mq_getattr"),
    Fn<&tblibc_refused>("mq_setattr"),
    Fn<&tblibc_refused>("mq_notify"),
    Fn<&tblibc_refused>("mq_send"),
    Fn<&tblibc_refused>("mq_receive"),
    Fn<&tblibc_refused>("mq_timedsend"),
    Fn<&tblibc_refused>("__mq_timedsend_time64"),
    Fn<&tblibc_refused>("mq_timedreceive"),
    Fn<&tblibc_refused>("__mq_timedreceive_time64"),
    // System V message queues, semaphores and shared memory.
    Fn<&tblibc_refused>("msgget"),
    Fn<&tblibc_refused>("msgsnd"),
    Fn<&tblibc_refused>("msgrcv"),
    Fn<&tblibc_refused>("msgctl"),
    Fn<&tblibc_refused>("__msgctl64"),
    Fn<&tblibc_refused>("semget"),
    Fn<&tblibc_refused>("semop"),
    Fn<&tblibc_refused>("semtimedop"),
    Fn<&tblibc_refused>("__semtimedop64"),
    Fn<&tblibc_refused>("semctl"),
    Fn<&tblibc_refused>("__semctl64"),
    Fn<&tblibc_refused>("shmget"),
    Fn<&tblibc_refused>("shmat"),
    Fn<&tblibc_refused>("shmdt"),
    Fn<&tblibc_refused>("shmctl"),
    Fn<&tblibc_refused>("__shmctl64"),
    // Descriptors of events.
    Fn<&tblibc_refused>("epoll_create"),
    Fn<&tblibc_refused>("epoll_create1"),
    Fn<&tblibc_refused>("epoll_ctl"),
    Fn<&tblibc_refused>("epoll_wait"),
    Fn<&tblibc_refused>("epoll_pwait"),
    Fn<&tblibc_refused>("epoll_pwait2"),
    Fn<&tblibc_refused>("__epoll_pwait2_time64"),
    Fn<&tblibc_refused>("timerfd_create"),
    Fn<&tblibc_refused>("timerfd_settime"),
    Fn<&tblibc_refused>("__timerfd_settime64"),
    Fn<&tblibc_refused>("timerfd_gettime"),
    Fn<&tblibc_refused>("__timerfd_gettime64"),
    Fn<&tblibc_refused>("eventfd"),
    Fn<&tblibc_refused>("eventfd_read"),
    Fn<&tblibc_refused>("eventfd_write"),
    Fn<&tblibc_refused>("signalfd"),
    Fn<&tblibc_refused>("inotify_init"),
    Fn<&tblibc_refused>("inotify_init1"),
    Fn<&tblibc_refused>("inotify_add_watch"),
    Fn<&tblibc_refused>("inotify_rm_watch"),
};

}  // namespace

extern const Family kRefusalsFamily;
const Family kRefusalsFamily{"refusals", kExports};

}  // namespace tblibc
