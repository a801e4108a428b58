"""Thread-local variables of the program's own that the linker relaxed to
immediate offsets, in today's default (position-independent) build and in
a fixed-address one, against native Linux runs of the same binaries."""

NATIVE = "NATIVE"
GUEST = ["tests/e2e/guests/tls_relaxed.c", "tests/e2e/guests/tls_relaxed_vars.c"]

CASES = [
    dict(name="tls_relaxed", guest=GUEST, style="pie", build_flags=["-O2"], stdout=NATIVE),
    dict(name="tls_relaxed_fixed", guest=GUEST, style="pie", build_flags=["-O2", "-no-pie"],
         stdout=NATIVE),
]
