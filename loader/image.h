// Values shared between the image loader, the binding, the system calls and
// guest start.
#pragma once

#include <cstdint>

constexpr uint32_t ImageBase = 0x08048000;
constexpr uint32_t kBreakAreaSize = 0x800000;

extern uint32_t GuestEntry;  // the ELF entry address
extern uint32_t BreakBase;   // start of the 8 MiB break area
