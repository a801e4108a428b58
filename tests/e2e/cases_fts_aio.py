# File-tree walks (fts) and asynchronous I/O (aio): each guest works in a
# directory of its own under build/guest/tests and prints only what every
# host agrees on; each is built plain, with 64-bit offsets, and (fts) with
# 64-bit time, so that every form of glibc's names and layouts is used.
NATIVE = "NATIVE"
O2 = ["-O2"]
LFS = ["-O2", "-D_FILE_OFFSET_BITS=64"]
TIME64 = ["-O2", "-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"]
FTS_WORK = "build/guest/tests/ftsXXXXXX"
AIO_WORK = "build/guest/tests/aioXXXXXX"

CASES = [
    dict(name="fts", guest="tests/e2e/guests/fts.c", args=[FTS_WORK],
         build_flags=O2, stdout=NATIVE),
    dict(name="fts_lfs", guest="tests/e2e/guests/fts.c", args=[FTS_WORK],
         build_flags=LFS, stdout=NATIVE),
    dict(name="fts_time64", guest="tests/e2e/guests/fts.c", args=[FTS_WORK],
         build_flags=TIME64, stdout=NATIVE),
    # Symbolic links (FTS_SL, FTS_SLNONE, a logical walk through a link to
    # a directory): the Windows host may not make them.
    dict(name="fts_links", guest="tests/e2e/guests/fts.c", args=[FTS_WORK, "links"],
         build_flags=O2, stdout=NATIVE, ports=("linux",)),
    dict(name="fts_links_time64", guest="tests/e2e/guests/fts.c",
         args=[FTS_WORK, "links"], build_flags=TIME64, stdout=NATIVE, ports=("linux",)),
    dict(name="aio", guest="tests/e2e/guests/aio.c", args=[AIO_WORK],
         build_flags=O2, stdout=NATIVE),
    dict(name="aio_lfs", guest="tests/e2e/guests/aio.c", args=[AIO_WORK],
         build_flags=LFS, stdout=NATIVE),
]
