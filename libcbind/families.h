// A family of C-library names beyond the start-up 78: one file per family
// (streams, strings, files, time ...), each ending with its table of rows.
// The registry takes the families in the fixed order of families.cpp, after
// the 78, so the first registration of a name stays the start-up one.
//
// Aliases (`__strdup`, `_IO_getc`, `fopen64`) are extra rows naming the
// same entry, never copies of a function.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tblibc {

// One C-library function name and the host code that serves it. The entry
// is called by guest code through a rewritten PLT entry (i386 System V
// cdecl, stack aligned to 4 bytes only).
struct Export {
  std::string_view name;
  uint32_t (*entry)();
};

template <auto F>
uint32_t EntryOf() {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(F));
}

// A row for a function of ours or of the host C runtime, bound directly.
template <auto F>
constexpr Export Fn(std::string_view name) {
  return {name, &EntryOf<F>};
}

// A C-library data object that the guest keeps its own copy of (a copy
// relocation into its image: `stdout`, `environ`, `tzname`, `sys_errlist`
// ...) or reaches through a cell of the loader's. The image loader calls
// `bind` with where the copy lies and its size, before any guest code runs;
// the owner writes the initial value there and keeps the address for later
// updates.
struct DataExport {
  std::string_view name;
  void (*bind)(uint32_t address, uint32_t size);
  // What a cell of the loader's holds before `bind`, for a guest that
  // reaches the object only through its GOT: the C library's initial value,
  // which a copy relocation would have given the guest's own copy.
  uint32_t cellValue = 0;
};

struct Family {
  std::string_view name;
  std::span<const Export> exports;
  std::span<const DataExport> objects = {};
  // Runs in `__libc_start_main` just before the guest's main, in family
  // order; null when the family has nothing to set up.
  void (*start)() = nullptr;
};

// Every family, in registration order (families.cpp).
std::span<const Family* const> Families();

// Registers every family's names after the start-up 78.
void RegisterFamilies();

// The image loader's way to the data objects: the start-up ones first
// (tblibc.cpp), then every family's. True when one took the name.
const DataExport* FindDataObject(std::string_view name);
bool BindDataObject(std::string_view name, uint32_t address, uint32_t size);

// Each family's start hook, in order.
void StartFamilies();

}  // namespace tblibc
