# File-tree walks (fts): the guest works in a directory of its own under
# build/guest/tests and prints only what every host agrees on; it is built
# plain, with 64-bit offsets and with 64-bit time, so that each of glibc's
# three forms of the names and of FTSENT is used.
NATIVE = "NATIVE"
O2 = ["-O2"]
LFS = ["-O2", "-D_FILE_OFFSET_BITS=64"]
TIME64 = ["-O2", "-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"]
WORK = "build/guest/tests/ftsXXXXXX"

CASES = [
    dict(style="pie", name="fts", guest="tests/e2e/guests/fts.c", args=[WORK],
         build_flags=O2, stdout=NATIVE),
    dict(style="pie", name="fts_lfs", guest="tests/e2e/guests/fts.c", args=[WORK],
         build_flags=LFS, stdout=NATIVE),
    dict(style="pie", name="fts_time64", guest="tests/e2e/guests/fts.c", args=[WORK],
         build_flags=TIME64, stdout=NATIVE),
    # Symbolic links (FTS_SL, FTS_SLNONE, a logical walk through a link to
    # a directory): the Windows host may not make them.
    dict(style="pie", name="fts_links", guest="tests/e2e/guests/fts.c", args=[WORK, "links"],
         build_flags=O2, stdout=NATIVE, ports=("linux",)),
    dict(style="pie", name="fts_links_time64", guest="tests/e2e/guests/fts.c",
         args=[WORK, "links"], build_flags=TIME64, stdout=NATIVE, ports=("linux",)),
]
