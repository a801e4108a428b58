// iconv between the Unicode forms and a few single-byte sets, as the Linux
// C library converts them in the "C" locale. Every conversion goes through
// one code point at a time: a decoder for the source set, an encoder for
// the target, so each pair needs no code of its own. The single-byte
// tables are measured from glibc (charsets.inc, scripts/gen-charset-tables)
// and //TRANSLIT uses the same rules a wide stream does (translit_table.inc).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "abi/errno.h"
#include "libcbind/allocation.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace tblibc {
namespace {

constexpr uint32_t kFailed = 0xFFFFFFFFu;  // (size_t)-1, (iconv_t)-1

enum class Form : uint8_t { kUtf8, kUtf16, kUcs2, kUtf32, kUcs4, kByte };

// kMarked: glibc's "UTF-16" and "UTF-32" read a byte-order mark when the
// input starts with one (little-endian without), and write little-endian
// after a mark of their own, the i386 order.
enum class Order : uint8_t { kBig, kLittle, kMarked };

struct UpperHalf {
  std::string_view name;
  uint16_t points[128];  // 0: no character
};

constexpr UpperHalf kUpperHalves[] = {
#include "libcbind/charsets.inc"
};

struct Charset {
  Form form;
  Order order;
  uint32_t identity = 0x7F;  // kByte: bytes up to this are the code point
  int upper = -1;            // kByte: its row in kUpperHalves, if any
};

constexpr int UpperOf(std::string_view name) {
  for (size_t i = 0; i < std::size(kUpperHalves); ++i)
    if (kUpperHalves[i].name == name) return static_cast<int>(i);
  return -1;
}

constexpr Charset kUtf8{Form::kUtf8, Order::kBig};
constexpr Charset kUtf16{Form::kUtf16, Order::kMarked};
constexpr Charset kUtf16Le{Form::kUtf16, Order::kLittle};
constexpr Charset kUtf16Be{Form::kUtf16, Order::kBig};
constexpr Charset kUtf32{Form::kUtf32, Order::kMarked};
constexpr Charset kUtf32Le{Form::kUtf32, Order::kLittle};
constexpr Charset kUtf32Be{Form::kUtf32, Order::kBig};
// glibc's plain "UCS-2" is the host's order with no mark, its plain
// "UCS-4" big-endian.
constexpr Charset kUcs2Le{Form::kUcs2, Order::kLittle};
constexpr Charset kUcs2Be{Form::kUcs2, Order::kBig};
constexpr Charset kUcs4Le{Form::kUcs4, Order::kLittle};
constexpr Charset kUcs4Be{Form::kUcs4, Order::kBig};
constexpr Charset kAscii{Form::kByte, Order::kBig, 0x7F};
constexpr Charset kLatin1{Form::kByte, Order::kBig, 0xFF};

// Not a constant when charsets.inc lacks the table: the build fails.
constexpr Charset Table(std::string_view name) {
  const int upper = UpperOf(name);
  if (upper < 0) throw "no such table in charsets.inc";
  return {Form::kByte, Order::kBig, 0x7F, upper};
}

struct Alias {
  std::string_view name;  // upper case, no spaces
  Charset set;
};

// The names glibc's iconv_open takes for these sets (checked natively).
constexpr Alias kAliases[] = {
    {"UTF-8", kUtf8}, {"UTF8", kUtf8}, {"ISO-10646/UTF8", kUtf8},
    {"ISO-10646/UTF-8", kUtf8}, {"ISO-IR-193", kUtf8},
    {"UTF-16", kUtf16}, {"UTF16", kUtf16},
    {"UTF-16LE", kUtf16Le}, {"UTF16LE", kUtf16Le},
    {"UTF-16BE", kUtf16Be}, {"UTF16BE", kUtf16Be},
    {"UTF-32", kUtf32}, {"UTF32", kUtf32},
    {"UTF-32LE", kUtf32Le}, {"UTF32LE", kUtf32Le},
    {"UTF-32BE", kUtf32Be}, {"UTF32BE", kUtf32Be},
    {"UCS-2", kUcs2Le}, {"UCS2", kUcs2Le}, {"ISO-10646/UCS2", kUcs2Le},
    {"CSUNICODE", kUcs2Le},
    {"UCS-2LE", kUcs2Le}, {"UNICODELITTLE", kUcs2Le},
    {"UCS-2BE", kUcs2Be}, {"UNICODEBIG", kUcs2Be},
    {"UCS-4", kUcs4Be}, {"UCS4", kUcs4Be}, {"ISO-10646/UCS4", kUcs4Be},
    {"ISO-10646", kUcs4Be}, {"10646-1:1993", kUcs4Be},
    {"10646-1:1993/UCS4", kUcs4Be}, {"CSUCS4", kUcs4Be},
    {"UCS-4BE", kUcs4Be}, {"UCS-4LE", kUcs4Le}, {"WCHAR_T", kUcs4Le},
    {"ANSI_X3.4-1968", kAscii}, {"ASCII", kAscii}, {"US-ASCII", kAscii},
    {"US", kAscii}, {"ISO646-US", kAscii}, {"ISO_646.IRV:1991", kAscii},
    {"CP367", kAscii}, {"IBM367", kAscii}, {"CSASCII", kAscii},
    {"ISO-IR-6", kAscii}, {"ANSI_X3.4-1986", kAscii},
    // The "C" locale's own set, for an empty name.
    {"", kAscii},
    {"ISO-8859-1", kLatin1}, {"ISO8859-1", kLatin1}, {"ISO_8859-1", kLatin1},
    {"ISO_8859-1:1987", kLatin1}, {"LATIN1", kLatin1}, {"L1", kLatin1},
    {"CP819", kLatin1}, {"IBM819", kLatin1}, {"ISO-IR-100", kLatin1},
    {"CSISOLATIN1", kLatin1}, {"ISO88591", kLatin1}, {"8859_1", kLatin1},
    {"ISO-8859-15", Table("ISO-8859-15")}, {"ISO8859-15", Table("ISO-8859-15")},
    {"ISO_8859-15", Table("ISO-8859-15")}, {"LATIN-9", Table("ISO-8859-15")},
    {"LATIN9", Table("ISO-8859-15")}, {"ISO_8859-15:1998", Table("ISO-8859-15")},
    {"ISO-IR-203", Table("ISO-8859-15")}, {"ISO885915", Table("ISO-8859-15")},
    {"ISO-8859-2", Table("ISO-8859-2")}, {"ISO8859-2", Table("ISO-8859-2")},
    {"ISO_8859-2", Table("ISO-8859-2")}, {"LATIN2", Table("ISO-8859-2")},
    {"L2", Table("ISO-8859-2")}, {"ISO-IR-101", Table("ISO-8859-2")},
    {"CSISOLATIN2", Table("ISO-8859-2")}, {"ISO88592", Table("ISO-8859-2")},
    {"ISO_8859-2:1987", Table("ISO-8859-2")}, {"8859_2", Table("ISO-8859-2")},
    {"CP1252", Table("CP1252")}, {"WINDOWS-1252", Table("CP1252")},
    {"MS-ANSI", Table("CP1252")},
    {"CP1250", Table("CP1250")}, {"WINDOWS-1250", Table("CP1250")},
    {"MS-EE", Table("CP1250")},
    {"CP1251", Table("CP1251")}, {"WINDOWS-1251", Table("CP1251")},
    {"MS-CYRL", Table("CP1251")},
    {"KOI8-R", Table("KOI8-R")}, {"CSKOI8R", Table("KOI8-R")},
    {"CP437", Table("CP437")}, {"IBM437", Table("CP437")}, {"437", Table("CP437")},
    {"CSPC8CODEPAGE437", Table("CP437")},
    {"CP850", Table("CP850")}, {"IBM850", Table("CP850")}, {"850", Table("CP850")},
    {"CSPC850MULTILINGUAL", Table("CP850")},
};

// The state a handle keeps between calls; the guest sees only its address.
struct Converter {
  Charset from, to;
  bool translit, ignore;
  Order readOrder;  // a kMarked source's order once its first bytes are seen
  bool marked;      // a kMarked target has written its byte-order mark
};

// What the bytes at the input give: a code point, a byte-order mark taken
// (kNone) or an error; `used` is how far a step, or a skip, goes.
constexpr uint32_t kNone = 0xFFFFFFFFu;
struct Decoded {
  int32_t error;  // 0, kEILSEQ or kEINVAL
  uint32_t code;
  uint32_t used;
};

uint32_t Read16(const uint8_t* p, bool big) {
  return big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
}

uint32_t Read32(const uint8_t* p, bool big) {
  return big ? (uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3])
             : (uint32_t{p[3]} << 24 | p[2] << 16 | p[1] << 8 | p[0]);
}

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// glibc skips a bad sequence's lead byte and the continuation bytes that
// follow it, up to the length the lead announces. A sequence cut short by
// the end of the input is EINVAL whenever its lead could start one, before
// its bytes are checked any further.
Decoded DecodeUtf8(const uint8_t* p, uint32_t n) {
  const uint8_t b = p[0];
  if (b < 0x80) return {0, b, 1};
  const uint32_t length = b >= 0xC0 && b < 0xE0   ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF8 ? 4
                          : b >= 0xF8 && b < 0xFC ? 5
                          : b >= 0xFC && b < 0xFE ? 6
                                                  : 1;
  uint32_t skip = 1;
  while (skip < length && skip < n && (p[skip] & 0xC0) == 0x80) ++skip;
  if (length == 1 || b < 0xC2) return {linux::kEILSEQ, 0, skip};
  if (skip == n && n < length) return {linux::kEINVAL, 0, 0};
  if (skip < length || length > 4 || b > 0xF4) return {linux::kEILSEQ, 0, skip};
  const uint8_t c = p[1];
  if ((b == 0xE0 && c < 0xA0) || (b == 0xED && c > 0x9F) || (b == 0xF0 && c < 0x90) ||
      (b == 0xF4 && c > 0x8F))
    return {linux::kEILSEQ, 0, skip};
  uint32_t code = b & (0x7F >> length);
  for (uint32_t i = 1; i < length; ++i) code = code << 6 | (p[i] & 0x3F);
  return {0, code, length};
}

Decoded Decode(Converter& cv, const uint8_t* p, uint32_t n) {
  const Charset& set = cv.from;
  Order order = set.order;
  const uint32_t unit = set.form == Form::kUtf16 || set.form == Form::kUcs2 ? 2 : 4;
  if (set.form != Form::kUtf8 && set.form != Form::kByte && n < unit)
    return {linux::kEINVAL, 0, 0};
  if (order == Order::kMarked) {
    if (cv.readOrder == Order::kMarked) {
      const uint32_t mark = Read32(p, true) >> (unit == 2 ? 16 : 0);
      const uint32_t little = unit == 2 ? 0xFFFE : 0xFFFE0000;
      const uint32_t big = 0xFEFF;
      cv.readOrder = mark == big ? Order::kBig : Order::kLittle;
      if (mark == big || mark == little) return {0, kNone, unit};
    }
    order = cv.readOrder;
  }
  const bool bigEndian = order == Order::kBig;
  switch (set.form) {
    case Form::kUtf8:
      return DecodeUtf8(p, n);
    case Form::kUtf16: {
      const uint32_t u = Read16(p, bigEndian);
      if (u >= 0xDC00 && u <= 0xDFFF) return {linux::kEILSEQ, 0, 2};
      if (u < 0xD800 || u > 0xDBFF) return {0, u, 2};
      if (n < 4) return {linux::kEINVAL, 0, 0};
      const uint32_t low = Read16(p + 2, bigEndian);
      if (low < 0xDC00 || low > 0xDFFF) return {linux::kEILSEQ, 0, 2};
      return {0, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), 4};
    }
    case Form::kUcs2: {
      const uint32_t u = Read16(p, bigEndian);
      if (IsSurrogate(u)) return {linux::kEILSEQ, 0, 2};
      return {0, u, 2};
    }
    case Form::kUtf32: {
      const uint32_t c = Read32(p, bigEndian);
      if (c > 0x10FFFF || IsSurrogate(c)) return {linux::kEILSEQ, 0, 4};
      return {0, c, 4};
    }
    case Form::kUcs4: {
      const uint32_t c = Read32(p, bigEndian);
      if (c > 0x7FFFFFFF || IsSurrogate(c)) return {linux::kEILSEQ, 0, 4};
      return {0, c, 4};
    }
    case Form::kByte: {
      const uint32_t b = p[0];
      if (b <= set.identity) return {0, b, 1};
      const uint32_t c = set.upper < 0 ? 0 : kUpperHalves[set.upper].points[b - 0x80];
      if (c == 0) return {linux::kEILSEQ, 0, 1};
      return {0, c, 1};
    }
  }
  return {linux::kEILSEQ, 0, 1};
}

constexpr int32_t kNoRoom = -1;
constexpr int32_t kUnencodable = -2;

void Put(uint8_t* out, uint32_t value, uint32_t size, bool big) {
  for (uint32_t i = 0; i < size; ++i)
    out[i] = static_cast<uint8_t>(value >> (8 * (big ? size - 1 - i : i)));
}

// The bytes of one code point: all of them, or none with kNoRoom or
// kUnencodable.
int32_t Encode(const Converter& cv, uint32_t c, uint8_t* out, uint32_t room) {
  const Charset& set = cv.to;
  uint8_t bytes[8];
  uint32_t size = 0;
  const bool big = set.order == Order::kBig;
  switch (set.form) {
    case Form::kUtf8:
      // glibc writes the old five- and six-byte forms past U+1FFFFF.
      if (IsSurrogate(c) || c > 0x7FFFFFFF) return kUnencodable;
      if (c < 0x80) {
        bytes[size++] = static_cast<uint8_t>(c);
      } else {
        const uint32_t length =
            c < 0x800 ? 2 : c < 0x10000 ? 3 : c < 0x200000 ? 4 : c < 0x4000000 ? 5 : 6;
        bytes[0] = static_cast<uint8_t>((0xFF00 >> length) | (c >> (6 * (length - 1))));
        for (uint32_t i = 1; i < length; ++i)
          bytes[i] = static_cast<uint8_t>(0x80 | ((c >> (6 * (length - 1 - i))) & 0x3F));
        size = length;
      }
      break;
    case Form::kUtf16:
      if (IsSurrogate(c) || c > 0x10FFFF) return kUnencodable;
      if (c < 0x10000) {
        Put(bytes + size, c, 2, big), size += 2;
      } else {
        Put(bytes + size, 0xD800 + ((c - 0x10000) >> 10), 2, big), size += 2;
        Put(bytes + size, 0xDC00 + (c & 0x3FF), 2, big), size += 2;
      }
      break;
    case Form::kUcs2:
      if (IsSurrogate(c) || c > 0xFFFF) return kUnencodable;
      Put(bytes, c, 2, big), size = 2;
      break;
    case Form::kUtf32:
      if (IsSurrogate(c) || c > 0x10FFFF) return kUnencodable;
      Put(bytes + size, c, 4, big), size += 4;
      break;
    case Form::kUcs4:
      if (c > 0x7FFFFFFF) return kUnencodable;
      Put(bytes, c, 4, big), size = 4;
      break;
    case Form::kByte: {
      uint32_t b = c <= set.identity ? c : 0x100;
      if (b == 0x100 && set.upper >= 0 && c != 0)
        for (uint32_t i = 0; i < 128; ++i)
          if (kUpperHalves[set.upper].points[i] == c) b = 0x80 + i;
      if (b == 0x100) return kUnencodable;
      bytes[size++] = static_cast<uint8_t>(b);
      break;
    }
  }
  if (size > room) return kNoRoom;
  std::memcpy(out, bytes, size);
  return static_cast<int32_t>(size);
}

// A kMarked target's mark goes out before its first character, on its
// own: it stays written when the character then finds no room.
bool WriteMark(Converter& cv, uint8_t*& out, uint32_t& outLeft) {
  if (cv.to.order != Order::kMarked || cv.marked) return true;
  const uint32_t size = cv.to.form == Form::kUtf16 ? 2 : 4;
  if (outLeft < size) return false;
  Put(out, 0xFEFF, size, false);
  out += size, outLeft -= size;
  cv.marked = true;
  return true;
}

struct Transliteration {
  uint32_t wc;
  const char* text;
};

constexpr Transliteration kTransliterations[] = {
#include "libcbind/translit_table.inc"
};

// The "C" locale's replacement for a character: its rule, else '?'.
std::string_view Transliterate(uint32_t wc) {
  const auto* end = std::end(kTransliterations);
  const auto* row = std::lower_bound(
      std::begin(kTransliterations), end, wc,
      [](const Transliteration& r, uint32_t key) { return r.wc < key; });
  return row != end && row->wc == wc ? std::string_view(row->text) : "?";
}

// A replacement goes out whole or not at all, as glibc writes it.
int32_t EncodeReplacement(const Converter& cv, uint32_t c, uint8_t* out, uint32_t room) {
  uint8_t bytes[64];
  uint32_t size = 0;
  for (const char ch : Transliterate(c)) {
    const int32_t n = Encode(cv, static_cast<uint8_t>(ch), bytes + size, sizeof bytes - size);
    if (n < 0) return kUnencodable;
    size += static_cast<uint32_t>(n);
  }
  if (size > room) return kNoRoom;
  std::memcpy(out, bytes, size);
  return static_cast<int32_t>(size);
}

// Most text is ASCII: a run of it goes across without a code point at a
// time. Every source here reads a byte below 0x80 as itself; a target
// takes such a run once its byte-order mark, if any, is out.
void CopyAscii(const Converter& cv, const uint8_t*& in, uint32_t& inLeft, uint8_t*& out,
               uint32_t& outLeft) {
  if (cv.from.form != Form::kUtf8 && cv.from.form != Form::kByte) return;
  if (cv.to.order == Order::kMarked && !cv.marked) return;
  const uint32_t unit = cv.to.form == Form::kUtf8 || cv.to.form == Form::kByte   ? 1
                        : cv.to.form == Form::kUtf16 || cv.to.form == Form::kUcs2 ? 2
                                                                                 : 4;
  const uint32_t most = std::min(inLeft, outLeft / unit);
  const uint32_t low = cv.to.order == Order::kBig ? unit - 1 : 0;
  uint32_t n = 0;
  if (unit == 1) {
    while (n < most && in[n] < 0x80) out[n] = in[n], ++n;
  } else {
    for (; n < most && in[n] < 0x80; ++n) {
      uint8_t* at = out + n * unit;
      std::memset(at, 0, unit);
      at[low] = in[n];
    }
  }
  in += n, inLeft -= n;
  out += n * unit, outLeft -= n * unit;
}

// The name as glibc compares it: upper case, no spaces, the suffixes after
// "//" apart (a lone trailing '/' dropped).
struct Name {
  std::string set;
  bool translit = false, ignore = false;
};

Name Parse(const char* text) {
  std::string whole;
  for (const char* p = text; *p != '\0'; ++p)
    if (*p != ' ') whole += (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 'a' + 'A') : *p;
  Name name;
  const size_t slashes = whole.find("//");
  if (slashes == std::string::npos) {
    if (!whole.empty() && whole.back() == '/') whole.pop_back();
    name.set = whole;
    return name;
  }
  name.set = whole.substr(0, slashes);
  const std::string suffix = whole.substr(slashes + 2);
  size_t at = 0;
  while (at <= suffix.size()) {
    size_t end = suffix.find_first_of("/,", at);
    if (end == std::string::npos) end = suffix.size();
    const std::string_view word = std::string_view(suffix).substr(at, end - at);
    name.translit = name.translit || word == "TRANSLIT";
    name.ignore = name.ignore || word == "IGNORE";
    at = end + 1;
  }
  return name;
}

const Charset* Find(std::string_view name) {
  for (const Alias& alias : kAliases)
    if (alias.name == name) return &alias.set;
  return nullptr;
}

}  // namespace
}  // namespace tblibc

extern "C" {

uint32_t tblibc_iconv_open(const char* tocode, const char* fromcode) {
  using namespace tblibc;
  const Name to = Parse(tocode), from = Parse(fromcode);
  const Charset* target = Find(to.set);
  const Charset* source = Find(from.set);
  if (target == nullptr || source == nullptr) {
    SetErrno(linux::kEINVAL);
    return kFailed;
  }
  auto* cv = static_cast<Converter*>(GuestAlloc(sizeof(Converter)));
  if (cv == nullptr) return kFailed;
  *cv = {*source, *target, to.translit, to.ignore, Order::kMarked, false};
  return Address(cv);
}

int32_t tblibc_iconv_close(void* handle) {
  tblibc_free(handle);
  return 0;
}

// None of the sets has a shift state, so a reset writes nothing. glibc's
// reset makes a marked target write its mark again but keeps the byte
// order a marked source has read.
uint32_t tblibc_iconv(void* handle, const uint8_t** inbuf, uint32_t* inleft,
                      uint8_t** outbuf, uint32_t* outleft) {
  using namespace tblibc;
  auto* cv = static_cast<Converter*>(handle);
  if (inbuf == nullptr || *inbuf == nullptr) {
    cv->marked = false;
    return 0;
  }
  const uint8_t* in = *inbuf;
  uint32_t inLeft = *inleft;
  uint8_t* out = outbuf != nullptr ? *outbuf : nullptr;
  uint32_t outLeft = outleft != nullptr ? *outleft : 0;
  uint32_t irreversible = 0;
  int32_t error = 0;
  bool ignored = false;
  while (inLeft > 0) {
    CopyAscii(*cv, in, inLeft, out, outLeft);
    if (inLeft == 0) break;
    const Decoded d = Decode(*cv, in, inLeft);
    int32_t written = 0;
    if (d.error == 0 && d.code != kNone) {
      written = WriteMark(*cv, out, outLeft) ? Encode(*cv, d.code, out, outLeft) : kNoRoom;
      if (written == kUnencodable && cv->translit) {
        written = EncodeReplacement(*cv, d.code, out, outLeft);
        if (written >= 0) ++irreversible;
      }
    }
    if (d.error == linux::kEINVAL || written == kNoRoom) {
      error = d.error == linux::kEINVAL ? linux::kEINVAL : linux::kE2BIG;
      break;
    }
    if (d.error == linux::kEILSEQ || written == kUnencodable) {
      if (!cv->ignore) {
        error = linux::kEILSEQ;
        break;
      }
      ignored = true;
      written = 0;
    }
    in += d.used;
    inLeft -= d.used;
    out += written;
    outLeft -= static_cast<uint32_t>(written);
  }
  *inbuf = in;
  *inleft = inLeft;
  if (outbuf != nullptr) *outbuf = out;
  if (outleft != nullptr) *outleft = outLeft;
  if (error == 0 && ignored) error = linux::kEILSEQ;
  if (error != 0) {
    SetErrno(error);
    return kFailed;
  }
  return irreversible;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_iconv_open>("iconv_open"),
    Fn<&tblibc_iconv>("iconv"),
    Fn<&tblibc_iconv_close>("iconv_close"),
};

}  // namespace

extern const Family kIconvFamily;
const Family kIconvFamily{"iconv", kExports};

}  // namespace tblibc
