# A program built as Debian 12 builds its own, with 64-bit time and file
# offsets (the __*_time64 and __*64 names, statx, advice), fortified so
# that its opens without a mode go through __open64_2 and __openat64_2,
# and asking for messages in the "C" locale. It works in a directory of
# its own under build/guest/tests and prints only what every host agrees
# on.
NATIVE = "NATIVE"
WORK = "build/guest/tests/time64XXXXXX"
TIME64 = ["-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64",
          "-O2", "-U_FORTIFY_SOURCE", "-D_FORTIFY_SOURCE=2"]

CASES = [
    dict(name="time64", guest="tests/e2e/guests/time64.c", args=[WORK],
         build_flags=TIME64, stdout=NATIVE),
    # An open asked to create without a mode ends the run with glibc's
    # report, naming open64, and SIGABRT's status.
    dict(name="time64_nomode", guest="tests/e2e/guests/time64.c", args=[WORK, "nomode"],
         build_flags=TIME64, stdout="opening\n", exit=134,
         stderr="*** invalid open64 call: O_CREAT or O_TMPFILE without mode ***: "
                "terminated\n\"Abort\" called?\n"),
]
