// The InterfaceTable that the bridge library hands the loader: one table of
// code and data addresses, copied by the loader byte for byte and read by
// slot number. Slots 0 to 35 are the table's historical layout; slots after
// them are later hand-overs and never move the earlier ones.
#pragma once

#include <cstdint>

namespace iface {

enum Slot : int {
  kPrintf = 0,
  kFprintf = 1,
  kVfprintf = 2,
  kSnprintf = 3,
  kPuts = 4,
  kPutc = 5,
  kFputc = 6,
  kRead = 7,
  kFread = 8,
  kWrite = 9,
  kFwrite = 10,
  kTblopen = 11,
  kClose = 12,
  kFcntl = 13,
  kFputs = 14,
  kFflush = 15,
  kFileno = 16,
  kMkdir = 17,
  kTblgetoptLong = 18,
  kTblgetopt = 19,
  kSetaoptind = 20,
  kStrlen = 21,
  kStrrchr = 22,
  kStrchr = 23,
  kStrstr = 24,
  kStrcpy = 25,
  kStrncpy = 26,
  kBsearch = 27,
  kStrcmp = 28,
  kStrncmp = 29,
  kRindex = 30,
  kIndex = 31,
  kStderr = 32,
  kStdin = 33,
  kStdout = 34,
  kOptind = 35,
  // setaoptvars(char** optarg, int* optopt, int* opterr): the guest's other
  // option-parser variables, each null when the guest has none.
  kSetaoptvars = 36,
  kSlotCount = 37
};

constexpr int kTableBytes = kSlotCount * 4;

}  // namespace iface

// The library exports this one name (a symbol-visibility attribute on ELF
// hosts, tblibc.def on PE hosts).
extern "C" __attribute__((visibility("default"))) const uint32_t* theint(void);
