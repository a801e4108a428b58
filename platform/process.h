// The process: its start, command line, own image, end, the facts the
// process queries report, commands it runs, and the signal state it
// inherited and hands down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Called first thing by main(), with what the C runtime passed.
void Init(int argc, char** argv);

// The process's command line split into words; word 0 is the program.
std::vector<std::string> CommandLine();

// Full path of the loader's own executable file.
std::string ModuleFileName();
// Address at which the loader's own image starts.
uintptr_t ModuleBase();

// Flushes the host C runtime's streams, then ends the process at once.
[[noreturn]] void ExitProcess(uint32_t code);

// 32 random bits from the host's entropy source, different on every run.
uint32_t RandomWord();

// Facts about this process and machine that the process queries report.
uint32_t ProcessId();
uint32_t ParentProcessId();
uint32_t ProcessorCount();           // at least 1
uint64_t PhysicalMemoryBytes();      // 0 when unknown
uint64_t AvailableMemoryBytes();     // 0 when unknown

struct ProcessUsage {
  uint64_t userMicros = 0, systemMicros = 0;
  uint32_t peakKiB = 0;  // 0 when unknown
};
ProcessUsage Usage();

// A signal state a process starts with, as bit masks over Linux signal
// numbers (bit n-1 for signal n): the signals its parent left ignored,
// which an exec keeps, and the blocked ones.
struct StartingSignals {
  uint64_t ignored = 0;
  uint64_t blocked = 0;
};

// The environment a command starts with: the loader's own, with these
// "name=value" entries (UTF-8) set over it, so that the variables the guest
// set reach its commands as they would reach a child on Linux.
using EnvironmentEntries = std::vector<std::string>;

// Runs `command` through the host's command interpreter and waits for it.
// The command starts with `child` as its signal state, as a child of the
// guest would on Linux (Windows hands signals to no child).
struct CommandResult {
  bool started = false;
  bool signalled = false;  // ended by a host signal (Linux host only)
  uint32_t code = 0;       // exit code, or the signal's number
};
CommandResult RunCommand(const char* command, const StartingSignals& child,
                         const EnvironmentEntries& environment);
bool HasCommandInterpreter();

// The state this process was started with: read when it starts, before the
// loader changes any of it; Windows hands down neither.
StartingSignals InheritedSignals();
// The nice value (-20..19) the process was started with: the parent's on
// Linux, the priority class's nearest on Windows.
int32_t InheritedNice();

// A write to a pipe whose reader has gone fails with an error rather than
// ending the host process, so that the loader can give the guest SIGPIPE.
void KeepBrokenPipesQuiet();
// Whether the C runtime's last failed write (errno just set) met a pipe
// whose reader has gone.
bool LastWriteMetBrokenPipe();

}  // namespace platform
