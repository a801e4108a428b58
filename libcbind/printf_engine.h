// The one printf formatter behind every name of the printf family (and
// error()): the Linux C library's formats in the "C" locale on i386, over
// the guest's arguments as they lie on its stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "libcbind/wideform.h"

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
  uint32_t hidden = 0;   // of them, continuation bytes of the wide form
};

// Modes of a call.
constexpr unsigned kFortify = 1;  // the __*_chk forms with flag > 0
// The wprintf family: the format and the output are wide characters in
// their wide form (wideform.h). %s and %c convert narrow text as the "C"
// locale's mbrtowc and btowc do, %ls and %lc take wide characters whole,
// and widths, precisions, %n and the count are of wide characters.
constexpr unsigned kWide = 2;

// Formats into `out` with the arguments at `args` (i386 stack layout: int
// and pointers 4 bytes, long long and double 8, long double 12). Returns the
// number of bytes produced (wide characters under kWide), or -1 with errno
// set (EINVAL for an unfinished conversion, EILSEQ for a character the "C"
// locale cannot convert, EOVERFLOW past INT_MAX, or the drain's error); a
// wide character WEOF written by %c or %lc ends the call with -1 and errno
// as it was, as glibc's wide writer takes it for its own failure. Bytes
// still in the buffer stay there for the caller. `origin` is where the
// guest's format lies when `format` is a copy of it, for the fortified
// check of %n.
int Format(Output& out, const char* format, const uint8_t* args,
           unsigned mode = 0, const void* origin = nullptr);

// The formatted text as a host string (what came before a failure).
std::string FormatText(const char* format, const uint8_t* args);

}  // namespace tblibc::format
