# Small real programs that use many families at once, each built the way
# users build them: the classic guest build, this machine's gcc -m32
# defaults (PIE), the hardened flags and calls through the GOT. The same
# binary runs natively and under both ports, and all must agree. Files
# live in a scratch directory of each case's own, removed when the driver
# ends; the guests remove what they make.
import atexit
import os
import shutil
import tempfile

NATIVE = "NATIVE"
STYLES = ("classic", "pie", "hardened", "noplt")

SCRATCH = tempfile.mkdtemp(prefix="tumbex-real-")
atexit.register(shutil.rmtree, SCRATCH, True)

TEXT = ('The cat sat on the mat.\nThe dog, the CAT!\n\n'
        'end of "the" story\n\ttabs\tand  spaces ; here\nno final newline the')
CALC = "\n".join([
    "1+2*3", "2^10", "2^0.5", "sqrt(2)", "sin(pi/6)", "cos(pi)", "1/3", "(1+2",
    "5/0", "log(0)", "log(-1)", "foo(3)", "1e308*10", "m*2", "exp(1) - 2",
    "0.1+0.2", "-floor(2.5) % 2", "# a comment", "", "1e-320*1e-10", "12 34",
    "2^-1074", "1.7976931348623157e308",
]) + "\n"
SORT = "pear\napple\nBanana\n10\n9\napple\ncherry\n  indented\n-3.5\nbanana\n"
# Every byte value, lines of every length, and a run of NULs.
BINARY = "".join(chr(i) for i in range(256)) + "line\r\nend\n" + "\0" * 40 + "tail"

PROGRAMS = [
    # (name, variants: (suffix, args, stdin), build flags, binary stdout)
    ("wordfreq", [("", [], TEXT), ("_empty", [], "")], [], False),
    ("calc", [("", [], CALC)], ["-lm"], False),
    ("sort", [("", [], SORT), ("_fold_unique", ["-f", "-u"], SORT),
              ("_numeric_reverse", ["--numeric-sort", "-r"], SORT),
              ("_output", ["--output=sorted.tmp", "-u"], SORT),
              ("_missing", ["no-such-file"], ""), ("_bad_option", ["-x"], "")], [], False),
    ("tree", [("", [], "")], [], False),
    ("date", [("", [], "")], [], False),
    ("hexdump", [("", [], BINARY), ("_empty", [], "")], [], True),
    ("grep", [("", ["the"], TEXT), ("_count_files", ["-ic", "cat", "-", "missing"], TEXT),
              ("_glob", ["-g", "-n", "*the*"], TEXT), ("_invert", ["-vn", "the"], TEXT),
              ("_none", ["zebra"], TEXT), ("_quiet", ["-q", "dog"], TEXT),
              ("_bad_option", ["-x", "a"], TEXT)], [], False),
    ("misc", [("", [], ""), ("_args", ["one", "two"], "")], [], False),
]


def _cases():
    for name, variants, flags, binary in PROGRAMS:
        for suffix, args, stdin in variants:
            for style in STYLES:
                case_name = "real_%s%s_%s" % (name, suffix, style)
                cwd = os.path.join(SCRATCH, case_name)
                os.makedirs(cwd, exist_ok=True)
                case = dict(name=case_name, guest="tests/e2e/guests/real_%s.c" % name,
                            args=args, stdin=stdin, cwd=cwd, stdout=NATIVE)
                if style != "classic":
                    case["style"] = style
                if flags:
                    case["build_flags"] = flags
                if binary:
                    case["binary"] = True
                yield case


CASES = list(_cases())
# err.h's lines on standard error: the program's name, the message, the
# error text; errx ends the run with its status after the at-exit routines.
CASES += [dict(name="real_misc_err_" + style, guest="tests/e2e/guests/real_misc.c",
               args=["one", "two"], cwd=os.path.join(SCRATCH, "real_misc_err_" + style),
               stdout=NATIVE, exit=4,
               stderr_contains=[": warned about nothing: No such file or directory\n",
                                ": ending with 3 arguments\n"],
               **({} if style == "classic" else {"style": style}))
          for style in STYLES]
for case in CASES[-len(STYLES):]:
    os.makedirs(case["cwd"], exist_ok=True)
