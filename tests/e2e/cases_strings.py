# Memory and strings, error texts and assertions, the environment: what a
# guest sees of the strings, errors and environment families.
NATIVE = "NATIVE"

# The loader's line, on standard error while standard output is a pipe.
ABORTED = '"Abort" called?\n'
OVERFLOW = "*** buffer overflow detected ***: terminated"
FORTIFY = ["-U_FORTIFY_SOURCE", "-D_FORTIFY_SOURCE=2"]

# (routine, arguments that just fit the 8-byte buffer, arguments one past)
FORTIFIED = [
    ("memcpy", ["abcdefgh", "8"], ["abcdefghi", "9"]),
    ("memmove", ["abcdefgh", "8"], ["abcdefghi", "9"]),
    ("memset", ["x", "8"], ["x", "9"]),
    ("mempcpy", ["abcdefgh", "8"], ["abcdefghi", "9"]),
    ("strcpy", ["abcdefg"], ["abcdefgh"]),
    ("stpcpy", ["abcdefg"], ["abcdefgh"]),
    ("strncpy", ["abc", "8"], ["abc", "9"]),
    ("stpncpy", ["abc", "8"], ["abc", "9"]),
    ("strcat", ["abcde"], ["abcdef"]),
    ("strncat", ["abcdefgh", "5"], ["abcdefgh", "6"]),
    ("explicit_bzero", ["x", "8"], ["x", "9"]),
]

CASES = [
    dict(name="strings_sweep", guest="tests/e2e/guests/strings_sweep.c", stdout=NATIVE),
    dict(name="strings_gnu", guest="tests/e2e/guests/strings_gnu.c", stdout=NATIVE),

    dict(name="errors_texts", guest="tests/e2e/guests/errors_texts.c", stdout=NATIVE),
    dict(name="errors_psignal", guest="tests/e2e/guests/errors_texts.c", args=["psignal"],
         stdout="errno kept: 9999\n",
         stderr_contains=["prefix: Interrupt\nSegmentation fault\nTerminated\n"
                          "rt: Unknown signal 35\nzero: Unknown signal 0\n"
                          "Unknown signal 99\n"
                          "pfx: No such file or directory\n"
                          "Invalid or incomplete multibyte or wide character\n"
                          "Unknown error 9999\n"],
         exit=0),
    # error() and error_at_line() as the Linux C library writes them; the
    # program's name is argv[0], the same path on every run. Merged, the
    # two streams show that standard output goes out before each report.
    dict(name="errors_at_line", guest="tests/e2e/guests/errors_at_line.c",
         stdout=NATIVE, stderr=NATIVE),
    dict(name="errors_at_line_merged", guest="tests/e2e/guests/errors_at_line.c",
         merged=True, stdout=NATIVE),
    dict(name="errors_at_line_noplt", guest="tests/e2e/guests/errors_at_line.c",
         style="noplt", stdout=NATIVE, stderr=NATIVE),
    dict(name="errors_tables", guest="tests/e2e/guests/errors_tables.c", stdout=NATIVE),

    # The report is the C library's; the run then ends as abort ends it.
    dict(name="errors_assert", guest="tests/e2e/guests/errors_assert.c",
         stdout="before\n", exit=134,
         stderr="errors_assert: guest.c:42: main: Assertion `argc == 99' failed.\n" + ABORTED),
    dict(name="errors_assert_perror", guest="tests/e2e/guests/errors_assert.c",
         args=["perror"], stdout="before\n", exit=134,
         stderr="errors_assert_perror: place.c:7: fn: Unexpected error: "
                "No such file or directory.\n" + ABORTED),
    dict(name="errors_assert_old", guest="tests/e2e/guests/errors_assert.c",
         args=["old"], stdout="before\n", exit=134,
         stderr="errors_assert_old: place.c:9: Assertion `expr' failed.\n" + ABORTED),
    dict(name="errors_assert_nofunction", guest="tests/e2e/guests/errors_assert.c",
         args=["nofunction"], stdout="before\n", exit=134,
         stderr="errors_assert_nofunction: place.c:11: Assertion `expr' failed.\n" + ABORTED),
    # The name is read from the guest's own variable when the report is made.
    dict(name="errors_assert_renamed", guest="tests/e2e/guests/errors_assert.c",
         args=["renamed"], stdout="before\n", exit=134,
         stderr="renamed: guest.c:42: main: Assertion `argc == 99' failed.\n" + ABORTED),
    dict(name="errors_assert_pass", guest="tests/e2e/guests/errors_assert.c",
         args=["pass"], stdout=NATIVE),

    dict(name="environ_changes", guest="tests/e2e/guests/environ_changes.c", stdout=NATIVE),
    dict(name="environ_fixed", guest="tests/e2e/guests/environ_fixed.c",
         stdout="start: [_=run]\ngetenv(_)=null\nsetenv keep = 0\n"
                "getenv(_)=mine\nnow: [_=mine]\nunsetenv = 0\nend:\n",
         exit=0),
]

for routine, fits, past in FORTIFIED:
    CASES.append(dict(name="strings_fortify_" + routine,
                      guest="tests/e2e/guests/strings_fortify.c", build_flags=FORTIFY,
                      args=[routine] + fits, stdout=NATIVE))
    CASES.append(dict(name="strings_fortify_" + routine + "_overflow",
                      guest="tests/e2e/guests/strings_fortify.c", build_flags=FORTIFY,
                      args=[routine] + past, stdout="", exit=134,
                      stderr=OVERFLOW + "\n" + ABORTED))

# Aligned blocks and reallocarray, from the loader's heap like malloc's.
CASES += [
    dict(name="allocation", guest="tests/e2e/guests/allocation.c", stdout=NATIVE),
    dict(name="allocation_reuse", guest="tests/e2e/guests/allocation_reuse.c",
         stdout=NATIVE),
]
