# Guest start, the sample guest and every way a run ends, seen from guests.
NATIVE = "NATIVE"
FAULT = "Unhandled exception (0xC0000005)\n"

LONG = "x" * 1000
UTF8 = "\u00e9\u65e5\u672c"


def deep_copy(guest):
    """The guest copied five folders of 60 characters down, its name in
    UTF-8: a path past Windows' classic 260-character limit."""
    import os
    import shutil
    folder = os.path.join(os.path.dirname(guest), "deep", *[c * 60 for c in "abcde"])
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, UTF8 + ".elf")
    shutil.copy(guest, target)
    return target

UTF8_BYTES = UTF8.encode().decode("latin-1")  # as the harness reads output

CASES = [
    dict(name="hello", guest="hello", stdout="Hello\n", exit=0),
    dict(name="hello_extra_args", guest="hello", args=["a", "b c"],
         stdout="Hello\n", exit=0),
    # The end of a run pauses only on a console: a file or a pipe on
    # standard input is left whole for whatever comes after the run.
    dict(name="hello_leaves_its_input", guest="hello", stdin="first\nsecond\n",
         leftover=True, stdout="Hello\nleft: first\nsecond\n", exit=0),

    dict(name="stack_deep", guest="tests/e2e/guests/stack_deep.c", stdout=NATIVE),

    dict(name="args", guest="tests/e2e/guests/args.c",
         args=["one", "two words", LONG],
         stdout="argc=4\n"
                "argv[0]={guest} ({guest_len})\n"
                "argv[1]=one (3)\n"
                "argv[2]=two words (9)\n"
                "argv[3]=" + LONG + " (1000)\n"
                "envp[0]=_=run\n"
                "rewritten=#ne\n",
         exit=0),
    # Whatever a Windows user quotes reaches the guest whole: empty
    # arguments, quotes, backslashes, blanks, UTF-8.
    dict(name="args_quoting", guest="tests/e2e/guests/args.c",
         args=["", "x", '"q"', "a b", "back\\slash\\", 'x\\"y', UTF8, "tab\tin"],
         stdout="argc=9\nargv[0]={guest} ({guest_len})\nargv[1]= (0)\nargv[2]=x (1)\n"
                'argv[3]="q" (3)\nargv[4]=a b (3)\nargv[5]=back\\slash\\ (11)\n'
                'argv[6]=x\\"y (4)\nargv[7]=' + UTF8_BYTES + ' (8)\nargv[8]=tab\tin (6)\n'
                "envp[0]=_=run\n"),
    # A program file by a long UTF-8 name.
    dict(name="args_long_path", guest="tests/e2e/guests/args.c",
         loader_args=[deep_copy, "x"], stdout_contains=["argc=2\n", "argv[1]=x (1)\n"],
         exit=0),
    # A relative ELF path: argv[0] is the current directory joined with it.
    dict(name="args_relative_path", guest="tests/e2e/guests/args.c",
         loader_args=["args_relative_path"], cwd="build/guest/tests",
         stdout_contains=["argc=1\n", "/build/guest/tests/args_relative_path ("],
         ports=("linux",)),
    dict(name="args_relative_path_win", guest="tests/e2e/guests/args.c",
         loader_args=["args_relative_path_win"], cwd="build/guest/tests",
         stdout_contains=["argc=1\n", "argv[0]=Z:\\", "\\build\\guest\\tests\\args_relative_path_win ("],
         ports=("windows",)),
    dict(name="identity", guest="tests/e2e/guests/identity.c",
         stdout="pw: root 804613 0 0 Incognito C:/windows/temp C:/windows/system32/cmd.exe\n"
                "getpwuid(1)=null\n"
                "ids: 0 0 0 0\n"
                "uname=0\n"
                "uts: linux|nodename|0.01|0.01|i386|localdomain\n"
                "gethostname=0 hostnamestub\n"
                "small=hos guard=Z\n"
                "getenv(HOME)=null\n"
                "pagesize=4096\n"
                "setlocale=null\n"
                "domains: /nowhere x same=0\n"
                "dcgettext=message\n",
         exit=0),

    # Ends of a run. The loader's lines about them are on standard error,
    # standard output being a pipe.
    dict(name="end_return", guest="tests/e2e/guests/ends.c", args=["return", "3"],
         stdout=NATIVE, exit=3),
    dict(name="end_exit", guest="tests/e2e/guests/ends.c", args=["exit", "7"],
         stdout=NATIVE, exit=7),
    dict(name="end_abort", guest="tests/e2e/guests/ends.c", args=["abort"],
         stdout="ending by abort\n", stderr='"Abort" called?\n', exit=134),
    dict(name="end_unknown_call", guest="tests/e2e/guests/ends.c", args=["unknown"],
         stdout="ending by unknown\n"
                "unknown call returned 0\n"
                "atexit second\natexit first\n",
         stderr='Unknown/Unimplemented call "gethostid"\n', exit=0),
    dict(name="end_fault", guest="tests/e2e/guests/ends.c", args=["fault"],
         stdout="ending by fault\n", stderr=FAULT, exit=1),
    dict(name="end_error", guest="tests/e2e/guests/ends.c", args=["error", "9"],
         stdout=NATIVE, stderr=NATIVE, exit=9),
    dict(name="cxa_atexit_return", guest="tests/e2e/guests/dtors.c",
         stdout=NATIVE, exit=4),
    dict(name="cxa_atexit_exit", guest="tests/e2e/guests/dtors.c", args=["exit"],
         stdout=NATIVE, exit=5),
    dict(name="writable_environment", guest="tests/e2e/guests/environment_text.c",
         stdout="env=_=run\nname=_\nenv=_=run\n", exit=0),

    # Host semantics that must match the Linux C library's.
    dict(name="formats", guest="tests/e2e/guests/formats.c", stdout=NATIVE),
    dict(name="strings", guest="tests/e2e/guests/strings.c", stdout=NATIVE),
    dict(name="options", guest="tests/e2e/guests/options.c",
         args=["-a", "x", "-bval", "--name=foo", "y", "-z", "--verbose", "-b", "last", "z"],
         stdout=NATIVE),
    dict(name="files", guest="tests/e2e/guests/files.c",
         args=["build/guest/tests/files.data"], stdout=NATIVE),
]
