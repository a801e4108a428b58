# The threads, locales and wide-memory families: a program that is the one
# thread of its process, the locale objects of the "C" locale and the
# functions of an explicit locale, answered as the Linux C library answers,
# for the same binary run natively, under the Linux port and under the
# Windows port.
NATIVE = "NATIVE"

ALONE = """\
pthread_mutex_lock(&n) = 0
pthread_mutex_lock(&n) = 35
normal relocked: lock 1 count 0 owned 1 kind 0 users 1
pthread_cond_wait(&c, &n) = 35
after the wait: lock 1 count 0 owned 1 kind 0 users 1
pthread_mutex_unlock(&n) = 0
pthread_cond_wait(&c, &n) = 35
pthread_rwlock_rdlock(&l) = 0
pthread_rwlock_wrlock(&l) = 35
pthread_spin_lock(&s) = 0
pthread_spin_lock(&s) = 35
pthread_once(&reentered, Reenter) = 0
reentry = 35
reentered = 2
pthread_create(&t, NULL, Started, NULL) = 11
t = 7
pthread_join(t, NULL) = 3
pthread_detach(t) = 3
"""

CASES = [
    # Mutexes of every kind from their static initialisers and from
    # attributes, conditions and read-write locks up to where one thread
    # would wait for ever, timed waits to their deadlines, once, keys to
    # their limit, thread attributes; newlocale and its kin, the _l names
    # libstdc++ imports, wmemcpy and its kin.
    dict(name="threads_locales", guest="tests/e2e/guests/threads_locales.c",
         build_flags=["-O2"], stdout=NATIVE),
    # Where the Linux C library would wait for ever on the one thread
    # itself: EDEADLK, the object left as it was; no thread is ever made.
    dict(name="threads_alone", guest="tests/e2e/guests/threads_locales.c",
         build_flags=["-O2"], args=["alone"], stdout=ALONE),
]
