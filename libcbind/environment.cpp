// The guest's environment and program name.
//
// The environment is the guest's own: an array of "name=value" pointers on
// the loader's heap, started from the array its main receives, and changed
// only by the guest (setenv, unsetenv, putenv, clearenv, or by writing
// `environ` itself). The host's own environment is never read or changed.
// What `environ` shows is the truth: when the guest keeps a copy of it, the
// copy is read before every look-up, because the guest may have pointed it
// at an array of its own, as the Linux C library allows.
//
// Arrays are never freed: the guest may hold on to any of them (main's
// envp, an old `environ`), as it may to every string it was given. Arrays
// grow by doubling, so what stays behind is bounded by the largest one.
//
// The entry the guest starts with is the loader's fixed one. getenv keeps
// answering null for it, as the loader always has; once the guest sets the
// same name, its own value is found.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "abi/errno.h"
#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "platform/files.h"
#include "process/process.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

// Where the guest's copies of the data objects lie (0: the guest has none).
// The Linux C library's three names for the array are one object, and so
// are its two names for each program name; a guest may still have linked
// them as separate copies, which all get written.
uint32_t gEnvironCells[3];         // environ, __environ, _environ
uint32_t gFullNameCells[2];        // program_invocation_name, __progname_full
uint32_t gShortNameCells[2];       // program_invocation_short_name, __progname

char** gEnvironment;      // the array, when the guest keeps no copy
char** gOwnArray;         // the last array this family made, and its room
size_t gOwnCapacity;      //   in entries, the null not counted
char* gFixedEntry;        // the start entry that getenv does not see
const char* gShortName = "";
const char* gFullName = "";

char** Cell(uint32_t address) {
  return reinterpret_cast<char**>(uintptr_t{address});
}

template <size_t N>
void WriteCells(const uint32_t (&cells)[N], const char* value) {
  for (uint32_t address : cells)
    if (address != 0) *Cell(address) = const_cast<char*>(value);
}

char** Current() {
  for (uint32_t address : gEnvironCells)
    if (address != 0) return *reinterpret_cast<char***>(uintptr_t{address});
  return gEnvironment;
}

void Publish(char** array) {
  gEnvironment = array;
  WriteCells(gEnvironCells, reinterpret_cast<const char*>(array));
}

size_t Count(char** array) {
  size_t n = 0;
  if (array != nullptr)
    while (array[n] != nullptr) ++n;
  return n;
}

// A valid name for setenv and unsetenv: not empty, no '='.
bool ValidName(const char* name) {
  return name != nullptr && *name != '\0' && std::strchr(name, '=') == nullptr;
}

bool Matches(const char* entry, std::string_view name) {
  return std::strncmp(entry, name.data(), name.size()) == 0 &&
         entry[name.size()] == '=';
}

// The slot holding `name`, else -1.
ptrdiff_t Find(char** array, std::string_view name) {
  if (array == nullptr) return -1;
  for (ptrdiff_t i = 0; array[i] != nullptr; ++i)
    if (Matches(array[i], name)) return i;
  return -1;
}

// Puts `entry` in the slot of `name`, or adds it at the end of an array of
// this family's own with room for it. False with ENOMEM when there is no
// room to be had.
bool Store(std::string_view name, char* entry) {
  char** array = Current();
  const ptrdiff_t slot = Find(array, name);
  if (slot >= 0) {
    array[slot] = entry;
    return true;
  }
  const size_t count = Count(array);
  if (array != gOwnArray || count + 1 > gOwnCapacity) {
    const size_t capacity = count < 8 ? 16 : 2 * count;
    auto** grown =
        static_cast<char**>(GuestAlloc(sizeof(char*) * (capacity + 1)));
    if (grown == nullptr) return false;
    if (count != 0) std::memcpy(grown, array, sizeof(char*) * count);
    gOwnArray = grown;
    gOwnCapacity = capacity;
    array = grown;
    Publish(array);
  }
  array[count] = entry;
  array[count + 1] = nullptr;
  return true;
}

void Remove(std::string_view name) {
  char** array = Current();
  if (array == nullptr) return;
  size_t to = 0;
  for (size_t from = 0; array[from] != nullptr; ++from)
    if (!Matches(array[from], name)) array[to++] = array[from];
  array[to] = nullptr;
}

// ---- Binding and start --------------------------------------------------------

template <uint32_t* Cells, size_t Index>
void BindCell(uint32_t address, uint32_t size) {
  if (size >= 4) Cells[Index] = address;
}

void Start() {
  gEnvironment = process::GuestEnvp;
  gOwnArray = nullptr;
  gOwnCapacity = 0;
  gFixedEntry = process::GuestEnvp != nullptr ? process::GuestEnvp[0] : nullptr;
  Publish(process::GuestEnvp);

  // As the Linux C library sets them: argv[0] itself and what follows its
  // last separator (the host's too: the loader makes argv[0] from a host
  // path).
  const char* full = process::GuestArgc > 0 && process::GuestArgv != nullptr ? process::GuestArgv[0] : "";
  const char* name = full;
  const char separator = platform::DirectorySeparator();
  for (const char* p = full; *p != '\0'; ++p)
    if (*p == '/' || *p == separator) name = p + 1;
  gShortName = name;
  gFullName = full;
  WriteCells(gFullNameCells, full);
  WriteCells(gShortNameCells, name);
}

}  // namespace

std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> entries;
  char** array = Current();
  for (size_t i = 0; array != nullptr && array[i] != nullptr; ++i)
    if (array[i] != gFixedEntry && std::strchr(array[i], '=') != nullptr) entries.emplace_back(array[i]);
  return entries;
}

std::string_view ProgramShortName() {
  for (uint32_t address : gShortNameCells) {
    if (address != 0) {
      const char* name = *Cell(address);
      return name != nullptr ? name : "";
    }
  }
  return gShortName;
}

std::string_view ProgramInvocationName() {
  for (uint32_t address : gFullNameCells) {
    if (address != 0) {
      const char* name = *Cell(address);
      return name != nullptr ? name : "";
    }
  }
  return gFullName;
}

}  // namespace tblibc

extern "C" {

char* tblibc_getenv(const char* name) {
  using namespace tblibc;
  char** array = Current();
  if (name == nullptr || *name == '\0' || array == nullptr) return nullptr;
  const std::string_view key(name);
  for (size_t i = 0; array[i] != nullptr; ++i) {
    if (array[i] != gFixedEntry && Matches(array[i], key))
      return array[i] + key.size() + 1;
  }
  return nullptr;
}

int tblibc_setenv(const char* name, const char* value, int overwrite) {
  using namespace tblibc;
  if (!ValidName(name)) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  // The fixed entry counts as absent, as getenv says it is.
  if (overwrite == 0 && tblibc_getenv(name) != nullptr) return 0;
  if (value == nullptr) value = "";  // where the Linux C library faults
  const size_t nameLength = std::strlen(name), valueLength = std::strlen(value);
  auto* entry = static_cast<char*>(GuestAlloc(nameLength + valueLength + 2));
  if (entry == nullptr) return -1;
  std::memcpy(entry, name, nameLength);
  entry[nameLength] = '=';
  std::memcpy(entry + nameLength + 1, value, valueLength + 1);
  if (!Store({name, nameLength}, entry)) {
    rtl::HeapFree(entry);
    return -1;
  }
  return 0;
}

int tblibc_unsetenv(const char* name) {
  using namespace tblibc;
  if (!ValidName(name)) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  Remove(name);
  return 0;
}

// The guest's own string becomes the entry; a string without '=' removes
// the name, as the Linux C library does (which also takes "=value", an
// entry with an empty name, as it is).
int tblibc_putenv(char* string) {
  using namespace tblibc;
  if (string == nullptr) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  const char* equals = std::strchr(string, '=');
  if (equals == nullptr) {
    Remove(string);
    return 0;
  }
  return Store({string, static_cast<size_t>(equals - string)}, string) ? 0 : -1;
}

int tblibc_clearenv() {
  tblibc::Publish(nullptr);
  return 0;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_getenv>("secure_getenv"),
    Fn<&tblibc_getenv>("__secure_getenv"),
    Fn<&tblibc_setenv>("setenv"),
    Fn<&tblibc_unsetenv>("unsetenv"),
    Fn<&tblibc_putenv>("putenv"),
    Fn<&tblibc_clearenv>("clearenv"),
};

constexpr DataExport kObjects[] = {
    {"environ", &BindCell<gEnvironCells, 0>},
    {"__environ", &BindCell<gEnvironCells, 1>},
    {"_environ", &BindCell<gEnvironCells, 2>},
    {"program_invocation_name", &BindCell<gFullNameCells, 0>},
    {"__progname_full", &BindCell<gFullNameCells, 1>},
    {"program_invocation_short_name", &BindCell<gShortNameCells, 0>},
    {"__progname", &BindCell<gShortNameCells, 1>},
};

}  // namespace

extern const Family kEnvironmentFamily;
const Family kEnvironmentFamily{"environment", kExports, kObjects, &Start};

}  // namespace tblibc
