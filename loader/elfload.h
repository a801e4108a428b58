// The ELF image loader.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "loader/linker.h"


// Validates, binds and places the executable at `path`. False: exactly one
// reason line has been written and nothing of the file is kept open.
bool LoadElfImage(const std::string& path);

// The same for a file already in memory (`path` only names it in the
// reason line): the fuzz driver's and the tests' way in. The guest region
// is reserved on the first load; a later load in the same process reuses
// it, cleared, when it is large enough.
bool LoadElfImageFromBytes(const std::string& path,
                           std::span<const uint8_t> file);

// dlopen's part: the library `name` (a path, or a name looked for as the
// program's own libraries are) with what it needs, loaded, bound and added
// to the run's objects, or the one already loaded. `fresh` receives the
// objects whose constructors are now due, in their order. Null with
// dlerror's text in `error` when it cannot be; `now`: a name that nothing
// defines is such an error, as for RTLD_NOW.
linker::Object* OpenLibrary(const std::string& name, bool global, bool now,
                            std::vector<linker::Object*>* fresh, std::string* error);

// Whether `name` (a soname) is one of the C library's files, which tumbex
// serves itself: nothing is loaded for them.
bool IsServedLibrary(std::string_view name);

// What the C library serves under `name` (a function's host entry, the
// cell of a data object the program reaches), 0 for nothing.
uint32_t ServedAddress(std::string_view name);
