// Values shared between the image loader, the binding, the system calls and
// guest start.
#pragma once

#include <cstdint>

constexpr uint32_t ImageBase = 0x08048000;
constexpr uint32_t kBreakAreaSize = 0x800000;

extern uint32_t GuestEntry;  // the ELF entry address
extern uint32_t BreakBase;   // start of the 8 MiB break area

// The program's own start-up and clean-up code, from its dynamic table, at
// guest addresses (0: none). The C library's start routine runs them as the
// Linux dynamic linker would.
struct GuestStartTables {
  uint32_t init = 0, fini = 0;
  uint32_t initArray = 0, initArrayCount = 0;
  uint32_t finiArray = 0, finiArrayCount = 0;
};
extern GuestStartTables GuestStart;

// The word the guest's stack protector reads its canary from: the loader
// redirects the guest's %gs:0x14 reads here. Guest start fills it.
extern uint32_t GuestCanary;
