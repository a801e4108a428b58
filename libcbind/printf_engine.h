// The one printf formatter behind every name of the printf family (and
// error()): the Linux C library's formats in the "C" locale on i386, over
// the guest's arguments as they lie on its stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tblibc::format {

// Where formatted bytes go. The formatter fills `buffer`; when it is full
// it calls `drain`, which makes room (writes the bytes out, grows the
// block, or sets `discard`) or fails with errno set.
struct Output {
  char* buffer = nullptr;
  size_t capacity = 0;
  size_t used = 0;
  bool discard = false;  // bytes are only counted from here on
  bool (*drain)(Output&) = nullptr;
  void* target = nullptr;
  uint32_t total = 0;    // bytes produced so far, at most INT_MAX
};

// Modes of a call.
constexpr unsigned kFortify = 1;  // the __*_chk forms with flag > 0

// Formats into `out` with the arguments at `args` (i386 stack layout: int
// and pointers 4 bytes, long long and double 8, long double 12). Returns the
// number of bytes produced, or -1 with errno set (EINVAL for an unfinished
// conversion, EILSEQ for a wide character the "C" locale cannot write,
// EOVERFLOW past INT_MAX, or the drain's error). Bytes still in the buffer
// stay there for the caller.
int Format(Output& out, const char* format, const uint8_t* args,
           unsigned mode = 0);

// The formatted text as a host string (what came before a failure).
std::string FormatText(const char* format, const uint8_t* args);

}  // namespace tblibc::format
