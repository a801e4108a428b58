// The run-time's console and file I/O, on the host's own handles: the
// loader's messages, the guest's first system calls and the run-time's
// file objects go through here.
#pragma once

#include <cstdint>
#include <string_view>

#include "abi/files.h"  // OpenMeaning

namespace platform {

using Handle = intptr_t;
constexpr Handle kInvalidHandle = -1;

Handle StdInput();
Handle StdOutput();
Handle StdError();
bool IsConsole(Handle h);
// A handle on the console that `input` reads, which stays open when the
// guest closes its descriptor 0 (on Windows the C runtime's close takes the
// standard handle with it); `input` itself where nothing needs keeping.
Handle KeepConsoleInput(Handle input);

// Line end of the host's text files and console.
std::string_view LineEnd();

// `meanings` are linux::OpenMeaning bits. `permission` is the POSIX mode of
// a file that gets created (the Windows port honours only the owner-write
// bit: without it the file is read-only). A directory is no file: EACCES.
int FileOpen(const char* path, unsigned meanings, unsigned permission,
             Handle* handle);
// `done` 0 is the end of the file (a pipe's writer gone among them).
int FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done);
// Everything or an error, like a write to a blocking handle.
int FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done);
// whence: 0 start, 1 current, 2 end; `position` may be null.
int FileSeek(Handle h, int64_t offset, int whence, int64_t* position);
int FileSize(Handle h, int64_t* size);
int FileClose(Handle h);

}  // namespace platform
