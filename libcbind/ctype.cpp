// Characters: classes, case, multibyte and wide characters in the "C"
// locale.
//
// The Linux C library's C locale is ASCII: bytes 0x80 to 0xFF are no
// character (EILSEQ in every conversion), wide characters above 0x7F belong
// to no class and map to themselves. The guest's wchar_t is 32 bits wide
// and the Windows host's 16, so no host wide-character function is bound:
// everything here is ours, on both ports.
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "abi/errno.h"
#include "abi/locale.h"
#include "libcbind/ctype.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"

namespace tblibc {
namespace ctype {

constexpr uint16_t Classes(int c) {
  if (c < 0 || c > 127) return 0;
  uint16_t bits = 0;
  const bool upper = c >= 'A' && c <= 'Z';
  const bool lower = c >= 'a' && c <= 'z';
  const bool digit = c >= '0' && c <= '9';
  if (upper) bits |= kUpper | kAlpha;
  if (lower) bits |= kLower | kAlpha;
  if (digit) bits |= kDigit;
  if (upper || lower || digit) bits |= kAlnum;
  if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) bits |= kXdigit;
  if (c == ' ' || (c >= '\t' && c <= '\r')) bits |= kSpace;
  if (c == ' ' || c == '\t') bits |= kBlank;
  if (c < 0x20 || c == 0x7F) bits |= kCntrl;
  if (c >= 0x20 && c < 0x7F) bits |= kPrint;
  if (c > 0x20 && c < 0x7F) bits |= kGraph;
  if (c > 0x20 && c < 0x7F && !(upper || lower || digit)) bits |= kPunct;
  return bits;
}

// The case tables hold 32-bit values: a negative index other than EOF
// stands for the byte it is in a signed char, and maps to that byte's
// unsigned value, as the Linux C library's tables have it.
constexpr int32_t Lower(int c) {
  if (c == -1) return -1;
  if (c < 0) return c + 256;
  return c >= 'A' && c <= 'Z' ? c + 32 : c;
}
constexpr int32_t Upper(int c) {
  if (c == -1) return -1;
  if (c < 0) return c + 256;
  return c >= 'a' && c <= 'z' ? c - 32 : c;
}

// Indexable from -128 (a signed char, EOF) to 255.
struct Tables {
  uint16_t classes[384];
  int32_t lower[384];
  int32_t upper[384];
};

constexpr Tables Build() {
  Tables t{};
  for (int c = -128; c < 256; ++c) {
    t.classes[c + 128] = Classes(c);
    t.lower[c + 128] = Lower(c);
    t.upper[c + 128] = Upper(c);
  }
  return t;
}

constexpr Tables kTables = Build();
static_assert(kTables.classes[128 + 'A'] ==
              (kUpper | kAlpha | kAlnum | kXdigit | kPrint | kGraph));
static_assert(kTables.classes[128 - 1] == 0 && kTables.classes[128 + 255] == 0);
static_assert(kTables.lower[128 + 'Q'] == 'q' && kTables.upper[0] == 128);

const uint16_t* const kClassZero = &kTables.classes[128];
const int32_t* const kLowerZero = &kTables.lower[128];
const int32_t* const kUpperZero = &kTables.upper[128];

uint32_t Is(int32_t c, uint16_t bit) {
  return c >= -128 && c < 256 ? kClassZero[c] & bit : 0;
}

// The class names, in the order of wctype's descriptors 1..12 (0: no
// class).
constexpr struct {
  std::string_view name;
  uint16_t bit;
} kClassNames[] = {
    {"alnum", kAlnum}, {"alpha", kAlpha}, {"blank", kBlank},
    {"cntrl", kCntrl}, {"digit", kDigit}, {"graph", kGraph},
    {"lower", kLower}, {"print", kPrint}, {"punct", kPunct},
    {"space", kSpace}, {"upper", kUpper}, {"xdigit", kXdigit},
};

uint16_t ClassNamed(std::string_view name) {
  for (const auto& row : kClassNames)
    if (row.name == name) return row.bit;
  return 0;
}

bool InClass(unsigned char c, uint16_t bits) { return (kClassZero[c] & bits) != 0; }

}  // namespace ctype
}  // namespace tblibc

using tblibc::ctype::Is;
namespace ct = tblibc::ctype;

extern "C" {

// MB_CUR_MAX: one byte per character in the C locale.
uint32_t tblibc_ctype_get_mb_cur_max() { return 1; }

const uint16_t* const* tblibc_ctype_b_loc() { return &ct::kClassZero; }
const int32_t* const* tblibc_ctype_tolower_loc() { return &ct::kLowerZero; }
const int32_t* const* tblibc_ctype_toupper_loc() { return &ct::kUpperZero; }

// As the Linux C library's functions answer: the class's bit, not 1.
uint32_t tblibc_isalnum(int32_t c) { return Is(c, ct::kAlnum); }
uint32_t tblibc_isalpha(int32_t c) { return Is(c, ct::kAlpha); }
uint32_t tblibc_iscntrl(int32_t c) { return Is(c, ct::kCntrl); }
uint32_t tblibc_isdigit(int32_t c) { return Is(c, ct::kDigit); }
uint32_t tblibc_isgraph(int32_t c) { return Is(c, ct::kGraph); }
uint32_t tblibc_islower(int32_t c) { return Is(c, ct::kLower); }
uint32_t tblibc_isprint(int32_t c) { return Is(c, ct::kPrint); }
uint32_t tblibc_ispunct(int32_t c) { return Is(c, ct::kPunct); }
uint32_t tblibc_isspace(int32_t c) { return Is(c, ct::kSpace); }
uint32_t tblibc_isupper(int32_t c) { return Is(c, ct::kUpper); }
uint32_t tblibc_isxdigit(int32_t c) { return Is(c, ct::kXdigit); }
uint32_t tblibc_isblank(int32_t c) { return Is(c, ct::kBlank); }
int32_t tblibc_isascii(int32_t c) { return (c & ~0x7F) == 0; }
int32_t tblibc_toascii(int32_t c) { return c & 0x7F; }
int32_t tblibc_tolower(int32_t c) {
  return c >= -128 && c < 256 ? ct::kLowerZero[c] : c;
}
int32_t tblibc_toupper(int32_t c) {
  return c >= -128 && c < 256 ? ct::kUpperZero[c] : c;
}

// ---- Wide characters: the guest's wchar_t and wint_t are 32 bits --------

using wchar32 = uint32_t;
constexpr uint32_t kWeof = 0xFFFFFFFFu;
constexpr uint32_t kBadSize = 0xFFFFFFFFu;  // (size_t)-1
constexpr uint32_t kShortSize = 0xFFFFFFFEu;  // (size_t)-2

// wchar_t values and wint_t values alike: ASCII is a character, the rest
// is not.
uint32_t WideIs(uint32_t wc, uint16_t bit) {
  return wc < 0x80 ? ct::kClassZero[wc] & bit : 0;
}

uint32_t tblibc_iswalnum(uint32_t wc) { return WideIs(wc, ct::kAlnum); }
uint32_t tblibc_iswalpha(uint32_t wc) { return WideIs(wc, ct::kAlpha); }
uint32_t tblibc_iswblank(uint32_t wc) { return WideIs(wc, ct::kBlank); }
uint32_t tblibc_iswcntrl(uint32_t wc) { return WideIs(wc, ct::kCntrl); }
// The Linux C library answers iswdigit by a range test: 0 or 1.
uint32_t tblibc_iswdigit(uint32_t wc) { return wc - '0' < 10 ? 1 : 0; }
uint32_t tblibc_iswgraph(uint32_t wc) { return WideIs(wc, ct::kGraph); }
uint32_t tblibc_iswlower(uint32_t wc) { return WideIs(wc, ct::kLower); }
uint32_t tblibc_iswprint(uint32_t wc) { return WideIs(wc, ct::kPrint); }
uint32_t tblibc_iswpunct(uint32_t wc) { return WideIs(wc, ct::kPunct); }
uint32_t tblibc_iswspace(uint32_t wc) { return WideIs(wc, ct::kSpace); }
uint32_t tblibc_iswupper(uint32_t wc) { return WideIs(wc, ct::kUpper); }
uint32_t tblibc_iswxdigit(uint32_t wc) { return WideIs(wc, ct::kXdigit); }
uint32_t tblibc_towlower(uint32_t wc) {
  return wc < 0x80 ? static_cast<uint32_t>(ct::kLowerZero[wc]) : wc;
}
uint32_t tblibc_towupper(uint32_t wc) {
  return wc < 0x80 ? static_cast<uint32_t>(ct::kUpperZero[wc]) : wc;
}

}  // extern "C"

namespace {

// A byte of the C locale's character set: ASCII only.
bool IsCharacter(unsigned char c) { return c < 0x80; }

struct MbState {  // the guest's mbstate_t
  int32_t count;
  uint32_t value;
};
static_assert(sizeof(MbState) == 8);

}  // namespace

extern "C" {

uint32_t tblibc_wctype(const char* name) {
  if (name == nullptr) return 0;
  for (size_t i = 0; i < std::size(ct::kClassNames); ++i)
    if (ct::kClassNames[i].name == name) return static_cast<uint32_t>(i + 1);
  return 0;
}

// 0 or 1, as the Linux C library's table lookup answers.
int32_t tblibc_iswctype(uint32_t wc, uint32_t desc) {
  if (desc == 0 || desc > std::size(ct::kClassNames)) return 0;
  return WideIs(wc, ct::kClassNames[desc - 1].bit) != 0 ? 1 : 0;
}

// wctrans's descriptors are tokens, as wctype's are: 1 for "toupper", 2
// for "tolower", 0 for any other name.
uint32_t tblibc_wctrans(const char* name) {
  if (name == nullptr) return 0;
  if (std::strcmp(name, "toupper") == 0) return 1;
  return std::strcmp(name, "tolower") == 0 ? 2 : 0;
}
uint32_t tblibc_towctrans(uint32_t wc, uint32_t desc) {
  if (desc == 1) return tblibc_towupper(wc);
  return desc == 2 ? tblibc_towlower(wc) : wc;
}

int32_t tblibc_wcwidth(uint32_t wc) {
  if (wc == 0) return 0;
  return wc >= 0x20 && wc < 0x7F ? 1 : -1;
}

int32_t tblibc_mblen(const char* s, uint32_t n) {
  if (s == nullptr) return 0;  // no shift states
  if (n == 0) return -1;
  if (*s == '\0') return 0;
  if (!IsCharacter(static_cast<unsigned char>(*s))) {
    tblibc::SetErrno(linux::kEILSEQ);
    return -1;
  }
  return 1;
}

int32_t tblibc_mbtowc(wchar32* pwc, const char* s, uint32_t n) {
  if (s == nullptr) return 0;
  if (n == 0) return -1;
  const unsigned char c = static_cast<unsigned char>(*s);
  if (!IsCharacter(c)) {
    tblibc::SetErrno(linux::kEILSEQ);
    return -1;
  }
  if (pwc != nullptr) *pwc = c;
  return c == 0 ? 0 : 1;
}

int32_t tblibc_wctomb(char* s, uint32_t wc) {
  if (s == nullptr) return 0;
  if (wc >= 0x80) {
    tblibc::SetErrno(linux::kEILSEQ);
    return -1;
  }
  *s = static_cast<char>(wc);
  return 1;
}

uint32_t tblibc_mbrtowc(wchar32* pwc, const char* s, uint32_t n, MbState* ps) {
  if (s == nullptr) {
    // mbrtowc(NULL, "", 1, ps): back to the initial state.
    if (ps != nullptr) *ps = {};
    return 0;
  }
  if (n == 0) return kShortSize;
  const unsigned char c = static_cast<unsigned char>(*s);
  if (!IsCharacter(c)) {
    tblibc::SetErrno(linux::kEILSEQ);
    return kBadSize;
  }
  if (pwc != nullptr) *pwc = c;
  return c == 0 ? 0 : 1;
}

uint32_t tblibc_mbrlen(const char* s, uint32_t n, MbState* ps) {
  return tblibc_mbrtowc(nullptr, s, n, ps);
}

uint32_t tblibc_wcrtomb(char* s, uint32_t wc, MbState* ps) {
  if (s == nullptr) {
    // As wcrtomb(buffer, L'\0', ps): one byte, the initial state.
    if (ps != nullptr) *ps = {};
    return 1;
  }
  if (wc >= 0x80) {
    tblibc::SetErrno(linux::kEILSEQ);
    return kBadSize;
  }
  *s = static_cast<char>(wc);
  return 1;
}

int32_t tblibc_mbsinit(const MbState* ps) {
  return ps == nullptr || ps->count == 0 ? 1 : 0;
}

uint32_t tblibc_btowc(int32_t c) {
  return c >= 0 && c < 0x80 ? static_cast<uint32_t>(c) : kWeof;
}

int32_t tblibc_wctob(uint32_t wc) { return wc < 0x80 ? static_cast<int32_t>(wc) : -1; }

// At most n wide characters into dst (none when dst is null: the count of
// the whole string), the terminator only when it fits.
uint32_t tblibc_mbstowcs(wchar32* dst, const char* src, uint32_t n) {
  uint32_t count = 0;
  for (;; ++src) {
    if (dst != nullptr && count == n) return count;
    const unsigned char c = static_cast<unsigned char>(*src);
    if (!IsCharacter(c)) {
      tblibc::SetErrno(linux::kEILSEQ);
      return kBadSize;
    }
    if (dst != nullptr) dst[count] = c;
    if (c == 0) return count;
    ++count;
  }
}

uint32_t tblibc_wcstombs(char* dst, const wchar32* src, uint32_t n) {
  uint32_t count = 0;
  for (;; ++src) {
    if (dst != nullptr && count == n) return count;
    const uint32_t wc = *src;
    if (wc >= 0x80) {
      tblibc::SetErrno(linux::kEILSEQ);
      return kBadSize;
    }
    if (dst != nullptr) dst[count] = static_cast<char>(wc);
    if (wc == 0) return count;
    ++count;
  }
}

// ---- Wide strings -----------------------------------------------------------

uint32_t tblibc_wcslen(const wchar32* s) {
  uint32_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// wchar_t is signed on i386 Linux: the comparison is of signed values, and
// the answer -1, 0 or 1, as the Linux C library gives it.
int32_t tblibc_wcscmp(const wchar32* a, const wchar32* b) {
  for (;; ++a, ++b) {
    const int32_t x = static_cast<int32_t>(*a), y = static_cast<int32_t>(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

wchar32* tblibc_wcscpy(wchar32* dst, const wchar32* src) {
  wchar32* d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

wchar32* tblibc_wcschr(const wchar32* s, uint32_t wc) {
  for (;; ++s) {
    if (*s == wc) return const_cast<wchar32*>(s);
    if (*s == 0) return nullptr;
  }
}


// The "C" locale's conventions, the only locale there is: "." and nothing
// else. The strings are the loader's, which the guest reads in place.
linux::Lconv* tblibc_localeconv() {
  static const char kPoint[] = ".", kNone[] = "";
  static linux::Lconv conventions = [] {
    linux::Lconv c{};
    const uint32_t none = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kNone));
    c.decimal_point = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kPoint));
    c.thousands_sep = c.grouping = c.int_curr_symbol = c.currency_symbol =
        c.mon_decimal_point = c.mon_thousands_sep = c.mon_grouping =
            c.positive_sign = c.negative_sign = none;
    std::memset(&c.int_frac_digits, 127, 14);
    return c;
  }();
  return &conventions;
}

// nl_langinfo in the "C" locale, glibc's texts; an item it does not know
// answers "", as glibc's does.
const char* tblibc_nl_langinfo(int32_t item) {
  static constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  static constexpr const char* kAbDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  static constexpr const char* kAbMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct Item {
    int32_t item;
    const char* text;
  };
  static constexpr Item kItems[] = {
      {linux::kCODESET, "ANSI_X3.4-1968"}, {linux::kRADIXCHAR, "."},
      {linux::kTHOUSEP, ""},               {linux::kAM_STR, "AM"},
      {linux::kPM_STR, "PM"},              {linux::kD_T_FMT, "%a %b %e %H:%M:%S %Y"},
      {linux::kD_FMT, "%m/%d/%y"},         {linux::kT_FMT, "%H:%M:%S"},
      {linux::kT_FMT_AMPM, "%I:%M:%S %p"}, {linux::kCRNCYSTR, "-"},
      {linux::kYESEXPR, "^[yY]"},          {linux::kNOEXPR, "^[nN]"},
  };
  for (const Item& row : kItems)
    if (row.item == item) return row.text;
  if (item >= linux::kDAY_1 && item < linux::kDAY_1 + 7) return kDays[item - linux::kDAY_1];
  if (item >= linux::kABDAY_1 && item < linux::kABDAY_1 + 7)
    return kAbDays[item - linux::kABDAY_1];
  if (item >= linux::kMON_1 && item < linux::kMON_1 + 12) return kMonths[item - linux::kMON_1];
  if (item >= linux::kABMON_1 && item < linux::kABMON_1 + 12)
    return kAbMonths[item - linux::kABMON_1];
  return "";
}


// No locale is set: setlocale answers nothing.
char* tblibc_setlocale(int, const char*) { return nullptr; }

}  // extern "C"

// ---- Message catalogues ---------------------------------------------------
//
// In the "C" locale glibc reads no catalogue: every message is its own
// translation, and the plural forms choose as English does. What the guest
// sets (the domain, a domain's directory and codeset) is still recorded and
// answered, in copies that live as long as the run, as glibc's do.
namespace tblibc::ctype {
namespace {

constexpr char kDefaultDomain[] = "messages";
// glibc's directory for catalogues on this machine (its configured
// prefix /usr).
constexpr char kDefaultDirectory[] = "/usr/share/locale";

struct Binding {
  const char* directory = nullptr;
  const char* codeset = nullptr;
};

const char* Keep(std::string_view text) {
  static std::deque<std::string> kept;
  return kept.emplace_back(text).c_str();
}

const char* gDomain = kDefaultDomain;
std::map<std::string, Binding, std::less<>> gBindings;

const char* Plural(const char* singular, const char* plural, uint32_t n) {
  return n == 1 ? singular : plural;
}

}  // namespace
}  // namespace tblibc::ctype

extern "C" {

const char* tblibc_dcgettext(const char*, const char* msgid, int) {
  return msgid;
}
const char* tblibc_dgettext(const char*, const char* msgid) { return msgid; }
const char* tblibc_gettext(const char* msgid) { return msgid; }
const char* tblibc_dcngettext(const char*, const char* singular,
                              const char* plural, uint32_t n, int) {
  return tblibc::ctype::Plural(singular, plural, n);
}
const char* tblibc_dngettext(const char*, const char* singular,
                             const char* plural, uint32_t n) {
  return tblibc::ctype::Plural(singular, plural, n);
}
const char* tblibc_ngettext(const char* singular, const char* plural,
                            uint32_t n) {
  return tblibc::ctype::Plural(singular, plural, n);
}

// Null asks; "" goes back to the default domain.
const char* tblibc_textdomain(const char* domain) {
  using namespace tblibc::ctype;
  if (domain == nullptr) return gDomain;
  if (domain[0] == '\0' || std::strcmp(domain, kDefaultDomain) == 0)
    gDomain = kDefaultDomain;
  else if (std::strcmp(domain, gDomain) != 0)
    gDomain = Keep(domain);
  return gDomain;
}

// A domain never named before is bound to the default directory and no
// codeset; a null value asks.
const char* tblibc_bindtextdomain(const char* domain, const char* directory) {
  using namespace tblibc::ctype;
  if (domain == nullptr || domain[0] == '\0') return nullptr;
  const auto found = gBindings.find(std::string_view(domain));
  if (directory == nullptr)
    return found != gBindings.end() && found->second.directory != nullptr
               ? found->second.directory
               : kDefaultDirectory;
  Binding& binding = gBindings[domain];
  binding.directory = std::strcmp(directory, kDefaultDirectory) == 0
                          ? kDefaultDirectory
                          : Keep(directory);
  return binding.directory;
}

const char* tblibc_bind_textdomain_codeset(const char* domain,
                                           const char* codeset) {
  using namespace tblibc::ctype;
  if (domain == nullptr || domain[0] == '\0') return nullptr;
  if (codeset == nullptr) {
    const auto found = gBindings.find(std::string_view(domain));
    return found != gBindings.end() ? found->second.codeset : nullptr;
  }
  Binding& binding = gBindings[domain];
  binding.codeset = Keep(codeset);
  return binding.codeset;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_ctype_tolower_loc>("__ctype_tolower_loc"),
    Fn<&tblibc_localeconv>("localeconv"),
    Fn<&tblibc_nl_langinfo>("nl_langinfo"),
    Fn<&tblibc_nl_langinfo>("nl_langinfo_l"),  // the locale: one more word
    Fn<&tblibc_ctype_toupper_loc>("__ctype_toupper_loc"),
    Fn<&tblibc_tolower>("tolower"),
    Fn<&tblibc_toupper>("toupper"),
    Fn<&tblibc_isalnum>("isalnum"),
    Fn<&tblibc_isalpha>("isalpha"),
    Fn<&tblibc_iscntrl>("iscntrl"),
    Fn<&tblibc_isdigit>("isdigit"),
    Fn<&tblibc_isgraph>("isgraph"),
    Fn<&tblibc_islower>("islower"),
    Fn<&tblibc_isprint>("isprint"),
    Fn<&tblibc_ispunct>("ispunct"),
    Fn<&tblibc_isspace>("isspace"),
    Fn<&tblibc_isupper>("isupper"),
    Fn<&tblibc_isxdigit>("isxdigit"),
    Fn<&tblibc_isblank>("isblank"),
    Fn<&tblibc_isascii>("isascii"),
    Fn<&tblibc_toascii>("toascii"),
    Fn<&tblibc_mblen>("mblen"),
    Fn<&tblibc_mbtowc>("mbtowc"),
    Fn<&tblibc_wctomb>("wctomb"),
    Fn<&tblibc_mbrtowc>("mbrtowc"),
    Fn<&tblibc_wcrtomb>("wcrtomb"),
    Fn<&tblibc_mbrlen>("mbrlen"),
    Fn<&tblibc_mbrlen>("__mbrlen"),  // what <wchar.h> inlines mbrlen into
    Fn<&tblibc_mbsinit>("mbsinit"),
    Fn<&tblibc_btowc>("btowc"),
    Fn<&tblibc_wctob>("wctob"),
    Fn<&tblibc_mbstowcs>("mbstowcs"),
    Fn<&tblibc_wcstombs>("wcstombs"),
    Fn<&tblibc_towlower>("towlower"),
    Fn<&tblibc_towupper>("towupper"),
    Fn<&tblibc_iswalnum>("iswalnum"),
    Fn<&tblibc_iswalpha>("iswalpha"),
    Fn<&tblibc_iswblank>("iswblank"),
    Fn<&tblibc_iswcntrl>("iswcntrl"),
    Fn<&tblibc_iswdigit>("iswdigit"),
    Fn<&tblibc_iswgraph>("iswgraph"),
    Fn<&tblibc_iswlower>("iswlower"),
    Fn<&tblibc_iswprint>("iswprint"),
    Fn<&tblibc_iswpunct>("iswpunct"),
    Fn<&tblibc_iswspace>("iswspace"),
    Fn<&tblibc_iswupper>("iswupper"),
    Fn<&tblibc_iswxdigit>("iswxdigit"),
    Fn<&tblibc_iswctype>("iswctype"),
    Fn<&tblibc_wctype>("wctype"),
    Fn<&tblibc_wctrans>("wctrans"),
    Fn<&tblibc_towctrans>("towctrans"),
    Fn<&tblibc_towctrans>("__towctrans"),
    Fn<&tblibc_wcwidth>("wcwidth"),
    Fn<&tblibc_wcslen>("wcslen"),
    Fn<&tblibc_wcscmp>("wcscmp"),
    Fn<&tblibc_wcscpy>("wcscpy"),
    Fn<&tblibc_wcschr>("wcschr"),
    // Message catalogues (dcgettext, bindtextdomain and textdomain are
    // start-up names).
    Fn<&tblibc_gettext>("gettext"),
    Fn<&tblibc_dgettext>("dgettext"),
    Fn<&tblibc_ngettext>("ngettext"),
    Fn<&tblibc_dngettext>("dngettext"),
    Fn<&tblibc_dcngettext>("dcngettext"),
    Fn<&tblibc_bind_textdomain_codeset>("bind_textdomain_codeset"),
    Fn<&tblibc_dgettext>("__dgettext"),
    Fn<&tblibc_dcgettext>("__dcgettext"),
};

}  // namespace

extern const Family kCtypeFamily;
const Family kCtypeFamily{"ctype", kExports};

}  // namespace tblibc
