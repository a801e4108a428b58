// The ELF image loader.
#pragma once

#include <string>

#include "loader/image.h"

// Validates, binds and places the executable at `path`. False: exactly one
// reason line has been written and nothing of the file is kept open.
bool LoadElfImage(const std::string& path);
