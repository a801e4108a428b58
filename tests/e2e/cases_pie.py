# The NATIVE guests again, built the ways today's compilers build programs:
# position-independent by this machine's defaults, hardened (stack
# protector, fortified calls, immediate binding, CET), and calling through
# the GOT without a PLT. Each runs natively and under both ports, and all
# must agree. Plus the stack protector's report and the refusals of
# position-independent files that are damaged or not programs at all.
import copy
import importlib.util
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "elf"))
import elfmutate  # noqa: E402

NATIVE = "NATIVE"
# The loader's lines, on standard error while standard output is a pipe.
UNSERVED = 'Unknown/Unimplemented call "gethostid"\n'
ABORTED = '"Abort" called?\n'
STYLES = ("pie", "hardened", "noplt")

# Guests whose hardened build imports fortified names (__printf_chk,
# __memcpy_chk ...) that no family serves yet; they join once served.
WAITING_FOR_CHK = set()


def _module(name):
    spec = importlib.util.spec_from_file_location("pie_" + name,
                                                  os.path.join(HERE, name + ".py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.CASES


def _restyled(case, style):
    """The case for a guest built in `style`; paths it writes get their own name."""
    out = copy.deepcopy(case)
    out["name"] = "%s_%s" % (case["name"], style)
    out["style"] = style
    out.pop("module", None)
    out["args"] = [a + "." + style if a.startswith("build/guest/tests/") else a
                   for a in case.get("args", [])]
    return out


def _native_c_cases():
    for name in ("cases_start", "cases_loader", "cases_syscall"):
        for case in _module(name):
            guest = case.get("guest")
            if (case.get("stdout") == NATIVE and isinstance(guest, str)
                    and guest.endswith(".c") and "prepare" not in case
                    and "build_flags" not in case):
                yield case


def mutated(mutation):
    def prepare(guest, out):
        elfmutate.mutate_file(guest, out, mutation)
    prepare.__name__ = "mutate_" + mutation
    return prepare


def refusal(reason):
    return '"{guest}' + reason + '\nError loading "{guest}"\n'


PIE_DAMAGED = ["rel_offset", "rel_count", "rel_symbol", "jmprel_offset", "jmprel_count",
               "jmprel_symbol", "dynamic_offset", "symtab_address", "versym_address"]

CASES = [_restyled(case, style) for case in _native_c_cases() for style in STYLES
         if not (style == "hardened" and case["name"] in WAITING_FOR_CHK)]

CASES += [
    # The hello sample as this machine's compiler builds it by default.
    dict(name="pie_hello", guest="guest/hello/hw.c", style="pie", stdout=NATIVE),
    dict(name="pie_hello_hardened", guest="guest/hello/hw.c", style="hardened", stdout=NATIVE),
    dict(name="pie_hello_noplt", guest="guest/hello/hw.c", style="noplt", stdout=NATIVE),
    # GOT binding: data objects through loader cells, weak names absent,
    # unserved names reported as a PLT entry reports them (on standard
    # error, standard output being a pipe).
    dict(name="pie_got_binding", guest="tests/e2e/guests/pie_got.c", style="pie",
         args=["-q", "x"],
         stdout="optind before: 1\nopterr before: 1\noption q\noptind after: 2\n"
                "operand x\nstdout is the stream: yes\nweak absent: yes\n"
                "unserved answered 0\nconstructor ran: yes\n",
         stderr=UNSERVED, exit=0),
    dict(name="pie_got_binding_noplt", guest="tests/e2e/guests/pie_got.c", style="noplt",
         args=["-q", "x"],
         stdout="optind before: 1\nopterr before: 1\noption q\noptind after: 2\n"
                "operand x\nstdout is the stream: yes\nweak absent: yes\n"
                "unserved answered 0\nconstructor ran: yes\n",
         stderr=UNSERVED, exit=0),
    # The stack protector: an intact canary passes, a smashed one ends the
    # run with the C library's report.
    dict(name="pie_stack_intact", guest="tests/e2e/guests/pie_smash.c", style="hardened",
         stdout=NATIVE),
    dict(name="pie_stack_smashed", guest="tests/e2e/guests/pie_smash.c", style="hardened",
         args=["smash"], stdout="filling past the end\n",
         stderr="*** stack smashing detected ***: terminated\n" + ABORTED, exit=134),
    # The program's constructors and destructors, in every style.
    dict(name="ctors_classic", guest="tests/e2e/guests/pie_ctors.c", stdout=NATIVE),
    dict(name="ctors_classic_exit", guest="tests/e2e/guests/pie_ctors.c", args=["exit"],
         stdout=NATIVE),
] + [dict(name="ctors_" + style + suffix, guest="tests/e2e/guests/pie_ctors.c",
          style=style, args=args, stdout=NATIVE)
     for style in STYLES for suffix, args in (("", []), ("_exit", ["exit"]))] + [
    # FD_SET's checked index: within the set, and past it.
    dict(name="pie_fdset", guest="tests/e2e/guests/pie_fdset.c", style="hardened",
         stdout=NATIVE),
    dict(name="pie_fdset_out_of_range", guest="tests/e2e/guests/pie_fdset.c",
         style="hardened", args=["xxxx"], stdout="",
         stderr="*** bit out of range 0 - FD_SETSIZE on fd_set ***: terminated\n" + ABORTED,
         exit=134),
    # A library is not a program; a program's own thread-local variable.
    dict(name="pie_shared_object", guest="guest/hello/hw.c", style="pie",
         prepare=mutated("shared"), stdout=refusal('" is not an executable.'), exit=0),
    dict(name="pie_thread_local", guest="tests/e2e/guests/pie_tls.c", style="pie",
         stdout=NATIVE),
]
# The same GOT rules in ET_EXEC files: immediate binding, calls through
# the GOT, the IBT PLT's second table (.plt.sec), and that in a PIE too. An
# ET_EXEC file's copies of optind and opterr start as the loader's classic
# path leaves them, so only what follows is compared.
GOT_TAIL = ["option q\noptind after: 2\noperand x\nstdout is the stream: yes\n"
            "weak absent: yes\nunserved answered 0\nconstructor ran: yes\n"]
CASES += [
    dict(name="exec_got_now", guest="tests/e2e/guests/pie_got.c", args=["-q", "x"],
         build_flags=["-Wl,-z,now"], stdout_contains=GOT_TAIL, stderr=UNSERVED, exit=0),
    dict(name="exec_got_noplt", guest="tests/e2e/guests/pie_got.c", args=["-q", "x"],
         build_flags=["-fno-plt"], stdout_contains=GOT_TAIL, stderr=UNSERVED, exit=0),
    dict(name="exec_got_ibt", guest="tests/e2e/guests/pie_got.c", args=["-q", "x"],
         build_flags=["-fcf-protection=full", "-Wl,-z,ibtplt"], stdout_contains=GOT_TAIL,
         stderr=UNSERVED, exit=0),
    dict(name="pie_got_ibt", guest="tests/e2e/guests/pie_got.c", style="pie",
         args=["-q", "x"], build_flags=["-fcf-protection=full", "-Wl,-z,ibtplt"],
         stdout_contains=["optind before: 1\nopterr before: 1\n"] + GOT_TAIL,
         stderr=UNSERVED, exit=0),
]
CASES += [dict(name="pie_stripped", guest="guest/hello/hw.c", style="pie",
               prepare=mutated("stripped"), stdout="Hello\n", exit=0)]
# An older immediate-binding build calls through .plt.got and has a .plt but
# no .rel.plt: a position-independent PLT is never rewritten, so it loads.
CASES += [dict(name="pie_no_relplt", guest="guest/hello/hw.c", style="pie",
               prepare=mutated("no_relplt"), stdout="Hello\n", exit=0)]
CASES += [dict(name="pie_damaged_" + m, guest="guest/hello/hw.c", style="pie",
               prepare=mutated(m), stdout=refusal('" is damaged.'), exit=0)
          for m in PIE_DAMAGED]
