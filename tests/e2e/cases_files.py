# Files, directories and mappings: each guest works in a directory of its
# own that it makes with mkdtemp under build/guest/tests and removes again,
# so that runs side by side never meet. Everything printed is what every
# host agrees on; host-dependent fields are checked inside the guests.
NATIVE = "NATIVE"
WORK = "build/guest/tests/filesXXXXXX"

CASES = [
    dict(name="files_status", guest="tests/e2e/guests/files_status.c",
         args=[WORK], stdout=NATIVE),
]
CASES += [
    dict(name="files_dirs", guest="tests/e2e/guests/files_dirs.c",
         args=[WORK], stdout=NATIVE),
]
CASES += [
    dict(name="files_temp", guest="tests/e2e/guests/files_temp.c",
         args=[WORK], stdout=NATIVE),
]

# UTF-8 names, a path past 260 characters, /dev/null and /tmp.
CASES += [
    dict(style="pie", name="names_unicode", guest="tests/e2e/guests/names.c",
         args=["build/guest/tests/namesXXXXXX"], build_flags=["-O2"], stdout=NATIVE),
    dict(style="pie", name="devices", guest="tests/e2e/guests/devices.c", build_flags=["-O2"],
         stdout=NATIVE),
    dict(style="pie", name="procself", guest="tests/e2e/guests/procself.c", build_flags=["-O2"],
         stdout=NATIVE),
    # The standard descriptors as the run found them: input from a pipe or
    # from a file, output and errors into pipes or merged.
    dict(style="pie", name="stdfds_pipe", guest="tests/e2e/guests/stdfds.c", stdin="hello",
         build_flags=["-O2"], stdout=NATIVE, stderr=NATIVE),
    dict(style="pie", name="stdfds_file", guest="tests/e2e/guests/stdfds.c", stdin="hello world",
         build_flags=["-O2"], leftover=True, merged=True, stdout=NATIVE),
]
