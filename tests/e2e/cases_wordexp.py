# wordexp and wordfree: tilde, parameter and arithmetic expansion, field
# splitting, quote removal and pathname expansion in a directory of the
# guest's own under build/guest/tests, the flags, and the errors.
NATIVE = "NATIVE"
WORK = "build/guest/tests/wordexpXXXXXX"

CASES = [
    dict(name="wordexp", guest="tests/e2e/guests/wordexp.c", args=[WORK],
         stdout=NATIVE, stderr=NATIVE),
]
