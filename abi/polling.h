// What poll and select hand the i386 C library: struct pollfd, its event
// bits (the kernel's, the same on every architecture but sparc and mips),
// and fd_set, 1024 bits in 32-bit words.
#pragma once

#include <cstdint>

namespace linux {

struct PollFd {
  int32_t fd;
  int16_t events;
  int16_t revents;
};
static_assert(sizeof(PollFd) == 8);

constexpr uint16_t kPOLLIN = 0x001;
constexpr uint16_t kPOLLPRI = 0x002;
constexpr uint16_t kPOLLOUT = 0x004;
constexpr uint16_t kPOLLERR = 0x008;
constexpr uint16_t kPOLLHUP = 0x010;
constexpr uint16_t kPOLLNVAL = 0x020;
constexpr uint16_t kPOLLRDNORM = 0x040;
constexpr uint16_t kPOLLRDBAND = 0x080;
constexpr uint16_t kPOLLWRNORM = 0x100;
constexpr uint16_t kPOLLWRBAND = 0x200;

constexpr int32_t kFD_SETSIZE = 1024;
struct FdSet {
  uint32_t bits[kFD_SETSIZE / 32];
};
static_assert(sizeof(FdSet) == 128);

}  // namespace linux
