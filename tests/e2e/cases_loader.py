# The loader's front end: the command line, the refusals with their exact
# lines, damaged files, the library warning, and guests whose layout the
# image loader must get right (data objects in .bss, a huge .bss, static
# programs, read-only code).
import os
import shutil
import stat
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "elf"))
import elfmutate  # noqa: E402

NATIVE = "NATIVE"


def mutated(mutation):
    def prepare(guest, out):
        elfmutate.mutate_file(guest, out, mutation)
    prepare.__name__ = "mutate_" + mutation
    return prepare


def read_only_copy(guest, out):
    if os.path.exists(out):
        os.chmod(out, stat.S_IWUSR | stat.S_IRUSR)
    shutil.copyfile(guest, out)
    os.chmod(out, 0o444)


def with_large_tail(guest, out):
    # 300 MB past the program's own bytes, as debug sections would lie
    # there: a sparse file, so that the test writes nothing of it.
    shutil.copyfile(guest, out)
    os.truncate(out, os.path.getsize(guest) + 300 * 1024 * 1024)


def fifo(guest, out):
    # A named pipe nothing writes to: opening it for reading would wait for
    # a writer for ever, so the loader must refuse it by its kind alone.
    if os.path.lexists(out):
        os.remove(out)
    os.mkfifo(out)


def refusal(reason):
    return '"{guest}' + reason + '\nError loading "{guest}"\n'


HEADER_CHECKS = [
    ("magic", '" is not an ELF.'),
    ("class64", '" class is not ELFCLASS32.'),
    ("bigendian", '" data is not ELFDATA2LSB.'),
    ("identversion", '" is of unknown version.'),
    ("shared", '" is not an executable.'),
    ("machine", '" is not for EM_386.'),
    ("version", '" is of unknown version.'),
    ("class_and_machine", '" class is not ELFCLASS32.'),  # the first failure only
]

DAMAGED = ["phoff", "phnum", "shoff", "shstrndx", "sh_offset", "sh_size", "sh_name",
           "st_name", "r_info", "push", "needed_offset", "no_dynstr", "no_relplt",
           "segment_below", "segment_overlap", "segment_past_file", "entry_outside",
           "verneed_name"]

NOT_REGULAR = '" is not a regular file.'

WARN = '" needed, runability questionable.\n'
FAULT = "Unhandled exception (0xC0000005)\n"

CASES = [
    dict(name="loader_no_argument", guest="hello", loader_args=[],
         stdout_contains=["Tumbex_070922 - Linux libc binary loader.\nUsage: ",
                          "tumbex", " ELF_file\n"],
         exit=0),
    dict(name="loader_missing_file", guest="hello", loader_args=["no/such/file"],
         stdout='File not found "no/such/file"\n', exit=0),
    dict(name="loader_directory", guest="hello", loader_args=["tests"],
         stdout='File not found "tests"\n', exit=0),
    # Not regular files: refused by their kind before anything is opened.
    dict(name="loader_fifo", guest="hello", prepare=fifo, ports=["linux"],
         stdout=refusal(NOT_REGULAR), exit=0),
    dict(name="loader_device_linux", guest="hello", loader_args=["/dev/null"], ports=["linux"],
         stdout='"/dev/null' + NOT_REGULAR + '\nError loading "/dev/null"\n', exit=0),
    dict(name="loader_device_windows", guest="hello", loader_args=["NUL"], ports=["windows"],
         stdout='"NUL' + NOT_REGULAR + '\nError loading "NUL"\n', exit=0),
    dict(name="loader_quoted_path_with_blank", guest="hello", loader_args=["no such file"],
         stdout='File not found "no such file"\n', exit=0),
    dict(name="loader_text_file", guest="file:tests/elf/elfmutate.py",
         stdout=refusal('" is not an ELF.'), exit=0),
    dict(name="loader_short_file", guest="hello", prepare=mutated("short"),
         stdout="", stderr_contains=["Exception EInOutError", "Read beyond end of file."],
         exit=1),
    dict(name="loader_read_only_file", guest="hello", prepare=read_only_copy,
         stdout="Hello\n", exit=0),
    # Only what the loader needs of the file is read: a file with hundreds
    # of MB past its program loads on both ports.
    dict(name="loader_large_file", guest="hello", prepare=with_large_tail,
         stdout="Hello\n", exit=0),
    dict(name="loader_arguments_pass_by", guest="hello", args=["{guest}", "x"],
         stdout="Hello\n", exit=0),

    # A needed library that is neither the C library's nor found beside the
    # program is reported by short name (on standard error: standard output
    # is a pipe).
    dict(name="loader_library_warnings", guest="guest/hello/hw.c",
         build_flags=["-Wl,--no-as-needed", "-l:libpthread.so.0", "-lm",
                      "-l:ld-linux.so.2", "-l:libgcc_s.so.1"],
         stdout="Hello\n", stderr='Library "gcc_s' + WARN, exit=0),
    dict(name="loader_library_no_dot", guest="hello", prepare=mutated("needed_nodot"),
         stdout="Hello\n", stderr='Library "' + WARN, exit=0),
    dict(name="loader_library_early_dot", guest="hello", prepare=mutated("needed_short_dot"),
         stdout="Hello\n", stderr='Library "' + WARN, exit=0),

    # Layouts.
    dict(name="loader_data_objects", guest="tests/elf/dataobjects.c", stdin="in\n",
         stdout=NATIVE, stderr_contains=["stderr works\n"]),
    dict(name="loader_big_bss", guest="tests/elf/bigbss.c", stdout=NATIVE),
    dict(name="loader_huge_bss_variant", guest="hello", prepare=mutated("huge_bss"),
         stdout="Hello\n", exit=0),
    dict(name="loader_version_count_variant", guest="hello", prepare=mutated("verneed_count"),
         stdout="Hello\n", exit=0),
    dict(name="loader_static", guest="tests/elf/static.S",
         build_flags=["-static", "-nostdlib"], stdout=NATIVE),
    dict(name="loader_write_rodata_faults", guest="tests/elf/writecode.c",
         stdout="writing rodata\n", stderr=FAULT, exit=1),
    dict(name="loader_write_code_faults", guest="tests/elf/writecode.c", args=["code"],
         stdout="writing code\n", stderr=FAULT, exit=1),
]

CASES += [dict(name="loader_header_" + m, guest="hello", prepare=mutated(m),
               stdout=refusal(text), exit=0) for m, text in HEADER_CHECKS]
CASES += [dict(name="loader_damaged_" + m, guest="hello", prepare=mutated(m),
               stdout=refusal('" is damaged.'), exit=0) for m in DAMAGED]
