// The host C runtime's streams (its FILE*, passed as void*), temporary
// files and pipes to commands. Every stream opened here is binary: a Linux
// program's bytes reach the file unchanged. They answer as every platform
// call does (errors.h): 0, or the Linux errno of the failure, which the
// caller hands to the guest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "abi/files.h"  // OpenMeaning
#include "platform/process.h"

namespace platform {

// `meanings` are linux::OpenMeaning bits; the stream reads and writes as
// they say. A created file may be read and written by everyone the host
// lets (0666 on Linux).
int StreamOpen(const char* path, unsigned meanings, void** stream);
// Reopens `stream` on `path` in place (the same FILE* on success; closed
// when it fails).
int StreamReopen(const char* path, unsigned meanings, void* stream);
// A stream on an open descriptor of the C runtime.
int StreamFromDescriptor(int fd, unsigned meanings, void** stream);
// The stream's descriptor; -1 when it has none.
int StreamDescriptor(void* stream);
// fclose that leaves the stream's descriptor open (the loader's final
// pause reads descriptor 0 after the guest has closed stdin).
int StreamCloseKeepingDescriptor(void* stream);

// A stream on a fresh file in the host's temporary directory, holding
// `size` bytes of `contents` and positioned at its start, that disappears
// when closed (or when the process ends).
int TemporaryStream(const void* contents, size_t size, unsigned meanings,
                    void** stream);
// The host's directory for temporary files, "/" as the separator and no
// separator at the end ("/tmp" on Linux).
std::string TemporaryDirectory();

// The command run by the host's command interpreter, its standard output
// (reading) or input (writing) on the stream; its signal state as for
// RunCommand.
int PipeOpen(const char* command, bool reading, const StartingSignals& child,
             void** stream);
// Waits for the command; its status as Linux's wait encodes it (the exit
// code times 256).
int PipeClose(void* stream, int32_t* status);

// whence: 0 start, 1 current, 2 end.
int StreamSeek(void* stream, int64_t offset, int whence);
// `position` is -1 when it fails.
int StreamTell(void* stream, int64_t* position);
// Cuts the stream's file to `size` bytes; call with its buffer flushed.
int StreamTruncate(void* stream, int64_t size);

enum class Buffering { kFull, kLine, kNone };
// `buffer` may be null (the host's own); `size` 0 takes the host's default.
int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size);

// What the Linux C library's stdio_ext calls tell: the stream is read-only
// or its last operation was a read; write-only or the last was a write.
bool StreamReading(void* stream);
bool StreamWriting(void* stream);
// Drops buffered input and output that has not reached the file.
void StreamPurge(void* stream);
// Sets the stream's error indicator.
void StreamSetError(void* stream);

// rename() as Linux does it: an existing target file is replaced.
int ReplacePath(const char* from, const char* to);
// unlink() of a file or rmdir() of an empty directory.
int DeletePath(const char* path, bool directory);

}  // namespace platform
