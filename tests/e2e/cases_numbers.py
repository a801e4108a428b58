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
