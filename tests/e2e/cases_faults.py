"""Processor faults of guest code reach the handlers the guest installed,
on a frame like the kernel's: siginfo, a context the handler may change,
the alternate stack, the mask during the handler and after siglongjmp."""

NATIVE = "NATIVE"

CASES = [
    # -O0, so that the compiler keeps every faulting access and division.
    {"name": "faults", "guest": "tests/e2e/guests/faults.c",
     "build_flags": ["-O0"], "stdout": NATIVE, "exit": 0},
]
