// The printf formatter. One pass over the format when every argument is
// taken in order; with `%n$` anywhere, a first pass gathers each
// argument's type (as the Linux C library does) so that every argument's
// place on the stack is known before anything is printed.
#include "libcbind/printf_engine.h"

#include <algorithm>
#include <cfenv>
#include <climits>
#include <iterator>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "abi/errno.h"
#include "libcbind/decimal.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "platform/memory.h"

namespace tblibc::format {

namespace {

// ---- Output ---------------------------------------------------------------

bool Overflow() {
  SetErrno(linux::kEOVERFLOW);
  return false;
}

bool PutSlow(Output& o, const char* p, size_t n) {
  if (n > static_cast<size_t>(INT_MAX - o.total)) return Overflow();
  o.total += static_cast<uint32_t>(n);
  while (n != 0 && !o.discard) {
    if (o.used == o.capacity && !o.drain(o)) return false;
    if (o.discard) break;
    const size_t k = std::min(n, o.capacity - o.used);
    std::memcpy(o.buffer + o.used, p, k);
    o.used += k;
    p += k;
    n -= k;
  }
  return true;
}

bool PadSlow(Output& o, char c, int64_t n) {
  if (n > INT_MAX - static_cast<int64_t>(o.total)) return Overflow();
  o.total += static_cast<uint32_t>(n);
  while (n != 0 && !o.discard) {
    if (o.used == o.capacity && !o.drain(o)) return false;
    if (o.discard) break;
    const size_t k = std::min(static_cast<size_t>(n), o.capacity - o.used);
    std::memset(o.buffer + o.used, c, k);
    o.used += k;
    n -= static_cast<int64_t>(k);
  }
  return true;
}

// The common case inline: bytes that fit (the shortest copied by hand, a
// call to memcpy costing more than the copy at those sizes).
inline bool Put(Output& o, const char* p, size_t n) {
  if (n <= o.capacity - o.used && !o.discard &&
      n <= static_cast<size_t>(INT_MAX - o.total)) {
    char* to = o.buffer + o.used;
    if (n <= 4) {
      for (size_t i = 0; i < n; ++i) to[i] = p[i];
    } else {
      std::memcpy(to, p, n);
    }
    o.used += n;
    o.total += static_cast<uint32_t>(n);
    return true;
  }
  return PutSlow(o, p, n);
}

inline bool Pad(Output& o, char c, int64_t n) {
  return n <= 0 || PadSlow(o, c, n);
}

bool Put(Output& o, std::string_view s) { return Put(o, s.data(), s.size()); }

// ---- Conversions ---------------------------------------------------------------

// hh h l ll (L q) j (z Z) t
enum class Length : uint8_t {
  kNone, kChar, kShort, kLong, kLongLong, kLongDouble, kMax, kSize, kPtrdiff
};

// Where an argument comes from: the next one, none, or a position.
constexpr int kNext = -1;
constexpr int kNone = -2;

struct Conversion {
  int data = kNext;   // argument of the value
  int widthArg = kNone, precArg = kNone;
  int width = 0;
  int prec = -1;
  bool left = false, plus = false, space = false, alt = false, zero = false,
       group = false, i18n = false;
  bool positional = false;  // some n$ in this conversion
  bool tooWide = false;     // a number past INT_MAX
  Length length = Length::kNone;
  char conv = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads digits; -1 past INT_MAX.
int ReadNumber(const char*& p) {
  int64_t v = 0;
  bool over = false;
  while (IsDigit(*p)) {
    v = v * 10 + (*p++ - '0');
    if (v > INT_MAX) {
      over = true;
      v = INT_MAX;
    }
  }
  return over ? -1 : static_cast<int>(v);
}

// "n$" at p with n >= 1: its index, p past it; else kNone, p unchanged.
int ReadPosition(const char*& p) {
  if (!IsDigit(*p) || *p == '0') return kNone;
  const char* q = p;
  const int n = ReadNumber(q);
  if (*q != '$' || n < 1) return kNone;
  p = q + 1;
  return n - 1;
}

// Parses what follows a '%'; returns the place after the conversion
// character (at the NUL when the format ends inside it: conv is 0).
const char* Parse(const char* p, Conversion& s) {
  s.data = ReadPosition(p);
  if (s.data == kNone) {
    s.data = kNext;
  } else {
    s.positional = true;
  }
  for (;; ++p) {
    switch (*p) {
      case '-': s.left = true; continue;
      case '+': s.plus = true; continue;
      case ' ': s.space = true; continue;
      case '#': s.alt = true; continue;
      case '0': s.zero = true; continue;
      case '\'': s.group = true; continue;
      case 'I': s.i18n = true; continue;
      default: break;
    }
    break;
  }
  if (*p == '*') {
    ++p;
    s.widthArg = ReadPosition(p);
    if (s.widthArg == kNone) s.widthArg = kNext; else s.positional = true;
  } else if (IsDigit(*p)) {
    s.width = ReadNumber(p);
    if (s.width < 0) s.tooWide = true;
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      ++p;
      s.precArg = ReadPosition(p);
      if (s.precArg == kNone) s.precArg = kNext; else s.positional = true;
    } else {
      s.prec = ReadNumber(p);
      if (s.prec < 0) s.tooWide = true;
    }
  }
  switch (*p) {
    case 'h':
      s.length = *++p == 'h' ? (++p, Length::kChar) : Length::kShort;
      break;
    case 'l':
      s.length = *++p == 'l' ? (++p, Length::kLongLong) : Length::kLong;
      break;
    case 'L': case 'q': ++p; s.length = Length::kLongDouble; break;
    case 'j': ++p; s.length = Length::kMax; break;
    case 'z': case 'Z': ++p; s.length = Length::kSize; break;
    case 't': ++p; s.length = Length::kPtrdiff; break;
    default: break;
  }
  s.conv = *p;
  return *p ? p + 1 : p;
}

bool Wide64(Length l) {
  return l == Length::kLongLong || l == Length::kLongDouble || l == Length::kMax;
}

// Bytes the value argument takes on the stack; 0 when it takes none.
int ArgumentSize(const Conversion& s) {
  switch (s.conv) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return Wide64(s.length) ? 8 : 4;
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
      return s.length == Length::kLongDouble || s.length == Length::kLongLong ? 12 : 8;
    case 'c': case 'C': case 's': case 'S': case 'p': case 'n':
      return 4;
    default:
      return 0;
  }
}

// ---- Arguments -------------------------------------------------------------

struct Arguments {
  const uint8_t* next;             // in order
  const uint8_t* base = nullptr;   // by position
  const uint32_t* offsets = nullptr;

  const uint8_t* Take(int index, int size) {
    if (index >= 0 && offsets != nullptr) return base + offsets[index];
    const uint8_t* p = next;
    next += size;
    return p;
  }
  int32_t Int(int index) {
    int32_t v;
    std::memcpy(&v, Take(index, 4), 4);
    return v;
  }
};

// glibc's numbering with n$ in the format: an argument without a position
// is the next of those without one, counted over the whole format.
void Number(Conversion& s, int& sequence) {
  if (s.widthArg == kNext) s.widthArg = sequence++;
  if (s.precArg == kNext) s.precArg = sequence++;
  if (ArgumentSize(s) != 0 && s.data == kNext) s.data = sequence++;
}

bool HasPosition(const char* format) {
  for (const char* p = std::strchr(format, '%'); p != nullptr;
       p = std::strchr(p, '%')) {
    Conversion s;
    p = Parse(p + 1, s);
    if (s.positional) return true;
    if (s.conv == 0) return false;
  }
  return false;
}

constexpr int kMaxArguments = 1 << 16;

// Every argument's offset from the first, from the types the format gives.
bool Layout(const char* format, unsigned mode, std::vector<uint32_t>& offsets) {
  std::vector<uint8_t> sizes;
  const auto note = [&](int index, int size) {
    if (index < 0) return true;
    if (index >= kMaxArguments) return false;
    if (static_cast<size_t>(index) >= sizes.size()) sizes.resize(index + 1, 0);
    sizes[index] = static_cast<uint8_t>(size);
    return true;
  };
  int sequence = 0;
  for (const char* p = std::strchr(format, '%'); p != nullptr;
       p = std::strchr(p, '%')) {
    Conversion s;
    p = Parse(p + 1, s);
    Number(s, sequence);
    if (!note(s.widthArg, 4) || !note(s.precArg, 4)) return false;
    const int size = ArgumentSize(s);
    if (size != 0 && !note(s.data, size)) return false;
    if (s.conv == 0) break;
  }
  offsets.resize(sizes.size());
  uint32_t at = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (sizes[i] == 0) {
      // A gap: the Linux C library takes it for an int, and its fortified
      // forms refuse it.
      if (mode & kFortify) FatalError("*** invalid %N$ use detected ***");
      sizes[i] = 4;
    }
    offsets[i] = at;
    at += sizes[i];
  }
  return true;
}

// ---- Integers, characters, strings -----------------------------------------

constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr char kUpperDigits[] = "0123456789ABCDEF";

// Digits of v in `base` ending at `end`; returns where they start.
char* UnsignedDigits(char* end, uint64_t v, unsigned base, const char* digits) {
  char* p = end;
  if (base == 10) {
    while (v > 0xffffffffu) {
      *--p = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    uint32_t w = static_cast<uint32_t>(v);
    while (w != 0) {
      *--p = static_cast<char>('0' + w % 10);
      w /= 10;
    }
  } else {
    const unsigned shift = base == 16 ? 4 : 3;
    while (v != 0) {
      *--p = digits[v & (base - 1)];
      v >>= shift;
    }
  }
  return p;
}

// Prefix (sign, 0x), precision zeros and digits, within the width.
bool EmitNumber(Output& o, const Conversion& s, std::string_view prefix,
                const char* digits, int count, int prec) {
  int64_t zeros = prec > count ? prec - count : 0;
  const int64_t body = static_cast<int64_t>(prefix.size()) + zeros + count;
  int64_t spaces = s.width - body;
  if (s.zero && !s.left && s.prec < 0 && spaces > 0) {
    zeros += spaces;
    spaces = 0;
  }
  return (s.left || Pad(o, ' ', spaces)) && Put(o, prefix) &&
         Pad(o, '0', zeros) && Put(o, digits, count) &&
         (!s.left || Pad(o, ' ', spaces));
}

bool EmitInteger(Output& o, const Conversion& s, const uint8_t* arg) {
  uint64_t v;
  bool negative = false;
  const bool isSigned = s.conv == 'd' || s.conv == 'i';
  if (Wide64(s.length)) {
    std::memcpy(&v, arg, 8);
    if (isSigned && static_cast<int64_t>(v) < 0) {
      negative = true;
      v = 0 - v;
    }
  } else {
    uint32_t w;
    std::memcpy(&w, arg, 4);
    // hh and h: the promoted int cut back to its type.
    if (s.length == Length::kChar)
      w = isSigned ? static_cast<uint32_t>(static_cast<int8_t>(w))
                   : static_cast<uint8_t>(w);
    if (s.length == Length::kShort)
      w = isSigned ? static_cast<uint32_t>(static_cast<int16_t>(w))
                   : static_cast<uint16_t>(w);
    if (isSigned && static_cast<int32_t>(w) < 0) {
      negative = true;
      w = 0 - w;
    }
    v = w;
  }
  const unsigned base = s.conv == 'o' ? 8 : (s.conv == 'x' || s.conv == 'X') ? 16 : 10;
  char buffer[24];
  char* end = buffer + sizeof buffer;
  char* start = UnsignedDigits(end, v, base, s.conv == 'X' ? kUpperDigits : kLowerDigits);
  if (v == 0 && s.prec != 0) *--start = '0';
  int count = static_cast<int>(end - start);
  int prec = s.prec;
  if (s.alt && base == 8 && (count == 0 || *start != '0') && prec <= count)
    prec = count + 1;
  char prefix[3];
  int plen = 0;
  if (isSigned) {
    if (negative) prefix[plen++] = '-';
    else if (s.plus) prefix[plen++] = '+';
    else if (s.space) prefix[plen++] = ' ';
  }
  if (s.alt && base == 16 && v != 0) {
    prefix[plen++] = '0';
    prefix[plen++] = s.conv;
  }
  return EmitNumber(o, s, {prefix, static_cast<size_t>(plen)}, start, count, prec);
}

bool EmitPointer(Output& o, const Conversion& s, uint32_t p);

bool EmitText(Output& o, const Conversion& s, const char* text, size_t n) {
  const int64_t spaces = static_cast<int64_t>(s.width) - static_cast<int64_t>(n);
  return (s.left || Pad(o, ' ', spaces)) && Put(o, text, n) &&
         (!s.left || Pad(o, ' ', spaces));
}

bool EmitPointer(Output& o, const Conversion& s, uint32_t p) {
  if (p == 0) return EmitText(o, s, "(nil)", 5);
  char buffer[12];
  char* end = buffer + sizeof buffer;
  char* start = UnsignedDigits(end, p, 16, kLowerDigits);
  char prefix[3];
  int plen = 0;
  if (s.plus) prefix[plen++] = '+';
  else if (s.space) prefix[plen++] = ' ';
  prefix[plen++] = '0';
  prefix[plen++] = 'x';
  return EmitNumber(o, s, {prefix, static_cast<size_t>(plen)}, start,
                    static_cast<int>(end - start), s.prec);
}

// A null string prints "(null)" unless the precision cuts it, and then
// nothing at all.
bool EmitString(Output& o, const Conversion& s, const char* text) {
  if (text == nullptr) {
    text = (s.prec < 0 || s.prec >= 6) ? "(null)" : "";
    return EmitText(o, s, text, std::strlen(text));
  }
  const size_t n = s.prec < 0 ? std::strlen(text)
                              : strnlen(text, static_cast<size_t>(s.prec));
  return EmitText(o, s, text, n);
}

// The "C" locale writes the wide characters of ASCII only.
bool Narrow(uint32_t wc, char& out) {
  if (wc > 0x7f) {
    SetErrno(linux::kEILSEQ);
    return false;
  }
  out = static_cast<char>(wc);
  return true;
}

bool EmitWideString(Output& o, const Conversion& s, uint32_t address) {
  if (address == 0) return EmitString(o, s, nullptr);
  const uint8_t* w = reinterpret_cast<const uint8_t*>(uintptr_t{address});
  // Measured and checked first: the width pads before the text.
  size_t n = 0;
  for (;; ++n) {
    if (s.prec >= 0 && n >= static_cast<size_t>(s.prec)) break;
    uint32_t wc;
    std::memcpy(&wc, w + 4 * n, 4);
    if (wc == 0) break;
    char c;
    if (!Narrow(wc, c)) return false;
  }
  const int64_t spaces = static_cast<int64_t>(s.width) - static_cast<int64_t>(n);
  if (!s.left && !Pad(o, ' ', spaces)) return false;
  char chunk[64];
  for (size_t i = 0; i < n;) {
    size_t k = 0;
    for (; k < sizeof chunk && i < n; ++k, ++i) {
      uint32_t wc;
      std::memcpy(&wc, w + 4 * i, 4);
      chunk[k] = static_cast<char>(wc);
    }
    if (!Put(o, chunk, k)) return false;
  }
  return !s.left || Pad(o, ' ', spaces);
}

// ---- Wide text (kWide) ---------------------------------------------------------

constexpr uint32_t kWeof = 0xFFFFFFFF;

uint32_t WideAt(uint32_t address, size_t i) {
  uint32_t wc;
  std::memcpy(&wc, reinterpret_cast<const uint8_t*>(uintptr_t{address}) + 4 * i, 4);
  return wc;
}

// Wide characters in the wide form, continuation bytes counted apart.
bool PutWide(Output& o, const uint32_t* wcs, size_t n) {
  char chunk[64 * wideform::kLongest];
  for (size_t i = 0; i < n;) {
    size_t k = 0;
    for (; i < n && k + wideform::kLongest <= sizeof chunk; ++i) {
      const size_t bytes = wideform::Encode(wcs[i], chunk + k);
      o.hidden += static_cast<uint32_t>(bytes - 1);
      k += bytes;
    }
    if (!Put(o, chunk, k)) return false;
  }
  return true;
}

// %ls in wprintf: every character whole, none refused.
bool EmitWideText(Output& o, const Conversion& s, uint32_t address) {
  if (address == 0) return EmitString(o, s, nullptr);
  size_t n = 0;
  while ((s.prec < 0 || n < static_cast<size_t>(s.prec)) && WideAt(address, n) != 0) ++n;
  const int64_t spaces = static_cast<int64_t>(s.width) - static_cast<int64_t>(n);
  if (!s.left && !Pad(o, ' ', spaces)) return false;
  uint32_t chunk[64];
  for (size_t i = 0; i < n;) {
    size_t k = 0;
    for (; k < std::size(chunk) && i < n; ++k, ++i) chunk[k] = WideAt(address, i);
    if (!PutWide(o, chunk, k)) return false;
  }
  return !s.left || Pad(o, ' ', spaces);
}

// %c and %lc in wprintf. glibc's writer answers WEOF for the character
// WEOF, which it then takes for its own failure: the call ends there.
bool EmitWideChar(Output& o, const Conversion& s, uint32_t wc) {
  if (!s.left && !Pad(o, ' ', s.width - 1)) return false;
  if (!PutWide(o, &wc, 1) || wc == kWeof) return false;
  return !s.left || Pad(o, ' ', s.width - 1);
}

// %s in wprintf: the "C" locale's mbrtowc takes ASCII only, as far as the
// precision reads.
bool EmitNarrowInWide(Output& o, const Conversion& s, const char* text) {
  if (text != nullptr) {
    for (size_t i = 0; (s.prec < 0 || i < static_cast<size_t>(s.prec)) && text[i] != '\0'; ++i) {
      if (static_cast<unsigned char>(text[i]) >= 0x80) {
        SetErrno(linux::kEILSEQ);
        return false;
      }
    }
  }
  return EmitString(o, s, text);
}

// What the Linux C library prints for a conversion it does not know: the
// conversion rebuilt from what it understood (flags in its order,
// width, precision, the character; length modifiers and n$ dropped).
bool EmitUnknown(Output& o, const Conversion& s) {
  char text[40];
  int n = 0;
  text[n++] = '%';
  if (s.alt) text[n++] = '#';
  if (s.group) text[n++] = '\'';
  if (s.plus) text[n++] = '+';
  else if (s.space) text[n++] = ' ';
  if (s.left) text[n++] = '-';
  else if (s.zero) text[n++] = '0';
  if (s.i18n) text[n++] = 'I';
  char digits[12];
  char* end = digits + sizeof digits;
  if (s.width != 0) {
    char* start = UnsignedDigits(end, static_cast<uint32_t>(s.width), 10, kLowerDigits);
    std::memcpy(text + n, start, end - start);
    n += static_cast<int>(end - start);
  }
  if (s.prec != -1) {
    text[n++] = '.';
    char* start = UnsignedDigits(end, static_cast<uint32_t>(s.prec), 10, kLowerDigits);
    if (s.prec == 0) *--start = '0';
    std::memcpy(text + n, start, end - start);
    n += static_cast<int>(end - start);
  }
  if (s.conv != 0) text[n++] = s.conv;
  return Put(o, text, n);
}

// ---- Floating point ----------------------------------------------------------

struct Float {
  bool negative = false;
  bool nan = false, infinite = false;
  uint64_t mantissa = 0;  // value = mantissa × 2^exponent
  int exponent = 0;
  // The hexadecimal form: lead digit, fraction of `hexDigits` digits,
  // binary exponent.
  unsigned lead = 0;
  uint64_t hexFraction = 0;
  int hexDigits = 0;
  int hexExponent = 0;
};

Float ReadDouble(const uint8_t* arg) {
  uint64_t bits;
  std::memcpy(&bits, arg, 8);
  Float f;
  f.negative = bits >> 63;
  const int exp = static_cast<int>((bits >> 52) & 0x7ff);
  const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
  f.hexDigits = 13;
  f.hexFraction = frac;
  if (exp == 0x7ff) {
    f.nan = frac != 0;
    f.infinite = frac == 0;
  } else if (exp == 0) {
    f.mantissa = frac;
    f.exponent = -1074;
    f.hexExponent = frac != 0 ? -1022 : 0;
  } else {
    f.mantissa = frac | (uint64_t{1} << 52);
    f.exponent = exp - 1075;
    f.lead = 1;
    f.hexExponent = exp - 1023;
  }
  return f;
}

// The x87 extended format: 64-bit mantissa with its integer bit, 15-bit
// exponent, sign; 12 bytes on the stack. Encodings the processor no longer
// makes are read as the Linux C library reads them: an unnormal (integer
// bit clear) and a pseudo-infinity are NaN; a pseudo-denormal's integer bit
// counts in its hexadecimal form only.
Float ReadLongDouble(const uint8_t* arg) {
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, arg, 8);
  std::memcpy(&se, arg + 8, 2);
  Float f;
  f.negative = se >> 15;
  const int exp = se & 0x7fff;
  constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
  f.hexDigits = 15;
  if (exp == 0x7fff || (exp != 0 && (m & kIntegerBit) == 0)) {
    f.infinite = exp == 0x7fff && m == kIntegerBit;
    f.nan = !f.infinite;
    return f;
  }
  f.mantissa = exp == 0 ? m & ~kIntegerBit : m;
  f.exponent = (exp == 0 ? 1 : exp) - 16383 - 63;
  f.lead = static_cast<unsigned>(m >> 60);
  f.hexFraction = m & ((uint64_t{1} << 60) - 1);
  f.hexExponent = m != 0 ? (exp == 0 ? 1 : exp) - 16383 - 3 : 0;
  return f;
}

decimal::Round CurrentRounding() {
  switch (std::fegetround()) {
    case FE_UPWARD: return decimal::Round::kUpward;
    case FE_DOWNWARD: return decimal::Round::kDownward;
    case FE_TOWARDZERO: return decimal::Round::kTowardZero;
    default: return decimal::Round::kNearest;
  }
}

bool Upper(char conv) { return conv >= 'A' && conv <= 'Z'; }

char SignOf(const Conversion& s, bool negative) {
  return negative ? '-' : s.plus ? '+' : s.space ? ' ' : 0;
}

// Sign, zero padding and the body's pieces within the width. `body` is the
// length of everything after the sign; `emit` writes it.
// `zeroPad`: the '0' flag fills the width with zeros, which `emit` places
// (after the sign, or after "0x").
template <typename F>
bool EmitPadded(Output& o, const Conversion& s, char sign, int64_t body,
                bool zeroPad, F&& emit) {
  const int64_t total = body + (sign ? 1 : 0);
  const int64_t spaces = s.width - total;
  const bool zeros = !s.left && zeroPad && s.zero;
  if (!s.left && !zeros && !Pad(o, ' ', spaces)) return false;
  if (sign && !Put(o, &sign, 1)) return false;
  if (!emit(zeros ? spaces : 0)) return false;
  return !s.left || Pad(o, ' ', spaces);
}

bool EmitNonFinite(Output& o, const Conversion& s, const Float& f) {
  const bool up = Upper(s.conv);
  const char* text = f.nan ? (up ? "NAN" : "nan") : (up ? "INF" : "inf");
  return EmitPadded(o, s, SignOf(s, f.negative), 3, false,
                    [&](int64_t) { return Put(o, text, 3); });
}

// Digits [from, from + count) of the decimal value, zeros outside.
bool EmitDigits(Output& o, const decimal::Digits& d, int64_t from, int64_t count) {
  if (count <= 0) return true;
  const int64_t end = from + count;
  if (from < 0) {
    const int64_t lead = std::min<int64_t>(-from, count);
    if (!Pad(o, '0', lead)) return false;
    from += lead;
  }
  if (from < d.length && from < end) {
    const int64_t stop = std::min<int64_t>(d.length, end);
    if (!Put(o, d.d + from, static_cast<size_t>(stop - from))) return false;
    from = stop;
  }
  return Pad(o, '0', end - from);
}

int ExponentText(char* out, char letter, int x) {
  int n = 0;
  out[n++] = letter;
  out[n++] = x < 0 ? '-' : '+';
  unsigned u = x < 0 ? -x : x;
  char tmp[8];
  int k = 0;
  do {
    tmp[k++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (letter == 'e' || letter == 'E')
    while (k < 2) tmp[k++] = '0';
  while (k > 0) out[n++] = tmp[--k];
  return n;
}

decimal::Digits Decimal(const Float& f, decimal::Keep keep, int count) {
  if (f.mantissa == 0) return {"", 0, 1, false};
  return decimal::Convert(f.mantissa, f.exponent, f.negative, keep, count,
                          CurrentRounding());
}

// [-]ddd.ddd with `prec` fraction digits.
bool EmitFixed(Output& o, const Conversion& s, const Float& f,
               const decimal::Digits& d, int prec) {
  const int64_t whole = d.point > 0 ? d.point : 1;
  const bool dot = prec > 0 || s.alt;
  const int64_t body = whole + (dot ? 1 : 0) + prec;
  return EmitPadded(o, s, SignOf(s, f.negative), body, true, [&](int64_t zeros) {
    if (!Pad(o, '0', zeros)) return false;
    if (d.point > 0 ? !EmitDigits(o, d, 0, d.point) : !Put(o, "0", 1)) return false;
    if (dot && !Put(o, ".", 1)) return false;
    return EmitDigits(o, d, d.point, prec);
  });
}

// [-]d.ddde±dd with `prec` fraction digits.
bool EmitScientific(Output& o, const Conversion& s, const Float& f,
                    const decimal::Digits& d, int prec) {
  const int x = d.length != 0 ? d.point - 1 : 0;
  char exp[16];
  const int elen = ExponentText(exp, Upper(s.conv) ? 'E' : 'e', x);
  const bool dot = prec > 0 || s.alt;
  const int64_t body = 1 + (dot ? 1 : 0) + prec + elen;
  return EmitPadded(o, s, SignOf(s, f.negative), body, true, [&](int64_t zeros) {
    return Pad(o, '0', zeros) && EmitDigits(o, d, 0, 1) &&
           (!dot || Put(o, ".", 1)) && EmitDigits(o, d, 1, prec) &&
           Put(o, exp, elen);
  });
}

bool EmitGeneral(Output& o, const Conversion& s, const Float& f) {
  const int p = s.prec < 0 ? 6 : s.prec == 0 ? 1 : s.prec;
  const decimal::Digits d = Decimal(f, decimal::Keep::kSignificant, p);
  const int x = d.length != 0 ? d.point - 1 : 0;
  int significant = d.length;
  while (significant > 0 && d.d[significant - 1] == '0') --significant;
  // The Linux C library picks the style by the exponent before rounding
  // when the rounding carries past the precision (999.5 under "%#.3g"):
  // the scientific form then keeps no fraction digits ("1.e+03").
  if (d.carried && x == p && x - 1 >= -4) return EmitScientific(o, s, f, d, 0);
  if (p > x && x >= -4) {
    int prec = p - 1 - x;
    if (!s.alt) prec = std::min(prec, std::max(0, significant - d.point));
    return EmitFixed(o, s, f, d, prec);
  }
  int prec = p - 1;
  if (!s.alt) prec = std::min(prec, std::max(0, significant - 1));
  return EmitScientific(o, s, f, d, prec);
}

bool EmitHex(Output& o, const Conversion& s, Float f) {
  unsigned lead = f.lead;
  uint64_t frac = f.hexFraction;
  int exponent = f.hexExponent;
  int digits = f.hexDigits;
  if (s.prec >= 0 && s.prec < digits) {
    const int drop = (digits - s.prec) * 4;
    const uint64_t rest = frac & ((uint64_t{1} << drop) - 1);
    const uint64_t half = uint64_t{1} << (drop - 1);
    frac >>= drop;
    const bool odd = s.prec == 0 ? (lead & 1) : (frac & 1);
    bool up = false;
    switch (CurrentRounding()) {
      case decimal::Round::kNearest: up = rest > half || (rest == half && odd); break;
      case decimal::Round::kUpward: up = !f.negative && rest != 0; break;
      case decimal::Round::kDownward: up = f.negative && rest != 0; break;
      case decimal::Round::kTowardZero: break;
    }
    digits = s.prec;
    if (up && ++frac == (uint64_t{1} << (digits * 4))) {
      frac = 0;
      if (++lead == 16) {
        lead = 1;
        exponent += 4;
      }
    }
  } else if (s.prec < 0) {
    while (digits > 0 && (frac & 0xf) == 0) {
      frac >>= 4;
      --digits;
    }
  } else {
    // More digits than the format holds: zeros follow.
  }
  const bool up = Upper(s.conv);
  const char* table = up ? kUpperDigits : kLowerDigits;
  char text[24];
  int n = 0;
  text[n++] = table[lead];
  const bool dot = digits > 0 || s.prec > 0 || s.alt;
  if (dot) text[n++] = '.';
  for (int i = digits - 1; i >= 0; --i) text[n++] = table[(frac >> (4 * i)) & 0xf];
  const int64_t trailing = s.prec > digits ? s.prec - digits : 0;
  char exp[16];
  const int elen = ExponentText(exp, up ? 'P' : 'p', exponent);
  const int64_t body = 2 + n + trailing + elen;
  return EmitPadded(o, s, SignOf(s, f.negative), body, true, [&](int64_t zeros) {
    return Put(o, up ? "0X" : "0x", 2) && Pad(o, '0', zeros) && Put(o, text, n) &&
           Pad(o, '0', trailing) && Put(o, exp, elen);
  });
}

bool EmitFloat(Output& o, const Conversion& s, const uint8_t* arg) {
  const Float f = ArgumentSize(s) == 12 ? ReadLongDouble(arg) : ReadDouble(arg);
  if (f.nan || f.infinite) return EmitNonFinite(o, s, f);
  switch (s.conv) {
    case 'f': case 'F': {
      const int prec = s.prec < 0 ? 6 : s.prec;
      return EmitFixed(o, s, f, Decimal(f, decimal::Keep::kFixed, prec), prec);
    }
    case 'e': case 'E': {
      const int prec = s.prec < 0 ? 6 : s.prec;
      return EmitScientific(
          o, s, f, Decimal(f, decimal::Keep::kSignificant, prec + 1), prec);
    }
    case 'g': case 'G':
      return EmitGeneral(o, s, f);
    default:
      return EmitHex(o, s, f);
  }
}

void StoreCount(const Conversion& s, uint32_t address, uint32_t count) {
  if (address == 0) return;
  void* p = reinterpret_cast<void*>(uintptr_t{address});
  switch (s.length) {
    case Length::kChar: {
      const int8_t v = static_cast<int8_t>(count);
      std::memcpy(p, &v, 1);
      break;
    }
    case Length::kShort: {
      const int16_t v = static_cast<int16_t>(count);
      std::memcpy(p, &v, 2);
      break;
    }
    case Length::kLongLong: case Length::kLongDouble: case Length::kMax: {
      const int64_t v = count;
      std::memcpy(p, &v, 8);
      break;
    }
    default: std::memcpy(p, &count, 4); break;
  }
}

struct Call {
  const void* format;  // the guest's
  unsigned mode;
  int32_t savedErrno;
};

uint32_t Continuations(const char* p, size_t n) {
  uint32_t count = 0;
  for (size_t i = 0; i < n; ++i) count += wideform::IsContinuation(static_cast<unsigned char>(p[i]));
  return count;
}

// One conversion, its width and precision taken; false on failure.
bool Emit(Output& o, Conversion& s, Arguments& args, const Call& call) {
  if (s.widthArg != kNone) {
    const int32_t w = args.Int(s.widthArg);
    if (w < 0) {
      s.left = true;
      if (w == INT_MIN) return Overflow();
      s.width = -w;
    } else {
      s.width = w;
    }
  }
  if (s.precArg != kNone) {
    const int32_t p = args.Int(s.precArg);
    s.prec = p < 0 ? -1 : p;
  }
  if (s.tooWide) return Overflow();
  const int size = ArgumentSize(s);
  const uint8_t* arg = size != 0 ? args.Take(s.data, size) : nullptr;
  const bool wide = (call.mode & kWide) != 0;
  uint32_t word = 0;
  if (size == 4) std::memcpy(&word, arg, 4);
  switch (s.conv) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return EmitInteger(o, s, arg);
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
      return EmitFloat(o, s, arg);
    case 'c':
      if (s.length != Length::kLong && s.length != Length::kLongLong) {
        const char c = static_cast<char>(word);
        // btowc: a byte past ASCII is WEOF in the "C" locale.
        if (wide) return EmitWideChar(o, s, static_cast<unsigned char>(c) < 0x80 ? c : kWeof);
        return EmitText(o, s, &c, 1);
      }
      [[fallthrough]];
    case 'C': {
      if (wide) return EmitWideChar(o, s, word);
      char c;
      return Narrow(word, c) && EmitText(o, s, &c, 1);
    }
    case 's':
      if (s.length != Length::kLong && s.length != Length::kLongLong) {
        const char* text = reinterpret_cast<const char*>(uintptr_t{word});
        return wide ? EmitNarrowInWide(o, s, text) : EmitString(o, s, text);
      }
      [[fallthrough]];
    case 'S':
      return wide ? EmitWideText(o, s, word) : EmitWideString(o, s, word);
    case 'p':
      return EmitPointer(o, s, word);
    case 'n':
      // A format that can be altered must not write memory through %n.
      if ((call.mode & kFortify) && platform::IsWritable(Address(call.format)))
        FatalError("*** %n in writable segment detected ***");
      StoreCount(s, word, o.total - o.hidden);
      return true;
    case 'm': {
      const std::string_view text = ErrorText(call.savedErrno);
      const size_t n = s.prec < 0 ? text.size()
                                  : std::min(text.size(), static_cast<size_t>(s.prec));
      return EmitText(o, s, text.data(), n);
    }
    case '%':
      return Put(o, "%", 1);
    default:
      return EmitUnknown(o, s);
  }
}

}  // namespace

int Format(Output& out, const char* format, const uint8_t* args, unsigned mode,
           const void* origin) {
  if (format == nullptr) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  const Call call{origin != nullptr ? origin : format, mode, Errno()};
  Arguments arguments{args};
  std::vector<uint32_t> offsets;
  const bool positional = std::strchr(format, '$') != nullptr && HasPosition(format);
  if (positional) {
    if (!Layout(format, mode, offsets)) {
      SetErrno(linux::kEINVAL);
      return -1;
    }
    arguments.base = args;
    arguments.offsets = offsets.data();
  }
  int sequence = 0;
  const char* p = format;
  for (;;) {
    const char* percent = std::strchr(p, '%');
    const size_t literal = percent ? static_cast<size_t>(percent - p) : std::strlen(p);
    if (literal != 0) {
      if (mode & kWide) out.hidden += Continuations(p, literal);
      if (!Put(out, p, literal)) return -1;
    }
    if (percent == nullptr) break;
    Conversion s;
    p = Parse(percent + 1, s);
    if (s.conv == 0) {
      // The format ends inside a conversion: an error, unless n$
      // numbering is on, where the Linux C library prints what it read.
      if (!positional) {
        SetErrno(linux::kEINVAL);
        return -1;
      }
      if (!EmitUnknown(out, s)) return -1;
      break;
    }
    if (positional) Number(s, sequence);
    if (!Emit(out, s, arguments, call)) return -1;
  }
  return static_cast<int>(out.total - out.hidden);
}

bool DrainText(Output& o) {
  static_cast<std::string*>(o.target)->append(o.buffer, o.used);
  o.used = 0;
  return true;
}

std::string FormatText(const char* format, const uint8_t* args) {
  std::string text;
  char chunk[256];
  Output o{chunk, sizeof chunk, 0, false, &DrainText, &text};
  Format(o, format, args);
  DrainText(o);
  return text;
}

}  // namespace tblibc::format
