// Streams on memory (fmemopen, open_memstream) and on the guest's own
// functions (fopencookie): backends under the stream machinery, which
// buffers them as it buffers a file, so their bytes move when the stream
// writes out (fflush, fseek, fclose, a full buffer), as in the Linux C
// library.
#pragma once

#include <cstdint>

namespace tblibc::memstreams {

// `flags` are open(2)'s from the mode. `buffer` null: a zeroed buffer of
// the stream's own. Null with errno (Linux) on failure.
void* OpenBuffer(void* buffer, uint32_t size, uint32_t flags);
void* OpenDynamic(char** text, uint32_t* size);
// open_wmemstream: the stream's wide characters go into the block whole
// (4 bytes each, the guest's wchar_t); positions and the size count them.
void* OpenWideDynamic(uint32_t** text, uint32_t* size);

}  // namespace tblibc::memstreams

extern "C" void* tblibc_fopencookie(void* cookie, const char* mode,
                                    uint32_t read, uint32_t write,
                                    uint32_t seek, uint32_t close);
