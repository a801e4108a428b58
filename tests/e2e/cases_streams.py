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


def case(name, source=None, **fields):
    fields.setdefault("stdout", NATIVE)
    return dict(name="streams_" + name,
                guest="tests/e2e/guests/streams_%s.c" % (source or name),
                cwd=scratch(name), **fields)


# Built as users build them (gcc -m32 -O2, position-independent), which
# compiles the inline getc_unlocked and putc_unlocked in.
def users(name, source, **fields):
    return case(name, source, style="pie", build_flags=["-O2"], **fields)


# Text lines, one longer than any buffer; every byte value; a tail the
# guest leaves unread.
TEXT = ("12345 words and more\n" + "".join("line %d %s\n" % (i, "x" * (i % 97))
                                         for i in range(800)) + "y" * 9000 + "\n")
BINARY = "".join(chr((i * 7 + i // 256) % 256) for i in range(100000))
INLINE = dict(args=[str(len(TEXT)), str(len(BINARY))], stdin=TEXT + BINARY + "Tail unread\n")


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
    # status as Linux's wait encodes it; the variables the program set
    # reach its commands.
    case("pipes"),
    # tmpfile, tmpnam, tempnam; rename onto an existing file.
    case("names"),
    # Buffering modes, stdio_ext, locking, the fortified reads.
    case("state"),
    # The inline getc_unlocked/putc_unlocked copying standard input from a
    # pipe, then from a file (what it left unread shown), mixed with fgetc,
    # fscanf, fgets, fread and ungetc; sticky end of file.
    users("inline", "inline", **INLINE),
    users("inline_file", "inline", leftover=True, **INLINE),
    # "r+" and "a+" switching with ftello around each flush, fmemopen's
    # "a+", rewind and the error indicator, a flush onto a closed
    # descriptor; writes onto /dev/full, which only Linux has; 3000
    # streams open at once where the descriptors allow it; on Windows the C
    # runtime's table of 2048 ends them cleanly with EMFILE.
    users("update", "update"),
    users("update_full", "update", args=["full"], ports=("linux",)),
    users("update_many", "update", args=["many"], ports=("linux",)),
    users("update_many_windows", "update", args=["many"], ports=("windows",),
          stdout="setrlimit 0\nopened 2045 errno 24 read 2045 closed 2045\n"),
    # Buffered bytes against write(1) in each setvbuf mode, standard error
    # merged in; standard input's descriptor closed.
    users("buffers", "buffers", merged=True),
    users("buffers_closed", "buffers", args=["closed"]),
    # A fortified read past its buffer ends the run with the report and
    # the status of a process that SIGABRT ended.
    dict(name="streams_overflow", guest="tests/e2e/guests/streams_overflow.c",
         cwd=scratch("overflow"), stdin="a line far longer than eight bytes\n",
         stdout="before\n",
         stderr='*** buffer overflow detected ***: terminated\n"Abort" called?\n', exit=134),
]
