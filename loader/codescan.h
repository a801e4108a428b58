// The guest's code addresses its thread block through %gs: the stack
// protector's canary at %gs:0x14, its __thread variables below the thread
// pointer. Neither port gives the guest a %gs of its own, so when the image
// is bound every such access is redirected in place to plain data-segment
// addressing of the loader's thread block: same length, same registers,
// only the address differs; or, where a register holds the offset, the
// trap adds the thread pointer for the one instruction. Both ports run the
// redirected code.
//
// Only instructions are rewritten: the code is walked one instruction at a
// time with a decoder for the i386 instruction set (with the VEX, EVEX and
// XOP vector instructions and the 3DNow! that distributions' programs
// carry), so bytes that look like a %gs access inside another instruction's
// operands are stepped over, never changed.
#pragma once

#include <cstdint>
#include <vector>

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

// An access through registers that the thread pointer must be added to
// when it runs: where it lies (from the start of the scanned code) and the
// register (0 eax ... 7 edi) that holds the offset, or the base the offset
// was added to.
struct ThreadSite {
  uint32_t offset;
  uint8_t base;
  bool breakpoint;  // an int3 in front of it, else it faults
};

// Redirects every %gs access among the instructions of [code, code + size)
// to the thread block at `threadPointer` (its word 0 holds the pointer
// itself, as on Linux), 3E (DS) taking the 65's place, at the same length:
//   - an operand with a 32-bit displacement and no base register, or a
//     based one whose displacement is a 32-bit negative (a local-exec
//     variable, the register an index): threadPointer is added to the
//     displacement, and the access is exact;
//   - any other operand (a base register, an implicit one of the string
//     instructions): the registers hold an offset from the thread pointer
//     (initial-exec code, whether it read its GOT slot or the linker
//     relaxed it to an immediate), which no same-length instruction can
//     add to. With `sites`, the 65 becomes an int3 (CC) in front of the
//     instruction's other prefixes and the access is listed for the trap,
//     which runs the instruction behind it with the thread pointer added
//     to the register. A string instruction, or one with another segment
//     prefix, gets 3E instead and is listed too: its access faults at the
//     bare offset, just below 4 GiB, and the trap does the same there;
//   - lea, and instructions without a memory operand: left alone, the
//     prefix has no effect on them.
// Arithmetic on the thread pointer (mov %gs:0 and its sums) is exact, for
// the thread block's word 0 holds its own address and every GOT slot holds
// the offset the Linux C library gives it.
// A %gs access with 16-bit addressing is left alone and counted in
// `*unredirected` (when given); the count of instructions rewritten is
// returned.
uint32_t RedirectThreadReads(uint8_t* code, uint32_t size, uint32_t threadPointer,
                             std::vector<ThreadSite>* sites = nullptr,
                             uint32_t* unredirected = nullptr);

}  // namespace codescan
