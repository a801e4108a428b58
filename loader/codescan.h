// The guest's stack protector reads its canary from %gs:0x14, the thread
// block the Linux C library keeps there. A Windows process has no such
// segment, so when the image is bound every such read in the guest's code
// is redirected to a word the loader owns: same length, same registers,
// only the address differs. Both ports run the redirected code.
//
// Only instructions are rewritten: the code is walked one instruction at a
// time with a length decoder for the i386 instruction set (with the VEX,
// EVEX and XOP vector instructions and the 3DNow! that distributions'
// programs carry), so a byte sequence that looks like a canary read inside
// another instruction's operands is stepped over, never changed.
#pragma once

#include <cstdint>

namespace codescan {

// Where the parts of one instruction lie, as offsets from its first byte.
// No part but a prefix comes first, so 0 says a part is absent.
struct Layout {
  static constexpr uint8_t kAbsent = 0xFF;
  uint32_t length = 0;           // 0: the bytes form no instruction
  uint8_t opcode = 0;            // past the legacy prefixes (a VEX, EVEX or XOP prefix is here)
  uint8_t segment = kAbsent;     // the segment override in effect: the last one
  uint8_t modrm = 0;             // a ModRM byte that may name memory (mod < 3 does)
  uint8_t displacement = 0;      // its displacement, or A0-A3's memory offset
  uint8_t displacementSize = 0;  // 1, 2 or 4
  bool memoryOffset = false;     // A0-A3: the displacement is the whole address
  bool implicitMemory = false;   // string moves and the like: memory at a fixed register
  bool address16 = false;        // 67: 16-bit addressing
};

// The layout of the 32-bit mode instruction at `code`; length 0 when the
// bytes do not form one within `room` bytes.
Layout Decode(const uint8_t* code, uint32_t room);

// Length in bytes of the 32-bit mode instruction at `code`, or 0 when the
// bytes do not form one within `room` bytes.
uint32_t InstructionLength(const uint8_t* code, uint32_t room);

// Rewrites the canary reads among the instructions of [code, code + size):
//   65 A1 14 00 00 00        mov %gs:0x14,%eax   -> 3E A1 <canary>
//   65 op modrm 14 00 00 00  op %gs:0x14,%reg    -> 3E op modrm <canary>
// for op mov (8B), xor (33), sub (2B) and cmp (3B) with a disp32-only
// operand. 3E (the data-segment override) takes the 65's place, so every
// instruction keeps its length. Returns how many it rewrote.
uint32_t RedirectCanaryReads(uint8_t* code, uint32_t size, uint32_t canary);

}  // namespace codescan
