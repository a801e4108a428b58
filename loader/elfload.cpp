// The ELF image loader. It takes a Linux i386 executable, checks it, puts
// the whole file at ImageBase in the guest region, moves the loadable
// segments to their link addresses and binds the image to the host: needed
// libraries are reported, the guest's C-library data objects are filled,
// and every lazy PLT entry becomes a jump to the host entry of its symbol.
//
// The file is untrusted. Everything it says is checked in a first pass that
// writes nothing (PlanImage); only a file that passes it gets the region
// and is written (ApplyPlan). The checks make every later read and write
// land inside the file or inside the region.
#include "loader/elfload.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "libcbind/family.h"
#include "libcbind/tblibc.h"
#include "libcbind/util.h"
#include "loader/elfview.h"
#include "platform/platform.h"
#include "runtime/rtl.h"

uint32_t GuestEntry = 0;
uint32_t BreakBase = 0;

namespace {

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

constexpr uint32_t e_entry = 24, e_phoff = 28, e_shoff = 32, e_phnum = 44,
                   e_shnum = 48, e_shstrndx = 50;
constexpr uint32_t sh_name = 0, sh_offset = 16, sh_size = 20;
constexpr uint32_t p_type = 0, p_offset = 4, p_vaddr = 8, p_filesz = 16,
                   p_memsz = 20, p_flags = 24;
constexpr uint32_t st_name = 0, st_value = 4, st_size = 8;
constexpr uint32_t r_info = 4;

constexpr uint32_t PT_LOAD = 1;
constexpr uint32_t DT_NEEDED = 1;
constexpr uint32_t PF_X = 1, PF_W = 2, PF_R = 4;
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
  std::string_view text;  // follows the quoted path
};

// In the order users have always seen them: the first failure is reported.
constexpr HeaderCheck kHeaderChecks[] = {
    {0, 4, 0x464C457F, "\" is not an ELF."},  // 7F 'E' 'L' 'F'
    {4, 1, 1, "\" class is not ELFCLASS32."},
    {5, 1, 1, "\" data is not ELFDATA2LSB."},
    {6, 1, 1, "\" is of unknown version."},
    {16, 2, 2, "\" is not an executable."},
    {18, 2, 3, "\" is not for EM_386."},
    {20, 4, 1, "\" is of unknown version."},
};
static_assert(std::size(kHeaderChecks) == 7);

constexpr std::string_view kDamaged = "\" is damaged.";

// Empty when the header passes.
std::string_view HeaderRefusal(const View& file) {
  for (const HeaderCheck& check : kHeaderChecks) {
    std::optional<uint32_t> value =
        check.width == 4   ? file.U32(check.offset)
        : check.width == 2 ? file.U16(check.offset)
                           : file.U8(check.offset);
    if (!value) return kDamaged;
    if (*value != check.expected) return check.text;
  }
  return {};
}

// ---- Sections found by name -------------------------------------------------

enum SectionId { kDynsym, kDynamic, kRelPlt, kDynstr, kPlt, kSectionCount };
constexpr std::string_view kSectionNames[] = {".dynsym", ".dynamic",
                                              ".rel.plt", ".dynstr", ".plt"};
static_assert(std::size(kSectionNames) == kSectionCount);

// ---- Data objects -----------------------------------------------------------
//
// The guest's C-library objects that the host provides (their word is
// written with the host's value) or wants to know about (their address is
// recorded; the guest's word is left alone).

struct DataObject {
  std::string_view name;
  uint32_t (*value)();  // written into the guest, or
  uint32_t* address;    // where the guest's address is recorded
};

constexpr DataObject kDataObjects[] = {
    {"stderr", [] { return tblibc::HostStderr; }, nullptr},
    {"stdin", [] { return tblibc::HostStdin; }, nullptr},
    {"_IO_stdin_used",
     [] { return static_cast<uint32_t>(
              reinterpret_cast<uintptr_t>(&tblibc::StdinUsedWord)); },
     nullptr},
    {"stdout", [] { return tblibc::HostStdout; }, nullptr},
    {"optind", nullptr, &tblibc::GuestOptindAddress},
    {"optarg", nullptr, &tblibc::GuestOptargAddress},
    {"optopt", nullptr, &tblibc::GuestOptoptAddress},
    {"opterr", nullptr, &tblibc::GuestOpterrAddress},
};
static_assert(std::size(kDataObjects) == 8);

// ---- The plan -----------------------------------------------------------------

struct Segment {
  uint32_t offset, vaddr, filesz, memsz, flags;
  uint64_t End() const { return uint64_t{vaddr} + memsz; }
};

struct Plan {
  uint32_t entry = 0;
  std::vector<Segment> segments;  // loadable, non-empty, by address
  Range sections[kSectionCount];
  bool found[kSectionCount] = {};
  uint32_t breakBase = 0;
  uint64_t regionEnd = 0;  // may lie past the address space: no region then
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

// The segment whose memory image holds [address, address + length), if any.
const Segment* SegmentHoldingAddress(const Plan& plan, uint64_t address,
                                     uint64_t length) {
  for (const Segment& s : plan.segments)
    if (address >= s.vaddr && address + length <= s.End()) return &s;
  return nullptr;
}

// Program headers: every loadable segment has its file part inside the
// file and its memory image above the region's base and below the top of
// the address space, and no two memory images share a byte.
bool PlanSegments(const View& file, uint32_t phoff, uint32_t phnum,
                  Plan& plan) {
  if (!file.HoldsTable(phoff, phnum, elf::kPhdrSize)) return false;
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint64_t at = uint64_t{phoff} + uint64_t{i} * elf::kPhdrSize;
    if (*file.U32(at + elf::p_type) != elf::PT_LOAD) continue;
    Segment s{*file.U32(at + elf::p_offset), *file.U32(at + elf::p_vaddr),
              *file.U32(at + elf::p_filesz), *file.U32(at + elf::p_memsz),
              *file.U32(at + elf::p_flags)};
    if (s.filesz > s.memsz || !file.Holds(s.offset, s.filesz)) return false;
    if (s.memsz == 0) continue;
    if (s.vaddr < kRegionBase || s.End() > kAddressSpaceEnd) return false;
    plan.segments.push_back(s);
  }
  // Placement reads the unchanged file bytes, so the order does not matter
  // there; in address order, overlaps and shared pages are neighbours.
  std::sort(plan.segments.begin(), plan.segments.end(),
            [](const Segment& a, const Segment& b) { return a.vaddr < b.vaddr; });
  for (size_t i = 1; i < plan.segments.size(); ++i)
    if (plan.segments[i - 1].End() > plan.segments[i].vaddr) return false;
  // The entry point must be somewhere the guest's code can be.
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
  for (uint32_t i = 0; i < shnum; ++i) {
    std::optional<std::string_view> name =
        file.String(names, *file.U32(header(i) + elf::sh_name));
    if (!name) return false;
    for (int id = 0; id < kSectionCount; ++id) {
      if (*name != kSectionNames[id]) continue;
      plan.sections[id] = {*file.U32(header(i) + elf::sh_offset),
                           *file.U32(header(i) + elf::sh_size)};
      plan.found[id] = true;
    }
  }
  for (int id = 0; id < kSectionCount; ++id)
    if (plan.found[id] && !file.Holds(plan.sections[id])) return false;
  const bool* f = plan.found;
  if ((f[kDynamic] || f[kDynsym]) && !f[kDynstr]) return false;
  if (f[kPlt] && !(f[kDynsym] && f[kDynstr] && f[kRelPlt])) return false;
  return true;
}

// Every needed library's name and every symbol's name lie in .dynstr.
// Called after PlanSections, so the tables themselves are in the file.
bool CheckDynamicNames(const View& file, const Plan& plan) {
  const Range dynstr = plan.sections[kDynstr];
  for (uint32_t i = 0; i < Count(plan, kDynamic, elf::kDynSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynamic].offset} + i * elf::kDynSize;
    if (*file.U32(at) == elf::DT_NEEDED && !file.String(dynstr, *file.U32(at + 4)))
      return false;
  }
  for (uint32_t i = 0; i < Count(plan, kDynsym, elf::kSymSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + i * elf::kSymSize;
    if (!file.String(dynstr, *file.U32(at + elf::st_name))) return false;
  }
  return true;
}

enum class PltEntry { kKeep, kRewrite, kDamaged };

// What to do with the PLT entry at file offset `at`; for one to rewrite,
// `nameOffset` receives the file offset of its symbol's name. Its push
// operand, its relocation's symbol index and the symbol's name are all
// checked. Needs a plan whose sections passed PlanSections.
PltEntry ResolvePltEntry(const View& file, const Plan& plan, uint64_t at,
                         uint32_t* nameOffset) {
  if (*file.U8(at + kPushAt) != kPush) return PltEntry::kKeep;
  const uint32_t push = *file.U32(at + kPushAt + 1);
  const Range rel = plan.sections[kRelPlt];
  if (push > rel.size || rel.size - push < elf::kRelSize) return PltEntry::kDamaged;
  const uint32_t symbol = *file.U32(uint64_t{rel.offset} + push + elf::r_info) >> 8;
  if (symbol >= Count(plan, kDynsym, elf::kSymSize)) return PltEntry::kDamaged;
  const uint32_t name = *file.U32(uint64_t{plan.sections[kDynsym].offset} +
                                  uint64_t{symbol} * elf::kSymSize + elf::st_name);
  if (!file.String(plan.sections[kDynstr], name)) return PltEntry::kDamaged;
  *nameOffset = plan.sections[kDynstr].offset + name;
  return PltEntry::kRewrite;
}

// The PLT is rewritten where the guest runs it, so it must lie in the file
// part of a loadable segment; each entry to rewrite must resolve.
bool CheckPlt(const View& file, const Plan& plan) {
  const Range plt = plan.sections[kPlt];
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  if (count == 0) return true;
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

// The first pass: header, program headers, sections, names, PLT, and the
// region's extent. Reads the file only. Empty text: the file may load.
std::string_view PlanImage(const View& file, Plan& plan) {
  if (std::string_view refusal = HeaderRefusal(file); !refusal.empty())
    return refusal;
  if (!file.Holds(0, elf::kHeaderSize)) return kDamaged;
  // From here on the header's fields are known to be in the file.
  plan.entry = *file.U32(elf::e_entry);
  if (!PlanSegments(file, *file.U32(elf::e_phoff), *file.U16(elf::e_phnum), plan) ||
      !PlanSections(file, *file.U32(elf::e_shoff), *file.U16(elf::e_shnum),
                    *file.U16(elf::e_shstrndx), plan) ||
      !CheckDynamicNames(file, plan) || !CheckPlt(file, plan))
    return kDamaged;
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
bool ObtainRegion(uint64_t end) {
  uint32_t base = 0, have = 0;
  platform::GuestRegion(&base, &have);
  if (have > base) {
    if (base > kRegionBase || have < end) return false;
    platform::Protect(base, have - base, platform::kRead | platform::kWrite);
    std::memset(reinterpret_cast<void*>(uintptr_t{kRegionBase}), 0,
                static_cast<size_t>(end - kRegionBase));
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

// Only libc and libm are served by the host; any other needed library is
// worth a warning, never a refusal.
void WarnAboutLibraries(const View& file, const Plan& plan) {
  for (uint32_t i = 0; i < Count(plan, kDynamic, elf::kDynSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynamic].offset} + i * elf::kDynSize;
    if (*file.U32(at) != elf::DT_NEEDED) continue;
    std::string_view name = ShortLibraryName(
        *file.String(plan.sections[kDynstr], *file.U32(at + 4)));
    if (name != "c" && name != "m")
      rtl::WriteLine("Library \"" + std::string(name) +
                     "\" needed, runability questionable.");
  }
}

// Where an unregistered symbol's entry points the reporter: the name in the
// guest's own image when a segment holds it, else a copy that lives as long.
uint32_t NameAddress(const View& file, const Plan& plan, uint32_t offset) {
  const size_t length = std::strlen(reinterpret_cast<const char*>(file.bytes + offset)) + 1;
  if (const Segment* s = SegmentHoldingFileBytes(plan, offset, length))
    return LinkAddress(*s, offset);
  void* copy = rtl::HeapAlloc(length);
  std::memcpy(copy, file.bytes + offset, length);
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(copy));
}

// Every lazy entry becomes eleven no-operations and a jump to the host
// entry, or, for a name the host does not serve, a push of the name and a
// call of the reporter. Written at the link address, after placement, so
// the displacements hold wherever the segment came from.
void RewritePlt(const View& file, const Plan& plan) {
  const Range plt = plan.sections[kPlt];
  const uint32_t count = Count(plan, kPlt, elf::kPltEntrySize);
  if (count == 0) return;
  const Segment& home =
      *SegmentHoldingFileBytes(plan, plt.offset, count * elf::kPltEntrySize);
  const uint32_t reporter = util::UnknownCallReporterAddress();
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = plt.offset + i * elf::kPltEntrySize;
    uint32_t nameOffset = 0;
    if (ResolvePltEntry(file, plan, at, &nameOffset) != PltEntry::kRewrite) continue;
    const uint32_t e = LinkAddress(home, at);
    const uint32_t target = util::LookupImport(
        reinterpret_cast<const char*>(file.bytes + nameOffset));
    const uint32_t displacement = target - (e + elf::kPltEntrySize);
    uint8_t entry[elf::kPltEntrySize];
    std::memset(entry, kNop, sizeof entry);
    entry[kBranchAt] = kJmp;
    if (target == reporter) {
      const uint32_t name = NameAddress(file, plan, nameOffset);
      entry[kPushAt] = kPush;
      std::memcpy(entry + kPushAt + 1, &name, 4);
      entry[kBranchAt] = kCall;
    }
    std::memcpy(entry + kBranchAt + 1, &displacement, 4);
    std::memcpy(At(e), entry, sizeof entry);
  }
}

// Filled after placement, so that no segment move overwrites them; a symbol
// whose word is not in the guest's image (0 for an undefined one) is left.
void BindDataObjects(const View& file, const Plan& plan) {
  for (const DataObject& object : kDataObjects)
    if (object.address) *object.address = 0;
  for (uint32_t i = 0; i < Count(plan, kDynsym, elf::kSymSize); ++i) {
    const uint64_t at = uint64_t{plan.sections[kDynsym].offset} + i * elf::kSymSize;
    const std::string_view name =
        *file.String(plan.sections[kDynstr], *file.U32(at + elf::st_name));
    const uint32_t address = *file.U32(at + elf::st_value);
    const uint32_t size = *file.U32(at + elf::st_size);
    bool known = false;
    for (const DataObject& object : kDataObjects) {
      if (name != object.name) continue;
      known = true;
      if (!SegmentHoldingAddress(plan, address, 4)) continue;
      if (object.value) {
        const uint32_t value = object.value();
        std::memcpy(At(address), &value, 4);
      } else {
        *object.address = address;
      }
    }
    // The C library's other objects belong to the families that serve them;
    // each is handed only a copy that lies wholly in the image.
    if (!known && size != 0 && SegmentHoldingAddress(plan, address, size))
      tblibc::BindFamilyObject(name, address, size);
  }
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
void ProtectSegments(const Plan& plan, uint32_t regionBase) {
  constexpr uint32_t kPage = platform::kPageSize;
  platform::Protect(regionBase, static_cast<uint32_t>(plan.regionEnd - regionBase),
                    platform::kRead | platform::kWrite);
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

bool LoadElfImageFromBytes(const std::string& path, std::span<const uint8_t> bytes) {
  // Checks first: nothing is reserved or written for a refused file.
  const View file = elfview::ViewOf(bytes);
  Plan plan;
  if (std::string_view refusal = PlanImage(file, plan); !refusal.empty()) {
    rtl::WriteLine("\"" + path + std::string(refusal));
    return false;
  }
  GuestEntry = plan.entry;
  BreakBase = plan.breakBase;
  if (!ObtainRegion(plan.regionEnd)) {
    rtl::WriteLine("Memory allocation error.");
    return false;
  }
  // The region is ours and read-write: file byte k goes to ImageBase + k,
  // then the segments to their link addresses. Binding writes at link
  // addresses from here on; protection comes last, when all writing is done.
  std::memcpy(At(ImageBase), file.bytes, file.size);
  PlaceSegments(file, plan);
  WarnAboutLibraries(file, plan);
  RewritePlt(file, plan);
  BindDataObjects(file, plan);
  uint32_t regionBase = 0, regionEnd = 0;
  platform::GuestRegion(&regionBase, &regionEnd);
  ProtectSegments(plan, regionBase);
  return true;
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
  if (uint64_t(size) > kAddressSpaceEnd - ImageBase - kCopyToBreak - kBreakAreaSize) {
    file.Close();
    rtl::WriteLine("Memory allocation error.");
    return false;
  }
  file.Seek(0);
  void* bytes = rtl::HeapAlloc(static_cast<size_t>(size));
  file.Read(bytes, static_cast<uint32_t>(size));
  file.Close();
  const bool loaded = LoadElfImageFromBytes(
      path, {static_cast<const uint8_t*>(bytes), static_cast<size_t>(size)});
  rtl::HeapFree(bytes);
  return loaded;
}
