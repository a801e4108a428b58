#!/usr/bin/env python3
"""codescan::InstructionLength against objdump, over real i386 code.

Every executable section of each file is walked from its start with the
decoder's lengths, the way the %gs scan walks a program's code, and each
length is checked against objdump's disassembly of the same bytes. Where
objdump starts afresh (at a symbol, after "(bad)", after a run of zeros it
leaves out) the walk starts again at objdump's next instruction.

The code: the machine's i386 libraries (a fixed list; a file missing here is
skipped with a note), small programs compiled here with gcc -m32 for each
family of encodings (VEX, EVEX, XOP, 3DNow! and the older maps), and a sweep
of every opcode of every map with the prefixes and ModRM bytes that change
lengths, assembled here.

  check_lengths.py --lengths BUILD/codescan_lengths [--work DIR] [FILE...]
"""

import argparse
import concurrent.futures
import functools
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# Files of i386 Debian: the C and C++ run-times every program carries,
# libraries with hand-written or intrinsic vector code (OpenSSL and
# libgcrypt with AVX2, XOP and VIA PadLock; GMP; dav1d and x264 with NASM's
# MMX to AVX2; SVT-AV1 with AVX-512 intrinsics), and a few programs.
LIBRARIES = [
    "/lib/i386-linux-gnu/libc.so.6",
    "/lib/i386-linux-gnu/libm.so.6",
    "/lib/i386-linux-gnu/ld-linux.so.2",
    "/lib/i386-linux-gnu/libgcc_s.so.1",
    "/lib/i386-linux-gnu/libstdc++.so.6",
    "/lib/i386-linux-gnu/libz.so.1",
    "/lib/i386-linux-gnu/libcrypto.so.3",
    "/lib/i386-linux-gnu/libgcrypt.so.20",
    "/lib/i386-linux-gnu/libgmp.so.10",
    "/lib/i386-linux-gnu/libdav1d.so.6",
    "/lib/i386-linux-gnu/libx264.so.164",
    "/lib/i386-linux-gnu/libSvtAv1Enc.so.1",
    "/usr/lib32/libquadmath.so.0",
    "/usr/lib32/libgomp.so.1",
    "/usr/lib/i386-linux-gnu/glib-2.0/glib-compile-schemas",
    "/usr/lib/i386-linux-gnu/gstreamer1.0/gstreamer-1.0/gst-plugin-scanner",
    "/usr/lib/i386-linux-gnu/libv4lconvert0/ov518-decomp",
]

# Programs compiled here: source under samples/, and the flags that make
# gcc emit each family.
SAMPLES = [
    ("legacy.c", ["-msse4.2", "-mpopcnt"]),
    ("avx2.c", ["-mavx2", "-mfma", "-mf16c", "-mbmi", "-mbmi2", "-mlzcnt", "-mpopcnt",
                "-msse4.2", "-maes", "-mpclmul", "-msha", "-mgfni", "-mvaes",
                "-mvpclmulqdq", "-mrdrnd", "-mrdseed", "-madx"]),
    ("avx512.c", ["-mavx512f", "-mavx512bw", "-mavx512vl", "-mavx512dq", "-mavx512cd",
                  "-mavx512vbmi", "-mavx512vbmi2", "-mavx512vnni", "-mavx512ifma",
                  "-mavx512bitalg", "-mavx512vpopcntdq", "-mavx512bf16"]),
    ("fp16.c", ["-mavx512fp16", "-mavx512vl"]),
    ("amd.c", ["-mxop", "-mfma4", "-mtbm", "-mlwp", "-msse4a", "-m3dnow", "-m3dnowa",
               "-mmwaitx", "-mclzero"]),
    ("oddities.S", []),
]

# The sweep: every opcode of every map, behind each prefix that changes a
# length or names another instruction, with ModRM bytes of each addressing
# shape; each in a slot of its own under a symbol, so that objdump starts
# afresh at every one.
SWEEP_PREFIXES = ([], [0x66], [0x67], [0xF2], [0xF3], [0x66, 0x67])
SWEEP_MODRMS = ([0x00], [0x05], [0x06], [0x0D], [0x04, 0x25], [0x04, 0x88], [0x44, 0x24],
                [0x84, 0x24], [0x45], [0x85], [0xC0], [0xC8], [0xF8])
SWEEP_FEW_MODRMS = ([0x00], [0x05], [0x06], [0x04, 0x25], [0x44, 0x24], [0xC0])
SWEEP_VECTOR_MODRMS = ([0x00], [0x05], [0x44, 0x24], [0xC0])
SWEEP_FILL = bytes(range(0x11, 0x21))  # displacements and immediates
LEGACY_PREFIXES = (0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3)

SHF_EXECINSTR = 4
SHT_PROGBITS = 1
EM_386 = 3
SHOWN = 20  # disagreements printed per file


def note(text):
    print(text, flush=True)


def code_sections(path):
    """name -> [(bytes, address)] of the executable sections of an ELF32 i386 file."""
    with open(path, "rb") as f:
        data = f.read()
    shoff, = struct.unpack_from("<I", data, 32)
    shentsize, shnum, shstrndx = struct.unpack_from("<HHH", data, 46)
    headers = [struct.unpack_from("<10I", data, shoff + i * shentsize) for i in range(shnum)]
    names = headers[shstrndx][4]
    sections = {}
    for h in headers:
        name_at, kind, flags, addr, offset, size = h[:6]
        if kind != SHT_PROGBITS or not flags & SHF_EXECINSTR:
            continue
        name = data[names + name_at:data.index(b"\0", names + name_at)].decode()
        sections.setdefault(name, []).append((data[offset:offset + size], addr))
    return sections


def objdump_sections(path):
    """(name, [(address, length, text)]) per section objdump disassembles."""
    out = subprocess.run(["objdump", "-d", "-w", path], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    result = []
    insns = None
    for line in out.split("\n"):
        if line.startswith("Disassembly of section "):
            insns = []
            result.append((line[len("Disassembly of section "):-1], insns))
            continue
        fields = line.split("\t")
        if insns is None or len(fields) < 3 or not fields[0].endswith(":"):
            continue
        insns.append((int(fields[0][:-1], 16), (len(fields[1].strip()) + 1) // 3, fields[2]))
    return result


def decoder_lengths(helper, code):
    return subprocess.run([helper], input=code, stdout=subprocess.PIPE, check=True).stdout


def is_i386(path):
    with open(path, "rb") as f:
        header = f.read(20)
    return header[:5] == b"\x7fELF\x01" and struct.unpack_from("<H", header, 18)[0] == EM_386


def compare(path, helper):
    """(instructions agreed, restarts, disagreements) for one file."""
    sections = code_sections(path)
    agreed = restarts = 0
    wrong = []
    for name, insns in objdump_sections(path):
        if name not in sections or not sections[name]:
            wrong.append("%s: objdump's section %s is not in the file" % (path, name))
            continue
        code, base = sections[name].pop(0)
        lengths = decoder_lengths(helper, code)
        walk = 0
        for address, length, text in insns:
            # Bytes objdump could not decode, or whose instruction would run
            # past the next symbol, say nothing of a length.
            if "(bad)" in text or text.startswith(".byte"):
                continue
            at = address - base
            if at != walk:
                restarts += 1
            ours = lengths[at]
            # objdump shows FWAIT (9B) and the x87 instruction after it as one.
            if ours == 1 and code[at] == 0x9B and length > 1 and lengths[at + 1] == length - 1:
                ours = length
            if ours == length:
                agreed += 1
            else:
                wrong.append("%s %s+%#x: %s  decoder %d, objdump %d: %s" % (
                    path, name, at, code[at:at + max(length, ours, 1)].hex(" "), ours,
                    length, text.strip()))
            walk = at + (ours or 1)
    return agreed, restarts, wrong


def sweep_heads():
    for prefix in SWEEP_PREFIXES:
        for op in range(256):
            if op not in LEGACY_PREFIXES and op != 0x0F:
                for modrm in SWEEP_MODRMS:
                    yield prefix + [op] + modrm
            if op not in (0x38, 0x3A):
                for modrm in SWEEP_MODRMS:
                    yield prefix + [0x0F, op] + modrm
            for escape in (0x38, 0x3A):
                for modrm in SWEEP_FEW_MODRMS:
                    yield prefix + [0x0F, escape, op] + modrm
    # VEX (C5, C4), EVEX (62) and XOP (8F) with each map they may name and
    # each mandatory prefix; then those four bytes as the older instructions.
    for op in range(256):
        for modrm in SWEEP_VECTOR_MODRMS:
            for pp in range(4):
                yield [0xC5, 0xF8 | pp, op] + modrm
                for vex_map in (1, 2, 3):
                    yield [0xC4, 0xE0 | vex_map, 0x78 | pp, op] + modrm
                for evex_map in (1, 2, 3, 5, 6):
                    yield [0x62, 0xF0 | evex_map, 0x7C | pp, 0x48, op] + modrm
            for xop_map in (8, 9, 10):
                yield [0x8F, 0xE0 | xop_map, 0x78, op] + modrm
        for lead in (0x8F, 0xC4, 0xC5, 0x62):
            yield [lead, op]


def build_sweep(work):
    source = os.path.join(work, "sweep.S")
    with open(source, "w") as f:
        f.write(".text\n")
        for n, head in enumerate(sweep_heads()):
            slot = bytes(head) + SWEEP_FILL[:max(0, len(SWEEP_FILL) - len(head))]
            f.write("s%d: .byte %s\n" % (n, ",".join(str(b) for b in slot)))
    out = os.path.join(work, "sweep.o")
    run = subprocess.run(["gcc", "-m32", "-c", "-o", out, source],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if run.returncode != 0:
        note("skipped the sweep: this gcc does not assemble it:\n%s" % run.stdout.strip())
        return []
    return [out]


def build_samples(work):
    built = []
    for source, flags in SAMPLES:
        out = os.path.join(work, os.path.splitext(source)[0] + ".o")
        run = subprocess.run(["gcc", "-m32", "-O2", "-c", "-o", out,
                              os.path.join(HERE, "samples", source)] + flags,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            note("skipped %s: this gcc does not build it:\n%s" % (source, run.stdout.strip()))
            continue
        built.append(out)
    return built


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lengths", required=True, help="the codescan_lengths program")
    parser.add_argument("--work", help="where the samples are built (default: a temporary folder)")
    parser.add_argument("files", nargs="*", help="files instead of the fixed list")
    args = parser.parse_args()
    if shutil.which("objdump") is None:
        note("skipped: no objdump on this machine")
        return 0
    start = time.monotonic()
    with tempfile.TemporaryDirectory() as temporary, \
            concurrent.futures.ProcessPoolExecutor(os.cpu_count() or 1) as pool:
        work = args.work or temporary
        os.makedirs(work, exist_ok=True)
        check = functools.partial(compare, helper=args.lengths)
        files = list(args.files)
        if not args.files:
            for path in LIBRARIES:
                if not os.path.exists(path):
                    note("skipped %s: not on this machine" % path)
                elif not is_i386(path):
                    note("skipped %s: no i386 ELF file here" % path)
                else:
                    files.append(path)
        # The libraries are compared while the samples are built.
        checks = [(path, pool.submit(check, path)) for path in files]
        if not args.files:
            if shutil.which("gcc"):
                checks += [(path, pool.submit(check, path))
                           for path in build_samples(work) + build_sweep(work)]
            else:
                note("skipped the compiled samples: no gcc on this machine")
        total = 0
        failures = []
        for path, result in checks:
            agreed, restarts, wrong = result.result()
            total += agreed
            note("%-40s %8d instructions agree, %5d restarts, %d disagree" % (
                os.path.basename(path), agreed, restarts, len(wrong)))
            for line in wrong[:SHOWN]:
                note("  " + line)
            failures += wrong
    note("%d instructions compared in %d files, %d disagree (%.1f s)" % (
        total, len(checks), len(failures), time.monotonic() - start))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
