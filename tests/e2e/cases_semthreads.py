# POSIX semaphores, C11 threads, the joins with a deadline and the
# scheduling queries of a process that has one thread, answered as the
# Linux C library answers, for the same binary run natively, under the
# Linux port and under the Windows port; built a second time with 64-bit
# time, so that the __*64 names are the ones called.
NATIVE = "NATIVE"

# Where the Linux C library would wait for ever on the one thread itself:
# EDEADLK (thrd_error for C11), the object left as it was; no thread is
# ever made.
ALONE = """\
sem_init(&s, 0, 0) = 0 errno 0
sem_wait(&s) = -1 errno 35
after the wait: sem_getvalue = 0 value 0
mtx_init(&m, mtx_plain) = 0
mtx_lock(&m) = 0
mtx_lock(&m) = 2
cnd_init(&c) = 0
cnd_wait(&c, &m) = 2
mtx_unlock(&m) = 0
thrd_create(&t, Started, NULL) = 2
t = 5
"""

TIME64 = ["-O2", "-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"]

CASES = [
    dict(style="pie", name="semthreads", guest="tests/e2e/guests/semthreads.c",
         build_flags=["-O2"], stdout=NATIVE),
    dict(style="pie", name="semthreads_time64", guest="tests/e2e/guests/semthreads.c",
         build_flags=TIME64, stdout=NATIVE),
    dict(style="pie", name="semthreads_alone", guest="tests/e2e/guests/semthreads.c",
         build_flags=["-O2"], args=["alone"], stdout=ALONE),
    dict(style="pie", name="semthreads_alone_time64", guest="tests/e2e/guests/semthreads.c",
         build_flags=TIME64, args=["alone"], stdout=ALONE),
]
