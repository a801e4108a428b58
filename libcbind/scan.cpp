// The scanf family: one engine of ours behind every name, reading from a
// string or from a host stream, with the Linux C library's conversions,
// return values and quirks. The wscanf family (widestreams.cpp) runs the
// same engine over wide characters (scan.h), its format in the wide form. msvcrt's scanf knows neither %hhd nor %zu nor
// %lld on every version, nor the m modifier, nor the guest's 12-byte long
// double and 32-bit wchar_t, so no host scanf is bound.
//
// Numbers go through the engines of strtod.cpp: the characters a
// conversion accepts are gathered as the Linux C library gathers them (one
// character of push-back, so a "0x" with no digit after it loses the x) and
// then converted as strtol or strtod would.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/scan.h"
#include "libcbind/strtod.h"
#include "libcbind/wideform.h"

namespace tblibc {
namespace {

using numparse::IsSpace;
using scan::Dialect;

constexpr int kEof = -1;

// What the C locale's classes make of a character: bytes and wide
// characters alike, nothing past 0xFF a space or a digit.
bool Space(int c) { return c >= 0 && c < 0x100 && IsSpace(static_cast<char>(c)); }
int DigitOf(int c) {
  return c >= 0 && c < 0x100 ? numparse::DigitValue(static_cast<char>(c)) : 99;
}

// The characters being scanned with one character of look-ahead, which
// goes back to a stream when the call ends. Wide characters come as ints
// (WEOF is EOF).
class Input {
 public:
  explicit Input(const char* text) : text_(text) {}
  explicit Input(io::IoFile* stream) : stream_(stream) {}
  explicit Input(const scan::WideSource* wide) : wide_(wide) {}
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input() {
    if (!held_ || pending_ == kEof) return;
    if (stream_ != nullptr) io::Unget(pending_, stream_);
    if (wide_ != nullptr) wide_->unget(static_cast<uint32_t>(pending_), wide_->context);
  }

  int Peek() {
    if (!held_) {
      held_ = true;
      if (stream_ != nullptr) {
        pending_ = io::Getc(stream_);
      } else if (wide_ != nullptr) {
        pending_ = static_cast<int>(wide_->get(wide_->context));
      } else {
        const unsigned char c = static_cast<unsigned char>(*text_);
        pending_ = c == 0 ? kEof : c;
        if (c != 0) ++text_;
      }
    }
    return pending_;
  }
  // Consumes the character Peek returned.
  void Take() {
    if (held_ && pending_ != kEof) {
      held_ = false;
      ++consumed_;
    }
  }
  int Next() {
    const int c = Peek();
    Take();
    return c;
  }
  uint32_t consumed() const { return consumed_; }

 private:
  const char* text_ = nullptr;
  io::IoFile* stream_ = nullptr;
  const scan::WideSource* wide_ = nullptr;
  bool held_ = false;
  int pending_ = 0;
  uint32_t consumed_ = 0;
};

enum class Size { kChar, kShort, kDefault, kLong, kLongLong, kLongDouble };

struct Spec {
  bool suppress = false;
  bool allocate = false;
  int64_t width = -1;  // -1: none
  Size size = Size::kDefault;
  char conversion = 0;
};

// The guest's variadic arguments: 32-bit words (every scanf argument is a
// pointer), taken in order or by position.
class Arguments {
 public:
  explicit Arguments(const uint32_t* words) : words_(words) {}
  void* Take(int position) {
    const uint32_t word =
        position > 0 ? words_[position - 1] : words_[next_++];
    return reinterpret_cast<void*>(uintptr_t{word});
  }

 private:
  const uint32_t* words_;
  int next_ = 0;
};

void StoreInteger(void* where, uint64_t v, Size size) {
  switch (size) {
    case Size::kChar: {
      const uint8_t b = static_cast<uint8_t>(v);
      std::memcpy(where, &b, 1);
      break;
    }
    case Size::kShort: {
      const uint16_t h = static_cast<uint16_t>(v);
      std::memcpy(where, &h, 2);
      break;
    }
    case Size::kLongLong:
    case Size::kLongDouble:
      std::memcpy(where, &v, 8);
      break;
    default: {
      const uint32_t w = static_cast<uint32_t>(v);
      std::memcpy(where, &w, 4);
      break;
    }
  }
}

// Gathers an integer as the Linux C library does: sign, "0" and "0x"
// prefixes within the width, then the digits of the base. False when no
// digit came.
bool GatherInteger(Input& in, int64_t width, int& base, std::string& text,
                   bool binaryPrefix) {
  int c = in.Peek();
  if ((c == '-' || c == '+') && width != 0) {
    text += static_cast<char>(c);
    in.Take();
    if (width > 0) --width;
    c = in.Peek();
  }
  if (width != 0 && c == '0') {
    text += '0';
    in.Take();
    if (width > 0) --width;
    c = in.Peek();
    if (width != 0 && (c == 'x' || c == 'X') && (base == 0 || base == 16)) {
      // The x is taken but not kept: "0x" alone reads as 0.
      base = 16;
      in.Take();
      if (width > 0) --width;
      c = in.Peek();
    } else if (binaryPrefix && width != 0 && (c == 'b' || c == 'B') &&
               (base == 0 || base == 2)) {
      base = 2;
      in.Take();
      if (width > 0) --width;
      c = in.Peek();
    } else if (base == 0) {
      base = 8;
    }
  }
  if (base == 0) base = 10;
  while (width != 0 && c != kEof &&
         DigitOf(c) < base) {
    text += static_cast<char>(c);
    in.Take();
    if (width > 0) --width;
    c = in.Peek();
  }
  return !(text.empty() || text == "-" || text == "+");
}

// Gathers a float's characters the way the Linux C library's scanner
// accepts them; false on a matching failure. The text is then converted
// as strtod would.
bool GatherFloat(Input& in, int64_t width, std::string& text) {
  auto take = [&](int c) {
    text += static_cast<char>(c);
    in.Take();
    if (width > 0) --width;
  };
  auto peek = [&]() { return width == 0 ? kEof : in.Peek(); };
  auto lower = [](int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  // A word that must be there in full: "nan", "inf", "inity".
  auto word = [&](const char* w) {
    for (; *w != '\0'; ++w) {
      const int c = peek();
      if (lower(c) != *w) return false;
      take(c);
    }
    return true;
  };
  int c = peek();
  if (c == '-' || c == '+') {
    take(c);
    c = peek();
    if (c == kEof) return false;
  }
  if (lower(c) == 'n') return word("nan");
  if (lower(c) == 'i') {
    if (!word("inf")) return false;
    if (lower(peek()) == 'i') return word("inity");
    return true;
  }
  bool hex = false, digit = false, point = false, exponent = false;
  if (c == '0') {
    take(c);
    digit = true;
    c = peek();
    if (c == 'x' || c == 'X') {
      take(c);
      hex = true;
      digit = false;
    }
  }
  for (;;) {
    c = peek();
    if (c == kEof) break;
    const int d = DigitOf(c);
    if (!exponent && d < (hex ? 16 : 10)) {
      digit = true;
      take(c);
    } else if (exponent && c >= '0' && c <= '9') {
      take(c);
    } else if (c == '.' && !point && !exponent) {
      point = true;
      take(c);
    } else if (!exponent && digit && lower(c) == (hex ? 'p' : 'e')) {
      exponent = true;
      take(c);
      c = peek();
      if (c == '-' || c == '+') take(c);
    } else {
      break;
    }
  }
  // "0x" with nothing after it is no number here, though strtod would read
  // its 0.
  const size_t sign = !text.empty() && (text[0] == '-' || text[0] == '+');
  if (hex && text.size() - sign == 2) return false;
  return true;
}

void StoreFloat(void* where, const std::string& text, Size size) {
  using numparse::FloatFormat;
  const FloatFormat format = size == Size::kDefault  ? FloatFormat::kFloat
                             : size == Size::kLong   ? FloatFormat::kDouble
                                                     : FloatFormat::kExtended;
  const numparse::FloatResult r = numparse::ParseFloat(text.c_str(), format);
  if (r.range) SetErrno(linux::kERANGE);
  if (where == nullptr) return;
  if (format == FloatFormat::kFloat) {
    const uint32_t bits = static_cast<uint32_t>(r.bits);
    std::memcpy(where, &bits, 4);
  } else if (format == FloatFormat::kDouble) {
    std::memcpy(where, &r.bits, 8);
  } else {
    std::memcpy(where, &r.bits, 8);
    std::memcpy(static_cast<char*>(where) + 8, &r.signExponent, 2);
  }
}

// A format character: a byte, or in the wide form a wide character; `f`
// moved past it.
uint32_t FormatChar(const char*& f, bool wide) {
  if (wide) return wideform::Next(f);
  return static_cast<unsigned char>(*f++);
}

// Which characters %s or %[...] accepts: a table for bytes, and ranges for
// wide characters past them.
struct Set {
  bool accept[256];
  bool negate = false;
  std::vector<std::pair<uint32_t, uint32_t>> wideRanges;

  bool Contains(int c) const {
    if (c >= 0 && c < 0x100) return accept[c];
    const auto wc = static_cast<uint32_t>(c);
    bool member = false;
    for (const auto& [low, high] : wideRanges) member |= wc >= low && wc <= high;
    return member != negate;
  }
};

// %s: everything but the C locale's white space.
void NotSpace(Set& set) {
  for (int i = 0; i < 256; ++i) set.accept[i] = !Space(i);
  set.negate = true;
}

// %[...]: `f` points after the '['; on return after the ']'. False for a
// set with no closing bracket.
bool ParseSet(const char*& f, bool wide, Set& set) {
  if (*f == '^') {
    set.negate = true;
    ++f;
  }
  std::vector<uint32_t> listed;
  while (*f != '\0' && (*f != ']' || listed.empty())) listed.push_back(FormatChar(f, wide));
  if (*f != ']') return false;
  ++f;
  bool member[256] = {};
  const auto add = [&](uint32_t low, uint32_t high) {
    for (uint32_t x = low; x <= high && x < 0x100; ++x) member[x] = true;
    if (high >= 0x100) set.wideRanges.emplace_back(std::max<uint32_t>(low, 0x100), high);
  };
  for (size_t i = 0; i < listed.size(); ++i) {
    // A range needs an end that is not the closing bracket and does not
    // lie below its start; otherwise the '-' is itself a member.
    if (listed[i] == '-' && i != 0 && i + 1 < listed.size() && listed[i - 1] <= listed[i + 1]) {
      add(listed[i - 1], listed[i + 1]);
      ++i;
      continue;
    }
    add(listed[i], listed[i]);
  }
  for (int i = 0; i < 256; ++i) set.accept[i] = member[i] != set.negate;
  return true;
}

// Characters for %c, %s and %[: into the guest's buffer, into a block of
// the loader's heap for the m modifier, or nowhere under *. `wide`: the
// guest's buffer takes wide characters.
class Sink {
 public:
  Sink(const Spec& spec, Arguments& args, int position, bool wide)
      : spec_(spec), wide_(wide) {
    if (!spec.suppress) target_ = args.Take(position);
  }
  void Add(uint32_t c) {
    if (spec_.suppress) return;
    if (spec_.allocate) {
      held_.push_back(c);
      return;
    }
    char* out = static_cast<char*>(target_);
    if (wide_) {
      std::memcpy(out + count_ * 4, &c, 4);
    } else {
      out[count_] = static_cast<char>(c);
    }
    ++count_;
  }
  // A failed field leaves an m conversion's pointer null, as the Linux C
  // library leaves it.
  void Fail() {
    if (!spec_.suppress && spec_.allocate) std::memset(target_, 0, 4);
  }
  // Ends the field: the terminator where one is due, the block handed over
  // for m. False when the block cannot be had.
  bool Finish(bool terminate) {
    if (spec_.suppress) return true;
    if (spec_.allocate) {
      const size_t unit = wide_ ? 4 : 1;
      const size_t n = held_.size() + (terminate ? 1 : 0);
      char* block = static_cast<char*>(GuestAlloc(n * unit));
      if (block == nullptr) return false;
      for (size_t i = 0; i < held_.size(); ++i) {
        if (wide_) {
          std::memcpy(block + i * 4, &held_[i], 4);
        } else {
          block[i] = static_cast<char>(held_[i]);
        }
      }
      if (terminate) std::memset(block + held_.size() * unit, 0, unit);
      const uint32_t address = Address(block);
      std::memcpy(target_, &address, 4);
      return true;
    }
    if (terminate) Add(0);
    return true;
  }
  // glibc's wscanf ends a narrow field with the NUL wcrtomb makes of L'\0'
  // and one more.
  void ExtraNul() {
    if (!spec_.suppress && !spec_.allocate && !wide_) Add(0);
  }

 private:
  const Spec& spec_;
  bool wide_;
  void* target_ = nullptr;
  size_t count_ = 0;
  std::vector<uint32_t> held_;
};

void SkipSpace(Input& in) {
  while (Space(in.Peek())) in.Take();
}

// The engine. `wideInput`: the wscanf family's, wide characters read with
// the format in the wide form.
int Scan(Input& in, const char* f, const uint32_t* words, Dialect dialect,
         bool wideInput = false) {
  const bool gnuA = dialect == Dialect::kGnu;
  const bool c23 = dialect == Dialect::kC23;
  Arguments args(words);
  int done = 0;
  // An input failure (end of input, a read error) before the first
  // conversion answers EOF; a matching failure answers what was assigned.
  auto inputFailure = [&]() { return done != 0 ? done : EOF; };
  while (*f != '\0') {
    const unsigned char fc = static_cast<unsigned char>(*f);
    if (IsSpace(static_cast<char>(fc))) {
      SkipSpace(in);
      ++f;
      continue;
    }
    if (fc != '%') {
      const char* next = f;
      const auto literal = static_cast<int>(FormatChar(next, wideInput));
      const int c = in.Peek();
      if (c == kEof) return inputFailure();
      if (c != literal) return done;
      in.Take();
      f = next;
      continue;
    }
    ++f;
    Spec spec;
    int position = 0;
    {
      // n$: a position, when the digits end in '$'.
      const char* q = f;
      int n = 0;
      while (*q >= '0' && *q <= '9') n = n * 10 + (*q++ - '0');
      if (*q == '$' && q != f) {
        position = n;
        f = q + 1;
      }
    }
    for (;; ++f) {
      if (*f == '*')
        spec.suppress = true;
      else if (*f == '\'' || *f == 'I')
        continue;  // grouping and locale digits change nothing in "C"
      else
        break;
    }
    if (*f >= '0' && *f <= '9') {
      spec.width = 0;
      while (*f >= '0' && *f <= '9') {
        if (spec.width < 100000000) spec.width = spec.width * 10 + (*f - '0');
        ++f;
      }
      if (spec.width == 0) spec.width = -1;
    }
    for (;;) {
      if (*f == 'm') {
        spec.allocate = true;
        ++f;
      } else if (gnuA && *f == 'a' && (f[1] == 's' || f[1] == 'S' || f[1] == '[')) {
        spec.allocate = true;
        ++f;
      } else {
        break;
      }
    }
    switch (*f) {
      case 'h':
        spec.size = f[1] == 'h' ? Size::kChar : Size::kShort;
        f += f[1] == 'h' ? 2 : 1;
        break;
      case 'l':
        spec.size = f[1] == 'l' ? Size::kLongLong : Size::kLong;
        f += f[1] == 'l' ? 2 : 1;
        break;
      case 'L':
      case 'q':
        spec.size = Size::kLongDouble;
        ++f;
        break;
      case 'j':
        spec.size = Size::kLongLong;
        ++f;
        break;
      case 'z':
      case 't':
        spec.size = Size::kDefault;
        ++f;
        break;
      default:
        break;
    }
    spec.conversion = *f;
    if (*f == '\0') return done;  // a format cut short
    ++f;
    char conv = spec.conversion;
    bool wide = spec.size == Size::kLong;
    if (conv == 'S' || conv == 'C') {
      wide = true;
      conv = conv == 'S' ? 's' : 'c';
    }
    // A character the C locale cannot carry from the input into the
    // buffer: mbrtowc refuses a byte past ASCII for a wide buffer (even
    // under *, as glibc's scanf converts regardless), wcrtomb a wide
    // character past ASCII for a narrow one (not under *, which wscanf
    // does not convert).
    const bool converts = wideInput ? !wide && !spec.suppress : wide;
    if (conv != '[' && conv != 'c' && conv != 'n') {
      SkipSpace(in);
    }
    switch (conv) {
      case '%': {
        const int c = in.Peek();
        if (c == kEof) return inputFailure();
        if (c != '%') return done;
        in.Take();
        break;
      }
      case 'n':
        if (!spec.suppress)
          StoreInteger(args.Take(position), in.consumed(), spec.size);
        break;
      case 'c': {
        const int64_t width = spec.width < 0 ? 1 : spec.width;
        Sink sink(spec, args, position, wide);
        if (in.Peek() == kEof) {
          sink.Fail();
          return inputFailure();
        }
        for (int64_t i = 0; i < width && in.Peek() != kEof; ++i) {
          const int c = in.Next();
          if (converts && static_cast<uint32_t>(c) >= 0x80) {
            SetErrno(linux::kEILSEQ);
            sink.Fail();
            // wscanf takes it for an input failure.
            return wideInput ? inputFailure() : done;
          }
          sink.Add(static_cast<uint32_t>(c));
        }
        if (!sink.Finish(false)) return done;
        if (!spec.suppress) ++done;
        break;
      }
      case 's':
      case '[': {
        Set set;
        if (conv == '[') {
          if (!ParseSet(f, wideInput, set)) return done;
        } else {
          NotSpace(set);
        }
        Sink sink(spec, args, position, wide);
        if (in.Peek() == kEof) {
          sink.Fail();
          return inputFailure();
        }
        int64_t width = spec.width;
        int64_t taken = 0;
        while (width != 0) {
          const int c = in.Peek();
          if (c == kEof || !set.Contains(c)) break;
          if (converts && static_cast<uint32_t>(c) >= 0x80) {
            SetErrno(linux::kEILSEQ);
            sink.Fail();
            return done;
          }
          in.Take();
          sink.Add(static_cast<uint32_t>(c));
          ++taken;
          if (width > 0) --width;
        }
        if (taken == 0) {
          sink.Fail();
          return done;
        }
        if (!sink.Finish(true)) return done;
        if (wideInput) sink.ExtraNul();
        if (!spec.suppress) ++done;
        break;
      }
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X':
      case 'p':
      case 'b': {
        if (conv == 'b' && !c23) return done;  // no such conversion
        if (in.Peek() == kEof) return inputFailure();
        int base = conv == 'd' || conv == 'u' ? 10
                   : conv == 'i'              ? 0
                   : conv == 'o'              ? 8
                   : conv == 'b'              ? 2
                                              : 16;
        if (conv == 'p' && in.Peek() == '(') {
          // What printf writes for a null pointer reads back as one.
          for (const char* w = "(nil)"; *w != '\0'; ++w) {
            if (in.Peek() != *w) return done;
            in.Take();
          }
          if (!spec.suppress) {
            StoreInteger(args.Take(position), 0, Size::kDefault);
            ++done;
          }
          break;
        }
        std::string text;
        if (!GatherInteger(in, spec.width, base, text, c23)) return done;
        const bool isSigned = conv == 'd' || conv == 'i';
        const bool wide64 =
            spec.size == Size::kLongLong || spec.size == Size::kLongDouble;
        const numparse::IntegerResult r = numparse::ParseInteger(
            text.c_str(), base, conv != 'p' && wide64 ? 64 : 32, isSigned);
        if (r.range) SetErrno(linux::kERANGE);
        if (!spec.suppress) {
          StoreInteger(args.Take(position), r.value,
                       conv == 'p' ? Size::kDefault : spec.size);
          ++done;
        }
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        if (in.Peek() == kEof) return inputFailure();
        std::string text;
        if (!GatherFloat(in, spec.width, text)) return done;
        // What strtod reads nothing of ("." "-.") is a matching failure.
        if (numparse::ParseFloat(text.c_str(), numparse::FloatFormat::kDouble)
                .length == 0)
          return done;
        StoreFloat(spec.suppress ? nullptr : args.Take(position), text,
                   spec.size);
        if (!spec.suppress) ++done;
        break;
      }
      default:
        return done;  // no such conversion
    }
  }
  return done;
}

const uint32_t* Words(va_list args) {
  return reinterpret_cast<const uint32_t*>(args);
}

io::IoFile* Stream(void* stream) { return static_cast<io::IoFile*>(stream); }

int ScanString(const char* s, const char* format, const uint32_t* words,
               Dialect dialect) {
  Input in(s);
  return Scan(in, format, words, dialect);
}

int ScanStream(void* stream, const char* format, const uint32_t* words,
               Dialect dialect) {
  // A wide-oriented stream is read by the wscanf family only.
  if (!io::ByteOriented(Stream(stream))) return EOF;
  Input in(Stream(stream));
  return Scan(in, format, words, dialect);
}

void* GuestStdin() { return io::Current(0); }

}  // namespace

int scan::ScanWide(const WideSource& source, const uint32_t* format, const uint32_t* words,
                   Dialect dialect) {
  // The Linux C library faults on a null format; a clear error instead.
  if (format == nullptr) {
    SetErrno(linux::kEINVAL);
    return EOF;
  }
  const std::string form = wideform::Encode(format);
  Input in(&source);
  return Scan(in, form.c_str(), words, dialect, true);
}

}  // namespace tblibc

// ---- Entries ----------------------------------------------------------------
//
// Every scanf argument is a 32-bit word on the guest's stack, which is
// where the host's va_list points on i386: the engine reads the words.

namespace tblibc {
namespace {

const uint32_t* WordsAt(uint32_t address) {
  return reinterpret_cast<const uint32_t*>(uintptr_t{address});
}

template <Dialect D>
int Sscanf(const char* s, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanString(s, format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Fscanf(void* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanStream(stream, format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Scanf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ScanStream(GuestStdin(), format, Words(args), D);
  va_end(args);
  return n;
}

template <Dialect D>
int Vsscanf(const char* s, const char* format, uint32_t args) {
  return ScanString(s, format, WordsAt(args), D);
}

template <Dialect D>
int Vfscanf(void* stream, const char* format, uint32_t args) {
  return ScanStream(stream, format, WordsAt(args), D);
}

template <Dialect D>
int Vscanf(const char* format, uint32_t args) {
  return ScanStream(GuestStdin(), format, WordsAt(args), D);
}

}  // namespace
}  // namespace tblibc

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&Scanf<Dialect::kGnu>>("scanf"),
    Fn<&Fscanf<Dialect::kGnu>>("fscanf"),
    Fn<&Sscanf<Dialect::kGnu>>("sscanf"),
    Fn<&Vscanf<Dialect::kGnu>>("vscanf"),
    Fn<&Vfscanf<Dialect::kGnu>>("vfscanf"),
    Fn<&Vsscanf<Dialect::kGnu>>("vsscanf"),
    Fn<&Scanf<Dialect::kC99>>("__isoc99_scanf"),
    Fn<&Fscanf<Dialect::kC99>>("__isoc99_fscanf"),
    Fn<&Sscanf<Dialect::kC99>>("__isoc99_sscanf"),
    Fn<&Vscanf<Dialect::kC99>>("__isoc99_vscanf"),
    Fn<&Vfscanf<Dialect::kC99>>("__isoc99_vfscanf"),
    Fn<&Vsscanf<Dialect::kC99>>("__isoc99_vsscanf"),
    Fn<&Scanf<Dialect::kC23>>("__isoc23_scanf"),
    Fn<&Fscanf<Dialect::kC23>>("__isoc23_fscanf"),
    Fn<&Sscanf<Dialect::kC23>>("__isoc23_sscanf"),
    Fn<&Vscanf<Dialect::kC23>>("__isoc23_vscanf"),
    Fn<&Vfscanf<Dialect::kC23>>("__isoc23_vfscanf"),
    Fn<&Vsscanf<Dialect::kC23>>("__isoc23_vsscanf"),
};

}  // namespace

extern const Family kScanFamily;
const Family kScanFamily{"scan", kExports};

}  // namespace tblibc
