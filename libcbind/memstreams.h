// Streams on memory (fmemopen, open_memstream) for the streams family.
//
// The guest gets a host C-runtime stream like any other, so that every call
// bound straight to the host works on it: a temporary file holds the
// stream's bytes, and they are carried to (and, for fmemopen, from) the
// guest's memory where the Linux C library carries them: when the stream is
// flushed, positioned or closed. Those calls come here first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tblibc::memstreams {

// `flags` are platform::OpenFlags from the mode. `buffer` null: a zeroed
// buffer of the stream's own. Null with errno (Linux) on failure.
void* OpenBuffer(void* buffer, size_t size, unsigned flags);
void* OpenDynamic(char** text, uint32_t* size);

bool Owns(void* stream);
// These take a stream Owns() said yes to.
int Flush(void* stream);
int Close(void* stream);
int Seek(void* stream, int64_t offset, int whence);

// Flushes every memory stream; EOF when one failed.
int FlushAll();

}  // namespace tblibc::memstreams
