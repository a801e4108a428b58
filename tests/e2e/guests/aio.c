/* POSIX asynchronous I/O as a one-thread program sees it: requests at
   offsets, their status and counts, lists, waits, cancels, a completion
   signal caught by a handler, a thread notification, and failures. Works in
   a directory of its own (argv[1], a mkdtemp pattern). */
#define _GNU_SOURCE
#include <aio.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static volatile sig_atomic_t caught, caught_code, caught_value;

static void on_signal(int sig, siginfo_t *info, void *context) {
  (void)context;
  caught = sig;
  caught_code = info->si_code;
  caught_value = info->si_value.sival_int;
}

static volatile int notified;
static void on_done(union sigval value) { notified += value.sival_int; }

static void await(const struct aiocb *cb) {
  const struct aiocb *list[1] = {cb};
  while (aio_error(cb) == EINPROGRESS) aio_suspend(list, 1, NULL);
}

static int rc;
#define TRY(text, call) \
  do { errno = 0; rc = (call); printf(text " %d errno %d\n", rc, errno); } while (0)

static void setup(struct aiocb *cb, int fd, void *buf, size_t n, off_t at) {
  memset(cb, 0, sizeof *cb);
  cb->aio_fildes = fd;
  cb->aio_buf = buf;
  cb->aio_nbytes = n;
  cb->aio_offset = at;
  cb->aio_sigevent.sigev_notify = SIGEV_NONE;
}

int main(int argc, char **argv) {
  char dir[256], path[300];
  snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "aioXXXXXX");
  if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
  snprintf(path, sizeof path, "%s/data", dir);
  printf("sizes %u %u\n", (unsigned)sizeof(struct aiocb), (unsigned)sizeof(off_t));
  aio_init(&(struct aioinit){.aio_threads = 1, .aio_num = 4});

  int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
  struct aiocb w, r;
  char out[32] = {0};

  /* Writes at offsets, out of order. */
  setup(&w, fd, "world", 5, 6);
  printf("write %d\n", aio_write(&w));
  await(&w);
  printf("error %d return %d\n", aio_error(&w), (int)aio_return(&w));
  setup(&w, fd, "hello ", 6, 0);
  printf("write %d\n", aio_write(&w));
  await(&w);
  printf("error %d return %d\n", aio_error(&w), (int)aio_return(&w));
  printf("position %ld\n", (long)lseek(fd, 0, SEEK_CUR));

  /* Reads back. */
  setup(&r, fd, out, sizeof out - 1, 3);
  printf("read %d\n", aio_read(&r));
  await(&r);
  printf("error %d return %d [%s]\n", aio_error(&r), (int)aio_return(&r), out);
  memset(out, 0, sizeof out);
  setup(&r, fd, out, 4, 100);
  aio_read(&r);
  await(&r);
  printf("past the end: error %d return %d\n", aio_error(&r), (int)aio_return(&r));

  /* A list, waited for. */
  char a[4] = {0}, b[4] = {0};
  struct aiocb l1, l2, l3, l4;
  setup(&l1, fd, "ABC", 3, 20);
  l1.aio_lio_opcode = LIO_WRITE;
  setup(&l2, fd, "DEF", 3, 23);
  l2.aio_lio_opcode = LIO_WRITE;
  setup(&l3, fd, NULL, 0, 0);
  l3.aio_lio_opcode = LIO_NOP;
  struct aiocb *list[] = {&l1, NULL, &l2, &l3};
  printf("lio wait %d\n", lio_listio(LIO_WAIT, list, 4, NULL));
  printf("l1 %d %d l2 %d %d\n", aio_error(&l1), (int)aio_return(&l1),
         aio_error(&l2), (int)aio_return(&l2));
  setup(&l1, fd, a, 3, 20);
  l1.aio_lio_opcode = LIO_READ;
  setup(&l2, fd, b, 3, 23);
  l2.aio_lio_opcode = LIO_READ;
  struct aiocb *reads[] = {&l1, &l2};
  printf("lio nowait %d\n", lio_listio(LIO_NOWAIT, reads, 2, NULL));
  const struct aiocb *waits[] = {NULL, &l1, &l2};
  while (aio_error(&l1) == EINPROGRESS || aio_error(&l2) == EINPROGRESS)
    aio_suspend(waits, 3, NULL);
  printf("suspend %d\n", aio_suspend(waits, 3, NULL));
  printf("read [%s] [%s] %d %d\n", a, b, (int)aio_return(&l1), (int)aio_return(&l2));
  printf("cancel %d\n", aio_cancel(fd, &l1));
  printf("cancel all %d\n", aio_cancel(fd, NULL));
  printf("fsync %d\n", aio_fsync(O_SYNC, &l1));
  await(&l1);
  printf("fsync error %d return %d\n", aio_error(&l1), (int)aio_return(&l1));

  /* A completion signal caught by a handler. */
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_sigaction = on_signal;
  sa.sa_flags = SA_SIGINFO;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGUSR1, &sa, NULL);
  setup(&w, fd, "!", 1, 26);
  w.aio_sigevent.sigev_notify = SIGEV_SIGNAL;
  w.aio_sigevent.sigev_signo = SIGUSR1;
  w.aio_sigevent.sigev_value.sival_int = 42;
  sigset_t set, old;
  sigemptyset(&set);
  sigaddset(&set, SIGUSR1);
  sigprocmask(SIG_BLOCK, &set, &old);
  printf("signalled write %d\n", aio_write(&w));
  await(&w);
  sigsuspend(&old);
  sigprocmask(SIG_SETMASK, &old, NULL);
  printf("caught %d code %d value %d; error %d return %d\n", (int)caught,
         (int)caught_code, (int)caught_value, aio_error(&w), (int)aio_return(&w));

  /* A list's own signal when every request of it is done. */
  caught = 0;
  setup(&l1, fd, a, 2, 0);
  l1.aio_lio_opcode = LIO_READ;
  struct aiocb *one[] = {&l1};
  struct sigevent whole;
  memset(&whole, 0, sizeof whole);
  whole.sigev_notify = SIGEV_SIGNAL;
  whole.sigev_signo = SIGUSR1;
  whole.sigev_value.sival_int = 7;
  sigprocmask(SIG_BLOCK, &set, &old);
  printf("lio signalled %d\n", lio_listio(LIO_NOWAIT, one, 1, &whole));
  sigsuspend(&old);
  sigprocmask(SIG_SETMASK, &old, NULL);
  await(&l1);
  printf("caught %d code %d value %d\n", (int)caught, (int)caught_code, (int)caught_value);

  /* A notification function. */
  setup(&r, fd, out, 2, 0);
  r.aio_sigevent.sigev_notify = SIGEV_THREAD;
  r.aio_sigevent.sigev_notify_function = on_done;
  r.aio_sigevent.sigev_value.sival_int = 5;
  printf("thread-notified read %d\n", aio_read(&r));
  await(&r);
  for (int i = 0; i < 1000000 && notified == 0; ++i) usleep(100);
  printf("notified %d; error %d return %d\n", notified, aio_error(&r), (int)aio_return(&r));

  /* Failures: a closed descriptor, a bad priority, an unknown operation. */
  setup(&r, 99, out, 4, 0);
  printf("bad fd read %d\n", aio_read(&r));
  await(&r);
  printf("error %d return %d\n", aio_error(&r), (int)aio_return(&r));
  setup(&w, fd, "x", 1, -1);
  printf("negative offset write %d\n", aio_write(&w));
  await(&w);
  printf("error %d return %d\n", aio_error(&w), (int)aio_return(&w));
  setup(&r, fd, out, 4, 0);
  r.aio_reqprio = 99;
  TRY("bad priority read", aio_read(&r));
  printf("error %d\n", aio_error(&r));
  TRY("cancel bad fd", aio_cancel(99, NULL));
  setup(&r, fd, out, 4, 0);
  TRY("cancel other fd", aio_cancel(0, &r));
  TRY("fsync bad op", aio_fsync(12345, &r));
  setup(&r, 99, out, 4, 0);
  TRY("fsync bad fd", aio_fsync(O_SYNC, &r));
  TRY("lio bad mode", lio_listio(5, list, 1, NULL));
  setup(&l1, 99, a, 1, 0);
  l1.aio_lio_opcode = LIO_READ;
  setup(&l2, fd, b, 1, 0);
  l2.aio_lio_opcode = LIO_READ;
  struct aiocb *bad[] = {&l1, &l2};
  TRY("lio with a bad fd", lio_listio(LIO_WAIT, bad, 2, NULL));
  await(&l1);
  await(&l2);
  printf("l1 %d %d l2 %d %d\n", aio_error(&l1), (int)aio_return(&l1),
         aio_error(&l2), (int)aio_return(&l2));
  TRY("suspend none", aio_suspend(waits, 0, NULL));
  TRY("suspend negative", aio_suspend(waits, -1, NULL));

  /* Appending: the offset is not used. */
  close(fd);
  fd = open(path, O_WRONLY | O_APPEND);
  setup(&w, fd, "END", 3, 0);
  aio_write(&w);
  await(&w);
  printf("append error %d return %d size %ld\n", aio_error(&w), (int)aio_return(&w),
         (long)lseek(fd, 0, SEEK_END));
  close(fd);

  fd = open(path, O_RDONLY);
  char all[64] = {0};
  int n = (int)read(fd, all, sizeof all - 1);
  for (int i = 0; i < n; ++i)
    if (all[i] == 0) all[i] = '.';
  printf("file %d [%s]\n", n, all);
  close(fd);
  unlink(path);
  rmdir(dir);
  return 0;
}
