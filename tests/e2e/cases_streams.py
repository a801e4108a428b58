# The streams family: the same binary run natively, under the Linux port
# and under the Windows port must agree. Every case runs in a scratch
# directory of its own, removed when the driver ends; the guests also
# remove what they create.
import atexit
import os
import shutil
import tempfile

NATIVE = "NATIVE"

SCRATCH = tempfile.mkdtemp(prefix="tumbex-streams-")
atexit.register(shutil.rmtree, SCRATCH, True)


def scratch(name):
    path = os.path.join(SCRATCH, name)
    os.makedirs(path, exist_ok=True)
    return path


def case(name, **fields):
    return dict(name="streams_" + name, guest="tests/e2e/guests/streams_%s.c" % name,
                cwd=scratch(name), stdout=NATIVE, **fields)


CASES = [
    # Every read and write style copies a file of every byte value, with
    # lines longer than any buffer, byte for byte.
    case("copy"),
    # fgets in pieces, getline growing a malloc'd buffer, ungetc at the
    # start and after the end, and standard input read both ways.
    case("lines", stdin="first stdin line\nsecond\nno line end"),
    # Positions, fpos_t records, and offsets past 2 GiB where the host
    # can make the sparse file.
    case("seek"),
    # fmemopen on a guest buffer and open_memstream, with the Linux C
    # library's terminator, bounds and sizes.
    case("memory"),
    # Failures' errno numbers and perror's lines.
    case("errors"),
    # popen of echo through the host's command interpreter, the exit
    # status as Linux's wait encodes it.
    case("pipes"),
    # tmpfile, tmpnam, tempnam; rename onto an existing file.
    case("names"),
    # Buffering modes, stdio_ext, locking, the fortified reads.
    case("state"),
    # A fortified read past its buffer ends the run with the report and
    # the status of a process that SIGABRT ended.
    dict(name="streams_overflow", guest="tests/e2e/guests/streams_overflow.c",
         cwd=scratch("overflow"), stdin="a line far longer than eight bytes\n",
         stdout="before\n",
         stderr='*** buffer overflow detected ***: terminated\n"Abort" called?\n', exit=134),
]
