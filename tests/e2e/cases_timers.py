# Timers and the signals they send while the program runs its own code or
# waits (tests/e2e/guests/timers_signals.c): every case runs natively too,
# and the three runs must agree. Nothing printed depends on timing; each
# run sleeps a second at most. The guest is built again with 64-bit time,
# so that glibc's __setitimer64, __timer_settime64, __sigtimedwait64 and
# their kin are the names bound.
NATIVE = "NATIVE"
GUEST = "tests/e2e/guests/timers_signals.c"
O2 = ["-O2"]
TIME64 = ["-O2", "-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"]

CASES = [
    dict(style="pie", name="timers_" + what, guest=GUEST, args=[what], build_flags=O2, stdout=NATIVE)
    for what in ["alarm", "interval", "posix", "waiting", "sleeps"]
] + [
    dict(style="pie", name="timers64_" + what, guest=GUEST, args=[what], build_flags=TIME64,
         stdout=NATIVE)
    for what in ["interval", "posix", "waiting", "sleeps"]
] + [
    # SIGALRM left at its default ends the program while it runs its own
    # loop: the shell's status 128 + 14.
    dict(style="pie", name="timers_default_ends", guest=GUEST, args=["ending"], build_flags=O2, stdout=NATIVE,
         exit=142),
]
