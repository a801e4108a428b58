// The ELF image loader.
#pragma once

#include <cstdint>
#include <span>
#include <string>


// Validates, binds and places the executable at `path`. False: exactly one
// reason line has been written and nothing of the file is kept open.
bool LoadElfImage(const std::string& path);

// The same for a file already in memory (`path` only names it in the
// reason line): the fuzz driver's and the tests' way in. The guest region
// is reserved on the first load; a later load in the same process reuses
// it, cleared, when it is large enough.
bool LoadElfImageFromBytes(const std::string& path,
                           std::span<const uint8_t> file);
