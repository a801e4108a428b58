"""The printf family: the formatter of ours on both ports against native
Linux runs of the same binaries."""

NATIVE = "NATIVE"
FORTIFIED = ["-O2", "-U_FORTIFY_SOURCE", "-D_FORTIFY_SOURCE=2"]
OVERFLOW = "*** buffer overflow detected ***: terminated"

CASES = [
    dict(name="format_conversions", guest="tests/e2e/guests/format_conversions.c",
         build_flags=["-lm"], stdout=NATIVE),
    dict(name="format_family", guest="tests/e2e/guests/format_family.c", stdout=NATIVE),
    # The fortified forms, each within its object.
    dict(name="format_fortify", guest="tests/e2e/guests/format_fortify.c",
         build_flags=FORTIFIED, stdout=NATIVE),
    # An output past its object ends the run with the C library's report
    # and the status of a process that SIGABRT ended.
    dict(name="format_fortify_sprintf", guest="tests/e2e/guests/format_fortify.c",
         build_flags=FORTIFIED, args=["sprintf"],
         stdout_contains=["sprintf_chk [1234567] = 7\n"],
         stderr_contains=[OVERFLOW], exit=134),
    dict(name="format_fortify_snprintf", guest="tests/e2e/guests/format_fortify.c",
         build_flags=FORTIFIED, args=["snprintf"],
         stdout_contains=["[vasprintf_chk 0.12] = 18\n"],
         stderr_contains=[OVERFLOW], exit=134),
    dict(name="format_fortify_writable", guest="tests/e2e/guests/format_fortify.c",
         build_flags=FORTIFIED, args=["writable"],
         stdout_contains=["counted\n= 7\n"],
         stderr_contains=["*** %n in writable segment detected ***"], exit=134),
    dict(name="format_fortify_gap", guest="tests/e2e/guests/format_fortify.c",
         build_flags=FORTIFIED, args=["gap"], stdout_contains=["counted\n= 7\n"],
         stderr_contains=["*** invalid %N$ use detected ***"], exit=134),
]
