// The wide form: the guest's wide characters as bytes, so that the printf
// formatter and the scanf engine, which walk bytes, serve the wprintf and
// wscanf families unchanged. One below 0x80 is its own byte; any other is a
// lead byte 0xF8 to 0xFB with its top two bits and five continuation bytes
// 0x80 to 0xBF with six bits each. No byte of a long one is ASCII, so the
// engines' '%', flags and digits are never met inside one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tblibc::wideform {

constexpr size_t kLongest = 6;

inline size_t Encode(uint32_t wc, char* out) {
  if (wc < 0x80) {
    out[0] = static_cast<char>(wc);
    return 1;
  }
  out[0] = static_cast<char>(0xF8 | (wc >> 30));
  for (int i = 1; i <= 5; ++i)
    out[i] = static_cast<char>(0x80 | ((wc >> (6 * (5 - i))) & 0x3F));
  return kLongest;
}

// A NUL-terminated wide string in the wide form.
inline std::string Encode(const uint32_t* text) {
  std::string form;
  char bytes[kLongest];
  for (; *text != 0; ++text) form.append(bytes, Encode(*text, bytes));
  return form;
}

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The character at `p`, p moved past it.
inline uint32_t Next(const char*& p) {
  const auto lead = static_cast<unsigned char>(*p++);
  if (lead < 0x80) return lead;
  uint32_t wc = lead & 0x3;
  for (int i = 0; i < 5 && IsContinuation(static_cast<unsigned char>(*p)); ++i)
    wc = (wc << 6) | (static_cast<unsigned char>(*p++) & 0x3F);
  return wc;
}

// Bytes in, wide characters out, across as many calls as the text
// arrives in.
struct Decoder {
  uint32_t value = 0;
  int rest = 0;  // continuation bytes still to come
  // True when `b` completes a character, in *wc.
  bool Take(unsigned char b, uint32_t* wc) {
    if (rest > 0) {
      value = (value << 6) | (b & 0x3F);
      if (--rest > 0) return false;
    } else if (b >= 0x80) {
      value = b & 0x3;
      rest = 5;
      return false;
    } else {
      value = b;
    }
    *wc = value;
    return true;
  }
};

}  // namespace tblibc::wideform
