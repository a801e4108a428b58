# Wide characters on streams: the same binary run natively, under the
# Linux port and under the Windows port must agree. The case runs in a
# scratch directory of its own, removed when the driver ends; the guest
# also removes what it creates.
import atexit
import os
import shutil
import tempfile

NATIVE = "NATIVE"

SCRATCH = tempfile.mkdtemp(prefix="tumbex-wide-")
atexit.register(shutil.rmtree, SCRATCH, True)


def scratch(name):
    path = os.path.join(SCRATCH, name)
    os.makedirs(path, exist_ok=True)
    return path


CASES = [
    # Files and the standard streams read and written a wide character at
    # a time and by lines, push-back, orientation and its conflicts, the
    # wprintf and wscanf families, and characters past ASCII both ways:
    # transliterated on the way out, EILSEQ on the way in (the byte on
    # standard input).
    dict(name="wide_streams", guest="tests/e2e/guests/streams_wide.c", cwd=scratch("streams"),
         stdin="hello wide\n42 words\nbad\xe9 byte\n", stdout=NATIVE, stderr=NATIVE),
]
