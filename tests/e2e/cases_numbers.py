# Numbers, the scanf family and characters, run natively and on both ports.
NATIVE = "NATIVE"

CASES = [
    dict(name="numbers_parse", guest="tests/e2e/guests/numbers_parse.c",
         stdout=NATIVE),
    dict(name="numbers_div", guest="tests/e2e/guests/numbers_div.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="ctype_tables", guest="tests/e2e/guests/ctype_tables.c",
         stdout=NATIVE),
    dict(name="ctype_wide", guest="tests/e2e/guests/ctype_wide.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="scan_string", guest="tests/e2e/guests/scan_string.c",
         stdout=NATIVE),
]
CASES += [
    dict(name="scan_stdin", guest="tests/e2e/guests/scan_stdin.c",
         stdin="12   -34\n-9223372036854775808 4294967295 -129 0.1\n"
               "  alpha  the rest of a line\n0x1F,2.5e-3;word\nleft over\n",
         stdout=NATIVE),
]
