#!/usr/bin/env python3
"""Unpacks the Windows download into an empty folder and runs the sample
from there under Wine, as a user who has nothing else would."""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    if not shutil.which("wine"):
        if os.environ.get("CI") == "true":
            print("wine is missing: the download cannot be tested")
            return 1
        print("SKIP: wine is missing")
        return 0
    folder = tempfile.mkdtemp(prefix="tumbex_dist_")
    try:
        archive = os.path.join(folder, "tumbex-windows-i686.zip")
        subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "dist"), archive],
                       check=True, stdout=subprocess.DEVNULL)
        unpacked = os.path.join(folder, "unpacked")
        with zipfile.ZipFile(archive) as z:
            names = sorted(z.namelist())
            z.extractall(unpacked)
        problems = []
        if names != ["README.txt", "hello", "tblibc.dll", "tumbex.exe"]:
            problems.append("the archive holds %s" % names)
        with open(os.path.join(unpacked, "README.txt"), "rb") as f:
            readme = f.read()
        if b"\n" in readme.replace(b"\r\n", b"") or b"tumbex" not in readme:
            problems.append("README.txt is not a CR LF text about tumbex")
        env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        proc = subprocess.run(["wine", "tumbex.exe", "hello"], cwd=unpacked, env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300)
        if proc.stdout.replace(b"\r\n", b"\n") != b"Hello\n" or proc.returncode != 0:
            problems.append("hello from the unpacked folder gave status %d and %r (stderr %r)"
                            % (proc.returncode, proc.stdout, proc.stderr[-500:]))
        for p in problems:
            print("FAIL " + p)
        if not problems:
            print("ok   the download unpacks and runs hello")
        return 1 if problems else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
