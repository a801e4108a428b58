// A decoder for 32-bit i386 code, table-driven: what follows each opcode (a
// ModRM byte, immediates of which width), and the walks that find the %gs
// accesses among whole instructions.
#include "loader/codescan.h"

#include <array>
#include <cstring>

namespace codescan {
namespace {

// What an opcode is followed by.
enum : uint16_t {
  kNone = 0,
  kM = 1,         // a ModRM byte (with SIB and displacement)
  kI8 = 2,        // an 8-bit immediate
  kI16 = 4,       // a 16-bit immediate, or two 8-bit ones
  kIZ = 8,        // 16 or 32 bits by operand size
  kI32 = 16,      // 32 bits whatever the operand size
  kIA = 32,       // a memory offset: 16 or 32 bits by address size
  kIP = 64,       // a far pointer: a selector and an offset of operand size
  kBad = 128,     // not an instruction of 32-bit mode
  kGroup3 = 256,  // F6/F7: an immediate only for /0 and /1 (test)
  kPrefix = 512,
  kRegs = 1024,   // a ModRM byte read as two registers whatever its mod bits
  kImplicit = 2048,  // memory at a fixed register, its segment overridable
};

using Table = std::array<uint16_t, 256>;

constexpr void Set(Table& t, int from, int to, uint16_t value) {
  for (int i = from; i <= to; ++i) t[i] = value;
}

constexpr Table OneByte() {
  Table t{};
  // The eight arithmetic groups: r/m forms, then AL/eAX with an immediate.
  for (int base = 0x00; base < 0x40; base += 8) {
    Set(t, base, base + 3, kM);
    t[base + 4] = kI8;
    t[base + 5] = kIZ;
  }
  for (int p : {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3})
    t[p] = kPrefix;
  t[0x0F] = kNone;  // the two-byte map, decoded apart
  t[0x62] = kM;     // bound, or an EVEX prefix (decoded apart)
  t[0x63] = kM;     // arpl
  t[0x68] = kIZ;
  t[0x69] = kM | kIZ;
  t[0x6A] = kI8;
  t[0x6B] = kM | kI8;
  Set(t, 0x70, 0x7F, kI8);
  t[0x80] = kM | kI8;
  t[0x81] = kM | kIZ;
  t[0x82] = kM | kI8;
  t[0x83] = kM | kI8;
  Set(t, 0x84, 0x8F, kM);  // 8F: pop, or an XOP prefix (decoded apart)
  t[0x9A] = kIP;
  Set(t, 0xA0, 0xA3, kIA);
  // movs, cmps, lods, outs and xlat read %ds:(%esi) or %ds:(%ebx); stos,
  // scas and ins write %es, which no prefix moves.
  for (int op : {0x6E, 0x6F, 0xA4, 0xA5, 0xA6, 0xA7, 0xAC, 0xAD, 0xD7}) t[op] = kImplicit;
  t[0xA8] = kI8;
  t[0xA9] = kIZ;
  Set(t, 0xB0, 0xB7, kI8);
  Set(t, 0xB8, 0xBF, kIZ);
  t[0xC0] = kM | kI8;
  t[0xC1] = kM | kI8;
  t[0xC2] = kI16;
  t[0xC4] = kM;  // les, or a three-byte VEX prefix (decoded apart)
  t[0xC5] = kM;  // lds, or a two-byte VEX prefix
  t[0xC6] = kM | kI8;
  t[0xC7] = kM | kIZ;
  t[0xC8] = kI16 | kI8;  // enter
  t[0xCA] = kI16;
  t[0xCD] = kI8;
  Set(t, 0xD0, 0xD3, kM);
  t[0xD4] = kI8;
  t[0xD5] = kI8;
  Set(t, 0xD8, 0xDF, kM);  // x87
  Set(t, 0xE0, 0xE7, kI8);
  t[0xE8] = kIZ;
  t[0xE9] = kIZ;
  t[0xEA] = kIP;
  t[0xEB] = kI8;
  t[0xF6] = kM | kGroup3;
  t[0xF7] = kM | kGroup3;
  t[0xFE] = kM;
  t[0xFF] = kM;
  return t;
}

constexpr Table TwoByte() {
  Table t{};
  Set(t, 0x00, 0xFF, kM);  // most of the map takes a ModRM byte
  for (int op : {0x04, 0x0A, 0x0C, 0x25, 0x27, 0x36, 0x39, 0x3B, 0x3C, 0x3D, 0x3E,
                 0x3F, 0x7A, 0x7B})
    t[op] = kBad;
  // A6 and A7 keep their ModRM byte: VIA PadLock's xsha, xstore and xcrypt.
  for (int op : {0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x0E, 0x30, 0x31, 0x32,
                 0x33, 0x34, 0x35, 0x37, 0x77, 0xA0, 0xA1, 0xA2, 0xA8, 0xA9, 0xAA})
    t[op] = kNone;
  t[0x0F] = kM | kI8;  // 3DNow!: the opcode is the byte after the operand
  // mov to and from control, debug and (the 486's) test registers: the
  // processor ignores the mod bits, so no SIB and no displacement follow.
  Set(t, 0x20, 0x24, kRegs);
  t[0x26] = kRegs;
  Set(t, 0x70, 0x73, kM | kI8);
  Set(t, 0x80, 0x8F, kIZ);  // jcc rel32
  t[0xA4] = kM | kI8;
  t[0xAC] = kM | kI8;
  t[0xBA] = kM | kI8;
  Set(t, 0xC2, 0xC6, kM | kI8);
  t[0xC3] = kM;
  Set(t, 0xC8, 0xCF, kNone);  // bswap
  t[0xF7] = kM | kImplicit;    // maskmovq and maskmovdqu store to %ds:(%edi)
  return t;
}

// The 0F map of VEX and EVEX: a ModRM byte throughout, an immediate where
// the legacy map's instruction has one, and no jumps.
constexpr Table VectorTwoByte() {
  Table t{};
  Set(t, 0x00, 0xFF, kM);
  Set(t, 0x70, 0x73, kM | kI8);
  for (int op : {0xC2, 0xC4, 0xC5, 0xC6}) t[op] = kM | kI8;
  t[0x77] = kNone;  // vzeroupper, vzeroall
  t[0xF7] = kM | kImplicit;  // vmaskmovdqu
  return t;
}

constexpr Table kOneByte = OneByte();
constexpr Table kTwoByte = TwoByte();
constexpr Table kVectorTwoByte = VectorTwoByte();
static_assert(kOneByte[0x65] == kPrefix && kOneByte[0x8B] == kM);
static_assert(kTwoByte[0x84] == kIZ && kTwoByte[0xAF] == kM);

// 0F opcodes whose form depends on the mandatory prefix (the last F2 or F3,
// else 66; 0 for none).
struct Mandatory {
  uint8_t op, prefix;
  uint16_t form;
};
constexpr Mandatory kMandatory[] = {
    {0x78, 0x66, kM | kI16},  // AMD's extrq xmm, imm8, imm8 (VMREAD has no such forms)
    {0x78, 0xF2, kM | kI16},  // and insertq xmm, xmm, imm8, imm8
    {0xB8, 0x00, kBad},       // popcnt is F3 0F B8; the rest was the Itanium's jmpe
    {0xB8, 0x66, kBad},
    {0xB8, 0xF2, kBad},
};

uint16_t TwoByteForm(uint8_t op, uint8_t prefix) {
  for (const Mandatory& m : kMandatory)
    if (m.op == op && m.prefix == prefix) return m.form;
  return kTwoByte[op];
}

// The maps past 0F, each of one form throughout, numbered as VEX, EVEX and
// XOP name them: 2 (0F 38), 3 (0F 3A), 5 and 6 (EVEX's half-precision
// maps), 8, 9 and 10 (XOP's).
constexpr uint16_t kMapForm[] = {kBad, kBad, kM, kM | kI8, kBad, kM, kM, kBad,
                                 kM | kI8, kM, kM | kI32};
constexpr uint32_t kMaps = sizeof kMapForm / sizeof kMapForm[0];

// The bytes a ModRM byte takes with its SIB byte and displacement, and the
// displacement's width; length 0 when they do not fit.
struct Operand {
  uint32_t length, displacement;
};

Operand ModRmOperand(const uint8_t* p, uint32_t room, bool address16) {
  if (room < 1) return {0, 0};
  const uint8_t modrm = p[0];
  const unsigned mod = modrm >> 6, rm = modrm & 7;
  uint32_t length = 1, displacement = 0;
  if (mod == 3) return {1, 0};
  if (address16) {
    if (mod == 0 && rm == 6) displacement = 2;
    if (mod != 0) displacement = mod == 1 ? 1 : 2;
  } else {
    if (rm == 4) {
      if (room < 2) return {0, 0};
      length += 1;
      if (mod == 0 && (p[1] & 7) == 5) displacement = 4;
    }
    if (mod == 0 && rm == 5) displacement = 4;
    if (mod != 0) displacement = mod == 1 ? 1 : 4;
  }
  length += displacement;
  return length <= room ? Operand{length, displacement} : Operand{0, 0};
}

// A vector instruction's prefix: its length, and the map it names (0 for
// one it may not name).
struct Escape {
  uint32_t length, map;
};

// C5 (two bytes, map 1), C4 (three) and 62 (four, EVEX) begin a vector
// instruction's prefix when the byte after them has both top bits set: in
// 32-bit mode LDS, LES and BOUND take a memory operand only, whose ModRM
// byte never has. 8F (XOP, three bytes) does when the low five bits of the
// byte after it name a map from 8 up: POP's ModRM byte there would have a
// reg field other than 0. {0, 0} for the older instructions.
Escape VectorEscape(const uint8_t* p, uint32_t room) {
  if (room < 2) return {0, 0};
  const uint32_t next = p[1];
  const bool vex = (next & 0xC0) == 0xC0;
  switch (p[0]) {
    case 0xC5: return vex ? Escape{2, 1} : Escape{0, 0};
    case 0xC4: return vex ? Escape{3, (next & 0x1F) <= 3 ? next & 0x1F : 0} : Escape{0, 0};
    case 0x62: return vex ? Escape{4, next & 7} : Escape{0, 0};
    case 0x8F:
      if ((next & 0x1F) < 8) return {0, 0};
      return {3, (next & 0x1F) < kMaps ? next & 0x1F : 0};
  }
  return {0, 0};
}

}  // namespace

Layout Decode(const uint8_t* code, uint32_t room) {
  Layout layout;
  bool operand16 = false;
  uint8_t rep = 0;
  uint32_t at = 0;
  // Prefixes, at most the 15 bytes an instruction may have.
  while (at < room && kOneByte[code[at]] == kPrefix) {
    switch (code[at]) {
      case 0x66: operand16 = true; break;
      case 0x67: layout.address16 = true; break;
      case 0xF2:
      case 0xF3: rep = code[at]; break;
      case 0xF0: break;
      default: layout.segment = static_cast<uint8_t>(at);
    }
    if (++at >= 15) return {};
  }
  if (at >= room) return {};
  layout.opcode = static_cast<uint8_t>(at);
  uint16_t form = kOneByte[code[at]];
  if (const Escape escape = VectorEscape(code + at, room - at); escape.length != 0) {
    // The VEX, EVEX and XOP prefixes name their opcode map; the opcode follows.
    at += escape.length;
    if (at >= room) return {};
    const uint8_t op = code[at++];
    form = escape.map == 1 ? kVectorTwoByte[op] : kMapForm[escape.map];
  } else if (code[at++] == 0x0F) {
    if (at >= room) return {};
    const uint8_t op = code[at++];
    if (op == 0x38 || op == 0x3A) {  // the three-byte maps
      if (at >= room) return {};
      ++at;
      form = kMapForm[op == 0x38 ? 2 : 3];
    } else {
      form = TwoByteForm(op, rep ? rep : operand16 ? 0x66 : 0);
    }
  }
  if (form & kBad) return {};
  layout.implicitMemory = (form & kImplicit) != 0;
  uint32_t immediate = 0;
  if (form & kM) {
    const Operand operand = ModRmOperand(code + at, room - at, layout.address16);
    if (operand.length == 0) return {};
    if ((form & kGroup3) && ((code[at] >> 3) & 7) < 2)
      immediate += code[at - 1] == 0xF6 ? 1 : operand16 ? 2 : 4;
    layout.modrm = static_cast<uint8_t>(at);
    if (operand.displacement != 0) {
      layout.displacement = static_cast<uint8_t>(at + operand.length - operand.displacement);
      layout.displacementSize = static_cast<uint8_t>(operand.displacement);
    }
    at += operand.length;
  }
  if (form & kRegs) at += 1;
  if (form & kIA) {  // the memory offset is the only immediate of A0-A3
    layout.memoryOffset = true;
    layout.displacement = static_cast<uint8_t>(at);
    layout.displacementSize = layout.address16 ? 2 : 4;
    immediate += layout.displacementSize;
  }
  if (form & kI8) immediate += 1;
  if (form & kI16) immediate += 2;
  if (form & kIZ) immediate += operand16 ? 2 : 4;
  if (form & kI32) immediate += 4;
  if (form & kIP) immediate += 2 + (operand16 ? 2 : 4);
  at += immediate;
  if (at > room || at > 15) return {};
  layout.length = at;
  return layout;
}

uint32_t InstructionLength(const uint8_t* code, uint32_t room) {
  return Decode(code, room).length;
}

namespace {

constexpr uint8_t kGs = 0x65, kDs = 0x3E;

// Walks the whole instructions of [code, code + size), calling `visit`
// with each one's address, layout and the bytes left from it.
template <typename Visit>
void Walk(uint8_t* code, uint32_t size, Visit visit) {
  uint32_t at = 0;
  while (at < size) {
    const Layout layout = Decode(code + at, size - at);
    if (layout.length == 0) {  // not code: step a byte, the walk falls into step again
      ++at;
      continue;
    }
    visit(code + at, layout, size - at);
    at += layout.length;
  }
}

constexpr unsigned kNoRegister = 8;
constexpr uint8_t kLea = 0x8D;

// The registers a 32-bit ModRM operand (mod < 3) adds up.
struct Registers {
  unsigned base, index;
};

Registers AddressRegisters(const uint8_t* modrm) {
  const unsigned mod = modrm[0] >> 6, rm = modrm[0] & 7;
  if (rm != 4) return {mod == 0 && rm == 5 ? kNoRegister : rm, kNoRegister};
  const unsigned base = modrm[1] & 7, index = (modrm[1] >> 3) & 7;
  return {mod == 0 && base == 5 ? kNoRegister : base, index == 4 ? kNoRegister : index};
}

int32_t Displacement32(const uint8_t* p, const Layout& layout) {
  int32_t value;
  std::memcpy(&value, p + layout.displacement, 4);
  return value;
}

// What a %gs access becomes.
enum class Redirect {
  kNone,          // the prefix has no effect: no memory operand, or lea
  kDisplacement,  // DS, the thread pointer added to the displacement
  kPrefix,        // DS alone: the registers hold the address
  kUnable,        // 16-bit addressing: no room for the thread pointer
};

Redirect Classify(const uint8_t* p, const Layout& layout) {
  if (layout.segment == Layout::kAbsent || p[layout.segment] != kGs) return Redirect::kNone;
  const bool addressed = layout.memoryOffset ||
                         (layout.modrm != 0 && p[layout.modrm] < 0xC0 && p[layout.opcode] != kLea);
  if (!addressed && !layout.implicitMemory) return Redirect::kNone;
  if (layout.address16) return Redirect::kUnable;
  if (!addressed) return Redirect::kPrefix;
  if (layout.memoryOffset || AddressRegisters(p + layout.modrm).base == kNoRegister)
    return Redirect::kDisplacement;
  // Local-exec code indexes a variable below the thread pointer with a
  // register and the variable's (negative) offset; an initial-exec
  // operand's register holds the address and its displacement is a field's.
  if (layout.displacementSize == 4 && Displacement32(p, layout) < 0)
    return Redirect::kDisplacement;
  return Redirect::kPrefix;
}

constexpr uint8_t kBreakpoint = 0xCC;

// Whether the 65 is the instruction's one segment prefix.
bool OnlySegmentPrefix(const uint8_t* p, const Layout& layout) {
  for (uint32_t k = 0; k < layout.opcode; ++k)
    if (k != layout.segment && kOneByte[p[k]] == kPrefix && p[k] != 0x66 && p[k] != 0x67 &&
        p[k] != 0xF0 && p[k] != 0xF2 && p[k] != 0xF3)
      return false;
  return true;
}

// The register an access through registers is fixed up by: its base, or
// the one a string instruction reads through.
uint8_t FixedRegister(const uint8_t* p, const Layout& layout) {
  constexpr uint8_t kEbx = 3, kEsi = 6, kEdi = 7;
  if (!layout.implicitMemory) return static_cast<uint8_t>(AddressRegisters(p + layout.modrm).base);
  const uint8_t op = p[layout.opcode];
  if (op == 0xD7) return kEbx;   // xlat
  if (op == 0x0F || layout.modrm != 0) return kEdi;  // maskmovq, maskmovdqu
  return kEsi;
}

}  // namespace

uint32_t RedirectThreadReads(uint8_t* code, uint32_t size, uint32_t threadPointer,
                             std::vector<ThreadSite>* sites, uint32_t* unredirected) {
  uint32_t rewritten = 0, unable = 0;
  Walk(code, size, [&](uint8_t* p, const Layout& layout, uint32_t) {
    switch (Classify(p, layout)) {
      case Redirect::kNone: return;
      case Redirect::kUnable: ++unable; return;
      case Redirect::kDisplacement: {
        const uint32_t address = static_cast<uint32_t>(Displacement32(p, layout)) + threadPointer;
        std::memcpy(p + layout.displacement, &address, 4);
        break;
      }
      case Redirect::kPrefix:
        if (sites == nullptr) break;
        // The breakpoint goes first and the other prefixes move up behind
        // it; past it the instruction reads through DS. Not when another
        // segment prefix would take effect then, nor for string
        // instructions, which a step leaves after one round of a rep.
        if (!layout.implicitMemory && OnlySegmentPrefix(p, layout)) {
          std::memmove(p + 1, p, layout.segment);
          p[0] = kBreakpoint;
          sites->push_back({static_cast<uint32_t>(p - code), FixedRegister(p, layout), true});
          ++rewritten;
          return;
        }
        sites->push_back({static_cast<uint32_t>(p - code), FixedRegister(p, layout), false});
        break;
    }
    p[layout.segment] = kDs;
    ++rewritten;
  });
  if (unredirected) *unredirected = unable;
  return rewritten;
}


}  // namespace codescan
