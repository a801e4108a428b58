# What the guest's standard streams and heap give it: bytes carried
# unchanged, the loader's lines kept out of the guest's output, requests
# that cannot be met answered as Linux answers them.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "elf"))
import elfmutate  # noqa: E402

NATIVE = "NATIVE"
WARN = '" needed, runability questionable.\n'

# Every byte value, twice, LF, CR, CR LF and 0x1A among them.
BYTES = "".join(chr(b) for b in range(256)) * 2 + "\r\n\x1a\n\r"


def without_libc_dot(guest, out):
    elfmutate.mutate_file(guest, out, "needed_nodot")


MEMORY = ("malloc: null errno=12\ncalloc: null errno=12\n"
          "calloc overflow: null errno=12\nrealloc: null errno=12\n"
          "old block: kept\nfallback: block\n")

CASES = [
    # Three warnings with standard output a pipe: on standard error, and the
    # guest's line alone on standard output.
    dict(name="guestio_warnings_first", guest="guest/hello/hw.c",
         build_flags=["-Wl,--no-as-needed", "-l:libstdc++.so.6", "-l:libpthread.so.0",
                      "-l:libgcc_s.so.1"],
         prepare=without_libc_dot, stdout="Hello\n",
         stderr='Library "stdc++' + WARN + 'Library "gcc_s' + WARN + 'Library "' + WARN, exit=0),

    dict(name="guestio_binary_stdio", guest="tests/e2e/guests/guestio_copy.c",
         args=["stdio"], stdin=BYTES, stdout=NATIVE, binary=True),
    dict(name="guestio_binary_fd", guest="tests/e2e/guests/guestio_copy.c",
         args=["fd"], stdin=BYTES, stdout=NATIVE, binary=True),

    # 2 GiB and more is beyond the loader's heap on every port; 0x7fffffff
    # fits a 32-bit Windows process's address space only in pieces.
    dict(name="guestio_memory_huge", guest="tests/e2e/guests/guestio_memory.c",
         args=["f0000000"], stdout="errno at start=0\n" + MEMORY, exit=0),
    dict(name="guestio_memory_2g", guest="tests/e2e/guests/guestio_memory.c",
         stdout="errno at start=0\n" + MEMORY, exit=0, ports=("windows",)),
]
