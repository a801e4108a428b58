// Network byte order and the address texts: the inet_ family as the Linux C
// library writes and reads it. IPv6 text follows RFC 5952 the way glibc
// prints it (the first longest run of two or more zero groups becomes "::",
// and an address whose first 96 bits are zero, or are ::ffff:0:0/96,
// keeps its last 32 bits dotted); IPv4 text for inet_pton is strictly four
// decimal parts without leading zeros, while inet_aton, inet_addr and
// inet_network keep the old BSD forms (one to four parts, octal and hex).
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace {

constexpr int32_t kAF_INET = 2;
constexpr int32_t kAF_INET6 = 10;
constexpr uint32_t kINADDR_NONE = 0xFFFFFFFFu;

// i386 is little-endian on both ports; network order is the swapped one.
uint32_t Swap32(uint32_t v) { return __builtin_bswap32(v); }
uint16_t Swap16(uint16_t v) { return __builtin_bswap16(v); }

uint32_t tblibc_htonl(uint32_t v) { return Swap32(v); }
uint32_t tblibc_htons(uint32_t v) { return Swap16(static_cast<uint16_t>(v)); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The "C" locale's isspace, which is what stops an old-form address.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// ---- Text to address --------------------------------------------------------

// Four decimal parts, each 0..255 with no leading zero, nothing after.
bool ParseStrict4(const char* text, uint8_t out[4]) {
  int parts = 0;
  while (true) {
    if (!IsDigit(*text)) return false;
    uint32_t value = 0;
    const char* start = text;
    while (IsDigit(*text)) {
      if (text != start && *start == '0') return false;
      value = value * 10 + static_cast<uint32_t>(*text++ - '0');
      if (value > 255) return false;
    }
    out[parts++] = static_cast<uint8_t>(value);
    if (parts == 4) return *text == '\0';
    if (*text++ != '.') return false;
  }
}

// Up to eight groups of at most four hex digits, one "::" standing for the
// zero groups it replaces, and a dotted IPv4 tail in place of the last two.
bool Parse6(const char* text, uint8_t out[16]) {
  uint8_t bytes[16] = {};
  int filled = 0;
  int gap = -1;  // where "::" stood, in bytes
  if (*text == ':') {
    if (text[1] != ':') return false;
    ++text;
  }
  const char* groupStart = text;
  int digits = 0;
  uint32_t value = 0;
  while (*text != '\0') {
    const char c = *text++;
    const int hex = HexValue(c);
    if (hex >= 0) {
      if (++digits > 4) return false;
      value = (value << 4) | static_cast<uint32_t>(hex);
      continue;
    }
    if (c == ':') {
      groupStart = text;
      if (digits == 0) {
        if (gap >= 0) return false;
        gap = filled;
        continue;
      }
      if (*text == '\0') return false;
      if (filled + 2 > 16) return false;
      bytes[filled++] = static_cast<uint8_t>(value >> 8);
      bytes[filled++] = static_cast<uint8_t>(value);
      digits = 0;
      value = 0;
      continue;
    }
    if (c == '.' && filled + 4 <= 16 && ParseStrict4(groupStart, bytes + filled)) {
      filled += 4;
      digits = 0;
      break;
    }
    return false;
  }
  if (digits > 0) {
    if (filled + 2 > 16) return false;
    bytes[filled++] = static_cast<uint8_t>(value >> 8);
    bytes[filled++] = static_cast<uint8_t>(value);
  }
  if (gap >= 0) {
    if (filled == 16) return false;
    const int moved = filled - gap;
    std::memmove(bytes + 16 - moved, bytes + gap, static_cast<size_t>(moved));
    std::memset(bytes + gap, 0, static_cast<size_t>(16 - filled));
    filled = 16;
  }
  if (filled != 16) return false;
  std::memcpy(out, bytes, 16);
  return true;
}

int32_t tblibc_inet_pton(int32_t af, const char* text, void* out) {
  uint8_t bytes[16];
  if (af == kAF_INET) {
    if (!ParseStrict4(text, bytes)) return 0;
    std::memcpy(out, bytes, 4);
    return 1;
  }
  if (af == kAF_INET6) {
    if (!Parse6(text, bytes)) return 0;
    std::memcpy(out, bytes, 16);
    return 1;
  }
  tblibc::SetErrno(linux::kEAFNOSUPPORT);
  return -1;
}

// One part of an old-form address, as strtoul with base 0 reads it: "0x"
// then hex digits, a leading 0 then octal, else decimal. False past 32 bits.
bool ParseOldPart(const char*& text, uint32_t& value) {
  uint32_t base = 10;
  if (text[0] == '0') {
    base = 8;
    if ((text[1] == 'x' || text[1] == 'X') && HexValue(text[2]) >= 0) {
      base = 16;
      text += 2;
    }
  }
  uint64_t total = 0;
  while (true) {
    const int digit = HexValue(*text);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) break;
    total = total * base + static_cast<uint32_t>(digit);
    if (total > 0xFFFFFFFFu) return false;
    ++text;
  }
  value = static_cast<uint32_t>(total);
  return true;
}

// inet_aton's reading, the address in host order.
bool ParseOld(const char* text, uint32_t& address) {
  uint32_t parts[4];
  int count = 0;
  uint32_t value = 0;
  while (true) {
    if (!IsDigit(*text) || !ParseOldPart(text, value)) return false;
    if (*text != '.') break;
    if (count == 3 || value > 0xFF) return false;
    parts[count++] = value;
    ++text;
  }
  if (*text != '\0' && !IsSpace(*text)) return false;
  static constexpr uint32_t kLastMax[4] = {0xFFFFFFFFu, 0xFFFFFF, 0xFFFF, 0xFF};
  if (value > kLastMax[count]) return false;
  for (int i = 0; i < count; ++i) value |= parts[i] << (24 - 8 * i);
  address = value;
  return true;
}

int32_t tblibc_inet_aton(const char* text, uint32_t* out) {
  uint32_t address;
  if (!ParseOld(text, address)) return 0;
  if (out != nullptr) *out = Swap32(address);
  return 1;
}

uint32_t tblibc_inet_addr(const char* text) {
  uint32_t address;
  return ParseOld(text, address) ? Swap32(address) : kINADDR_NONE;
}

// inet_network reads its parts with its own loop: a leading 0 means octal,
// an x after it (or alone) hex, digits accumulate modulo 2^32, and only a
// part's final value is checked against 255. Parts are packed from the
// low end, so "1.2" is 0x102.
uint32_t tblibc_inet_network(const char* text) {
  uint32_t parts[4];
  int count = 0;
  while (true) {
    uint32_t value = 0;
    uint32_t base = 10;
    bool digit = false;
    if (*text == '0') {
      digit = true;
      base = 8;
      ++text;
    }
    if (*text == 'x' || *text == 'X') {
      digit = false;
      base = 16;
      ++text;
    }
    while (true) {
      const char c = *text;
      if (IsDigit(c)) {
        if (base == 8 && c >= '8') return kINADDR_NONE;
        value = value * base + static_cast<uint32_t>(c - '0');
      } else if (base == 16 && HexValue(c) >= 0) {
        value = (value << 4) + static_cast<uint32_t>(HexValue(c));
      } else {
        break;
      }
      ++text;
      digit = true;
    }
    if (!digit || count == 4 || value > 0xFF) return kINADDR_NONE;
    parts[count++] = value;
    if (*text != '.') break;
    ++text;
  }
  while (IsSpace(*text)) ++text;
  if (*text != '\0') return kINADDR_NONE;
  uint32_t result = 0;
  for (int i = 0; i < count; ++i) result = (result << 8) | parts[i];
  return result;
}

// ---- Address to text --------------------------------------------------------

char* Deliver(const char* text, char* out, uint32_t size) {
  const size_t length = std::strlen(text);
  if (length + 1 > size) {
    tblibc::SetErrno(linux::kENOSPC);
    return nullptr;
  }
  std::memcpy(out, text, length + 1);
  return out;
}

void Format4(const uint8_t* b, char* text) {
  std::snprintf(text, 16, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

void Format6(const uint8_t* b, char* text) {
  uint32_t words[8];
  for (int i = 0; i < 8; ++i) words[i] = (uint32_t{b[2 * i]} << 8) | b[2 * i + 1];
  int bestBase = -1, bestLength = 0;
  for (int i = 0; i < 8;) {
    if (words[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && words[j] == 0) ++j;
    if (j - i > bestLength) {
      bestBase = i;
      bestLength = j - i;
    }
    i = j;
  }
  if (bestLength < 2) bestBase = -1;
  char* p = text;
  for (int i = 0; i < 8; ++i) {
    if (i == bestBase) {
      *p++ = ':';
      if (i + bestLength == 8) *p++ = ':';
      i += bestLength - 1;
      continue;
    }
    if (i != 0) *p++ = ':';
    if (i == 6 && bestBase == 0 &&
        (bestLength == 6 || (bestLength == 5 && words[5] == 0xFFFF))) {
      Format4(b + 12, p);
      return;
    }
    p += std::snprintf(p, 5, "%x", words[i]);
  }
  *p = '\0';
}

char* tblibc_inet_ntop(int32_t af, const void* address, char* out, uint32_t size) {
  char text[48];
  const auto* bytes = static_cast<const uint8_t*>(address);
  if (af == kAF_INET) {
    Format4(bytes, text);
  } else if (af == kAF_INET6) {
    Format6(bytes, text);
  } else {
    tblibc::SetErrno(linux::kEAFNOSUPPORT);
    return nullptr;
  }
  return Deliver(text, out, size);
}

// The one buffer every call overwrites, as the C library's is.
char gNtoaText[18];

char* tblibc_inet_ntoa(uint32_t address) {
  Format4(reinterpret_cast<const uint8_t*>(&address), gNtoaText);
  return gNtoaText;
}

// ---- Classful parts -----------------------------------------------------------

bool ClassA(uint32_t a) { return (a & 0x80000000u) == 0; }
bool ClassB(uint32_t a) { return (a & 0xC0000000u) == 0x80000000u; }

uint32_t tblibc_inet_lnaof(uint32_t address) {
  const uint32_t a = Swap32(address);
  return ClassA(a) ? a & 0xFFFFFF : ClassB(a) ? a & 0xFFFF : a & 0xFF;
}

uint32_t tblibc_inet_netof(uint32_t address) {
  const uint32_t a = Swap32(address);
  return ClassA(a) ? a >> 24 : ClassB(a) ? a >> 16 : a >> 8;
}

}  // namespace

// inet_makeaddr returns a struct in_addr, which i386 Linux returns through
// a hidden result pointer (netnames.S); this computes the value it stores.
extern "C" uint32_t tumbex_makeaddr_value(uint32_t net, uint32_t host) {
  uint32_t a;
  if (net < 0x80) {
    a = (net << 24) | (host & 0xFFFFFF);
  } else if (net < 0x10000) {
    a = (net << 16) | (host & 0xFFFF);
  } else if (net < 0x1000000) {
    a = (net << 8) | (host & 0xFF);
  } else {
    a = net | host;
  }
  return __builtin_bswap32(a);
}

extern "C" void tumbex_inet_makeaddr_sysv();

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_htonl>("htonl"),
    Fn<&tblibc_htons>("htons"),
    Fn<&tblibc_htonl>("ntohl"),
    Fn<&tblibc_htons>("ntohs"),
    Fn<&tblibc_inet_pton>("inet_pton"),
    Fn<&tblibc_inet_ntop>("inet_ntop"),
    Fn<&tblibc_inet_aton>("inet_aton"),
    Fn<&tblibc_inet_addr>("inet_addr"),
    Fn<&tblibc_inet_ntoa>("inet_ntoa"),
    Fn<&tblibc_inet_network>("inet_network"),
    Fn<&tumbex_inet_makeaddr_sysv>("inet_makeaddr"),
    Fn<&tblibc_inet_lnaof>("inet_lnaof"),
    Fn<&tblibc_inet_netof>("inet_netof"),
};

}  // namespace

extern const Family kNetNamesFamily;
const Family kNetNamesFamily{"netnames", kExports};

}  // namespace tblibc
