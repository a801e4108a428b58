// Temporary files, pipes to commands, and replacing and deleting names.
// They answer as every platform call does (errors.h): 0, or the Linux
// errno of the failure, which the caller hands to the guest.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace platform {

// A descriptor, open to read and write, on a fresh file in the host's
// temporary directory that disappears when closed (or when the process
// ends).
int TemporaryFile(int* fd);
// The host's directory for temporary files, "/" as the separator and no
// separator at the end ("/tmp" on Linux).
std::string TemporaryDirectory();

// The command run by the host's command interpreter, its standard output
// (reading) or input (writing) on descriptor *fd; *child is what PipeClose
// takes. Its signal state and environment as for RunCommand.
int PipeOpen(const char* command, bool reading, const StartingSignals& signals,
             const EnvironmentEntries& environment, int* fd, void** child);
// Closes the descriptor and waits for the command: its status as Linux's
// wait encodes it (the exit code times 256).
int PipeClose(void* child, int32_t* status);

// rename() as Linux does it: an existing target file is replaced.
int ReplacePath(const char* from, const char* to);
// unlink() of a file or rmdir() of an empty directory.
int DeletePath(const char* path, bool directory);

}  // namespace platform
