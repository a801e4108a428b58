#!/usr/bin/env python3
"""Malformed variants of a good i386 guest, for the loader's refusal tests.

Each variant starts from the bytes of a file that scripts/build-guest made
and changes the few bytes that make the point: a header field, a table
offset, a section's place or name, a symbol's name offset, a PLT push
operand, a library name. Only what the loader reads is touched, so every
variant fails for the one reason it is meant to show.

  elfmutate.py GOOD OUT MUTATION   (mutation names: see MUTATIONS)
"""

import struct
import sys


class Elf:
    """A mutable ELF32 little-endian image with a few lookups."""

    def __init__(self, data):
        self.data = bytearray(data)

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def put16(self, off, value):
        struct.pack_into("<H", self.data, off, value & 0xFFFF)

    def put32(self, off, value):
        struct.pack_into("<I", self.data, off, value & 0xFFFFFFFF)

    # Header fields.
    def shoff(self):
        return self.u32(32)

    def shnum(self):
        return self.u16(48)

    def shstrndx(self):
        return self.u16(50)

    def phoff(self):
        return self.u32(28)

    def phnum(self):
        return self.u16(44)

    # Sections.
    def section_header(self, index):
        return self.shoff() + 40 * index

    def section_name(self, index):
        names = self.u32(self.section_header(self.shstrndx()) + 16)
        start = names + self.u32(self.section_header(index))
        return bytes(self.data[start:self.data.index(0, start)]).decode("latin-1")

    def section(self, name):
        """Header offset of the last section named `name`."""
        found = None
        for i in range(self.shnum()):
            if self.section_name(i) == name:
                found = self.section_header(i)
        if found is None:
            raise KeyError(name)
        return found

    def section_bytes(self, name):
        header = self.section(name)
        return self.u32(header + 16), self.u32(header + 20)

    # Program headers.
    def loads(self):
        """Header offsets of the PT_LOAD entries."""
        return [self.phoff() + 32 * i for i in range(self.phnum())
                if self.u32(self.phoff() + 32 * i) == 1]

    # Dynamic symbols.
    def symbol(self, name):
        """File offset of the .dynsym entry named `name`."""
        symtab, size = self.section_bytes(".dynsym")
        strtab, _ = self.section_bytes(".dynstr")
        for entry in range(symtab, symtab + size, 16):
            start = strtab + self.u32(entry)
            if bytes(self.data[start:self.data.index(0, start)]) == name.encode():
                return entry
        raise KeyError(name)

    def rewritten_plt_entries(self):
        """File offsets of the PLT entries that carry a push (the lazy ones)."""
        plt, size = self.section_bytes(".plt")
        return [e for e in range(plt, plt + size - 15, 16) if self.data[e + 6] == 0x68]

    def replace_string(self, section, old, new):
        """Overwrites `old` (NUL-terminated) in `section` with `new`, which
        may be no longer; the rest is filled with NULs."""
        start, size = self.section_bytes(section)
        old_b, new_b = old.encode() + b"\0", new.encode() + b"\0"
        assert len(new_b) <= len(old_b), (old, new)
        at = self.data.index(old_b, start, start + size)
        self.data[at:at + len(old_b)] = new_b.ljust(len(old_b), b"\0")


# ---- Position-independent files: their tables through the dynamic segment

DT_REL, DT_RELSZ, DT_JMPREL, DT_PLTRELSZ, DT_SYMTAB = 17, 18, 23, 2, 6
DT_VERSYM, DT_FLAGS_1 = 0x6FFFFFF0, 0x6FFFFFFB


def dynamic_entries(elf):
    """(file offset, tag, value) of each entry of the PT_DYNAMIC table."""
    for i in range(elf.phnum()):
        at = elf.phoff() + 32 * i
        if elf.u32(at) == 2:
            start, size = elf.u32(at + 4), elf.u32(at + 16)
            return [(e, elf.u32(e), elf.u32(e + 4)) for e in range(start, start + size, 8)]
    raise KeyError("PT_DYNAMIC")


def dynamic_entry(elf, tag):
    return next(e for e in dynamic_entries(elf) if e[1] == tag)


def file_offset(elf, vaddr):
    for at in elf.loads():
        offset, start, filesz = elf.u32(at + 4), elf.u32(at + 8), elf.u32(at + 16)
        if start <= vaddr < start + filesz:
            return offset + vaddr - start
    raise KeyError(hex(vaddr))


def set_dynamic(tag, value):
    return lambda elf: elf.put32(dynamic_entry(elf, tag)[0] + 4, value)


def first_symbol_relocation(elf, tag):
    """File offset of the first relocation with a symbol in the table `tag`."""
    table = file_offset(elf, dynamic_entry(elf, tag)[2])
    return next(e for e in range(table, table + 0x10000, 8) if elf.u32(e + 4) >> 8)


def set_relocation(tag, field, value):
    def mutate(elf):
        at = first_symbol_relocation(elf, tag)
        if field == "symbol":
            elf.put32(at + 4, (value << 8) | (elf.u32(at + 4) & 0xFF))
        else:
            elf.put32(at, value)
    return mutate


def strip_sections(elf):
    elf.put32(32, 0)
    elf.put16(48, 0)
    elf.put16(50, 0)


def stripped(then=None):
    def mutate(elf):
        if then:
            then(elf)
        strip_sections(elf)
    return mutate


def shared_object(elf):
    # ET_DYN without a program interpreter, not marked position-independent:
    # a library, not a program.
    elf.put16(16, 3)
    for i in range(elf.phnum()):
        at = elf.phoff() + 32 * i
        if elf.u32(at) == 3:  # PT_INTERP
            elf.put32(at, 0)  # PT_NULL
    try:
        at, _, flags = dynamic_entry(elf, DT_FLAGS_1)
        elf.put32(at + 4, flags & ~0x08000000)
    except (KeyError, StopIteration):
        pass


def header(offset, size, value):
    def mutate(elf):
        if size == 1:
            elf.data[offset] = value
        elif size == 2:
            elf.put16(offset, value)
        else:
            elf.put32(offset, value)
    return mutate


def section_field(name, field, value):
    return lambda elf: elf.put32(elf.section(name) + field, value)


def far_past_end(elf):
    return len(elf.data) + 0x1000


def set_plt_push(value):
    def mutate(elf):
        elf.put32(elf.rewritten_plt_entries()[0] + 7, value(elf))
    return mutate


def set_reloc_symbol(elf):
    # The first lazy entry's relocation names a symbol past .dynsym's end.
    rel, _ = elf.section_bytes(".rel.plt")
    push = elf.u32(elf.rewritten_plt_entries()[0] + 7)
    elf.put32(rel + push + 4, (0xFFFF << 8) | 7)


def unname_section(name):
    # Its name becomes the empty string at the start of the name table
    # (names share tails there, so the text itself is left alone).
    return lambda elf: elf.put32(elf.section(name), 0)


def huge_bss(elf):
    # The last loadable segment asks for 16 MiB more memory than it has in
    # the file: far past the 0x8000 bytes that follow the file copy.
    last = elf.loads()[-1]
    elf.put32(last + 20, elf.u32(last + 20) + 0x1000000)


def segment_below_region(elf):
    elf.put32(elf.loads()[-1] + 8, 0x08000000)


def segments_overlap(elf):
    # The data segment laid over the text segment's memory.
    first, last = elf.loads()[0], elf.loads()[-1]
    elf.put32(last + 8, elf.u32(first + 8) + 0x10)


def segment_past_file(elf):
    elf.put32(elf.loads()[-1] + 4, len(elf.data) - 4)


def needed(text):
    """The first DT_NEEDED name (libc.so.6) turned into `text`."""
    return lambda elf: elf.replace_string(".dynstr", "libc.so.6", text)


def needed_offset(elf):
    # The first DT_NEEDED entry's name offset far past .dynstr.
    start, size = elf.section_bytes(".dynamic")
    entry = next(e for e in range(start, start + size, 8) if elf.u32(e) == 1)
    elf.put32(entry + 4, 0xFFFFF)


def version_needs(then):
    """`then(elf, record, first_version)` on the first version-needs record
    (libc.so.6's) and the first record of its list of versions."""
    def mutate(elf):
        record, _ = elf.section_bytes(".gnu.version_r")
        then(elf, record, record + elf.u32(record + 8))
    return mutate


def truncate(length):
    def mutate(elf):
        del elf.data[length:]
    return mutate


MUTATIONS = {
    # Header checks, in their order.
    "magic": header(1, 1, ord("X")),
    "class64": header(4, 1, 2),
    "bigendian": header(5, 1, 2),
    "identversion": header(6, 1, 0),
    "shared": shared_object,
    "machine": header(18, 2, 62),
    "version": header(20, 4, 2),
    "class_and_machine": lambda elf: (header(4, 1, 2)(elf), header(18, 2, 62)(elf)),
    "short": truncate(40),
    # Damaged tables and references.
    "phoff": lambda elf: elf.put32(28, far_past_end(elf)),
    "phnum": header(44, 2, 0xFFFF),
    "shoff": lambda elf: elf.put32(32, far_past_end(elf)),
    "shstrndx": lambda elf: elf.put16(50, elf.shnum() + 3),
    "sh_offset": lambda elf: section_field(".dynsym", 16, far_past_end(elf))(elf),
    "sh_size": section_field(".dynstr", 20, 0x7FFFFFFF),
    "sh_name": lambda elf: elf.put32(elf.section(".plt"), 0xFFFFFF00),
    "st_name": lambda elf: elf.put32(elf.symbol("puts"), 0x10000),
    "r_info": set_reloc_symbol,
    "push": set_plt_push(lambda elf: 0xFFFFFFF8),
    "needed_offset": needed_offset,
    "no_dynstr": unname_section(".dynstr"),
    "no_relplt": unname_section(".rel.plt"),
    "segment_below": segment_below_region,
    "segment_overlap": segments_overlap,
    "segment_past_file": segment_past_file,
    "entry_outside": header(24, 4, 0x20000000),
    "verneed_name": version_needs(lambda elf, vn, aux: elf.put32(aux + 8, 0xFFFFF)),
    # Damaged tables of a position-independent file.
    "rel_offset": set_relocation(DT_REL, "offset", 0x7FFFFFF0),
    "rel_count": set_dynamic(DT_RELSZ, 0x7FFFFFF8),
    "rel_symbol": set_relocation(DT_REL, "symbol", 0xFFFF),
    "jmprel_offset": set_relocation(DT_JMPREL, "offset", 0xFFFFFFFC),
    "jmprel_count": set_dynamic(DT_PLTRELSZ, 0x10000008),
    "jmprel_symbol": set_relocation(DT_JMPREL, "symbol", 0xFFFFFF),
    "dynamic_offset": lambda elf: elf.put32(
        next(elf.phoff() + 32 * i for i in range(elf.phnum())
             if elf.u32(elf.phoff() + 32 * i) == 2) + 4, far_past_end(elf)),
    "symtab_address": stripped(set_dynamic(DT_SYMTAB, 0x7FFF0000)),
    "versym_address": stripped(set_dynamic(DT_VERSYM, 0x00FFFFF0)),
    # Layouts that load.
    "stripped": stripped(),
    "huge_bss": huge_bss,
    "needed_nodot": needed("libc"),
    "needed_short_dot": needed("lib.so"),
    "needed_pthread_like": needed("libpt.so"),
    # The version list claims far more versions than it links: it still ends
    # at its last record's link of 0.
    "verneed_count": version_needs(lambda elf, vn, aux: elf.put16(vn + 2, 0xFFFF)),
}


def mutate_file(good, out, mutation):
    with open(good, "rb") as f:
        elf = Elf(f.read())
    MUTATIONS[mutation](elf)
    with open(out, "wb") as f:
        f.write(elf.data)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[3] not in MUTATIONS:
        sys.exit("usage: elfmutate.py GOOD OUT MUTATION\nmutations: " + " ".join(MUTATIONS))
    mutate_file(*sys.argv[1:])
