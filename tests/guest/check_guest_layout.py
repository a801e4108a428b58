#!/usr/bin/env python3
"""Checks that a built guest has what the loader relies on: an ET_EXEC
image for EM_386 linked at 0x08048000, dynamically linked against
libc.so.6 only, the dynamic sections by name, and a lazy PLT of 16-byte
entries whose bytes 6 to 10 push the entry's .rel.plt offset. A toolchain
change that breaks any of this shows up here, not as a strange run."""

import struct
import sys


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main(path):
    data = open(path, "rb").read()
    if data[:4] != b"\x7fELF" or data[4] != 1 or data[5] != 1:
        fail("not a 32-bit little-endian ELF file")
    (e_type, e_machine, e_version, e_entry, e_phoff, e_shoff, _flags, _ehsize,
     _phentsize, e_phnum, _shentsize, e_shnum, e_shstrndx) = struct.unpack_from(
        "<HHIIIIIHHHHHH", data, 16)
    if e_type != 2:
        fail("e_type %d, expected ET_EXEC" % e_type)
    if e_machine != 3:
        fail("e_machine %d, expected EM_386" % e_machine)

    loads = []
    for i in range(e_phnum):
        p_type, p_offset, p_vaddr, _p, p_filesz, p_memsz, p_flags, _a = struct.unpack_from(
            "<IIIIIIII", data, e_phoff + 32 * i)
        if p_type == 1:
            loads.append((p_offset, p_vaddr, p_filesz, p_memsz, p_flags))
    if not loads or loads[0][0] != 0 or loads[0][1] != 0x08048000:
        fail("first loadable segment is not file offset 0 at 0x08048000: %r" % loads[:1])

    sections = {}
    strtab_off = struct.unpack_from("<IIIIII", data, e_shoff + 40 * e_shstrndx)[4]
    for i in range(e_shnum):
        sh_name, _t, _f, sh_addr, sh_offset, sh_size = struct.unpack_from(
            "<IIIIII", data, e_shoff + 40 * i)
        end = data.index(b"\0", strtab_off + sh_name)
        sections[data[strtab_off + sh_name:end].decode()] = (sh_addr, sh_offset, sh_size)
    for name in (".dynsym", ".dynamic", ".dynstr", ".rel.plt", ".plt"):
        if name not in sections:
            fail("no section %s" % name)

    dynstr = sections[".dynstr"][1]
    needed = []
    _a, off, size = sections[".dynamic"]
    for k in range(size // 8):
        tag, val = struct.unpack_from("<II", data, off + 8 * k)
        if tag == 1:
            needed.append(data[dynstr + val:data.index(b"\0", dynstr + val)].decode())
    if needed != ["libc.so.6"]:
        fail("needed libraries %r, expected only libc.so.6" % needed)

    plt_addr, plt_off, plt_size = sections[".plt"]
    if plt_size % 16 or plt_size < 32:
        fail(".plt size %d is not a table of 16-byte entries" % plt_size)
    if plt_addr != 0x08048000 + plt_off:
        fail(".plt is not at its file position in the first segment")
    relplt_size = sections[".rel.plt"][2]
    for k in range(1, plt_size // 16):
        entry = data[plt_off + 16 * k:plt_off + 16 * (k + 1)]
        if entry[0:2] != b"\xff\x25" or entry[6] != 0x68 or entry[11] != 0xE9:
            fail("PLT entry %d is not jmp *GOT; push imm32; jmp PLT0: %s" % (k, entry.hex()))
        push = struct.unpack_from("<I", entry, 7)[0]
        if push != 8 * (k - 1) or push >= relplt_size:
            fail("PLT entry %d pushes %#x, expected its .rel.plt offset %#x" % (k, push, 8 * (k - 1)))
    print("ok: %s (%d PLT entries, segments %s)" % (
        path, plt_size // 16 - 1, ", ".join("%#x" % l[1] for l in loads)))


if __name__ == "__main__":
    main(sys.argv[1])
