// The Linux i386 C library's stream constants and position records, as a
// guest compiled against its headers sees them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

// setvbuf() buffering modes.
constexpr int32_t k_IOFBF = 0;
constexpr int32_t k_IOLBF = 1;
constexpr int32_t k_IONBF = 2;

constexpr int32_t kEOF = -1;
constexpr uint32_t kBUFSIZ = 8192;
// The size a guest gives tmpnam's buffer, terminator included.
constexpr uint32_t kL_tmpnam = 20;

// A conversion state as mbstate_t keeps it: a count and a pending value.
struct MbState {
  int32_t count;
  uint32_t value;
};

// fpos_t: a 32-bit offset and the stream's conversion state.
struct FilePosition {
  int32_t position;
  MbState state;
};
static_assert(sizeof(FilePosition) == 12);
static_assert(offsetof(FilePosition, position) == 0);
static_assert(offsetof(FilePosition, state) == 4);

// fpos64_t: the same with a 64-bit offset, which i386 aligns to 4 bytes.
struct FilePosition64 {
  uint32_t positionLow;
  int32_t positionHigh;
  MbState state;
};
static_assert(sizeof(FilePosition64) == 16);
static_assert(offsetof(FilePosition64, positionLow) == 0);
static_assert(offsetof(FilePosition64, state) == 8);

}  // namespace linux
