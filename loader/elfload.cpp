// The ELF image loader. It takes a Linux i386 executable, checks it, puts
// the whole file at ImageBase in the guest region, moves the loadable
// segments to their link addresses and binds the image to the host: needed
// libraries are reported, the guest's C-library data objects are filled,
// and every lazy PLT entry becomes a jump to the host entry of its symbol.
//
// A position-independent executable (ET_DYN with a program interpreter or
// DF_1_PIE) is moved as a whole so that its lowest segment lies at
// ImageBase, and is bound the way the Linux dynamic linker binds it: its
// dynamic relocations fill its GOT with host entries, reporter stubs and
// cells of the loader's for the C library's data objects. The GOT entries
// of an ET_EXEC file (immediate binding, calls without a PLT) are bound by
// the same rules. In both, the stack protector's canary reads are
// redirected to a word of the loader's before the code becomes read-only.
//
// The file is untrusted. Everything it says is checked in a first pass that
// writes nothing (PlanImage); only a file that passes it gets the region
// and is written (LoadElfImageFromBytes). The checks make every later read and write
// land inside the file or inside the region. No check lets one count of the
// file multiply the work of another: tables are followed by their links
// within the room they have, a segment is found by a binary search, and a
// string table answers for any number of names after one pass over it, so
// a hand-made file of megabytes is answered as fast as it is read.
#include "loader/elfload.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/tblibc.h"
#include "libcbind/util.h"
#include "loader/codescan.h"
#include "loader/elfview.h"
#include "loader/linker.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "process/process.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace {

using process::ImageBase;
using process::kBreakAreaSize;
using elfview::Range;
using elfview::View;

// ELF32 i386 as the System V ABI defines it; only what the loader reads.
namespace elf {
constexpr uint32_t kHeaderSize = 52;
constexpr uint32_t kPhdrSize = 32;  // e_phentsize is not trusted
constexpr uint32_t kShdrSize = 40;  // nor e_shentsize
constexpr uint32_t kSymSize = 16;
constexpr uint32_t kDynSize = 8;
constexpr uint32_t kRelSize = 8;
constexpr uint32_t kPltEntrySize = 16;

constexpr uint32_t e_type = 16, e_entry = 24, e_phoff = 28, e_shoff = 32, e_phnum = 44,
                   e_shnum = 48, e_shstrndx = 50;
constexpr uint32_t sh_name = 0, sh_type = 4, sh_flags = 8, sh_addr = 12,
                   sh_offset = 16, sh_size = 20;
constexpr uint32_t p_type = 0, p_offset = 4, p_vaddr = 8, p_filesz = 16,
                   p_memsz = 20, p_flags = 24;
constexpr uint32_t st_name = 0, st_value = 4, st_size = 8, st_info = 12,
                   st_shndx = 14;
constexpr uint32_t r_offset = 0, r_info = 4;

constexpr uint32_t ET_EXEC = 2, ET_DYN = 3;
constexpr uint32_t PT_LOAD = 1, PT_DYNAMIC = 2, PT_INTERP = 3, PT_PHDR = 6, PT_TLS = 7,
                   PT_GNU_EH_FRAME = 0x6474E550;
constexpr uint32_t SHT_PROGBITS = 1, SHT_NOBITS = 8, SHF_ALLOC = 2, SHF_EXECINSTR = 4;
constexpr uint32_t PF_X = 1, PF_W = 2, PF_R = 4;
constexpr uint32_t SHN_UNDEF = 0, SHN_ABS = 0xFFF1;
constexpr uint32_t STB_LOCAL = 0, STB_WEAK = 2;
constexpr uint32_t STT_OBJECT = 1, STT_FUNC = 2, STT_COMMON = 5, STT_TLS = 6,
                   STT_GNU_IFUNC = 10;
constexpr uint32_t STV_PROTECTED = 3;
constexpr uint32_t DF_1_PIE = 0x08000000;

// Dynamic tags.
constexpr uint32_t DT_NULL = 0, DT_NEEDED = 1, DT_PLTRELSZ = 2, DT_PLTGOT = 3, DT_HASH = 4,
                   DT_STRTAB = 5, DT_SYMTAB = 6, DT_RELA = 7, DT_STRSZ = 10,
                   DT_INIT = 12, DT_FINI = 13, DT_SONAME = 14, DT_RPATH = 15,
                   DT_RUNPATH = 29, DT_REL = 17, DT_RELSZ = 18,
                   DT_RELENT = 19, DT_PLTREL = 20, DT_JMPREL = 23,
                   DT_INIT_ARRAY = 25, DT_FINI_ARRAY = 26,
                   DT_INIT_ARRAYSZ = 27, DT_FINI_ARRAYSZ = 28,
                   DT_GNU_HASH = 0x6FFFFEF5, DT_VERSYM = 0x6FFFFFF0,
                   DT_FLAGS_1 = 0x6FFFFFFB, DT_VERDEF = 0x6FFFFFFC,
                   DT_VERDEFNUM = 0x6FFFFFFD, DT_VERNEED = 0x6FFFFFFE,
                   DT_VERNEEDNUM = 0x6FFFFFFF;

// i386 relocation types.
constexpr uint32_t R_386_NONE = 0, R_386_32 = 1, R_386_PC32 = 2,
                   R_386_COPY = 5, R_386_GLOB_DAT = 6, R_386_JUMP_SLOT = 7,
                   R_386_RELATIVE = 8, R_386_TLS_TPOFF = 14,
                   R_386_TLS_DTPMOD32 = 35, R_386_TLS_DTPOFF32 = 36,
                   R_386_TLS_TPOFF32 = 37, R_386_IRELATIVE = 42;
}  // namespace elf

// i386 opcodes of the PLT entries: the lazy form's push, and what we write.
constexpr uint8_t kPush = 0x68, kJmp = 0xE9, kCall = 0xE8, kNop = 0x90;
constexpr uint32_t kPushAt = 6, kBranchAt = 11;

// The region starts at ImageBase rounded down to the 64 KiB allocation
// granularity; the file copy lies at ImageBase and the break area begins
// 0x8000 bytes past the copy's end unless a segment reaches further.
constexpr uint32_t kRegionBase = ImageBase & ~0xFFFFu;
constexpr uint32_t kCopyToBreak = 0x8000;
constexpr uint64_t kAddressSpaceEnd = uint64_t{1} << 32;

// ---- Header checks ----------------------------------------------------------

struct HeaderCheck {
  uint32_t offset;
  uint32_t width;
  uint32_t expected;
  uint32_t alsoAccepted;  // a second good value, or `expected` again
  std::string_view text;  // follows the quoted path
};

constexpr std::string_view kNotExecutable = "\" is not an executable.";

// In the order users have always seen them: the first failure is reported.
// A shared object (ET_DYN) passes here; whether it is a position-independent
// executable the program headers and the dynamic table tell.
constexpr HeaderCheck kHeaderChecks[] = {
    {0, 4, 0x464C457F, 0x464C457F, "\" is not an ELF."},  // 7F 'E' 'L' 'F'
    {4, 1, 1, 1, "\" class is not ELFCLASS32."},
    {5, 1, 1, 1, "\" data is not ELFDATA2LSB."},
    {6, 1, 1, 1, "\" is of unknown version."},
    {16, 2, elf::ET_EXEC, elf::ET_DYN, kNotExecutable},
    {18, 2, 3, 3, "\" is not for EM_386."},
    {20, 4, 1, 1, "\" is of unknown version."},
};
static_assert(std::size(kHeaderChecks) == 7);

constexpr std::string_view kDamaged = "\" is damaged.";
constexpr std::string_view kNotLibrary = "\" is not a shared library.";
constexpr std::string_view kNoMemory = "\": memory allocation error.";
constexpr std::string_view kUnknownRelocation =
    "\" needs a relocation that tumbex does not apply.";

// Empty when the header passes.
std::string_view HeaderRefusal(const View& file) {
  for (const HeaderCheck& check : kHeaderChecks) {
    std::optional<uint32_t> value =
        check.width == 4   ? file.U32(check.offset)
        : check.width == 2 ? file.U16(check.offset)
                           : file.U8(check.offset);
    if (!value) return kDamaged;
    if (*value != check.expected && *value != check.alsoAccepted)
      return check.text;
  }
  return {};
}

// ---- Sections found by name -------------------------------------------------

enum SectionId { kDynsym, kDynamic, kRelPlt, kDynstr, kPlt, kSectionCount };
constexpr std::string_view kSectionNames[] = {".dynsym", ".dynamic",
                                              ".rel.plt", ".dynstr", ".plt"};
static_assert(std::size(kSectionNames) == kSectionCount);
constexpr size_t kLongestSectionName = 8;  // ".rel.plt"

// ---- The plan -----------------------------------------------------------------

constexpr uint32_t kDynamicTags[] = {
    elf::DT_PLTRELSZ, elf::DT_HASH,        elf::DT_STRTAB,       elf::DT_SYMTAB,
    elf::DT_RELA,     elf::DT_STRSZ,       elf::DT_INIT,         elf::DT_FINI,
    elf::DT_REL,      elf::DT_RELSZ,       elf::DT_RELENT,       elf::DT_PLTREL,
    elf::DT_JMPREL,   elf::DT_INIT_ARRAY,  elf::DT_FINI_ARRAY,   elf::DT_INIT_ARRAYSZ,
    elf::DT_FINI_ARRAYSZ, elf::DT_GNU_HASH, elf::DT_VERSYM,      elf::DT_FLAGS_1,
    elf::DT_VERNEED,  elf::DT_VERNEEDNUM,  elf::DT_SONAME,       elf::DT_RPATH,
    elf::DT_RUNPATH,  elf::DT_VERDEF,      elf::DT_VERDEFNUM,   elf::DT_PLTGOT,
};

struct Dynamic {
  uint32_t value[std::size(kDynamicTags)] = {};
  bool has[std::size(kDynamicTags)] = {};

  static size_t Index(uint32_t tag) {
    for (size_t i = 0; i < std::size(kDynamicTags); ++i)
      if (kDynamicTags[i] == tag) return i;
    return std::size(kDynamicTags);
  }
  bool Has(uint32_t tag) const {
    const size_t k = Index(tag);
    return k < std::size(kDynamicTags) && has[k];
  }
  uint32_t Value(uint32_t tag) const { return Has(tag) ? value[Index(tag)] : 0; }
};


struct Segment {
  uint32_t offset, vaddr, filesz, memsz, flags;
  uint64_t End() const { return uint64_t{vaddr} + memsz; }
};

// PT_TLS: the initial image of the thread-local block, at a link address.
struct TlsImage {
  uint32_t offset, link, filesz, memsz, align;
};

// A stretch of the guest's memory, at its address after placement.
struct Span {
  uint32_t address = 0;
  uint32_t size = 0;
};

struct Plan {
  uint32_t entry = 0;
  std::vector<Segment> segments;  // loadable, non-empty, by address
  Range sections[kSectionCount];
  bool found[kSectionCount] = {};
  elfview::StringTable names;  // .dynstr's, once it is known
  uint32_t breakBase = 0;
  uint64_t regionEnd = 0;  // may lie past the address space: no region then
  // A position-independent executable is moved by `bias` (link address +
  // bias = guest address, either way); an ET_EXEC file runs where it was
  // linked.
  bool positionIndependent = false;
  int64_t bias = 0;
  bool hasInterpreter = false, hasTls = false;
  // A library is placed wherever its memory was had: `bias` is given.
  bool library = false;
  TlsImage tls{};
  uint32_t phdr = 0;    // the program headers' guest address, 0: not in memory
  uint32_t phnum = 0;
  uint32_t ehFrame = 0;  // PT_GNU_EH_FRAME's guest address, 0: none
  Dynamic dynamic;
  Range dynamicSegment;
  bool hasDynamicSegment = false;
  std::vector<Range> relocations;  // the REL tables, in the file
  std::vector<Span> code;          // executable sections, in memory
  process::GuestStartTables startTables;    // the program's own constructors
};

uint32_t Count(const Plan& plan, SectionId id, uint32_t entrySize) {
  return plan.sections[id].size / entrySize;
}

// The segment whose file part holds [offset, offset + length), if any.
const Segment* SegmentHoldingFileBytes(const Plan& plan, uint64_t offset,
                                       uint64_t length) {
  for (const Segment& s : plan.segments)
    if (offset >= s.offset && offset + length <= uint64_t{s.offset} + s.filesz)
      return &s;
  return nullptr;
}

// The only segment that can hold the guest address `address`: segments are
// sorted by address and share no byte, so it is the last one that starts at
// or below it. A binary search, because a file may ask once per relocation
// and have tens of thousands of segments.
const Segment* SegmentAtOrBelow(const Plan& plan, uint64_t address) {
  auto after = std::upper_bound(
      plan.segments.begin(), plan.segments.end(), address,
      [](uint64_t a, const Segment& s) { return a < s.vaddr; });
  return after == plan.segments.begin() ? nullptr : &*(after - 1);
}

// The segment whose memory image holds [address, address + length), if any.
const Segment* SegmentHoldingAddress(const Plan& plan, uint64_t address,
                                     uint64_t length) {
  const Segment* s = SegmentAtOrBelow(plan, address);
  return s != nullptr && address + length <= s->End() ? s : nullptr;
}

// Program headers: every loadable segment has its file part inside the
// file and its memory image above the region's base and below the top of
// the address space, and no two memory images share a byte. A
// position-independent executable's lowest segment goes where an ET_EXEC
// file's would, at ImageBase; the others keep their distance from it.
bool PlanSegments(const View& file, uint32_t phoff, uint32_t phnum,
                  Plan& plan) {
  if (!file.HoldsTable(phoff, phnum, elf::kPhdrSize)) return false;
  auto header = [&](uint32_t i) {
    return uint64_t{phoff} + uint64_t{i} * elf::kPhdrSize;
  };
  uint64_t lowest = kAddressSpaceEnd;
  uint32_t phdrLink = 0, ehFrameLink = 0;
  bool hasPhdr = false;
  plan.phnum = phnum;
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint32_t type = *file.U32(header(i) + elf::p_type);
    if (type == elf::PT_INTERP) plan.hasInterpreter = true;
    if (type == elf::PT_GNU_EH_FRAME) ehFrameLink = *file.U32(header(i) + elf::p_vaddr);
    if (type == elf::PT_PHDR) {
      phdrLink = *file.U32(header(i) + elf::p_vaddr);
      hasPhdr = true;
    }
    if (type == elf::PT_TLS && !plan.hasTls) {
      plan.hasTls = true;
      plan.tls = {*file.U32(header(i) + elf::p_offset), *file.U32(header(i) + elf::p_vaddr),
                  *file.U32(header(i) + elf::p_filesz), *file.U32(header(i) + elf::p_memsz),
                  *file.U32(header(i) + 28)};  // p_align
    }
    if (type == elf::PT_DYNAMIC) {
      plan.dynamicSegment = {*file.U32(header(i) + elf::p_offset),
                             *file.U32(header(i) + elf::p_filesz)};
      plan.hasDynamicSegment = true;
    }
    if (type == elf::PT_LOAD && *file.U32(header(i) + elf::p_memsz) != 0)
      lowest = std::min<uint64_t>(lowest, *file.U32(header(i) + elf::p_vaddr));
  }
  if (plan.positionIndependent && !plan.library && lowest < kAddressSpaceEnd)
    plan.bias = int64_t{ImageBase} -
                static_cast<int64_t>(lowest & ~uint64_t{platform::kPageSize - 1});
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint64_t at = header(i);
    if (*file.U32(at + elf::p_type) != elf::PT_LOAD) continue;
    Segment s{*file.U32(at + elf::p_offset), *file.U32(at + elf::p_vaddr),
              *file.U32(at + elf::p_filesz), *file.U32(at + elf::p_memsz),
              *file.U32(at + elf::p_flags)};
    if (s.filesz > s.memsz || !file.Holds(s.offset, s.filesz)) return false;
    if (s.memsz == 0) continue;
    const uint64_t placed = static_cast<uint64_t>(int64_t{s.vaddr} + plan.bias);
    if (placed >= kAddressSpaceEnd) return false;
    s.vaddr = static_cast<uint32_t>(placed);
    if ((!plan.library && s.vaddr < kRegionBase) || s.End() > kAddressSpaceEnd) return false;
    plan.segments.push_back(s);
  }
  // Placement reads the unchanged file bytes, so the order does not matter
  // there; in address order, overlaps and shared pages are neighbours.
  std::sort(plan.segments.begin(), plan.segments.end(),
            [](const Segment& a, const Segment& b) { return a.vaddr < b.vaddr; });
  for (size_t i = 1; i < plan.segments.size(); ++i)
    if (plan.segments[i - 1].End() > plan.segments[i].vaddr) return false;
  // Where the program headers are in memory: PT_PHDR says, or the segment
  // whose file part holds them.
  if (hasPhdr) {
    const uint64_t at = static_cast<uint64_t>(int64_t{phdrLink} + plan.bias);
    if (SegmentHoldingAddress(plan, at, uint64_t{phnum} * elf::kPhdrSize))
      plan.phdr = static_cast<uint32_t>(at);
  } else if (const Segment* s =
                 SegmentHoldingFileBytes(plan, phoff, uint64_t{phnum} * elf::kPhdrSize)) {
    plan.phdr = s->vaddr + (phoff - s->offset);
  }
  // The unwinder's table of frames, for _dl_find_object.
  if (ehFrameLink != 0) {
    const uint64_t at = static_cast<uint64_t>(int64_t{ehFrameLink} + plan.bias);
    if (SegmentHoldingAddress(plan, at, 4)) plan.ehFrame = static_cast<uint32_t>(at);
  }
  // Thread-local storage: an image inside a segment's file part, at an
  // alignment that is a power of two.
  if (plan.hasTls) {
    TlsImage& t = plan.tls;
    if (t.align == 0) t.align = 1;
    if (t.filesz > t.memsz || (t.align & (t.align - 1)) != 0 || t.align > 4096) return false;
    const uint64_t at = static_cast<uint64_t>(int64_t{t.link} + plan.bias);
    const Segment* home = SegmentAtOrBelow(plan, at);
    if (home == nullptr || at + t.filesz > uint64_t{home->vaddr} + home->filesz) return false;
  }
  if (plan.library) return true;
  // The entry point must be somewhere the guest's code can be.
  plan.entry += static_cast<uint32_t>(plan.bias);
  return SegmentHoldingAddress(plan, plan.entry, 1) != nullptr;
}

// Section headers: the name table and every name are inside the file; the
// sections recognised by name (a later one of the same name wins) lie in
// the file, and those that others need are there.
bool PlanSections(const View& file, uint32_t shoff, uint32_t shnum,
                  uint32_t shstrndx, Plan& plan) {
  if (shnum == 0) return true;
  if (!file.HoldsTable(shoff, shnum, elf::kShdrSize) || shstrndx >= shnum)
    return false;
  auto header = [&](uint32_t i) {
    return uint64_t{shoff} + uint64_t{i} * elf::kShdrSize;
  };
  const Range names{*file.U32(header(shstrndx) + elf::sh_offset),
                    *file.U32(header(shstrndx) + elf::sh_size)};
  const elfview::StringTable named = file.Strings(names);
  for (uint32_t i = 0; i < shnum; ++i) {
    const uint32_t nameAt = *file.U32(header(i) + elf::sh_name);
    if (!named.Names(nameAt)) return false;
    // Longer names are none of ours; their ends are never looked for.
    const std::string_view name =
        file.ShortString(names, nameAt, kLongestSectionName).value_or("");
    // Executable code is where the canary reads are looked for.
    const uint32_t flags = *file.U32(header(i) + elf::sh_flags);
    if ((flags & elf::SHF_EXECINSTR) &&
        *file.U32(header(i) + elf::sh_type) == elf::SHT_PROGBITS)
      plan.code.push_back({*file.U32(header(i) + elf::sh_addr),
                           *file.U32(header(i) + elf::sh_size)});
    for (int id = 0; id < kSectionCount; ++id) {
      if (name != kSectionNames[id]) continue;
      plan.sections[id] = {*file.U32(header(i) + elf::sh_offset),
                           *file.U32(header(i) + elf::sh_size)};
      plan.found[id] = true;
    }
  }
  for (int id = 0; id < kSectionCount; ++id)
    if (plan.found[id] && !file.Holds(plan.sections[id])) return false;
  const bool* f = plan.found;
  if ((f[kDynamic] || f[kDynsym]) && !f[kDynstr]) return false;
  // Whether the PLT's entries need .rel.plt is CheckPlt's to say: a
  // position-independent PLT, or one without lazy entries, needs none.
  if (f[kPlt] && !(f[kDynsym] && f[kDynstr])) return false;
  return true;
}

// Every needed library's name and every symbol's name lie in .dynstr.
// Called after PlanDynamic, so the tables themselves are in the file and
// .dynstr's names are ready to be asked about.
bool CheckDynamicNames(const View& file, const Plan& plan) {
  for (uint32_t i = 0; i < Count(plan, kDynamic, elf::kDynSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynamic].offset} + i * elf::kDynSize;
    const uint32_t tag = *file.U32(at);
    const bool named = tag == elf::DT_NEEDED || tag == elf::DT_SONAME ||
                       tag == elf::DT_RPATH || tag == elf::DT_RUNPATH;
    if (named && !plan.names.Names(*file.U32(at + 4))) return false;
  }
  for (uint32_t i = 0; i < Count(plan, kDynsym, elf::kSymSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + i * elf::kSymSize;
    if (!plan.names.Names(*file.U32(at + elf::st_name))) return false;
  }
  return true;
}

enum class PltEntry { kKeep, kRewrite, kDamaged };

// What to do with the PLT entry at file offset `at`; for one to rewrite,
// `nameOffset` receives the file offset of its symbol's name. Its push
// operand, its relocation's symbol index and the symbol's name are all
// checked. Needs a plan that passed PlanSections and PlanDynamic.
PltEntry ResolvePltEntry(const View& file, const Plan& plan, uint64_t at,
                         uint32_t* nameOffset, uint32_t* symbolIndex = nullptr) {
  if (*file.U8(at + kPushAt) != kPush) return PltEntry::kKeep;
  const uint32_t push = *file.U32(at + kPushAt + 1);
  const Range rel = plan.sections[kRelPlt];
  if (push > rel.size || rel.size - push < elf::kRelSize) return PltEntry::kDamaged;
  const uint32_t symbol = *file.U32(uint64_t{rel.offset} + push + elf::r_info) >> 8;
  if (symbol >= Count(plan, kDynsym, elf::kSymSize)) return PltEntry::kDamaged;
  const uint32_t name = *file.U32(uint64_t{plan.sections[kDynsym].offset} +
                                  uint64_t{symbol} * elf::kSymSize + elf::st_name);
  if (!plan.names.Names(name)) return PltEntry::kDamaged;
  *nameOffset = plan.sections[kDynstr].offset + name;
  if (symbolIndex != nullptr) *symbolIndex = symbol;
  return PltEntry::kRewrite;
}

// The PLT of an ET_EXEC file is rewritten where the guest runs it, so it
// must lie in the file part of a loadable segment; each entry to rewrite
// must resolve. A position-independent file reaches the host through its
// GOT and its PLT is left as it is.
bool CheckPlt(const View& file, const Plan& plan) {
  const Range plt = plan.sections[kPlt];
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  if (count == 0 || plan.positionIndependent) return true;
  if (!SegmentHoldingFileBytes(plan, plt.offset, count * elf::kPltEntrySize))
    return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t name;
    if (ResolvePltEntry(file, plan, uint64_t{plt.offset} + i * elf::kPltEntrySize,
                        &name) == PltEntry::kDamaged)
      return false;
  }
  return true;
}

// ---- The dynamic table and what it leads to ----------------------------------
//
// A position-independent executable may have no section headers at all; its
// tables are found the way the Linux dynamic linker finds them, through the
// dynamic segment. Every address there is a link address, checked to lie in
// the file part of a loadable segment before a byte of it is read.

// The entries up to DT_NULL; the first of a tag counts, as for the Linux
// dynamic linker's table.
Dynamic ReadDynamic(const View& file, const Plan& plan) {
  Dynamic d;
  if (!plan.found[kDynamic]) return d;
  for (uint32_t i = 0; i < Count(plan, kDynamic, elf::kDynSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynamic].offset} + i * elf::kDynSize;
    const uint32_t tag = *file.U32(at);
    if (tag == elf::DT_NULL) break;
    const size_t k = Dynamic::Index(tag);
    if (k < std::size(kDynamicTags) && !d.has[k]) {
      d.has[k] = true;
      d.value[k] = *file.U32(at + 4);
    }
  }
  return d;
}

// The guest address of a link address; one below the image comes out past
// the address space, where no check lets it through.
uint64_t Placed(const Plan& plan, uint32_t link) {
  const int64_t address = int64_t{link} + plan.bias;
  return address < 0 ? kAddressSpaceEnd : static_cast<uint64_t>(address);
}

// The segment whose file part holds `length` bytes at link address `link`.
const Segment* SegmentOfLink(const Plan& plan, uint32_t link, uint64_t length) {
  const uint64_t address = Placed(plan, link);
  const Segment* s = SegmentAtOrBelow(plan, address);
  return s != nullptr && address + length <= uint64_t{s->vaddr} + s->filesz ? s : nullptr;
}

// The file offset of `length` bytes at link address `link`, when the file
// part of one loadable segment holds them all.
std::optional<uint32_t> FileOffsetOfLink(const Plan& plan, uint32_t link,
                                         uint64_t length) {
  const Segment* s = SegmentOfLink(plan, link, length);
  if (s == nullptr) return std::nullopt;
  return static_cast<uint32_t>(s->offset + (Placed(plan, link) - s->vaddr));
}

// How many symbols the dynamic symbol table has: its hash table says, as
// the dynamic linker reads it. The System V table names the count; the GNU
// one is walked to the last symbol of its longest chain.
std::optional<uint32_t> SymbolCount(const View& file, const Plan& plan,
                                    const Dynamic& d) {
  if (d.Has(elf::DT_HASH)) {
    const std::optional<uint32_t> at = FileOffsetOfLink(plan, d.Value(elf::DT_HASH), 8);
    if (!at) return std::nullopt;
    return *file.U32(*at + 4);  // nchain
  }
  if (!d.Has(elf::DT_GNU_HASH)) return 0;
  const std::optional<uint32_t> at = FileOffsetOfLink(plan, d.Value(elf::DT_GNU_HASH), 16);
  if (!at) return std::nullopt;
  const uint32_t buckets = *file.U32(*at), first = *file.U32(*at + 4),
                 bloom = *file.U32(*at + 8);
  const uint64_t bucketsAt = uint64_t{*at} + 16 + uint64_t{bloom} * 4;
  if (!file.HoldsTable(bucketsAt, buckets, 4)) return std::nullopt;
  uint32_t last = 0;
  for (uint32_t b = 0; b < buckets; ++b)
    last = std::max(last, *file.U32(bucketsAt + uint64_t{b} * 4));
  if (last < first) return first;  // every bucket empty
  // The chain of the highest symbol ends at a word with its low bit set.
  const uint64_t chainsAt = bucketsAt + uint64_t{buckets} * 4;
  for (uint64_t k = last;; ++k) {
    const std::optional<uint32_t> word = file.U32(chainsAt + (k - first) * 4);
    if (!word || k >= 0xFFFFFFFFu) return std::nullopt;
    if (*word & 1) return static_cast<uint32_t>(k + 1);
  }
}

// The version tables: the definitions (a 20-byte record per version, its
// names 8 bytes each) and the needs (a 16-byte record per needed file, its
// versions 16 bytes each). Both are followed by their links, as the dynamic
// linker follows them: each record leads to the next by a byte distance and
// to its list, whose entries lead on in the same way; a link of 0 ends a
// list, as does the count a record claims. Every record or entry visited
// takes its size out of the stretch from the table to the end of its
// segment's file part. Records laid out one after another, as linkers lay
// them, always fit there; a file whose walk would need more room (records
// overlapping because their links are shorter than a record, lists that
// share their entries) is damaged. So a walk never visits more records
// than that stretch holds, whatever the counts say: a count of 65 535 over
// a list of one record costs one visit.
struct VersionTable {
  uint32_t tag, countTag;
  uint32_t size, countAt, listAt, nextAt;  // a record: its size and fields
  int32_t nameAt;                          // -1: a definition names no file
  uint32_t entrySize, entryNextAt, entryNameAt;
};
constexpr VersionTable kVersionDefinitions{elf::DT_VERDEF, elf::DT_VERDEFNUM, 20, 6, 12, 16,
                                           -1, 8, 4, 0};
constexpr VersionTable kVersionNeeds{elf::DT_VERNEED, elf::DT_VERNEEDNUM, 16, 2, 8, 12,
                                     4, 16, 12, 8};

// Walks one table, calling visit(record, entry, k) for the k-th entry of
// each record. False: the table is damaged. Needs plan.dynamic and the
// plan's names.
template <typename Visit>
bool WalkVersions(const View& file, const Plan& plan, const VersionTable& t, Visit&& visit) {
  const Dynamic& d = plan.dynamic;
  if (!d.Has(t.tag)) return true;
  const uint32_t link = d.Value(t.tag);
  const Segment* home = SegmentOfLink(plan, link, t.size);
  if (home == nullptr) return d.Value(t.countTag) == 0;
  const uint64_t start = home->offset + (Placed(plan, link) - home->vaddr);
  uint64_t room = uint64_t{home->offset} + home->filesz - start;
  auto take = [&](uint64_t at, uint32_t size, int64_t nameAt) {
    if (room < size || !file.Holds(at, size)) return false;
    room -= size;
    return nameAt < 0 || plan.names.Names(*file.U32(at + static_cast<uint64_t>(nameAt)));
  };
  uint64_t at = start;
  for (uint32_t n = 0; n < d.Value(t.countTag); ++n) {
    if (!take(at, t.size, t.nameAt)) return false;
    uint64_t entry = at + *file.U32(at + t.listAt);
    for (uint32_t k = 0; k < *file.U16(at + t.countAt); ++k) {
      if (!take(entry, t.entrySize, t.entryNameAt)) return false;
      visit(at, entry, k);
      // A link of 0 would only visit this entry again.
      const uint32_t next = *file.U32(entry + t.entryNextAt);
      if (next == 0) break;
      entry += next;
    }
    const uint32_t next = *file.U32(at + t.nextAt);
    if (next == 0) break;
    at += next;
  }
  return true;
}

// Binding reads the version tables; a damaged one is a damaged file.
bool CheckVersions(const View& file, const Plan& plan, const Dynamic& d) {
  const uint32_t symbols = Count(plan, kDynsym, elf::kSymSize);
  if (d.Has(elf::DT_VERSYM) &&
      !FileOffsetOfLink(plan, d.Value(elf::DT_VERSYM), uint64_t{symbols} * 2))
    return false;
  auto none = [](uint64_t, uint64_t, uint32_t) {};
  return WalkVersions(file, plan, kVersionDefinitions, none) &&
         WalkVersions(file, plan, kVersionNeeds, none);
}

bool IsAppliedRelocation(uint32_t type) {
  switch (type) {
    case elf::R_386_NONE: case elf::R_386_32: case elf::R_386_PC32:
    case elf::R_386_COPY: case elf::R_386_GLOB_DAT: case elf::R_386_JUMP_SLOT:
    case elf::R_386_RELATIVE: case elf::R_386_IRELATIVE: case elf::R_386_TLS_TPOFF:
    case elf::R_386_TLS_DTPMOD32: case elf::R_386_TLS_DTPOFF32: case elf::R_386_TLS_TPOFF32:
      return true;
    default:
      return false;
  }
}

// A relocation table named by an address and a size.
std::string_view PlanRelocationTable(const Plan& plan, uint32_t link, uint32_t size,
                                     std::vector<Range>& tables) {
  if (size == 0) return {};
  if (size % elf::kRelSize != 0) return kDamaged;
  const std::optional<uint32_t> at = FileOffsetOfLink(plan, link, size);
  if (!at) return kDamaged;
  tables.push_back({*at, size});
  return {};
}

// A guest address the start routine will call or read: it must lie in the
// image.
bool PlanStartAddress(const Plan& plan, uint32_t link, uint64_t length, uint32_t* out) {
  const uint64_t address = Placed(plan, link);
  if (length == 0 || !SegmentHoldingAddress(plan, address, length)) return false;
  *out = static_cast<uint32_t>(address);
  return true;
}

std::string_view PlanStartTables(const Plan& plan, const Dynamic& d,
                                 process::GuestStartTables& t) {
  if (d.Has(elf::DT_INIT) && !PlanStartAddress(plan, d.Value(elf::DT_INIT), 1, &t.init))
    return kDamaged;
  if (d.Has(elf::DT_FINI) && !PlanStartAddress(plan, d.Value(elf::DT_FINI), 1, &t.fini))
    return kDamaged;
  struct Array { uint32_t tag, sizeTag; uint32_t* address; uint32_t* count; };
  const Array arrays[] = {
      {elf::DT_INIT_ARRAY, elf::DT_INIT_ARRAYSZ, &t.initArray, &t.initArrayCount},
      {elf::DT_FINI_ARRAY, elf::DT_FINI_ARRAYSZ, &t.finiArray, &t.finiArrayCount},
  };
  for (const Array& a : arrays) {
    const uint32_t size = d.Value(a.sizeTag) & ~3u;
    if (!d.Has(a.tag) || size == 0) continue;
    if (!PlanStartAddress(plan, d.Value(a.tag), size, a.address)) return kDamaged;
    *a.count = size / 4;
  }
  return {};
}

// The dynamic table: whether an ET_DYN file is an executable, where the
// symbol and string tables are when no section names them, the relocation
// tables and every relocation in them, the version tables, the program's
// constructors. Runs after PlanSegments and PlanSections.
std::string_view PlanDynamic(const View& file, Plan& plan) {
  if (plan.hasDynamicSegment && !file.Holds(plan.dynamicSegment)) return kDamaged;
  if (!plan.found[kDynamic] && plan.hasDynamicSegment) {
    plan.sections[kDynamic] = plan.dynamicSegment;
    plan.found[kDynamic] = true;
  }
  const Dynamic d = ReadDynamic(file, plan);
  plan.dynamic = d;
  // A shared object is loaded as a program only when it is one: it names a
  // program interpreter or says it is position-independent.
  if (plan.positionIndependent && !plan.library && !plan.hasInterpreter &&
      !(d.Value(elf::DT_FLAGS_1) & elf::DF_1_PIE))
    return kNotExecutable;
  if (d.Has(elf::DT_RELA) && d.Value(elf::DT_RELA) != 0) return kUnknownRelocation;
  if (d.Has(elf::DT_RELENT) && d.Value(elf::DT_RELENT) != elf::kRelSize) return kDamaged;
  if (d.Has(elf::DT_PLTREL) && d.Value(elf::DT_PLTREL) != elf::DT_REL)
    return kUnknownRelocation;

  if (!plan.found[kDynstr] && d.Has(elf::DT_STRTAB)) {
    const std::optional<uint32_t> at =
        FileOffsetOfLink(plan, d.Value(elf::DT_STRTAB), d.Value(elf::DT_STRSZ));
    if (!at || d.Value(elf::DT_STRSZ) == 0) return kDamaged;
    plan.sections[kDynstr] = {*at, d.Value(elf::DT_STRSZ)};
    plan.found[kDynstr] = true;
  }
  if (!plan.found[kDynsym] && d.Has(elf::DT_SYMTAB)) {
    const std::optional<uint32_t> count = SymbolCount(file, plan, d);
    if (!count || !plan.found[kDynstr]) return kDamaged;
    const uint64_t bytes = uint64_t{*count} * elf::kSymSize;
    const std::optional<uint32_t> at =
        FileOffsetOfLink(plan, d.Value(elf::DT_SYMTAB), bytes);
    if (!at) return kDamaged;
    plan.sections[kDynsym] = {*at, static_cast<uint32_t>(bytes)};
    plan.found[kDynsym] = true;
  }
  if ((plan.found[kDynamic] || plan.found[kDynsym]) && !plan.found[kDynstr])
    return kDamaged;
  plan.names = file.Strings(plan.sections[kDynstr]);

  for (std::string_view r :
       {PlanRelocationTable(plan, d.Value(elf::DT_REL), d.Value(elf::DT_RELSZ),
                            plan.relocations),
        PlanRelocationTable(plan, d.Value(elf::DT_JMPREL), d.Value(elf::DT_PLTRELSZ),
                            plan.relocations)})
    if (!r.empty()) return r;
  // Every relocation: a type we apply, a symbol in the table, a word to
  // change inside the image.
  const uint32_t symbols = Count(plan, kDynsym, elf::kSymSize);
  for (const Range& table : plan.relocations) {
    for (uint32_t k = 0; k < table.size / elf::kRelSize; ++k) {
      const uint64_t at = uint64_t{table.offset} + uint64_t{k} * elf::kRelSize;
      const uint32_t info = *file.U32(at + elf::r_info);
      const uint32_t type = info & 0xFF, symbol = info >> 8;
      if (!IsAppliedRelocation(type)) return kUnknownRelocation;
      if (type == elf::R_386_NONE) continue;
      // Some name no symbol: the object's own base, block or module.
      const bool symbolOptional = type == elf::R_386_RELATIVE ||
                                  type == elf::R_386_IRELATIVE ||
                                  type == elf::R_386_TLS_TPOFF ||
                                  type == elf::R_386_TLS_TPOFF32 ||
                                  type == elf::R_386_TLS_DTPMOD32;
      if (symbol >= symbols && (symbol != 0 || !symbolOptional)) return kDamaged;
      if (!SegmentHoldingAddress(plan, Placed(plan, *file.U32(at + elf::r_offset)), 4))
        return kDamaged;
    }
  }
  if (!CheckVersions(file, plan, d)) return kDamaged;
  // The code the canary reads are looked for in lies in the image.
  for (Span& span : plan.code) {
    const uint64_t address = Placed(plan, span.address);
    if (span.size != 0 && !SegmentHoldingAddress(plan, address, span.size)) return kDamaged;
    span.address = static_cast<uint32_t>(address);
  }
  return PlanStartTables(plan, d, plan.startTables);
}

// The first pass: header, program headers, sections, names, PLT, and the
// region's extent. Reads the file only. Empty text: the file may load.
std::string_view PlanImage(const View& file, Plan& plan) {
  if (std::string_view refusal = HeaderRefusal(file); !refusal.empty())
    return refusal;
  if (!file.Holds(0, elf::kHeaderSize)) return kDamaged;
  // From here on the header's fields are known to be in the file.
  plan.entry = *file.U32(elf::e_entry);
  plan.positionIndependent = *file.U16(elf::e_type) == elf::ET_DYN;
  if (plan.library && !plan.positionIndependent) return kNotLibrary;
  if (!PlanSegments(file, *file.U32(elf::e_phoff), *file.U16(elf::e_phnum), plan) ||
      !PlanSections(file, *file.U32(elf::e_shoff), *file.U16(elf::e_shnum),
                    *file.U16(elf::e_shstrndx), plan))
    return kDamaged;
  if (std::string_view refusal = PlanDynamic(file, plan); !refusal.empty())
    return refusal;
  if (!CheckDynamicNames(file, plan) || !CheckPlt(file, plan)) return kDamaged;
  if (plan.library) return {};
  // The break area starts 0x8000 past the file copy, or at the first page
  // above the highest segment when its .bss reaches further.
  uint64_t breakBase = uint64_t{ImageBase} + file.size + kCopyToBreak;
  for (const Segment& s : plan.segments)
    if (s.End() > breakBase)
      breakBase = (s.End() + platform::kPageSize - 1) & ~uint64_t{platform::kPageSize - 1};
  plan.regionEnd = breakBase + kBreakAreaSize;
  plan.breakBase = static_cast<uint32_t>(breakBase);
  return {};
}

// ---- Second pass: region, copy, placement, binding, protection --------------

// Makes [kRegionBase, end) the guest region: a fresh reservation, or, when
// this process already has one (tests load many images), that one cleared.
// True while the region is reserved and nothing has been written into it:
// it is zero already, and clearing it would cost a page of memory for
// every page of a file's copy that the loader never fills.
bool gRegionUntouched = false;

bool ObtainRegion(uint64_t end) {
  uint32_t base = 0, have = 0;
  platform::GuestRegion(&base, &have);
  if (have > base) {
    if (base > kRegionBase || have < end) return false;
    platform::Protect(base, have - base, platform::kRead | platform::kWrite);
    if (!gRegionUntouched)
      std::memset(reinterpret_cast<void*>(uintptr_t{kRegionBase}), 0,
                  static_cast<size_t>(end - kRegionBase));
    gRegionUntouched = false;
    return true;
  }
  if (end > kAddressSpaceEnd) return false;
  if (!platform::ReserveRegion(ImageBase, static_cast<uint32_t>(end - ImageBase)))
    return false;
  platform::GuestRegion(&base, &have);
  return base <= kRegionBase && have >= end;
}

void* At(uint32_t address) { return reinterpret_cast<void*>(uintptr_t{address}); }

// The guest address of the bytes at file offset `offset`, given that a
// loadable segment's file part holds them.
uint32_t LinkAddress(const Segment& s, uint32_t offset) {
  return s.vaddr + (offset - s.offset);
}

// Segments at their link addresses: the file part from the unchanged file
// bytes (so no move can spoil what a later one still needs), the
// memory-only tail zeroed.
void PlaceSegments(const View& file, const Plan& plan) {
  for (const Segment& s : plan.segments) {
    if (s.vaddr != ImageBase + uint64_t{s.offset})
      std::memmove(At(s.vaddr), file.bytes + s.offset, s.filesz);
    std::memset(At(s.vaddr + s.filesz), 0, s.memsz - s.filesz);
  }
}

// The short name of a library: from its fourth character up to the first
// '.', empty when there is no '.' past the fourth character.
std::string_view ShortLibraryName(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || dot <= 3) return {};
  return name.substr(3, dot - 3);
}

// The name at file offset `offset` in .dynstr, one the checks passed. Its
// end comes from the table's NULs, never from a scan, so that thousands of
// symbols naming one enormous string cost no more than it does once.
std::string_view NameAt(const View& file, const Plan& plan, uint32_t offset) {
  return *file.String(plan.names, offset - plan.sections[kDynstr].offset);
}

// The host entry of `name`, or the reporter's. The registry measures a name
// before it compares, so one longer than every import is answered here.
// The longest, measured once per load.
size_t gLongestImport = 0;

void MeasureImports() {
  gLongestImport = 0;
  for (size_t i = 0; i < util::ImportCount(); ++i)
    gLongestImport = std::max(gLongestImport, util::ImportName(i).size());
}

uint32_t HostEntry(std::string_view name) {
  if (name.size() > gLongestImport) return util::UnknownCallReporterAddress();
  return util::LookupImport(name.data());  // the file's NUL ends it
}

// The name addresses one load has given out. A name asked for again (an
// import that many entries name) gets the same address without a second
// search, and a string no segment holds is copied once, whole, for every
// tail of it that names something: copies per entry or per tail could
// cost the file's entries times the string's length.
struct NameAddresses {
  std::unordered_map<uint32_t, uint32_t> byName;  // name's file offset -> address
  struct Copy {
    uint32_t start;    // file offset of the string's first byte
    uint32_t address;  // where the copy of that byte lies
  };
  std::unordered_map<uint32_t, Copy> byEnd;  // string's NUL, file offset -> copy
};

// Where an unregistered symbol's entry points the reporter: the name in the
// guest's own image when a segment holds it, else a copy that lives as long.
uint32_t NameAddress(const View& file, const Plan& plan, uint32_t offset,
                     NameAddresses& given) {
  if (auto known = given.byName.find(offset); known != given.byName.end())
    return known->second;
  const uint32_t end = offset + static_cast<uint32_t>(NameAt(file, plan, offset).size());
  uint32_t address = 0;
  if (const Segment* s = SegmentHoldingFileBytes(plan, offset, end + 1 - offset)) {
    address = LinkAddress(*s, offset);
  } else {
    auto [copy, fresh] = given.byEnd.try_emplace(end);
    if (fresh) {
      // The string starts past the NUL before it, or at the table's start.
      const uint32_t table = plan.sections[kDynstr].offset;
      const std::vector<uint32_t>& nuls = plan.names.nuls;
      const auto own = std::lower_bound(nuls.begin(), nuls.end(), end - table);
      const uint32_t start = table + (own == nuls.begin() ? 0 : *(own - 1) + 1);
      void* bytes = rtl::HeapAlloc(end + 1 - start);
      std::memcpy(bytes, file.bytes + start, end + 1 - start);
      copy->second = {start, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bytes))};
    }
    address = copy->second.address + (offset - copy->second.start);
  }
  given.byName.emplace(offset, address);
  return address;
}

// Where a symbol of the guest's own lies: its value moved with the image
// when it is defined in a section (not absolute, not undefined).
uint32_t SymbolAddress(const View& file, const Plan& plan, uint64_t at) {
  const uint32_t value = *file.U32(at + elf::st_value);
  const uint32_t section = *file.U16(at + elf::st_shndx);
  if (section == elf::SHN_UNDEF || section == elf::SHN_ABS) return value;
  return value + static_cast<uint32_t>(plan.bias);
}

// Filled after placement, so that no segment move overwrites them; each
// object is handed only a copy that lies wholly in the image.
void BindDataObjects(const View& file, const Plan& plan) {
  for (uint32_t i = 0; i < Count(plan, kDynsym, elf::kSymSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + i * elf::kSymSize;
    const std::string_view name =
        *file.String(plan.names, *file.U32(at + elf::st_name));
    const uint32_t address = SymbolAddress(file, plan, at);
    const uint32_t size = *file.U32(at + elf::st_size);
    // The start-up objects are words, whatever size the table gives.
    if (SegmentHoldingAddress(plan, address, size == 0 ? 4 : size))
      tblibc::BindDataObject(name, address, size);
  }
}

// ---- Versions and definitions -------------------------------------------------

// The version names of an object by index, from its definitions (not the
// base one, which names the file) and from what it needs; empty when the
// object has no version table.
std::vector<std::string> VersionNames(const View& file, const Plan& plan) {
  const Dynamic& d = plan.dynamic;
  std::vector<std::string> names;
  if (!d.Has(elf::DT_VERSYM)) return names;
  names.resize(2);
  auto name = [&](uint32_t index, uint32_t nameOffset) {
    if (index >= 0x8000) return;
    if (names.size() <= index) names.resize(index + 1);
    names[index] = std::string(*file.String(plan.names, nameOffset));
  };
  // The base definition (VER_FLG_BASE) names the file, not a version.
  WalkVersions(file, plan, kVersionDefinitions, [&](uint64_t record, uint64_t entry, uint32_t k) {
    if (k == 0 && (*file.U16(record + 2) & 1) == 0)
      name(*file.U16(record + 4) & 0x7FFF, *file.U32(entry));
  });
  WalkVersions(file, plan, kVersionNeeds, [&](uint64_t, uint64_t entry, uint32_t) {
    name(*file.U16(entry + 6) & 0x7FFF, *file.U32(entry + 8));
  });
  return names;
}

// The version-table word of symbol `symbol` (0 without a table).
uint32_t VersionWord(const View& file, const Plan& plan, uint32_t symbol) {
  if (!plan.dynamic.Has(elf::DT_VERSYM)) return 0;
  const std::optional<uint32_t> at = FileOffsetOfLink(
      plan, plan.dynamic.Value(elf::DT_VERSYM), uint64_t{symbol + 1} * 2);
  return at ? *file.U16(*at + uint64_t{symbol} * 2) : 0;
}

// What an object offers the others: its named global and weak symbols.
void CollectDefinitions(const View& file, const Plan& plan, linker::Object& object) {
  object.versions = VersionNames(file, plan);
  object.symbols.reserve(Count(plan, kDynsym, elf::kSymSize));
  for (uint32_t i = 1; i < Count(plan, kDynsym, elf::kSymSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + uint64_t{i} * elf::kSymSize;
    const uint32_t info = *file.U8(at + elf::st_info);
    if ((info >> 4) == elf::STB_LOCAL || *file.U16(at + elf::st_shndx) == elf::SHN_UNDEF)
      continue;
    const std::string_view name = *file.String(plan.names, *file.U32(at + elf::st_name));
    if (name.empty()) continue;
    const uint32_t type = info & 0xF;
    const uint32_t version = VersionWord(file, plan, i);
    linker::Definition d;
    d.value = type == elf::STT_TLS ? *file.U32(at + elf::st_value)
                                   : SymbolAddress(file, plan, at);
    d.size = *file.U32(at + elf::st_size);
    d.type = static_cast<uint8_t>(type);
    d.version = static_cast<uint16_t>(version & 0x7FFF);
    d.hidden = (version & 0x8000) != 0;
    d.weak = (info >> 4) == elf::STB_WEAK;
    d.index = i;
    object.symbols[std::string(name)].push_back(d);
  }
}

// ---- Binding through the GOT ---------------------------------------------------
//
// What the dynamic linker would write for each relocation. A name is found
// first among the loaded objects, in the global scope's order (so a
// library's call to a name the program defines reaches the program's); a
// name none defines is the C library's: an imported function gets the host
// entry the PLT rewriting gives; a name nothing serves gets a stub that
// reports it as the rewritten PLT entry would (or 0 when the symbol is
// weak, so `if (&name)` holds); an imported data object gets a cell of the
// loader's holding what the program's own copy would, one cell per name
// for every object. Stubs and cells live in pages of the loader's, kept
// until the next program is loaded.

struct Arena {
  uint8_t* base = nullptr;
  size_t size = 0;
};
std::vector<Arena> gArenas;  // the stubs and cells of the program loaded last
std::unordered_map<std::string, uint32_t> gCells;  // data object name -> cell

void ReleaseArenas() {
  for (const Arena& a : gArenas) platform::FreePages(a.base, a.size);
  gArenas.clear();
  gCells.clear();
}

// A stub stands where the PLT entry's `push name; call reporter` would:
// the guest's call left its return at [esp], so the stub pushes the name
// and a stand-in for the entry's return before it jumps; the reporter then
// sees [esp] = stand-in, [esp+4] = name, [esp+8] = the guest's return.
constexpr uint32_t kStubSize = 16;
// Room for an object the guest's tables give no size for (an undefined
// symbol's size is 0): the largest C-library array a family fills.
constexpr uint32_t kCellSize = 1024;

enum class Bound { kValue, kStub, kCell };

struct Resolution {
  Bound kind = Bound::kValue;
  uint32_t value = 0;        // the final value once assigned
  uint32_t nameOffset = 0;   // kStub, kCell: the name in the file
  uint32_t size = 0;         // kCell
  bool weak = false;
  bool done = true;  // false: a stub or cell still to make
  bool found = false;  // defined by a loaded object
  bool resolver = false;  // `value` is a resolver the start calls
  // A thread-local symbol: the object whose block holds it, and where.
  const linker::Object* tls = nullptr;
  uint32_t tlsOffset = 0;
};

// The version a reference asks for, empty for none.
std::string_view RequestedVersion(const View& file, const Plan& plan,
                                  const linker::Object& self, uint32_t symbol) {
  const uint32_t index = VersionWord(file, plan, symbol) & 0x7FFF;
  return index >= 2 && index < self.versions.size() ? std::string_view(self.versions[index])
                                                    : std::string_view();
}

// A name among the loaded objects: the global scope, then (for a library
// opened on its own) the object itself and what it needs.
linker::Found FindLoaded(std::string_view name, std::string_view version,
                         const linker::Object& self) {
  if (linker::Found f = linker::Lookup(name, version)) return f;
  if (self.global) return {};
  if (linker::Found f = linker::LookupIn(self, name, version)) return f;
  for (const linker::Object* o : self.needed)
    if (linker::Found f = linker::LookupIn(*o, name, version)) return f;
  return {};
}

Resolution Classify(const View& file, const Plan& plan, const linker::Object& self,
                    uint32_t symbol) {
  Resolution r;
  r.done = true;
  r.tls = &self;
  if (symbol == 0) return r;
  const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + uint64_t{symbol} * elf::kSymSize;
  const uint32_t info = *file.U8(at + elf::st_info);
  const uint32_t type = info & 0xF;
  const bool defined = *file.U16(at + elf::st_shndx) != elf::SHN_UNDEF;
  // A defined local or protected symbol is the object's own.
  if (defined && ((info >> 4) == elf::STB_LOCAL || (*file.U8(at + 13) & 3) == elf::STV_PROTECTED)) {
    if (type == elf::STT_TLS) r.tlsOffset = *file.U32(at + elf::st_value);
    else r.value = SymbolAddress(file, plan, at);
    return r;
  }
  const uint32_t name = *file.U32(at + elf::st_name);
  const std::string_view text = *file.String(plan.names, name);
  if (linker::Found f = FindLoaded(text, RequestedVersion(file, plan, self, symbol), self)) {
    r.found = true;
    if (f.definition->type == elf::STT_TLS) {
      r.tls = f.object;
      r.tlsOffset = f.definition->value;
    } else if (f.definition->type == elf::STT_GNU_IFUNC) {
      // The resolver's answer, at the start; one outside its object's
      // memory is never called.
      r.value = f.definition->value;
      r.resolver = linker::ObjectAt(r.value) == f.object;
    } else {
      r.value = f.definition->value;
    }
    return r;
  }
  if (defined) {
    r.value = SymbolAddress(file, plan, at);
    return r;
  }
  r.weak = (info >> 4) == elf::STB_WEAK;
  r.nameOffset = plan.sections[kDynstr].offset + name;
  if (type == elf::STT_OBJECT || type == elf::STT_COMMON || tblibc::FindDataObject(text)) {
    if (auto cell = gCells.find(std::string(text)); cell != gCells.end()) {
      r.value = cell->second;
      return r;
    }
    r.kind = Bound::kCell;
    const uint32_t size = *file.U32(at + elf::st_size);
    r.size = (size == 0 ? kCellSize : std::min(size, kCellSize) + 3) & ~3u;
    r.done = false;
    return r;
  }
  const uint32_t entry = HostEntry(text);
  if (entry != util::UnknownCallReporterAddress()) {
    r.value = entry;
  } else if (!r.weak) {
    r.kind = Bound::kStub;
    r.done = false;
  }
  return r;
}

void WriteStub(uint8_t* stub, uint32_t name) {
  const uint32_t address = tblibc::Address(stub);
  const uint32_t reporter = util::UnknownCallReporterAddress();
  const uint32_t displacement = reporter - (address + 15);
  uint8_t code[kStubSize] = {kPush, 0, 0, 0, 0, kPush, 0, 0, 0, 0, kJmp, 0, 0, 0, 0, 0xCC};
  std::memcpy(code + 1, &name, 4);
  const uint32_t standIn = address + kStubSize;
  std::memcpy(code + 6, &standIn, 4);
  std::memcpy(code + 11, &displacement, 4);
  std::memcpy(stub, code, sizeof code);
}

template <typename F>
void ForEachRelocation(const View& file, const Plan& plan, F&& visit) {
  for (const Range& table : plan.relocations)
    for (uint32_t k = 0; k < table.size / elf::kRelSize; ++k) {
      const uint64_t at = uint64_t{table.offset} + uint64_t{k} * elf::kRelSize;
      const uint32_t info = *file.U32(at + elf::r_info);
      visit(static_cast<uint32_t>(Placed(plan, *file.U32(at + elf::r_offset))),
            info & 0xFF, info >> 8);
    }
}

// The segment a rewritten PLT lies in, or none when nothing was rewritten.
const Segment* RewrittenPltHome(const Plan& plan) {
  if (plan.positionIndependent || !plan.found[kPlt]) return nullptr;
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  return count == 0 ? nullptr
      : SegmentHoldingFileBytes(plan, plan.sections[kPlt].offset,
                                count * elf::kPltEntrySize);
}

// In an ET_EXEC file a lazy PLT entry that was rewritten serves its GOT
// slot already (the slot leads to the entry's push): that slot is left.
// `home` is RewrittenPltHome's answer, found once for every slot.
bool LeadsToRewrittenPlt(const View& file, const Plan& plan, const Segment* home,
                         uint32_t slot) {
  if (home == nullptr) return false;
  const Range plt = plan.sections[kPlt];
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  uint32_t target;
  std::memcpy(&target, At(slot), 4);
  const uint32_t first = LinkAddress(*home, plt.offset);
  if (target < first || target - first >= count * elf::kPltEntrySize) return false;
  const uint32_t entry = plt.offset + (target - first) / elf::kPltEntrySize * elf::kPltEntrySize;
  uint32_t name;
  return ResolvePltEntry(file, plan, entry, &name) == PltEntry::kRewrite;
}

// The address a thread-local symbol has in the one thread.
uint32_t ThreadAddress(const Resolution& r) {
  return r.tls->tlsBlock + r.tlsOffset;
}

// An IRELATIVE's resolver is called at the start; only code of the
// object's own is, anything else binds 0.
uint32_t Resolver(const Plan& plan, uint32_t slot, uint32_t at) {
  const Segment* s = SegmentHoldingAddress(plan, at, 1);
  if (s != nullptr && (s->flags & elf::PF_X)) process::PendingResolvers.push_back({slot, at, 0});
  return 0;
}

// False: the loader's pages for stubs and cells could not be had.
bool ApplyRelocations(const View& file, const Plan& plan, const linker::Object& self,
                      std::string* unresolved = nullptr) {
  if (plan.relocations.empty()) return true;
  // Every symbol a relocation names is resolved once; stubs and cells are
  // counted first so that their pages are had in one piece.
  std::vector<Resolution> symbols(Count(plan, kDynsym, elf::kSymSize) + 1);
  std::vector<bool> seen(symbols.size());
  uint32_t stubs = 0, cellBytes = 0;
  ForEachRelocation(file, plan, [&](uint32_t, uint32_t type, uint32_t symbol) {
    if (type == elf::R_386_NONE || type == elf::R_386_RELATIVE ||
        type == elf::R_386_IRELATIVE || type == elf::R_386_COPY || seen[symbol])
      return;
    seen[symbol] = true;
    symbols[symbol] = Classify(file, plan, self, symbol);
    stubs += symbols[symbol].kind == Bound::kStub;
    cellBytes += symbols[symbol].kind == Bound::kCell ? symbols[symbol].size : 0;
  });
  const size_t stubBytes = (size_t{stubs} * kStubSize + platform::kPageSize - 1) &
                           ~size_t{platform::kPageSize - 1};
  const size_t total = stubBytes + cellBytes;
  Arena arena;
  if (total != 0) {
    arena.base = static_cast<uint8_t*>(platform::AllocatePages(total));
    if (arena.base == nullptr) return false;
    arena.size = total;
    gArenas.push_back(arena);
  }
  NameAddresses names;
  uint8_t* nextStub = arena.base;
  uint8_t* nextCell = arena.base + stubBytes;
  for (Resolution& r : symbols) {
    if (r.done) continue;
    r.done = true;
    const std::string_view name = NameAt(file, plan, r.nameOffset);
    if (r.kind == Bound::kStub) {
      if (unresolved != nullptr && unresolved->empty()) *unresolved = std::string(name);
      WriteStub(nextStub, NameAddress(file, plan, r.nameOffset, names));
      r.value = tblibc::Address(nextStub);
      nextStub += kStubSize;
    } else if (auto cell = gCells.find(std::string(name)); cell != gCells.end()) {
      r.value = cell->second;  // a second symbol of the same name
    } else {
      r.value = tblibc::Address(nextCell);
      nextCell += r.size;
      // An object nothing serves reads as zeros; a weak one is absent.
      if (const tblibc::DataExport* object = tblibc::FindDataObject(name)) {
        std::memcpy(At(r.value), &object->cellValue, 4);
        object->bind(r.value, r.size);
      } else if (r.weak) {
        r.value = 0;
      }
      gCells.emplace(std::string(name), r.value);
    }
  }
  if (stubs != 0) platform::Protect(tblibc::Address(arena.base), stubBytes,
                                    platform::kRead | platform::kExecute);
  const Segment* pltHome = RewrittenPltHome(plan);
  const uint32_t bias = static_cast<uint32_t>(plan.bias);
  const uint32_t tp = process::Thread->self;
  ForEachRelocation(file, plan, [&](uint32_t p, uint32_t type, uint32_t symbol) {
    // NONE names nothing; COPY is CopyFromLibraries' business.
    if (type == elf::R_386_NONE || type == elf::R_386_COPY) return;
    uint32_t word;
    std::memcpy(&word, At(p), 4);
    const Resolution& r = symbols[symbol];
    const uint32_t s = r.value;
    switch (type) {
      case elf::R_386_RELATIVE: word += bias; break;
      case elf::R_386_IRELATIVE: word = Resolver(plan, p, word + bias); break;
      case elf::R_386_32:
        if (r.resolver) process::PendingResolvers.push_back({p, s, word});
        word += r.resolver ? 0 : s;
        break;
      case elf::R_386_PC32: word += s - p; break;
      case elf::R_386_GLOB_DAT:
      case elf::R_386_JUMP_SLOT:
        if (type == elf::R_386_JUMP_SLOT && LeadsToRewrittenPlt(file, plan, pltHome, p)) return;
        if (r.resolver) process::PendingResolvers.push_back({p, s, 0});
        word = r.resolver ? 0 : s;
        break;
      // The one thread's addresses are known now.
      case elf::R_386_TLS_TPOFF: word += ThreadAddress(r) - tp; break;
      case elf::R_386_TLS_TPOFF32: word += tp - ThreadAddress(r); break;
      case elf::R_386_TLS_DTPMOD32: word = r.tls->tlsModule; break;
      case elf::R_386_TLS_DTPOFF32: word += r.tlsOffset; break;
      default: return;
    }
    std::memcpy(At(p), &word, 4);
  });
  return true;
}

// Every lazy entry becomes eleven no-operations and a jump to the host
// entry, or, for a name the host does not serve, a push of the name and a
// call of the reporter. Written at the link address, after placement, so
// the displacements hold wherever the segment came from.
void RewritePlt(const View& file, const Plan& plan, const linker::Object& self,
                NameAddresses& names) {
  const Range plt = plan.sections[kPlt];
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  if (count == 0) return;
  const Segment& home =
      *SegmentHoldingFileBytes(plan, plt.offset, count * elf::kPltEntrySize);
  const uint32_t reporter = util::UnknownCallReporterAddress();
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = plt.offset + i * elf::kPltEntrySize;
    uint32_t nameOffset = 0, symbol = 0;
    if (ResolvePltEntry(file, plan, at, &nameOffset, &symbol) != PltEntry::kRewrite) continue;
    const uint32_t e = LinkAddress(home, at);
    // A library's function first, as for every name; else the host's.
    const std::string_view name = NameAt(file, plan, nameOffset);
    const linker::Found f = FindLoaded(name, RequestedVersion(file, plan, self, symbol), self);
    const uint32_t target = f ? f.definition->value : HostEntry(name);
    const uint32_t displacement = target - (e + elf::kPltEntrySize);
    uint8_t entry[elf::kPltEntrySize];
    std::memset(entry, kNop, sizeof entry);
    entry[kBranchAt] = kJmp;
    if (target == reporter) {
      const uint32_t name = NameAddress(file, plan, nameOffset, names);
      entry[kPushAt] = kPush;
      std::memcpy(entry + kPushAt + 1, &name, 4);
      entry[kBranchAt] = kCall;
    }
    std::memcpy(entry + kBranchAt + 1, &displacement, 4);
    std::memcpy(At(e), entry, sizeof entry);
  }
}

// The program's copies of the libraries' data objects (`std::cout`, a
// library's tables) start as the library's own bytes, as the dynamic
// linker copies them; what no library defines is the C library's, for
// BindDataObjects.
void CopyFromLibraries(const View& file, const Plan& plan, const linker::Object& self) {
  ForEachRelocation(file, plan, [&](uint32_t p, uint32_t type, uint32_t symbol) {
    if (type != elf::R_386_COPY || symbol == 0) return;
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + uint64_t{symbol} * elf::kSymSize;
    const std::string_view name = *file.String(plan.names, *file.U32(at + elf::st_name));
    const linker::Found f =
        linker::Lookup(name, RequestedVersion(file, plan, self, symbol), 0, &self);
    if (!f || f.definition->type == elf::STT_TLS) return;
    // The program's symbol says how much room the copy has.
    const uint32_t size = std::min(*file.U32(at + elf::st_size), f.definition->size);
    if (!SegmentHoldingAddress(plan, p, size) ||
        linker::ObjectAt(f.definition->value) != f.object ||
        uint64_t{f.definition->value} + size > f.object->high)
      return;
    std::memmove(At(p), At(f.definition->value), size);
  });
}

// The guest's %gs reads (its thread-local variables, the stack protector's
// canary) become plain reads of the one thread's block, in every executable
// section (or, without section headers, every executable segment's file
// part). Sections are taken by address and each is scanned only past where
// the ones before it reached: a linker's sections never overlap, but a file
// could name the same code in thousands of headers, each one byte further
// in, and have it decoded once per header, and from inside its instructions.
void RedirectThreadReads(const Plan& plan) {
  const uint32_t tp = process::Thread->self;
  // What cannot be redirected (16-bit addressing) is left to fault.
  std::vector<codescan::ThreadSite> sites;
  auto scan = [&](uint32_t address, uint32_t size) {
    sites.clear();
    codescan::RedirectThreadReads(static_cast<uint8_t*>(At(address)), size, tp, &sites);
    for (const codescan::ThreadSite& site : sites)
      process::ThreadSites.push_back({address + site.offset, site.base, site.breakpoint});
  };
  if (!plan.code.empty()) {
    std::vector<Span> code = plan.code;
    std::sort(code.begin(), code.end(),
              [](const Span& a, const Span& b) { return a.address < b.address; });
    uint64_t reached = 0;
    for (const Span& span : code) {
      const uint64_t from = std::max<uint64_t>(span.address, reached);
      const uint64_t end = uint64_t{span.address} + span.size;
      if (from < end) scan(static_cast<uint32_t>(from), static_cast<uint32_t>(end - from));
      reached = std::max(reached, end);
    }
  } else {
    for (const Segment& s : plan.segments)
      if (s.flags & elf::PF_X) scan(s.vaddr, s.filesz);
  }
}

void SortThreadSites() {
  std::sort(process::ThreadSites.begin(), process::ThreadSites.end(),
            [](const process::ThreadSite& a, const process::ThreadSite& b) {
              return a.address < b.address;
            });
}

struct FlagProtection {
  uint32_t flag;
  unsigned protection;
};
constexpr FlagProtection kFlagProtections[] = {
    {elf::PF_R, platform::kRead},
    {elf::PF_W, platform::kWrite},
    {elf::PF_X, platform::kExecute},
};
static_assert(std::size(kFlagProtections) == 3);

unsigned ProtectionOf(uint32_t flags) {
  unsigned protection = platform::kNoAccess;
  for (const FlagProtection& row : kFlagProtections)
    if (flags & row.flag) protection |= row.protection;
  return protection;
}

// Each segment's pages get what its p_flags ask for, as the Linux kernel
// would map them, so the guest's writes into its code or read-only data
// fault; a page two segments share gets both. The rest of the region (the
// copy's remainder, the break area) is read-write. Results are not checked:
// a page the platform would not change keeps the region's full access.
void ProtectSegments(const Plan& plan, uint32_t from, uint64_t to) {
  constexpr uint32_t kPage = platform::kPageSize;
  platform::Protect(from, static_cast<uint32_t>(to - from), platform::kRead | platform::kWrite);
  // Walk the segments upwards, holding back the last page of each until we
  // know whether the next one shares it.
  bool pending = false;
  uint32_t pendingPage = 0;
  unsigned pendingProtection = 0;
  for (const Segment& s : plan.segments) {
    uint32_t first = s.vaddr & ~(kPage - 1);
    const uint32_t last = static_cast<uint32_t>(s.End() - 1) & ~(kPage - 1);
    const unsigned protection = ProtectionOf(s.flags);
    if (pending && pendingPage == first) {
      pendingProtection |= protection;
      if (first == last) continue;
      platform::Protect(pendingPage, kPage, pendingProtection);
      first += kPage;
    } else if (pending) {
      platform::Protect(pendingPage, kPage, pendingProtection);
    }
    if (first < last) platform::Protect(first, last - first, protection);
    pending = true;
    pendingPage = last;
    pendingProtection = protection;
  }
  if (pending) platform::Protect(pendingPage, kPage, pendingProtection);
}

}  // namespace

std::string_view ElfRefusalText(std::span<const uint8_t> file) {
  Plan plan;
  return PlanImage(elfview::ViewOf(file), plan);
}

namespace {

// A stretch of the program file that the loader has in memory.
struct Piece {
  uint64_t offset, size;
};

}  // namespace

namespace {

// Reads the pieces in the file's order into `bytes` at their own offsets,
// skipping what this call or an earlier one (`present`, a few pieces)
// brought in already, and notes what it read in `present`. A piece is cut
// to the file; whether it makes sense is the checks' business.
void ReadPieces(rtl::File& file, uint8_t* bytes, uint64_t size,
                std::vector<Piece> pieces, std::vector<Piece>* present) {
  std::vector<Piece> earlier = *present;
  for (Piece& p : pieces) {
    p.offset = std::min(p.offset, size);
    p.size = std::min(p.size, size - p.offset);
  }
  const auto byOffset = [](const Piece& a, const Piece& b) { return a.offset < b.offset; };
  std::sort(pieces.begin(), pieces.end(), byOffset);
  std::sort(earlier.begin(), earlier.end(), byOffset);
  // Pieces a short gap apart are read as one: a read costs more than the
  // few bytes between them, and only large stretches are worth leaving.
  constexpr uint64_t kGap = 64 * 1024;
  std::vector<Piece> merged;
  for (const Piece& p : pieces) {
    if (!merged.empty() && p.offset <= merged.back().offset + merged.back().size + kGap) {
      Piece& last = merged.back();
      last.size = std::max(last.offset + last.size, p.offset + p.size) - last.offset;
    } else {
      merged.push_back(p);
    }
  }
  uint64_t reached = 0;  // the end of what this call has read
  for (const Piece& p : merged) {
    uint64_t from = std::max(p.offset, reached);
    for (const Piece& had : earlier)
      if (had.offset <= from && from < had.offset + had.size) from = had.offset + had.size;
    const uint64_t to = p.offset + p.size;
    if (from >= to) continue;
    file.Seek(static_cast<int64_t>(from));
    file.Read(bytes + from, static_cast<uint32_t>(to - from));
    present->push_back({from, to - from});
    reached = to;
  }
}

bool IsSectionName(std::string_view name) {
  for (std::string_view known : kSectionNames)
    if (name == known) return true;
  return false;
}

// Only what the loader reads of the file comes into memory: the headers
// and their tables, every segment's bytes, and the sections it finds by
// name or the program's memory holds. Debug sections and the symbol table
// stay on disk, so a program with hundreds of MB of them costs what its
// loadable part costs. Returns what was read, at its own offsets in
// `bytes`, which holds the file's first kHeaderSize bytes already.
std::vector<Piece> ReadNeededPieces(rtl::File& file, uint8_t* bytes, uint64_t size) {
  std::vector<Piece> present{{0, elf::kHeaderSize}};
  const View view = elfview::ViewOf({bytes, static_cast<size_t>(size)});
  // The two header tables, then the section names, then what they point at.
  const uint32_t phoff = *view.U32(elf::e_phoff), shoff = *view.U32(elf::e_shoff);
  const uint32_t phnum = *view.U16(elf::e_phnum), shnum = *view.U16(elf::e_shnum);
  const uint32_t shstrndx = *view.U16(elf::e_shstrndx);
  ReadPieces(file, bytes, size,
             {{phoff, uint64_t{phnum} * elf::kPhdrSize}, {shoff, uint64_t{shnum} * elf::kShdrSize}},
             &present);
  const auto section = [&](uint32_t i, uint32_t field) {
    return view.U32(uint64_t{shoff} + uint64_t{i} * elf::kShdrSize + field).value_or(0);
  };
  const bool sections = view.HoldsTable(shoff, shnum, elf::kShdrSize) && shstrndx < shnum;
  if (sections)
    ReadPieces(file, bytes, size,
               {{section(shstrndx, elf::sh_offset), section(shstrndx, elf::sh_size)}}, &present);
  std::vector<Piece> wanted;
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint64_t at = uint64_t{phoff} + uint64_t{i} * elf::kPhdrSize;
    wanted.push_back({view.U32(at + elf::p_offset).value_or(0),
                      view.U32(at + elf::p_filesz).value_or(0)});
  }
  const Range names{section(shstrndx, elf::sh_offset), section(shstrndx, elf::sh_size)};
  for (uint32_t i = 0; sections && i < shnum; ++i) {
    if (section(i, elf::sh_type) == elf::SHT_NOBITS) continue;
    const std::string_view name =
        view.ShortString(names, section(i, elf::sh_name), kLongestSectionName).value_or("");
    if ((section(i, elf::sh_flags) & elf::SHF_ALLOC) != 0 || IsSectionName(name))
      wanted.push_back({section(i, elf::sh_offset), section(i, elf::sh_size)});
  }
  ReadPieces(file, bytes, size, std::move(wanted), &present);
  return present;
}

// A copy of the file's needed parts, high in the address space; null when
// there is no room for it.
uint8_t* CopyOfFile(rtl::File& file, const uint8_t* header, uint64_t size,
                    std::vector<Piece>* present) {
  auto* bytes = static_cast<uint8_t*>(platform::AllocatePagesHigh(static_cast<size_t>(size)));
  if (bytes == nullptr) return nullptr;
  std::memcpy(bytes, header, elf::kHeaderSize);
  *present = ReadNeededPieces(file, bytes, size);
  return bytes;
}

// ---- Libraries -------------------------------------------------------------------
//
// The libraries a program needs are loaded breadth-first, each once, and
// placed wherever the host gives memory: outside the guest region, which
// the program and its break area keep for themselves. All are bound once
// all are in memory, so that every name can be found in any of them.

// The parts of the C library that tumbex serves itself.
constexpr std::string_view kServedLibraries[] = {
    "libc.so.6",       "libm.so.6",    "libdl.so.2",    "libpthread.so.0",
    "librt.so.1",      "libutil.so.1", "ld-linux.so.2",
};


// A file of the run in memory: the loader's copy of what it reads, kept
// until binding is done.
struct Loaded {
  linker::Object* object = nullptr;
  uint8_t* bytes = nullptr;
  uint64_t size = 0;
  Plan plan;
  View FileView() const { return elfview::ViewOf({bytes, static_cast<size_t>(size)}); }
};

void Release(std::vector<Loaded>& loaded) {
  for (Loaded& l : loaded)
    if (l.object != nullptr && !l.object->program && l.bytes != nullptr)
      platform::FreePages(l.bytes, static_cast<size_t>(l.size));
  loaded.clear();
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// The value of a dynamic tag that names a string.
std::optional<std::string_view> DynamicString(const View& file, const Plan& plan, uint32_t tag) {
  if (!plan.dynamic.Has(tag)) return std::nullopt;
  return file.String(plan.names, plan.dynamic.Value(tag));
}

// DT_NEEDED's names in order, up to DT_NULL.
std::vector<std::string_view> NeededNames(const View& file, const Plan& plan) {
  std::vector<std::string_view> names;
  for (uint32_t i = 0; i < Count(plan, kDynamic, elf::kDynSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynamic].offset} + i * elf::kDynSize;
    const uint32_t tag = *file.U32(at);
    if (tag == elf::DT_NULL) break;
    if (tag == elf::DT_NEEDED) names.push_back(*file.String(plan.names, *file.U32(at + 4)));
  }
  return names;
}

// Only a regular file is read: a directory or a FIFO named like a library
// would end the run in a read error, or wait for ever.
bool IsRegularFile(const std::string& path) {
  platform::FileStatus status;
  return platform::PathStatus(path.c_str(), true, &status) == 0 &&
         status.kind == platform::FileKind::kRegular;
}

// Where a library named `name` is: a name with a slash as it stands, else
// the directories of the needing object's run path ($ORIGIN its own
// folder), then the program's folder. Empty when none has it.
std::string FindLibrary(std::string_view name, const linker::Object& by,
                        const std::string& programDirectory) {
  if (name.find('/') != std::string_view::npos) {
    const std::string path(name);
    return IsRegularFile(path) ? path : std::string();
  }
  std::vector<std::string> directories;
  for (std::string_view rest = by.runPath; !rest.empty();) {
    const size_t colon = rest.find(':');
    std::string directory(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    for (std::string_view origin : {"${ORIGIN}", "$ORIGIN"})
      for (size_t at; (at = directory.find(origin)) != std::string::npos;)
        directory.replace(at, origin.size(), by.directory);
    if (!directory.empty()) directories.push_back(directory);
  }
  directories.push_back(programDirectory);
  for (const std::string& directory : directories) {
    const std::string path = directory + "/" + std::string(name);
    if (IsRegularFile(path)) return path;
  }
  return {};
}

// The pages a library's loadable segments take at their link addresses.
bool LinkExtent(const View& file, uint32_t* low, uint64_t* high) {
  const std::optional<uint32_t> phoff = file.U32(elf::e_phoff), phnum = file.U16(elf::e_phnum);
  if (!phoff || !phnum || !file.HoldsTable(*phoff, *phnum, elf::kPhdrSize)) return false;
  uint64_t lowest = kAddressSpaceEnd, highest = 0;
  for (uint32_t i = 0; i < *phnum; ++i) {
    const uint64_t at = uint64_t{*phoff} + uint64_t{i} * elf::kPhdrSize;
    const uint32_t memsz = *file.U32(at + elf::p_memsz);
    if (*file.U32(at + elf::p_type) != elf::PT_LOAD || memsz == 0) continue;
    const uint32_t vaddr = *file.U32(at + elf::p_vaddr);
    lowest = std::min<uint64_t>(lowest, vaddr);
    highest = std::max(highest, uint64_t{vaddr} + memsz);
  }
  if (highest == 0 || highest > kAddressSpaceEnd) return false;
  *low = static_cast<uint32_t>(lowest) & ~(platform::kPageSize - 1);
  *high = (highest + platform::kPageSize - 1) & ~uint64_t{platform::kPageSize - 1};
  return true;
}

// Reads, checks and places the library at `path`. Empty text: done, and
// `out` holds it; otherwise the text that follows the quoted path.
std::string_view LoadLibraryFile(const std::string& path, Loaded& out) {
  rtl::File file(path);
  file.OpenExisting(false);
  const int64_t size = file.Size();
  uint8_t header[elf::kHeaderSize] = {};
  if (size < static_cast<int64_t>(sizeof header)) return kDamaged;
  file.Read(header, sizeof header);
  if (std::string_view refusal = HeaderRefusal(View{header, sizeof header}); !refusal.empty())
    return refusal;
  if (static_cast<uint64_t>(size) >= kAddressSpaceEnd) return kDamaged;
  std::vector<Piece> present;
  out.size = static_cast<uint64_t>(size);
  out.bytes = CopyOfFile(file, header, out.size, &present);
  file.Close();
  if (out.bytes == nullptr) return kNoMemory;
  // Its memory first, as its program headers ask; then the plan at the
  // place the memory was had checks everything, those headers included.
  uint32_t low = 0;
  uint64_t high = 0;
  if (!LinkExtent(out.FileView(), &low, &high)) return kDamaged;
  auto* memory = static_cast<uint8_t*>(platform::AllocatePagesHigh(static_cast<size_t>(high - low)));
  if (memory == nullptr) return kNoMemory;
  const uint32_t base = tblibc::Address(memory);
  out.plan.library = true;
  out.plan.bias = int64_t{base} - int64_t{low};
  if (std::string_view refusal = PlanImage(out.FileView(), out.plan); !refusal.empty()) {
    platform::FreePages(memory, static_cast<size_t>(high - low));
    return refusal;
  }
  PlaceSegments(out.FileView(), out.plan);
  linker::Object& o = *out.object;
  o.path = path;
  o.directory = DirectoryOf(path);
  if (platform::FullPath(path.c_str(), &o.identity) != 0) o.identity = path;
  o.bias = static_cast<uint32_t>(out.plan.bias);
  o.low = base;
  o.high = static_cast<uint32_t>(base + (high - low));
  process::LibraryCode.push_back({o.low, o.high});
  if (std::optional<std::string_view> soname = DynamicString(out.FileView(), out.plan, elf::DT_SONAME))
    o.soname = std::string(*soname);
  return {};
}

// What binding and the dynamic linker's interface need of an object.
void Describe(const Loaded& l) {
  linker::Object& o = *l.object;
  const Plan& plan = l.plan;
  o.phdr = plan.phdr;
  o.phnum = plan.phnum;
  if (plan.hasDynamicSegment)
    if (const Segment* s = SegmentHoldingFileBytes(plan, plan.dynamicSegment.offset, 1))
      o.dynamic = LinkAddress(*s, plan.dynamicSegment.offset);
  if (plan.hasTls && plan.tls.memsz != 0) {
    o.tlsImage = static_cast<uint32_t>(Placed(plan, plan.tls.link));
    o.tlsLink = plan.tls.link;
    o.tlsFileSize = plan.tls.filesz;
    o.tlsMemSize = plan.tls.memsz;
    o.tlsAlign = plan.tls.align;
  }
  o.start = plan.startTables;
  o.ehFrame = plan.ehFrame;
  if (plan.dynamic.Has(elf::DT_PLTGOT))
    o.got = static_cast<uint32_t>(Placed(plan, plan.dynamic.Value(elf::DT_PLTGOT)));
  if (const Segment* s = SegmentHoldingFileBytes(plan, plan.sections[kDynsym].offset,
                                                 plan.sections[kDynsym].size);
      s != nullptr && plan.found[kDynsym])
    o.dynsym = LinkAddress(*s, plan.sections[kDynsym].offset);
  CollectDefinitions(l.FileView(), plan, o);
}

// Loads what the objects from `loaded[0]` on need, breadth-first. False:
// a library was refused, and its reason line is written. With `error` (an
// open while the guest runs) a library not found is an error too, and the
// text is dlerror's rather than a line of the loader's.
bool LoadNeeded(std::vector<Loaded>& loaded, const std::string& programDirectory,
                std::string* error = nullptr) {
  for (size_t next = 0; next < loaded.size(); ++next) {
    // A copy: loading more objects may move the list.
    const Loaded by = loaded[next];
    std::optional<std::string_view> runPath =
        DynamicString(by.FileView(), by.plan, elf::DT_RUNPATH);
    if (!runPath) runPath = DynamicString(by.FileView(), by.plan, elf::DT_RPATH);
    by.object->runPath = std::string(runPath.value_or(""));
    for (std::string_view name : NeededNames(by.FileView(), by.plan)) {
      if (IsServedLibrary(name)) continue;
      linker::Object* known = nullptr;
      for (const auto& o : linker::Objects())
        if (o->soname == name) known = o.get();
      if (known == nullptr) {
        const std::string path = FindLibrary(name, *by.object, programDirectory);
        if (path.empty() && error != nullptr) {
          *error = std::string(name) + ": cannot open shared object file: No such file or directory";
          return false;
        }
        if (path.empty()) {
          rtl::ReportLine("Library \"" + std::string(ShortLibraryName(name)) +
                          "\" needed, runability questionable.");
          continue;
        }
        linker::Objects().push_back(std::make_unique<linker::Object>());
        Loaded l;
        l.object = linker::Objects().back().get();
        l.object->soname = std::string(name);
        loaded.push_back(l);
        if (std::string_view refusal = LoadLibraryFile(path, loaded.back());
            !refusal.empty()) {
          if (error != nullptr) *error = "\"" + path + std::string(refusal);
          else rtl::WriteLine("\"" + path + std::string(refusal));
          return false;
        }
        known = loaded.back().object;
        // One file under two names is still one object.
        for (const auto& o : linker::Objects())
          if (o.get() != known && o->soname == known->soname) {
            // Its memory stays: nothing of a run is ever given back.
            platform::FreePages(loaded.back().bytes, static_cast<size_t>(loaded.back().size));
            loaded.pop_back();
            linker::Objects().pop_back();
            known = o.get();
            break;
          }
      }
      by.object->needed.push_back(known);
    }
  }
  return true;
}

// Libraries first, each after what it needs; the program's own come last
// and are process::GuestStart.
void OrderConstructors(linker::Object& o, std::vector<linker::Object*>& order) {
  if (o.started) return;
  o.started = true;
  for (linker::Object* n : o.needed) OrderConstructors(*n, order);
  if (!o.program) order.push_back(&o);
}

// `file` holds the program file's bytes wherever `present` says; the rest
// reads as zeros and is no part of anything the loader reads.
bool LoadFromView(const std::string& path, const View& file,
                  const std::vector<Piece>& present) {
  // Checks first: nothing is reserved or written for a refused file.
  Plan plan;
  if (std::string_view refusal = PlanImage(file, plan); !refusal.empty()) {
    rtl::WriteLine("\"" + path + std::string(refusal));
    return false;
  }
  process::GuestEntry = plan.entry;
  process::BreakBase = plan.breakBase;
  if (!ObtainRegion(plan.regionEnd)) {
    rtl::WriteLine("Memory allocation error.");
    return false;
  }
  // The region is ours and read-write: file byte k goes to ImageBase + k,
  // then the segments to their link addresses. Binding writes at link
  // addresses from here on; protection comes last, when all writing is done.
  for (const Piece& piece : present)
    std::memcpy(At(ImageBase + static_cast<uint32_t>(piece.offset)), file.bytes + piece.offset,
                static_cast<size_t>(piece.size));
  PlaceSegments(file, plan);
  ReleaseArenas();
  MeasureImports();
  tblibc::ForgetDataObjects();
  linker::Forget();
  process::LibraryStart.clear();
  process::PendingResolvers.clear();
  process::ThreadSites.clear();
  process::LibraryCode.clear();
  linker::Objects().push_back(std::make_unique<linker::Object>());
  std::vector<Loaded> loaded(1);
  loaded[0].object = linker::Objects().back().get();
  loaded[0].object->program = true;
  loaded[0].object->path = path;
  loaded[0].object->directory = DirectoryOf(path);
  loaded[0].object->bias = static_cast<uint32_t>(plan.bias);
  loaded[0].object->low = plan.segments.empty() ? ImageBase
                                                : plan.segments.front().vaddr & ~(platform::kPageSize - 1);
  loaded[0].object->high = static_cast<uint32_t>(std::min<uint64_t>(plan.regionEnd, 0xFFFFFFFF));
  loaded[0].bytes = const_cast<uint8_t*>(file.bytes);
  loaded[0].size = file.size;
  loaded[0].plan = plan;
  const bool ok = LoadNeeded(loaded, loaded[0].object->directory);
  if (ok) {
    for (const Loaded& l : loaded) Describe(l);
  }
  if (!ok || !linker::LayOutThreadLocals()) {
    if (ok) rtl::WriteLine("Memory allocation error.");
    Release(loaded);
    return false;
  }
  // Libraries are bound deepest first, the program last, as the dynamic
  // linker does: the program's copies take the libraries' bound bytes.
  bool bound = true;
  for (size_t i = loaded.size(); i-- > 1;)
    bound = bound && ApplyRelocations(loaded[i].FileView(), loaded[i].plan, *loaded[i].object);
  linker::Object& program = *loaded[0].object;
  // The classic lazy PLT of an ET_EXEC file is rewritten in place; a
  // position-independent one reaches the host through its GOT.
  NameAddresses names;
  if (!plan.positionIndependent) RewritePlt(file, plan, program, names);
  CopyFromLibraries(file, plan, program);
  BindDataObjects(file, plan);
  if (!bound || !ApplyRelocations(file, plan, program)) {
    rtl::WriteLine("Memory allocation error.");
    Release(loaded);
    return false;
  }
  for (const Loaded& l : loaded) {
    linker::FillThreadLocals(*l.object);
    RedirectThreadReads(l.plan);
  }
  SortThreadSites();
  std::vector<linker::Object*> order;
  OrderConstructors(program, order);
  for (linker::Object* o : order) process::LibraryStart.push_back(o->start);
  process::GuestStart = plan.startTables;
  uint32_t regionBase = 0, regionEnd = 0;
  platform::GuestRegion(&regionBase, &regionEnd);
  ProtectSegments(plan, regionBase, plan.regionEnd);
  for (size_t i = 1; i < loaded.size(); ++i)
    ProtectSegments(loaded[i].plan, loaded[i].object->low, loaded[i].object->high);
  Release(loaded);
  return true;
}

}  // namespace

bool IsServedLibrary(std::string_view name) {
  for (std::string_view served : kServedLibraries)
    if (name == served) return true;
  return false;
}

uint32_t ServedAddress(std::string_view name) {
  // The registry is complete before the program is loaded, which measured it.
  if (auto cell = gCells.find(std::string(name)); cell != gCells.end()) return cell->second;
  const uint32_t entry = HostEntry(name);
  return entry == util::UnknownCallReporterAddress() ? 0 : entry;
}

linker::Object* OpenLibrary(const std::string& name, bool global, bool now,
                            std::vector<linker::Object*>* fresh, std::string* error) {
  auto& objects = linker::Objects();
  linker::Object& program = *objects.front();
  auto promote = [&](linker::Object* o) {
    // RTLD_GLOBAL puts an object opened before on its own, with what it
    // needs, into the global scope; nothing leaves it again.
    if (!global || o->global) return o;
    std::vector<linker::Object*> todo{o};
    for (size_t i = 0; i < todo.size(); ++i) {
      todo[i]->global = true;
      for (linker::Object* n : todo[i]->needed)
        if (!n->global) todo.push_back(n);
    }
    return o;
  };
  const bool bare = name.find('/') == std::string::npos;
  if (bare)
    for (const auto& o : objects)
      if (o->soname == name) return promote(o.get());
  const std::string path = bare ? FindLibrary(name, program, program.directory) : name;
  if (path.empty() || !IsRegularFile(path)) {
    *error = name + ": cannot open shared object file: No such file or directory";
    return nullptr;
  }
  std::string identity;
  if (platform::FullPath(path.c_str(), &identity) != 0) identity = path;
  for (const auto& o : objects)
    if (!o->program && o->identity == identity) return promote(o.get());
  const size_t first = objects.size();
  // Only the new objects' lists name the new objects: a failed open leaves
  // the run as it was (their memory stays, as all memory of a run does).
  auto forget = [&]() { objects.resize(first); };
  objects.push_back(std::make_unique<linker::Object>());
  std::vector<Loaded> loaded(1);
  loaded[0].object = objects.back().get();
  const size_t slash = path.find_last_of("/\\");
  loaded[0].object->soname = slash == std::string::npos ? path : path.substr(slash + 1);
  loaded[0].object->global = global;
  if (std::string_view refusal = LoadLibraryFile(path, loaded[0]); !refusal.empty()) {
    *error = "\"" + path + std::string(refusal);
    Release(loaded);
    forget();
    return nullptr;
  }
  for (size_t i = 0; i < first; ++i)
    if (objects[i]->soname == loaded[0].object->soname) {
      Release(loaded);
      forget();
      return promote(objects[i].get());
    }
  bool ok = LoadNeeded(loaded, program.directory, error);
  std::string unresolved;
  if (ok) {
    for (const Loaded& l : loaded) {
      l.object->global = global;
      Describe(l);
      ok = ok && linker::AddThreadLocals(*l.object);
    }
    for (size_t i = loaded.size(); ok && i-- > 0;)
      ok = ApplyRelocations(loaded[i].FileView(), loaded[i].plan, *loaded[i].object,
                            now ? &unresolved : nullptr);
    if (ok && !unresolved.empty()) {
      *error = path + ": undefined symbol: " + unresolved;
      ok = false;
    } else if (!ok) {
      *error = path + ": cannot map zero-fill pages";
    }
  }
  if (!ok) {
    Release(loaded);
    forget();
    return nullptr;
  }
  for (const Loaded& l : loaded) {
    linker::FillThreadLocals(*l.object);
    RedirectThreadReads(l.plan);
    ProtectSegments(l.plan, l.object->low, l.object->high);
  }
  SortThreadSites();
  linker::Object* opened = loaded[0].object;
  OrderConstructors(*opened, *fresh);
  Release(loaded);
  return opened;
}

bool LoadElfImageFromBytes(const std::string& path, std::span<const uint8_t> bytes) {
  return LoadFromView(path, elfview::ViewOf(bytes), {{0, bytes.size()}});
}

bool LoadElfImage(const std::string& path) {
  // Read-only access is enough: the file is copied, never written.
  rtl::File file(path);
  file.OpenExisting(false);
  const int64_t size = file.Size();
  uint8_t header[elf::kHeaderSize];
  file.Read(header, sizeof header);  // a shorter file ends in the I/O report
  if (std::string_view refusal = HeaderRefusal(View{header, sizeof header});
      !refusal.empty()) {
    file.Close();
    rtl::WriteLine("\"" + path + std::string(refusal));
    return false;
  }
  // A file too large for the address space could never get its region.
  const uint64_t length = static_cast<uint64_t>(size);
  std::vector<Piece> present;
  uint8_t* bytes = length > kAddressSpaceEnd - ImageBase - kCopyToBreak - kBreakAreaSize
                       ? nullptr
                       : CopyOfFile(file, header, length, &present);
  // The host may have put the copy where the region must go (Windows fills
  // its address space from the bottom, and even top-down below the guest's
  // 0x08048000 plus a large file). Then the region is taken first and the
  // copy made again elsewhere.
  Plan plan;
  if (bytes != nullptr && PlanImage(elfview::ViewOf({bytes, static_cast<size_t>(size)}), plan).empty() &&
      reinterpret_cast<uintptr_t>(bytes) < plan.regionEnd &&
      reinterpret_cast<uintptr_t>(bytes) + length > kRegionBase) {
    platform::FreePages(bytes, static_cast<size_t>(size));
    bytes = ObtainRegion(plan.regionEnd) ? CopyOfFile(file, header, length, &present) : nullptr;
    gRegionUntouched = bytes != nullptr;
  }
  file.Close();
  if (bytes == nullptr) {
    rtl::WriteLine("Memory allocation error.");
    return false;
  }
  const bool loaded = LoadFromView(path, elfview::ViewOf({bytes, static_cast<size_t>(size)}), present);
  platform::FreePages(bytes, static_cast<size_t>(size));
  return loaded;
}
