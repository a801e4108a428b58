# The regex family: regcomp, regexec, regerror and regfree answer as the
# Linux C library does, for the same binary run natively, under the Linux
# port and under the Windows port.
NATIVE = "NATIVE"

CASES = [
    # Submatches by the library's rules, syntax of both kinds, the GNU
    # operators, case folding and newline-sensitive matching, errors and
    # their texts, the execution flags, and patterns that are exponential
    # for a backtracking matcher.
    dict(name="regex_table", guest="tests/e2e/guests/regex_table.c", stdout=NATIVE),
]
