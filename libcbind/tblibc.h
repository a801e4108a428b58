// The binding module `tblibc`: the host side of every C-library name a guest
// may import. Its start-up fetches the bridge library's InterfaceTable,
// registers the names and takes the host's standard streams; it owns the
// data objects the image loader writes into the guest at start-up.
#pragma once

#include <span>

#include "libcbind/families.h"

namespace tblibc {

void Init();
void Finalise();

// `stdin`, `stdout`, `stderr`, `_IO_stdin_used` and the option parser's
// four variables, which the registry binds before any family's objects.
std::span<const DataExport> StartupObjects();
// A new image: what the last one's option-parser variables were is
// forgotten, so that a program without them hands the bridge none.
void ForgetDataObjects();

}  // namespace tblibc
