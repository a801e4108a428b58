"""A write to a pipe whose reader has gone: SIGPIPE for the guest, in every
style of write, as Linux does it; the guests make their own pipes, so that
no case depends on when another process reads."""

NATIVE = "NATIVE"

_GUEST = "tests/e2e/guests/sigpipe_writes.c"

_STYLES = ["write", "dprintf", "fwrite", "fputs", "fprintf", "putc", "fputc",
           "printf", "puts", "flushall", "exit"]

CASES = [
    # Ignored: every write fails with EPIPE, and the exit's failing flush
    # leaves main's status.
    {"name": "sigpipe_ignored", "guest": _GUEST, "args": ["ignore"],
     "stdout": NATIVE, "exit": 0},
    # Handled: the handler runs once for each failing write.
    {"name": "sigpipe_handled", "guest": _GUEST, "args": ["handler"],
     "stdout": NATIVE, "exit": 0},
    # An endless writer whose reader took a little and went.
    {"name": "sigpipe_endless", "guest": _GUEST, "args": ["yes"],
     "stdout": NATIVE, "exit": 141},
] + [
    # The default action: the first failing write ends the run, 128 + 13.
    {"name": "sigpipe_default_" + style, "guest": _GUEST,
     "args": ["default", style], "stdout": NATIVE, "exit": 141}
    for style in _STYLES
]

# Every size of write, small to many times the pipe's buffer.
CASES.append({"name": "sigpipe_sizes", "guest": "tests/e2e/guests/sigpipe_sizes.c",
              "style": "pie", "build_flags": ["-O2"], "stdout": NATIVE})
