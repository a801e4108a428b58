# Programs with shared libraries of their own beside them, built at test
# time. Linux's own loader finds them through LD_LIBRARY_PATH, the loader
# under test beside the program; both runs must print the same.
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "elf"))
import elfmutate  # noqa: E402

NATIVE = "NATIVE"
ABORTED = '"Abort" called?\n'
G = "tests/e2e/guests/"
ORIGIN = ["-Wl,-rpath,$ORIGIN"]


def lib(name, source, **more):
    return dict(name=name, sources=[G + source], **more)


CASES = []

# Symbol versions: an old hidden version, the default, and a second library
# with the same name under its own version.
VERSIONS = [
    lib("libversions.so.2", "libs_versions_lib.c",
        flags=["-Wl,--version-script=" + os.path.join(HERE, "guests", "libs_versions.map"),
               "-Wl,-soname,libversions.so.2"]),
    lib("libvother.so", "libs_versions_other.c", flags=["-Wl,--default-symver"]),
]
CASES += [dict(name="libs_versions", guest=G + "libs_versions.c", libraries=VERSIONS,
               needs=["libversions.so.2", "libvother.so"], stdout=NATIVE)]

# Interposition, and library data the program reads directly: through copy
# relocations in the classic build, through the GOT in the PIE.
INTERPOSE = [lib("libinterpose.so", "libs_interpose_lib.c"),
             lib("libinterpose2.so", "libs_interpose_second.c")]
CASES += [
    dict(name="libs_interpose", guest=G + "libs_interpose.c", libraries=INTERPOSE,
         needs=["libinterpose.so", "libinterpose2.so"], stdout=NATIVE),
    dict(name="libs_interpose_pie", guest=G + "libs_interpose.c", style="pie",
         libraries=INTERPOSE, needs=["libinterpose.so", "libinterpose2.so"],
         build_flags=ORIGIN, stdout=NATIVE),
]

# The program names a and c, so c is loaded before b but must be
# initialised after it. The program's search path is the old DT_RPATH,
# a's the newer DT_RUNPATH.
CHAIN = [
    lib("libchain_c.so", "libs_chain_c.c",
        flags=["-Wl,-init,c_init", "-Wl,-fini,c_fini", "-Wl,-soname,libchain_c.so"]),
    lib("libchain_b.so", "libs_chain_b.c", needs=["libchain_c.so"]),
    lib("libchain_a.so", "libs_chain_a.c", needs=["libchain_b.so"], flags=ORIGIN),
]
CASES += [
    dict(name="libs_chain", guest=G + "libs_chain.c", libraries=CHAIN,
         needs=["libchain_a.so", "libchain_c.so"], args=["first", "second"],
         build_flags=["-Wl,--disable-new-dtags"] + ORIGIN, stdout=NATIVE),
    dict(name="libs_chain_exit", guest=G + "libs_chain.c", libraries=CHAIN,
         needs=["libchain_a.so", "libchain_c.so"], args=["exit"], stdout=NATIVE),
]

# Thread-local storage: the classic program reaches the libraries' variables
# by initial-exec relocations of its own, the PIE by GOT entries.
TLS = [lib("libtls.so", "libs_tls_lib.c"), lib("libtls2.so", "libs_tls_second.c")]
CASES += [dict(name="libs_tls" + suffix, guest=G + "libs_tls.c", style=style,
               libraries=TLS, needs=["libtls.so", "libtls2.so"], stdout=NATIVE)
          for suffix, style in (("", "classic"), ("_pie", "pie"))]

# The dynamic-loading interface. The plug-in calls back into the program,
# which exports its names for it.
DL = [lib("libdlbase.so", "libs_dl_base.c"), lib("libdldep.so", "libs_dl_dep.c"),
      lib("libdlplug.so", "libs_dl_plug.c", needs=["libdldep.so"]),
      lib("libdlother.so", "libs_dl_other.c"), lib("libdllazy.so", "libs_dl_lazy.c")]
CASES += [dict(name="libs_dl", guest=G + "libs_dl.c", libraries=DL, needs=["libdlbase.so"],
               build_flags=["-rdynamic"], stdout=NATIVE)]

# Damaged relocation tables in a library: Linux's own loader fails its own
# way, so no native run; the loader refuses the library by name before the
# program runs.


def damaged(mutation):
    def prepare(path):
        elfmutate.mutate_file(path, path, mutation)
    return prepare


CASES += [dict(name="libs_damaged_" + m, guest=G + "libs_reloc.c",
               libraries=[lib("libreloc.so", "libs_reloc_lib.c", prepare=damaged(m))],
               needs=["libreloc.so"], stdout_contains=["libreloc.so", "damaged"], exit=0)
          for m in ("rel_offset", "rel_symbol")]

# C++ with this machine's libstdc++ and libgcc_s beside the program, and an
# exception that nothing catches: std::terminate's report, then SIGABRT's
# status.
CXX = [lib("libcxxlib.so", "libs_cxx_lib.cc", cxx=True)]
CASES += [
    dict(name="libs_cxx", guest=G + "libs_cxx.cc", cxx=True, libraries=CXX,
         needs=["libcxxlib.so"], stdout=NATIVE, stderr=NATIVE),
    dict(name="libs_cxx_uncaught", guest=G + "libs_cxx.cc", cxx=True, libraries=CXX,
         needs=["libcxxlib.so"], args=["throw"], stdout=NATIVE, exit=134,
         stderr="to the error stream 7\nterminate called after throwing an instance of "
                "'std::runtime_error'\n  what():  nobody catches this\n" + ABORTED),
]
