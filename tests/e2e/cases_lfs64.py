# A program built with 64-bit time and file offsets, so that it imports the
# 64-bit forms (lockf64, posix_fallocate64, statfs64, sendfile64, preadv64,
# scandirat64, __settimeofday64 ...), and reaches the plain forms by name.
# It works in a directory of its own under build/guest/tests and prints
# only what every host agrees on.
NATIVE = "NATIVE"
WORK = "build/guest/tests/lfs64XXXXXX"
LFS64 = ["-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64", "-O2"]

CASES = [
    dict(name="lfs64", guest="tests/e2e/guests/lfs64.c", args=[WORK],
         build_flags=LFS64, stdout=NATIVE),
]
