# Guests that make raw int 0x80 system calls, served by the loader's trap.
# Linux port only: under Wine the Linux kernel itself answers int 0x80.
import atexit
import shutil
import tempfile
import time

NATIVE = "NATIVE"
LINUX = ("linux",)
STATIC = ["-static", "-nostdlib", "-nostartfiles"]

# Scratch directory for the file guest; the driver loads this module once.
SCRATCH = tempfile.mkdtemp(prefix="tumbex-sys-")
atexit.register(shutil.rmtree, SCRATCH, True)

CONSOLE_OUT = ("Hi\n"
               "write 3\n"
               "to fd 2\n"
               "write fd 2 8\n"
               "write nothing 0\n"
               "read 5 [ab\\n]\n"
               "read 3 [cde]\n"
               "read fd 1 [fgh\\n]\n"
               "read rest [rest\\n]\n"
               "read at end 0\n")

CASES = [
    # Console: what a native run prints too, whatever the reads' sizes.
    dict(name="sys_cat", guest="tests/e2e/guests/sys_cat.S", build_flags=STATIC,
         stdin="first line\nsecond\n\nlast without end", stdout=NATIVE, exit=0,
         ports=LINUX),
    dict(name="sys_cat_empty", guest="tests/e2e/guests/sys_cat.S", build_flags=STATIC,
         stdin="", stdout=NATIVE, exit=0, ports=LINUX),
    # A read stops after a line end, like a terminal; descriptor 2 is the
    # loader's standard output.
    dict(name="sys_console", guest="tests/e2e/guests/sys_console.c",
         stdin="ab\ncdefgh\nrest\n", stdout=CONSOLE_OUT, exit=5, ports=LINUX),
    dict(name="sys_console_crlf", guest="tests/e2e/guests/sys_console.c",
         stdin="ab\r\ncdefgh\r\nrest\r\n", stdout=CONSOLE_OUT, exit=5, ports=LINUX),

    dict(name="sys_exit_status", guest="tests/e2e/guests/sys_exit.S", build_flags=STATIC,
         stdout=NATIVE, exit=42, ports=LINUX),
    dict(name="sys_files", guest="tests/e2e/guests/sys_files.c", args=[SCRATCH],
         stdout=NATIVE, exit=0, ports=LINUX),
    dict(name="sys_brk", guest="tests/e2e/guests/sys_brk.S", build_flags=STATIC,
         stdout=NATIVE, exit=0, ports=LINUX),
    dict(name="sys_clock", guest="tests/e2e/guests/sys_clock.c",
         args=[str(int(time.time()))],
         stdout="time stored: yes\n"
                "time near host clock: yes\n"
                "time without record: yes\n"
                "gettimeofday 0\n"
                "registers kept: yes\n"
                "seconds agree: yes\n"
                "microseconds in range: yes\n"
                "timezone 0\n"
                "records only: yes\n"
                "without records 0\n",
         exit=0, ports=LINUX),

    # Numbers the table does not serve.
    dict(name="sys_unknown", guest="tests/e2e/guests/sys_unknown.S", build_flags=STATIC,
         stdout="before\n", stderr="\nUnknown syscall #20 called (getpid)\n", exit=1,
         ports=LINUX),
    dict(name="sys_beyond_table", guest="tests/e2e/guests/sys_bignum.S",
         build_flags=STATIC, stdout="eax kept\n", exit=0, ports=LINUX),

    # Faults: the guest's own, and one inside a handler.
    dict(name="sys_fault", guest="tests/e2e/guests/sys_fault.S", build_flags=STATIC,
         stdout="before\n", stderr="Unhandled exception (0xC0000005)\n", exit=1,
         ports=LINUX),
    dict(name="sys_bad_pointer", guest="tests/e2e/guests/sys_badptr.c",
         stdout="before\n", stderr="Unhandled exception (0xC0000005)\n", exit=1,
         ports=LINUX),
]
