// The process on Linux: its arguments as main() got them, its image as the
// linker placed it, and signals a started command inherits as a Linux
// child of the guest would.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/linux/host.h"
#include "platform/process.h"

extern "C" char __executable_start;  // first byte of our own image (ld)

namespace platform {
namespace {

int g_argc = 0;
char** g_argv = nullptr;

}  // namespace

StartingSignals g_inherited;
int32_t g_nice;

void Init(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  g_nice = errno == 0 ? nice : 0;
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  for (int sig = 1; sig <= 64; ++sig) {
    const uint64_t bit = uint64_t{1} << (sig - 1);
    struct sigaction action {};
    // The C library's own signals answer EINVAL and stay out of both sets.
    if (sigaction(sig, nullptr, &action) != 0) continue;
    if (action.sa_handler == SIG_IGN) g_inherited.ignored |= bit;
    if (sigismember(&blocked, sig) == 1) g_inherited.blocked |= bit;
  }
}

StartingSignals InheritedSignals() { return g_inherited; }
int32_t InheritedNice() { return g_nice; }

std::vector<std::string> CommandLine() {
  std::vector<std::string> words;
  for (int i = 0; i < g_argc && g_argv[i] != nullptr; ++i)
    words.emplace_back(g_argv[i]);
  return words;
}

std::string ModuleFileName() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return g_argc > 0 ? std::string(g_argv[0]) : std::string();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

uintptr_t ModuleBase() { return reinterpret_cast<uintptr_t>(&__executable_start); }

void ExitProcess(uint32_t code) {
  // A fault inside the flush (streams a crashed guest left broken) comes
  // back here through the trap; the second time the process just ends.
  static bool exiting = false;
  if (!exiting) {
    exiting = true;
    fflush(nullptr);  // as Windows' library unload flushes the C runtime
  }
  _exit(static_cast<int>(code));
}

uint32_t RandomWord() {
  uint32_t word = 0;
  if (getrandom(&word, sizeof word, 0) == static_cast<ssize_t>(sizeof word)) return word;
  // No entropy source (an old kernel): different each run all the same.
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_nsec) * 2654435761u ^
         static_cast<uint32_t>(getpid()) << 16;
}

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }
uint32_t ParentProcessId() { return static_cast<uint32_t>(getppid()); }

uint32_t ProcessorCount() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<uint32_t>(n) : 1;
}

uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  return pages > 0 ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

uint64_t AvailableMemoryBytes() {
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  return pages > 0 ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

ProcessUsage Usage() {
  ProcessUsage usage;
  struct rusage ru {};
  if (getrusage(RUSAGE_SELF, &ru) == 0) {
    usage.userMicros = uint64_t(ru.ru_utime.tv_sec) * 1000000 + ru.ru_utime.tv_usec;
    usage.systemMicros = uint64_t(ru.ru_stime.tv_sec) * 1000000 + ru.ru_stime.tv_usec;
    usage.peakKiB = static_cast<uint32_t>(ru.ru_maxrss);
  }
  return usage;
}

ChildSignalScope::ChildSignalScope(const StartingSignals& child) {
  sigset_t mask;
  sigemptyset(&mask);
  for (int sig = 1; sig <= 64; ++sig) {
    struct sigaction now {};
    // The C library's own signals answer EINVAL.
    if (sigaction(sig, nullptr, &now) != 0) continue;
    const uint64_t bit = uint64_t{1} << (sig - 1);
    const bool caught = (now.sa_flags & SA_SIGINFO) != 0 ||
                        (now.sa_handler != SIG_IGN && now.sa_handler != SIG_DFL);
    if (caught) continue;
    if ((child.blocked & bit) != 0) sigaddset(&mask, sig);
    const bool ignore = (child.ignored & bit) != 0;
    if ((now.sa_handler == SIG_IGN) == ignore) continue;
    struct sigaction wanted {};
    wanted.sa_handler = ignore ? SIG_IGN : SIG_DFL;
    sigemptyset(&wanted.sa_mask);
    if (sigaction(sig, &wanted, nullptr) == 0) saved_[count_++] = {sig, now};
  }
  sigprocmask(SIG_SETMASK, &mask, &mask_);
}

ChildSignalScope::~ChildSignalScope() {
  sigprocmask(SIG_SETMASK, &mask_, nullptr);
  for (int i = 0; i < count_; ++i) sigaction(saved_[i].sig, &saved_[i].action, nullptr);
}

CommandResult RunCommand(const char* command, const StartingSignals& child) {
  CommandResult result;
  const ChildSignalScope scope(child);
  const int status = system(command);
  if (status == -1) return result;
  result.started = true;
  result.signalled = WIFSIGNALED(status);
  result.code = result.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
  return result;
}

bool HasCommandInterpreter() { return system(nullptr) != 0; }

void KeepBrokenPipesQuiet() { signal(SIGPIPE, SIG_IGN); }
bool LastWriteMetBrokenPipe() { return errno == EPIPE; }

}  // namespace platform
