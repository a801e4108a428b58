// The guest process as the loader establishes it: its image and break
// area, its arguments and environment, the host's standard streams it is
// handed and the cells of its option parser. The image loader and guest
// start write these once, before any guest code runs; the binding, the
// families, the system calls and the trap read them. Nothing here calls
// anywhere: this is the floor every other part of the loader stands on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {
struct Context;
}

namespace process {

// ---- The image ----------------------------------------------------------------

constexpr uint32_t ImageBase = 0x08048000;
constexpr uint32_t kBreakAreaSize = 0x800000;

extern uint32_t GuestEntry;  // the ELF entry address
extern uint32_t BreakBase;   // start of the 8 MiB break area

// The program's own start-up and clean-up code, from its dynamic table, at
// guest addresses (0: none). The C library's start routine runs them as the
// Linux dynamic linker would.
struct GuestStartTables {
  uint32_t init = 0, fini = 0;
  uint32_t initArray = 0, initArrayCount = 0;
  uint32_t finiArray = 0, finiArrayCount = 0;
};
extern GuestStartTables GuestStart;
// The same for every library loaded with the program, in the order their
// constructors run: each library after the ones it needs.
extern std::vector<GuestStartTables> LibraryStart;

// Slots whose value a resolver of the guest's own computes (IRELATIVE,
// STT_GNU_IFUNC): the loader runs no guest code, so the start routine calls
// them, before any constructor, and writes slot = answer + addend.
struct ResolvedSlot {
  uint32_t slot, resolver, addend;
};
extern std::vector<ResolvedSlot> PendingResolvers;

// The thread control block, laid out as the Linux C library's on i386: the
// guest's %gs-relative reads are redirected to the one thread's block, whose
// address is the thread pointer. The thread-local blocks lie below it.
struct ThreadControl {
  uint32_t self;        // 0x00: the thread pointer itself
  uint32_t dtv;         // 0x04
  uint32_t self2;       // 0x08
  uint32_t multiple;    // 0x0C: multiple_threads
  uint32_t sysinfo;     // 0x10
  uint32_t canary;      // 0x14: the stack protector's word
  uint32_t pointerGuard;// 0x18
  uint32_t spare[9];
};
static_assert(sizeof(ThreadControl) == 64);
// Never null: the loader points it at the block it lays out; before that,
// and between two loads, at this one with no thread-local storage below it.
extern ThreadControl NoThreadLocals;
extern ThreadControl* Thread;

// The guest's accesses to thread-local variables through a register that
// holds an offset from the thread pointer (initial-exec code): an int3 in
// front of each (or, for a few, a fault at the bare offset) brings it to
// the trap, which adds the thread pointer to `base` (0 eax ... 7 edi) while
// the one instruction runs. Sorted by address.
struct ThreadSite {
  uint32_t address;
  uint8_t base;
  bool breakpoint;
};
extern std::vector<ThreadSite> ThreadSites;

// ---- Faults of guest code ------------------------------------------------------

// The memory each library loaded with or after the program takes: guest
// code lies there or in the guest region.
struct CodeRange {
  uint32_t low, high;
};
extern std::vector<CodeRange> LibraryCode;

// A processor exception, as the Linux signal it stands for.
struct GuestFault {
  uint32_t exception;  // the platform's code
  int32_t signal;      // 0: none stands for it
  int32_t code;        // si_code
  uint32_t address;    // si_addr
  uint32_t trapNumber; // the processor's vector, for the saved context
  bool guestCode;      // raised by an instruction of the guest
};
// Set by the signals family, which keeps the guest's handlers: true when it
// took the exception (the context now resumes where it wants).
extern bool (*TakeFault)(const GuestFault& fault, platform::Context& context);

// ---- What the guest's data objects hold -------------------------------------------

// The word the guest's `_IO_stdin_used` points at.
extern int32_t StdinUsedWord;

// Addresses of the guest's option-parser variables, 0 when it has none.
extern uint32_t GuestOptindAddress, GuestOptargAddress, GuestOptoptAddress,
    GuestOpterrAddress;

// ---- Arguments, environment, users ---------------------------------------------------

// i386 `struct passwd`.
struct UserRecord {
  const char* pw_name;
  const char* pw_passwd;
  uint32_t pw_uid;
  uint32_t pw_gid;
  const char* pw_gecos;
  const char* pw_dir;
  const char* pw_shell;
};
static_assert(sizeof(void*) != 4 || sizeof(UserRecord) == 28);

// Filled by guest start, read by __libc_start_main and getpwuid.
extern int32_t GuestArgc;
extern char** GuestArgv;
extern char** GuestEnvp;
// The program file's absolute path, in the host's spelling, as the run
// began (argv[0] is the guest's to change): what /proc/self/exe names.
extern std::string ProgramPath;
extern UserRecord* UserTable;
extern uint32_t UserCount;

}  // namespace process
