# Non-local jumps, signals a guest sends itself, the process's queries and
# ends, sorting and searching with guest comparators, and the random
# sequences: every case runs natively too, and all three runs must agree.
NATIVE = "NATIVE"

# Comparators and handlers check the alignment of the stack they are
# called on through their caller's frame address.
FRAMES = ["-fno-omit-frame-pointer"]

CASES = [
    dict(name="jumps_deep", guest="tests/e2e/guests/jumps_deep.c", stdout=NATIVE),

    dict(name="signals_handlers", guest="tests/e2e/guests/signals_handlers.c",
         build_flags=FRAMES, stdout=NATIVE),
] + [
    # A process ended by a signal: the shell's status 128 + its number
    # (the harness sees the native run's negative code otherwise).
    dict(name="signals_default_" + what.replace("-", "_"),
         guest="tests/e2e/guests/signals_default.c", args=[what], stdout=NATIVE,
         exit=status)
    for what, status in [("term", 143), ("kill-usr1", 138), ("ignored", 0),
                         ("default-ignored", 0), ("resethand", 140),
                         ("unblocked", 129), ("abrt", 134), ("pipe", 141)]
] + [
    # What a parent leaves a program: only a Linux parent can.
    dict(name="signals_inherited", guest="tests/e2e/guests/signals_inherited.c",
         stdout=NATIVE, exit=129, ports=("linux",),
         inherit={"ignored": [1, 13, 15], "blocked": [10, 12]}),
    dict(name="process_nice_inherited", guest="tests/e2e/guests/process_queries.c",
         args=["nice"], stdout=NATIVE, ports=("linux",), inherit={"nice": 4}),
    # ... and what the program's own commands inherit from it.
    dict(name="process_child_signals", guest="tests/e2e/guests/process_child_signals.c",
         stdout=NATIVE, ports=("linux",)),
    dict(name="process_child_signals_inherited",
         guest="tests/e2e/guests/process_child_signals.c", stdout=NATIVE,
         ports=("linux",), inherit={"ignored": [15], "blocked": [10]}),
] + [
    dict(name="process_" + what.replace("_exit", "underscore_exit"), guest="tests/e2e/guests/process_queries.c",
         args=[what], stdout=NATIVE)
    for what in ["sysconf", "conf", "limits", "ids", "system", "atexit", "exit",
                 "quick", "_exit"]
] + [
    # Children cannot be made; Linux itself would fork here.
    # The system-call filter of the Linux port stays with the loader.
    dict(name="process_commands", guest="tests/e2e/guests/process_commands.c",
         stdout=NATIVE, ports=("linux",)),
    dict(name="process_no_children", guest="tests/e2e/guests/process_children.c",
         stdout="fork=-1 ENOSYS=1\nvfork=-1 ENOSYS=1\nexecv=-1 ENOSYS=1\n"
                "execvp=-1 ENOSYS=1\nexecl=-1 ENOSYS=1\nposix_spawn=38\n"
                "getpwnam(root): root uid=0 dir=C:/windows/temp\n"
                "getpwnam(nobody)=null\n"
                "getpwuid_r=0 root same buffer=1\ngetpwuid_r small=34 result=null\n"
                "getgrnam=null getgrgid_r=0 null\n"
                "getlogin=root getlogin_r=0 root small=34\n"
                "getgroups=0\nsetsid=-1 EPERM=1 setpgid(0,0)=0\n",
         exit=0),

    dict(name="sorting_compare", guest="tests/e2e/guests/sorting_compare.c",
         build_flags=FRAMES, stdout=NATIVE),
    dict(name="sorting_trees", guest="tests/e2e/guests/sorting_trees.c",
         build_flags=FRAMES, stdout=NATIVE),

    dict(name="random_sequences", guest="tests/e2e/guests/random_sequences.c",
         stdout=NATIVE),
]
