// libFuzzer target: the image loader over an in-memory file. Each input
// gets a fresh guest region with no-access pages on both sides, so a write
// outside the region faults, and AddressSanitizer sees every read outside
// the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "loader/elfload.h"
#include "tests/fuzz/fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadElfImageFromBytes("fuzz", std::span<const uint8_t>(data, size));
  fuzzhost::ReleaseRegion();
  return 0;
}
