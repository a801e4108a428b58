// Guest start: what the guest's main receives, the trap, the Linux process
// start stack, and the jump to the entry point.
//
// Contract: the image is placed and bound, the registry and the system call
// table are complete, and nothing of the guest has run yet. After the jump
// the main routine never resumes; the run ends through PauseAndExit or the
// trap's report.
#include "loader/startguest.h"

#include <cstring>

#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/process.h"
#include "process/process.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"
#include "syscall/trap.h"

extern "C" [[noreturn]] void EnterGuest(const uint32_t* image, uint32_t words,
                                        uint32_t entry);

namespace {

// The user record is a constant of the loader, so it lies in read-only
// memory: a guest that writes into it faults as it would writing into any
// read-only string. The environment's text is the guest's own, as on Linux.
constexpr char kEnvironmentEntry[] = "_=run";

const process::UserRecord kUserRecord = {
    "root", "804613", 0, 0, "Incognito", "C:/windows/temp",
    "C:/windows/system32/cmd.exe"};

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// A heap copy of `text`, sized to it, so arguments of any length reach the
// guest whole and stay writable.
char* CopyArgument(const std::string& text) {
  auto* buffer = static_cast<char*>(rtl::HeapAlloc(text.size() + 1));
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return buffer;
}

}  // namespace

std::string GuestProgramPath(const std::string& elfPath) {
  if (platform::IsAbsolutePath(elfPath)) return elfPath;
  std::string directory = platform::CurrentDirectory();
  const char separator = platform::DirectorySeparator();
  if (!directory.empty() && directory.back() != separator &&
      directory.back() != '/')
    directory += separator;
  return directory + elfPath;
}

std::vector<uint32_t> BuildStartStack(int32_t argc, char* const* argv,
                                      char* const* envp) {
  // Count, build, then check: argc, the argument pointers and their null,
  // the one environment pointer and its null. No auxiliary vector follows.
  const size_t words = 1 + static_cast<size_t>(argc) + 1 + 1 + 1;
  std::vector<uint32_t> image;
  image.reserve(words);
  image.push_back(static_cast<uint32_t>(argc));
  for (int32_t i = 0; i < argc; ++i) image.push_back(Address(argv[i]));
  image.push_back(0);
  image.push_back(Address(envp[0]));
  image.push_back(0);
  return image;
}

void StartGuest() {
  // 1-4: the argument vector from the command line: entry 0 the ELF path
  // made absolute, then the loader's arguments after the ELF path.
  const std::vector<std::string> words = platform::CommandLine();
  const int32_t argc = static_cast<int32_t>(words.size()) - 1;
  auto** argv = static_cast<char**>(rtl::HeapAlloc(sizeof(char*) * (argc + 1)));
  process::ProgramPath = GuestProgramPath(words[1]);
  argv[0] = CopyArgument(process::ProgramPath);
  for (int32_t i = 1; i < argc; ++i) argv[i] = CopyArgument(words[i + 1]);
  argv[argc] = nullptr;
  process::GuestArgc = argc;
  process::GuestArgv = argv;

  // 5: the whole environment is one fixed entry.
  auto** envp = static_cast<char**>(rtl::HeapAlloc(sizeof(char*) * 2));
  envp[0] = CopyArgument(kEnvironmentEntry);
  envp[1] = nullptr;
  process::GuestEnvp = envp;

  // 6: the one user record that getpwuid serves.
  auto* users = static_cast<process::UserRecord*>(
      rtl::HeapAlloc(sizeof(process::UserRecord)));
  *users = kUserRecord;
  process::UserTable = users;
  process::UserCount = 1;

  // The stack protector's canary: random per run, its low byte zero as
  // Linux has it, so that a string overrun cannot copy it.
  process::Thread->canary = platform::RandomWord() & ~0xFFu;

  // What the loader has written so far (the library warnings) goes out now,
  // before anything of the guest's, whatever standard output is.
  rtl::Flush();

  // 7: from here on every exception, the guest's int 0x80 included, reaches
  // the trap first.
  platform::AddVectoredExceptionHandler(tbsyscall::SyscallTrap);

  // 8-9: the Linux process start stack on the loader's own stack, then a
  // jump (no return address) to the entry point.
  const std::vector<uint32_t> image = BuildStartStack(argc, argv, envp);
  EnterGuest(image.data(), static_cast<uint32_t>(image.size()), process::GuestEntry);
}
