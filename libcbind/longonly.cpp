// getopt_long_only: getopt_long's parser with one more rule, that a single
// '-' may start a long option too. getopt and getopt_long are the host C
// runtime's (through the bridge); this one is ours, because its messages
// must be glibc's on every port and mingw-w64's parser words them its own
// way. It reads and writes the guest's optind, optarg, optopt and opterr
// directly and keeps its scanning state (the place inside a cluster of
// short options, the run of skipped operands) across calls; a guest that
// sets optind to 0 starts it afresh, as with glibc.
//
// glibc's rules, kept here:
// - an element is an option when it starts with '-' and is not "-" alone;
//   "--" ends the options; operands are moved after the options (unless the
//   option string starts with '+' or POSIXLY_CORRECT is set: stop at the
//   first operand; '-': hand each operand back as the argument of option 1);
// - "-name" is tried as a long option when it is longer than one character
//   or its character is not a short option; an exact name wins, otherwise
//   a prefix of exactly one name (two prefixes are always ambiguous in this
//   mode); a failed "-name" whose first character is a short option is read
//   as short options instead;
// - a leading ':' in the option string silences the messages and makes a
//   missing argument answer ':'.
#include <cstdint>
#include <cstring>
#include <string>

#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/streams.h"
#include "process/process.h"

namespace {

// struct option (i386).
struct LongOption {
  uint32_t name;  // const char*
  int32_t hasArg;
  uint32_t flag;  // int*
  int32_t val;
};
static_assert(sizeof(LongOption) == 16);

constexpr int32_t kRequired = 1;

template <typename T>
T* Ptr(uint32_t address) {
  return reinterpret_cast<T*>(uintptr_t{address});
}

// The guest's variables, or ours when the guest has none of that name.
int32_t gOwnOptind = 1, gOwnOpterr = 1, gOwnOptopt = '?';
uint32_t gOwnOptarg;

int32_t& Optind() {
  return process::GuestOptindAddress ? *Ptr<int32_t>(process::GuestOptindAddress) : gOwnOptind;
}
int32_t& Opterr() {
  return process::GuestOpterrAddress ? *Ptr<int32_t>(process::GuestOpterrAddress) : gOwnOpterr;
}
int32_t& Optopt() {
  return process::GuestOptoptAddress ? *Ptr<int32_t>(process::GuestOptoptAddress) : gOwnOptopt;
}
uint32_t& Optarg() {
  return process::GuestOptargAddress ? *Ptr<uint32_t>(process::GuestOptargAddress) : gOwnOptarg;
}

enum Ordering { kRequireOrder, kPermute, kReturnInOrder };

struct State {
  bool initialized = false;
  const char* nextChar = nullptr;
  int32_t firstNonopt = 1;
  int32_t lastNonopt = 1;
  Ordering ordering = kPermute;
};
State gState;

void Say(const std::string& text) {
  void* error = tblibc::io::Current(2);
  tblibc::io::Write(tblibc::io::File(error), text.data(), static_cast<uint32_t>(text.size()));
  tblibc_fflush(error);
}

// Moves the skipped operands [firstNonopt, lastNonopt) after the options
// [lastNonopt, optind), keeping each group's order.
void Exchange(char** argv) {
  const int32_t optind = Optind();
  char** begin = argv + gState.firstNonopt;
  char** middle = argv + gState.lastNonopt;
  char** end = argv + optind;
  // Rotate by reversals: no allocation, same result as glibc's swaps.
  auto reverse = [](char** a, char** b) {
    while (a < --b) {
      char* t = *a;
      *a++ = *b;
      *b = t;
    }
  };
  reverse(begin, middle);
  reverse(middle, end);
  reverse(begin, end);
  gState.firstNonopt += optind - gState.lastNonopt;
  gState.lastNonopt = optind;
}

bool IsOperand(const char* arg) { return arg[0] != '-' || arg[1] == '\0'; }

// A long option at nextChar; -1 when not found and the short reading should
// be tried instead.
int32_t LongOne(int32_t argc, char** argv, const char* optstring,
                const LongOption* longs, int32_t* longIndex, bool longOnly,
                bool printErrors, const char* prefix) {
  const char* name = gState.nextChar;
  const char* nameEnd = name;
  while (*nameEnd != '\0' && *nameEnd != '=') ++nameEnd;
  const size_t nameLength = static_cast<size_t>(nameEnd - name);
  int32_t& optind = Optind();

  const LongOption* found = nullptr;
  int32_t foundIndex = -1;
  for (int32_t i = 0; longs[i].name != 0; ++i) {
    const char* candidate = Ptr<const char>(longs[i].name);
    if (std::strlen(candidate) == nameLength && std::strncmp(candidate, name, nameLength) == 0) {
      found = &longs[i];
      foundIndex = i;
      break;
    }
  }
  if (found == nullptr) {
    std::string possibilities;
    bool ambiguous = false;
    for (int32_t i = 0; longs[i].name != 0; ++i) {
      const LongOption& p = longs[i];
      const char* candidate = Ptr<const char>(p.name);
      if (std::strncmp(candidate, name, nameLength) != 0) continue;
      if (found == nullptr) {
        found = &p;
        foundIndex = i;
        continue;
      }
      if (longOnly || found->hasArg != p.hasArg || found->flag != p.flag || found->val != p.val) {
        if (!ambiguous) possibilities += std::string(" '") + prefix + Ptr<const char>(found->name) + "'";
        ambiguous = true;
        possibilities += std::string(" '") + prefix + candidate + "'";
      }
    }
    if (ambiguous) {
      if (printErrors)
        Say(std::string(argv[0]) + ": option '" + prefix + name + "' is ambiguous; possibilities:" +
            possibilities + "\n");
      gState.nextChar = nullptr;
      ++optind;
      Optopt() = 0;
      return '?';
    }
  }
  if (found == nullptr) {
    if (!longOnly || argv[optind][1] == '-' || std::strchr(optstring, *name) == nullptr) {
      if (printErrors)
        Say(std::string(argv[0]) + ": unrecognized option '" + prefix + name + "'\n");
      gState.nextChar = nullptr;
      ++optind;
      Optopt() = 0;
      return '?';
    }
    return -1;
  }
  ++optind;
  gState.nextChar = nullptr;
  const char* foundName = Ptr<const char>(found->name);
  if (*nameEnd == '=') {
    if (found->hasArg == 0) {
      if (printErrors)
        Say(std::string(argv[0]) + ": option '" + prefix + foundName + "' doesn't allow an argument\n");
      Optopt() = found->val;
      return '?';
    }
    Optarg() = tblibc::Address(nameEnd + 1);
  } else if (found->hasArg == kRequired) {
    if (optind < argc) {
      Optarg() = tblibc::Address(argv[optind++]);
    } else {
      if (printErrors)
        Say(std::string(argv[0]) + ": option '" + prefix + foundName + "' requires an argument\n");
      Optopt() = found->val;
      return optstring[0] == ':' ? ':' : '?';
    }
  }
  if (longIndex != nullptr) *longIndex = foundIndex;
  if (found->flag != 0) {
    *Ptr<int32_t>(found->flag) = found->val;
    return 0;
  }
  return found->val;
}

int32_t tblibc_getopt_long_only(int32_t argc, char** argv, const char* optstring,
                                const LongOption* longs, int32_t* longIndex) {
  if (argc < 1) return -1;
  int32_t& optind = Optind();
  Optarg() = 0;
  if (optind == 0 || !gState.initialized) {
    if (optind == 0) optind = 1;
    gState.firstNonopt = gState.lastNonopt = optind;
    gState.nextChar = nullptr;
    gState.initialized = true;
    gState.ordering = kPermute;
    if (optstring[0] == '-') {
      gState.ordering = kReturnInOrder;
    } else if (optstring[0] == '+') {
      gState.ordering = kRequireOrder;
    } else if (tblibc_getenv("POSIXLY_CORRECT") != nullptr) {
      gState.ordering = kRequireOrder;
    }
  }
  if (optstring[0] == '-' || optstring[0] == '+') ++optstring;
  const bool printErrors = Opterr() != 0 && optstring[0] != ':';

  if (gState.nextChar == nullptr || *gState.nextChar == '\0') {
    if (gState.lastNonopt > optind) gState.lastNonopt = optind;
    if (gState.firstNonopt > optind) gState.firstNonopt = optind;
    if (gState.ordering == kPermute) {
      if (gState.firstNonopt != gState.lastNonopt && gState.lastNonopt != optind) {
        Exchange(argv);
      } else if (gState.lastNonopt != optind) {
        gState.firstNonopt = optind;
      }
      while (optind < argc && IsOperand(argv[optind])) ++optind;
      gState.lastNonopt = optind;
    }
    if (optind != argc && std::strcmp(argv[optind], "--") == 0) {
      ++optind;
      if (gState.firstNonopt != gState.lastNonopt && gState.lastNonopt != optind) {
        Exchange(argv);
      } else if (gState.firstNonopt == gState.lastNonopt) {
        gState.firstNonopt = optind;
      }
      gState.lastNonopt = argc;
      optind = argc;
    }
    if (optind == argc) {
      if (gState.firstNonopt != gState.lastNonopt) optind = gState.firstNonopt;
      return -1;
    }
    if (IsOperand(argv[optind])) {
      if (gState.ordering == kRequireOrder) return -1;
      Optarg() = tblibc::Address(argv[optind++]);
      return 1;
    }
    if (longs != nullptr) {
      const char* arg = argv[optind];
      if (arg[1] == '-') {
        gState.nextChar = arg + 2;
        return LongOne(argc, argv, optstring, longs, longIndex, true, printErrors, "--");
      }
      if (arg[2] != '\0' || std::strchr(optstring, arg[1]) == nullptr) {
        gState.nextChar = arg + 1;
        const int32_t code =
            LongOne(argc, argv, optstring, longs, longIndex, true, printErrors, "-");
        if (code != -1) return code;
      }
    }
    gState.nextChar = argv[optind] + 1;
  }

  const char c = *gState.nextChar++;
  const char* spec = std::strchr(optstring, c);
  if (*gState.nextChar == '\0') ++optind;
  if (spec == nullptr || c == ':' || c == ';') {
    if (printErrors) Say(std::string(argv[0]) + ": invalid option -- '" + c + "'\n");
    Optopt() = c;
    return '?';
  }
  if (spec[0] == 'W' && spec[1] == ';' && longs != nullptr) {
    const char* word;
    if (*gState.nextChar != '\0') {
      word = gState.nextChar;
    } else if (optind == argc) {
      if (printErrors)
        Say(std::string(argv[0]) + ": option requires an argument -- '" + c + "'\n");
      Optopt() = c;
      return optstring[0] == ':' ? ':' : '?';
    } else {
      word = argv[optind];
    }
    gState.nextChar = word;
    return LongOne(argc, argv, optstring, longs, longIndex, false, printErrors, "-W ");
  }
  if (spec[1] == ':') {
    if (spec[2] == ':') {
      if (*gState.nextChar != '\0') {
        Optarg() = tblibc::Address(gState.nextChar);
        ++optind;
      }
    } else if (*gState.nextChar != '\0') {
      Optarg() = tblibc::Address(gState.nextChar);
      ++optind;
    } else if (optind == argc) {
      if (printErrors)
        Say(std::string(argv[0]) + ": option requires an argument -- '" + c + "'\n");
      Optopt() = c;
      gState.nextChar = nullptr;
      return optstring[0] == ':' ? ':' : '?';
    } else {
      Optarg() = tblibc::Address(argv[optind++]);
    }
    gState.nextChar = nullptr;
  }
  return c;
}

}  // namespace

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_getopt_long_only>("getopt_long_only"),
};

}  // namespace

extern const Family kLongOnlyFamily;
const Family kLongOnlyFamily{"longonly", kExports};

}  // namespace tblibc
