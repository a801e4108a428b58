// The scanf engine's door for the wscanf family (widestreams.cpp), which
// brings its own wide characters: from the guest's wide string or from a
// wide-oriented stream.
#pragma once

#include <cstdint>

namespace tblibc::scan {

// Which names the guest called: the older ones read "%as" as "%ms", as the
// Linux C library's pre-C99 scanf does; the C23 ones know %b and "0b".
enum class Dialect { kGnu, kC99, kC23 };

// `get` answers the next wide character, taken (WEOF at the end or on a
// read error); `unget` gives back the one the engine looked at last and
// did not use.
struct WideSource {
  uint32_t (*get)(void* context);
  void (*unget)(uint32_t wc, void* context);
  void* context;
};

// wscanf over the guest's wide format, its arguments as 32-bit words (every
// one a pointer). Narrow conversions (%s, %c, %[) store what wcrtomb makes
// of each character, failing with EILSEQ past ASCII; %ls, %lc and %l[
// store the characters whole; %n counts characters.
int ScanWide(const WideSource& source, const uint32_t* format, const uint32_t* words,
             Dialect dialect);

}  // namespace tblibc::scan
