"""poll, ppoll, select and pselect over pipes, files, /dev/null, standard
input given as a file and closed or negative descriptors; built plain, with
64-bit times (__ppoll64, __select64, __pselect64) and fortified
(__poll_chk, __ppoll_chk)."""

NATIVE = "NATIVE"

_GUEST = "tests/e2e/guests/polling.c"
_STDIN = "first line\nsecond line\n"

CASES = [
    {"name": "polling", "guest": _GUEST, "stdin": _STDIN, "leftover": True,
     "stdout": NATIVE},
    {"name": "polling_time64", "guest": _GUEST, "stdin": _STDIN, "leftover": True,
     "build_flags": ["-D_TIME_BITS=64", "-D_FILE_OFFSET_BITS=64"], "stdout": NATIVE},
    {"name": "polling_fortified", "guest": _GUEST, "stdin": _STDIN, "leftover": True,
     "build_flags": ["-O2", "-U_FORTIFY_SOURCE", "-D_FORTIFY_SOURCE=2"], "stdout": NATIVE},
]
