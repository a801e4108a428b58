# Small families: byte order and inet_ addresses, hash tables and queues,
# the real-time signal range, answered as the Linux C library answers them,
# for the same binary run natively, under the Linux port and under the
# Windows port.
NATIVE = "NATIVE"

CASES = [
    dict(name="small_families", guest="tests/e2e/guests/small_families.c",
         stdout=NATIVE, stderr=NATIVE),
]

# Names that round out served families, plainly and with 64-bit time and
# offsets, fortified so that the checked forms are called.
WORK = "build/guest/tests/kinXXXXXX"
FORTIFIED = ["-O2", "-U_FORTIFY_SOURCE", "-D_FORTIFY_SOURCE=2"]
CASES += [
    dict(style="pie", name="kin", guest="tests/e2e/guests/kin.c", args=[WORK],
         build_flags=FORTIFIED, stdout=NATIVE),
    dict(style="pie", name="kin64", guest="tests/e2e/guests/kin.c", args=[WORK],
         build_flags=FORTIFIED + ["-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"],
         stdout=NATIVE),
    # Natively these facilities exist; here they are refused.
    dict(style="pie", name="refusals", guest="tests/e2e/guests/refusals.c", build_flags=["-O2"],
         stdout="socket -1 Function not implemented\n"
                "recv(stdout) -1 Socket operation on non-socket\n"
                "recv(99) -1 Bad file descriptor\n"
                "mq_open -1 Function not implemented\n"
                "shmget -1 Function not implemented\n"
                "shmat -1 Function not implemented\n"
                "epoll_create1 -1 Function not implemented\n"),
]
