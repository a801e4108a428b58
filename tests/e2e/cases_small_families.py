# Small families: byte order and inet_ addresses, hash tables and queues,
# the real-time signal range, answered as the Linux C library answers them,
# for the same binary run natively, under the Linux port and under the
# Windows port.
NATIVE = "NATIVE"

CASES = [
    dict(name="small_families", guest="tests/e2e/guests/small_families.c",
         stdout=NATIVE, stderr=NATIVE),
]
