# iconv and the C locale's multibyte and wide string names, run natively
# and on both ports.
NATIVE = "NATIVE"

CASES = [
    dict(name="iconv_table", guest="tests/e2e/guests/iconv_table.c",
         stdout=NATIVE),
]
