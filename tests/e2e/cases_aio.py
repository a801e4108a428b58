# Asynchronous I/O (aio_*, lio_listio): the guest works in a directory of
# its own under build/guest/tests; it is built plain and with 64-bit
# offsets, so that both control blocks and both sets of names are used.
NATIVE = "NATIVE"
WORK = "build/guest/tests/aioXXXXXX"

CASES = [
    dict(style="pie", name="aio", guest="tests/e2e/guests/aio.c", args=[WORK],
         build_flags=["-O2"], stdout=NATIVE),
    dict(style="pie", name="aio_lfs", guest="tests/e2e/guests/aio.c", args=[WORK],
         build_flags=["-O2", "-D_FILE_OFFSET_BITS=64"], stdout=NATIVE),
]
