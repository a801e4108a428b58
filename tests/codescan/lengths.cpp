// Reads code on standard input and writes, for every byte of it, the length
// InstructionLength gives an instruction starting there (0 for none), one
// byte each: check_lengths.py walks these beside objdump's boundaries, and
// may start its walk again anywhere.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "loader/codescan.h"

int main() {
  std::vector<uint8_t> code;
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, stdin)) > 0) code.insert(code.end(), chunk, chunk + got);
  const uint32_t size = static_cast<uint32_t>(code.size());
  std::vector<uint8_t> lengths(size);
  for (uint32_t at = 0; at < size; ++at)
    lengths[at] = static_cast<uint8_t>(codescan::InstructionLength(code.data() + at, size - at));
  return fwrite(lengths.data(), 1, size, stdout) == size ? 0 : 1;
}
