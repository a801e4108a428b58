#!/usr/bin/env python3
"""End-to-end runs of small Linux guest programs through the real loader.

Every tests/e2e/cases_*.py module defines CASES, a list of dicts:

  name            unique name; the guest is built to build/guest/tests/<name>
  guest           repo-relative source (or list of sources) for
                  scripts/build-guest, "hello" for build/guest/hello, or
                  "file:<repo-relative path>" for a file used as it is
  build_flags     extra flags for scripts/build-guest (after --)
  style           how the guest is built: "classic" (the default,
                  scripts/build-guest), or "pie", "hardened", "noplt"
                  (scripts/build-guest-style)
  libraries       shared libraries built in order before the guest, into a
                  directory of the case's own that the guest is built in
                  too: dicts of name (the file's name), sources, flags,
                  needs (earlier libraries it links against), cxx (built
                  with g++) and prepare (callable(path) that changes the
                  built file in place once the guest is linked)
  needs           the libraries the guest links against; the native run
                  finds them through LD_LIBRARY_PATH, the loader beside
                  the program
  cxx             build the guest with g++ -O2 in a directory of its own
                  and copy the compiler's libstdc++.so.6 and libgcc_s.so.1
                  there, so that every run uses the same ones
  prepare         optional callable(guest_path, out_path) that writes a
                  variant of the built guest; the variant is what runs
  args            the guest's arguments ("{guest}" is the guest's path)
  loader_args     the loader's whole argument list instead of [guest] + args
  stdin           text given on standard input (default: none)
  leftover        give stdin as a file and append "left: " and what the
                  run did not read of it to standard output
  stdout          expected standard output, CR LF folded to LF, "{guest}"
                  replaced by the guest's path ("{guest_len}" by its
                  length); or NATIVE: what the same
                  binary prints when Linux runs it natively
  stdout_contains substrings that must appear instead of an exact stdout
  stderr          expected standard error, as stdout is expected (exact
                  text or NATIVE); where the loader's own lines go while
                  a program runs, standard output being a pipe here
  stderr_contains substrings that must appear on standard error
  merged          standard error into standard output's pipe (2>&1), so
                  that stdout expects both in the order they were written
  exit            expected exit status (low 8 bits; both ports keep only
                  those here); with NATIVE and no exit, the native status
  binary          compare standard output byte for byte (no CR LF folding)
  cwd             repo-relative directory the runs start in (default: the repo)
  ports           ports the case runs on (default: both)
  inherit         Linux port only: {"ignored": [...], "blocked": [...],
                  "nice": n}, signal numbers both runs start with ignored or
                  blocked and the nice value added, as a parent process may
                  leave them; every other case starts with every signal at
                  its default and none blocked
  compare         optional callable(expected, got, port) returning a list
                  of problems, used instead of the exact comparison of
                  standard output (results that may differ within a
                  stated bound, such as libm's in ulps)

A NATIVE case (stdout or stderr) runs three ways (native Linux, the Linux
port, the Windows port) and all must agree, so wrong host semantics cannot
hide behind a hand-written expectation.
"""

import argparse
import concurrent.futures
import difflib
import glob
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading

NATIVE = "NATIVE"
# Only a hang should meet this: a loaded machine must not fail a case.
TIMEOUT = 300

_build_lock = threading.Lock()


def load_cases(source):
    cases = []
    for path in sorted(glob.glob(os.path.join(source, "tests", "e2e", "cases_*.py"))):
        name = os.path.splitext(os.path.basename(path))[0]
        spec = importlib.util.spec_from_file_location(name, path)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        for case in module.CASES:
            case.setdefault("module", name)
            cases.append(case)
    names = [c["name"] for c in cases]
    dupes = {n for n in names if names.count(n) > 1}
    if dupes:
        raise SystemExit("duplicate e2e case names: %s" % ", ".join(sorted(dupes)))
    return cases


def own_directory(case):
    """Cases with libraries of their own keep them apart from every other
    case's, under names that may be the same."""
    return "libraries" in case or case.get("cxx", False)


def linked(names, directory):
    # This machine's compiler links --as-needed: a library named here is
    # needed even when nothing refers to it before run time.
    return (["-L" + directory, "-Wl,-rpath-link," + directory, "-Wl,--push-state,--no-as-needed"]
            + ["-l:" + name for name in names] + ["-Wl,--pop-state"])


def build_libraries(case, source, directory):
    for lib in case.get("libraries", []):
        path = os.path.join(directory, lib["name"])
        cmd = ["g++" if lib.get("cxx") else "gcc", "-m32", "-shared", "-fPIC", "-O1",
               "-g0", "-o", path] + [os.path.join(source, s) for s in lib["sources"]]
        subprocess.run(cmd + linked(lib.get("needs", []), directory)
                       + list(lib.get("flags", [])), check=True)
    if case.get("cxx"):
        for name in ("libstdc++.so.6", "libgcc_s.so.1"):
            found = subprocess.run(["g++", "-m32", "-print-file-name=" + name], check=True,
                                   stdout=subprocess.PIPE, text=True).stdout.strip()
            shutil.copyfile(found, os.path.join(directory, name))


def build_guest(case, source):
    """Returns the path of the guest file the case runs."""
    guest = case["guest"]
    out_dir = os.path.join(source, "build", "guest", "tests")
    if own_directory(case):
        out_dir = os.path.join(out_dir, case["name"])
    os.makedirs(out_dir, exist_ok=True)
    if guest == "hello":
        path = os.path.join(source, "build", "guest", "hello")
        with _build_lock:
            if not os.path.exists(path):
                subprocess.run([os.path.join(source, "scripts", "build-guest"), path,
                                os.path.join(source, "guest", "hello", "hw.c")], check=True)
    elif isinstance(guest, str) and guest.startswith("file:"):
        path = os.path.join(source, guest[5:])
    else:
        sources = [guest] if isinstance(guest, str) else list(guest)
        path = os.path.join(out_dir, case["name"])
        style = case.get("style", "classic")
        flags = list(case.get("build_flags", []))
        if own_directory(case):
            flags += linked(case.get("needs", []), out_dir)
        sources = [os.path.join(source, s) for s in sources]
        if case.get("cxx"):
            cmd = ["g++", "-m32", "-O2", "-g0", "-o", path + ".tmp"] + sources + flags
        elif style == "classic":
            cmd = [os.path.join(source, "scripts", "build-guest"), path + ".tmp"]
            cmd += sources + ["--"] + flags
        else:
            cmd = [os.path.join(source, "scripts", "build-guest-style"), style, path + ".tmp"]
            cmd += sources + ["--"] + flags
        with _build_lock:
            build_libraries(case, source, out_dir)
            subprocess.run(cmd, check=True)
            # Damage comes after the link, which might refuse it.
            for lib in case.get("libraries", []):
                if lib.get("prepare"):
                    lib["prepare"](os.path.join(out_dir, lib["name"]))
            os.replace(path + ".tmp", path)
    prepare = case.get("prepare")
    if prepare:
        variant = os.path.join(out_dir, case["name"] + ".variant")
        with _build_lock:
            prepare(path, variant)
        path = variant
    return path


def fold(data, binary=False):
    text = data.decode("latin-1")
    return text if binary else text.replace("\r\n", "\n")


def clean_signals():
    """Every signal at its default and none blocked, whatever this runner
    was started with: a CI job run under nohup, say, hands its children
    SIGHUP ignored, which a guest started from here would keep. SIGPIPE
    stays as Python keeps it; subprocess restores it in every child."""
    for number in signal.valid_signals():
        if number in (signal.SIGKILL, signal.SIGSTOP, signal.SIGPIPE):
            continue
        try:
            if signal.getsignal(number) == signal.SIG_IGN:
                signal.signal(number, signal.SIG_DFL)
        except (OSError, ValueError):
            pass
    signal.pthread_sigmask(signal.SIG_SETMASK, [])


def inherited(spec):
    """A child's start as a parent would leave it: the named signals ignored
    or blocked across the exec."""
    if not spec:
        return None

    def start_state():
        for number in spec.get("ignored", []):
            signal.signal(number, signal.SIG_IGN)
        signal.pthread_sigmask(signal.SIG_BLOCK, spec.get("blocked", []))
        os.nice(spec.get("nice", 0))
    return start_state


def run(cmd, stdin, cwd, binary=False, start_state=None, merged=False, leftover=False,
        env=None):
    with tempfile.TemporaryFile() as given:
        given.write(stdin.encode("latin-1"))
        given.seek(0)
        proc = subprocess.run(cmd, stdin=given if leftover else None,
                              input=None if leftover else stdin.encode("latin-1"),
                              stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT if merged else subprocess.PIPE,
                              timeout=TIMEOUT, cwd=cwd, preexec_fn=start_state, env=env)
        # The run shared the file's offset: what it did not read is left.
        rest = b"left: " + given.read() if leftover else b""
    return proc.returncode & 0xFF, fold(proc.stdout + rest, binary), fold(proc.stderr or b"")


def difference(expected, got, limit=60):
    """The lines that differ, with a little context: whole outputs of a few
    hundred lines would push the rest of a CI log out of view."""
    lines = list(difflib.unified_diff(expected.splitlines(), got.splitlines(),
                                      "expected", "got", n=2, lineterm=""))
    if len(lines) > limit:
        lines = lines[:limit] + ["... %d more lines of difference" % (len(lines) - limit)]
    return "\n".join(lines) + "\n"


def substitute(value, guest):
    return value.replace("{guest}", guest).replace("{guest_len}", str(len(guest)))


def check_case(case, port, loader, source):
    guest = build_guest(case, source)
    args = [substitute(a, guest) for a in case.get("args", [])]
    stdin = case.get("stdin", "")
    cwd = os.path.join(source, case.get("cwd", ""))
    if "loader_args" in case:
        # An entry may be a function of the guest's path, which makes what
        # it names (a copy elsewhere) and answers that name.
        loader_args = [a(guest) if callable(a) else substitute(a, guest)
                       for a in case["loader_args"]]
    else:
        loader_args = [guest] + args
    prefix = ["wine"] if port == "windows" else []
    binary = case.get("binary", False)
    start_state = inherited(case.get("inherit"))
    merged = case.get("merged", False)
    leftover = case.get("leftover", False)

    expected_out = case.get("stdout")
    expected_err = case.get("stderr")
    expected_exit = case.get("exit")
    problems = []
    if NATIVE in (expected_out, expected_err):
        # Linux's own loader looks for libraries where it is told to; the
        # loader under test looks beside the program by itself.
        env = None
        if own_directory(case):
            env = dict(os.environ, LD_LIBRARY_PATH=os.path.dirname(guest))
        native_exit, native_out, native_err = run([guest] + args, stdin, cwd, binary,
                                                  start_state, merged, leftover, env)
        if expected_exit is None:
            expected_exit = native_exit
    if expected_out == NATIVE:
        expected_out = native_out
    elif expected_out is not None:
        expected_out = substitute(expected_out, guest)
    if expected_err == NATIVE:
        expected_err = native_err
    elif expected_err is not None:
        expected_err = substitute(expected_err, guest)

    # Wine's server stops a few seconds after its last client; a wine that
    # starts just then finds it gone and fails before tumbex has run at all.
    # That says nothing of tumbex: the run is made again.
    for _ in range(3):
        status, out, err = run(prefix + [loader] + loader_args, stdin, cwd, binary,
                               start_state, merged, leftover)
        if port != "windows" or "wine client error" not in (out if merged else err):
            break
    if expected_out is not None and "compare" in case:
        problems.extend(case["compare"](expected_out, out, port))
    elif expected_out is not None and out != expected_out:
        problems.append("stdout differs\n" + difference(expected_out, out))
    if expected_err is not None and err != expected_err:
        problems.append("stderr differs\n" + difference(expected_err, err))
    for text in case.get("stdout_contains", []):
        if substitute(text, guest) not in out:
            problems.append("stdout lacks %r\n--- got\n%s---" % (text, out))
    for text in case.get("stderr_contains", []):
        if substitute(text, guest) not in err:
            problems.append("stderr lacks %r\n--- got\n%s---" % (text, err))
    if expected_exit is not None and status != (expected_exit & 0xFF):
        problems.append("exit status %d, expected %d" % (status, expected_exit & 0xFF))
    if problems and err and expected_err is None and not case.get("stderr_contains"):
        problems.append("stderr:\n" + err)
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", choices=("linux", "windows"), required=True)
    parser.add_argument("--build", required=True, help="the port's build directory")
    parser.add_argument("--source", required=True, help="the repository")
    parser.add_argument("--jobs", type=int, default=4)
    parser.add_argument("filter", nargs="*", help="run only cases whose name contains one of these")
    options = parser.parse_args()

    clean_signals()
    # The time cases name the zones they test; a zone of the caller's would
    # only reach the native run's fallback to /etc/localtime.
    os.environ.pop("TZ", None)
    source = os.path.abspath(options.source)
    loader = os.path.join(os.path.abspath(options.build),
                          "tumbex.exe" if options.port == "windows" else "tumbex")
    if options.port == "windows":
        if not shutil.which("wine"):
            if os.environ.get("CI") == "true":
                print("wine is missing: the Windows port cannot be tested")
                return 1
            print("SKIP: wine is missing")
            return 0
        os.environ.setdefault("WINEDEBUG", "-all")
        os.environ.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
        # Wine turns Unix arguments and file names into UTF-16 by the
        # locale's character set: UTF-8, as a Windows user's text is whole.
        os.environ["LC_ALL"] = "C.UTF-8"
        # The first Wine start creates its prefix; do it once, not per case.
        subprocess.run(["wine", "cmd", "/c", "exit"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)

    cases = [c for c in load_cases(source)
             if options.port in c.get("ports", ("linux", "windows"))
             and (not options.filter or any(f in c["name"] for f in options.filter))]

    # Reports of failures come last, after every passing line: a CI log that
    # keeps only its head and tail must still show what went wrong.
    failed = []
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        futures = {pool.submit(check_case, c, options.port, loader, source): c for c in cases}
        for future in concurrent.futures.as_completed(futures):
            case = futures[future]
            try:
                problems = future.result()
            except Exception as error:  # a build or a timeout
                problems = ["%s: %s" % (type(error).__name__, error)]
            if problems:
                failed.append((case["name"], problems))
            else:
                print("ok   %s [%s]" % (case["name"], options.port))
    for name, problems in failed:
        print("FAIL %s [%s]" % (name, options.port))
        for p in problems:
            print("  " + p.replace("\n", "\n  "))
    print("%d of %d cases passed on the %s port" % (len(cases) - len(failed), len(cases), options.port))
    if failed:
        print("failed: " + " ".join(name for name, _ in failed))
    sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
