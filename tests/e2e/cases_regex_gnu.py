# The GNU regex interface: re_compile_pattern under the syntax presets,
# re_syntax_options as the guest's own variable, re_search and re_match
# with their ranges, registers and buffer flags, answer as the Linux C
# library does, natively, under the Linux port and under the Windows port.
NATIVE = "NATIVE"

CASES = [
    dict(name="regex_gnu", guest="tests/e2e/guests/regex_gnu.c", stdout=NATIVE),
]
