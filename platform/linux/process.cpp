// The process on Linux: its arguments as main() got them, its image as the
// linker placed it, and the commands the guest starts, with the signals a
// Linux child of the guest would inherit.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/host.h"
#include "platform/process.h"
#include "platform/timers.h"

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
    StopTimers();  // no interruption of the guest thread from here on
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

// ---- The command starter ---------------------------------------------------------
//
// The system-call filter that traps the guest's int 0x80 cannot be removed
// and every child inherits it: a command whose own code lies where the
// guest's does (a static i386 program at 0x08048000) would die of SIGSYS.
// So commands are started by a process forked before the filter exists. It
// holds nothing of the loader's but its end of a socket; each request
// brings the loader's standard descriptors and current directory along, so
// that the command starts where and with what the guest would hand a
// child of its own.

namespace {

enum class Request : uint32_t { kRun, kOpenReading, kOpenWriting, kWait };

struct Header {
  Request kind;
  int32_t pid;             // kWait
  uint64_t ignored, blocked;
  uint32_t commandLength;  // bytes that follow, without a terminator
  uint32_t environmentLength;  // then the entries, each with its terminator
  uint32_t standardFds;    // bit i: descriptor i is open and comes along
};

int g_starter = -1;  // the loader's end of the socket; -1: no starter

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size != 0) {
    const ssize_t n = Retry([&] { return write(fd, p, size); });
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size != 0) {
    const ssize_t n = Retry([&] { return read(fd, p, size); });
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

constexpr int kMaxPassed = 5;  // standard input, output, error, directory, pipe

// Room for the descriptors' control message, aligned as one.
union Control {
  char bytes[CMSG_SPACE(sizeof(int) * kMaxPassed)];
  struct cmsghdr align;
};

// The header with up to kMaxPassed descriptors riding on its first byte.
bool SendHeader(int socket, const Header& header, const std::vector<int>& fds) {
  Control control{};
  iovec io{const_cast<Header*>(&header), sizeof header};
  msghdr message{};
  message.msg_iov = &io;
  message.msg_iovlen = 1;
  if (!fds.empty()) {
    message.msg_control = control.bytes;
    message.msg_controllen = CMSG_SPACE(sizeof(int) * fds.size());
    cmsghdr* c = CMSG_FIRSTHDR(&message);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
    std::memcpy(CMSG_DATA(c), fds.data(), sizeof(int) * fds.size());
  }
  const ssize_t n = Retry([&] { return sendmsg(socket, &message, MSG_NOSIGNAL); });
  if (n <= 0) return false;
  return static_cast<size_t>(n) == sizeof header ||
         WriteAll(socket, reinterpret_cast<const char*>(&header) + n, sizeof header - n);
}

bool ReceiveHeader(int socket, Header* header, std::vector<int>* fds) {
  Control control{};
  iovec io{header, sizeof *header};
  msghdr message{};
  message.msg_iov = &io;
  message.msg_iovlen = 1;
  message.msg_control = control.bytes;
  message.msg_controllen = sizeof control.bytes;
  const ssize_t n = Retry([&] { return recvmsg(socket, &message, MSG_CMSG_CLOEXEC); });
  if (n <= 0) return false;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
    const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    fds->resize(count);
    std::memcpy(fds->data(), CMSG_DATA(c), count * sizeof(int));
  }
  return static_cast<size_t>(n) == sizeof *header ||
         ReadAll(socket, reinterpret_cast<char*>(header) + n, sizeof *header - n);
}

// The starter's environment with the guest's entries (each ended by its
// terminator) set over it, a name the guest set replacing the starter's.
std::vector<std::string> Overlaid(const std::string& entries) {
  std::vector<std::string> guest;
  for (size_t at = 0; at < entries.size();) {
    const size_t end = entries.find('\0', at);
    guest.push_back(entries.substr(at, end - at));
    at = end == std::string::npos ? entries.size() : end + 1;
  }
  auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> merged;
  for (char** p = environ; p != nullptr && *p != nullptr; ++p) {
    const std::string_view name = nameOf(*p);
    bool replaced = false;
    for (const std::string& entry : guest) replaced = replaced || nameOf(entry) == name;
    if (!replaced) merged.emplace_back(*p);
  }
  merged.insert(merged.end(), guest.begin(), guest.end());
  return merged;
}

// The command, as the C library's own system and popen start one: its
// ignored signals ignored, the rest at their defaults, the guest's mask,
// and the loader's standard descriptors, directory and (for a pipe) the
// pipe's end in place. `fds` holds the standard ones present, in order,
// then the directory, then the pipe's end. The child's pid, or -1.
pid_t SpawnCommand(const Header& h, const std::vector<int>& fds,
                   const std::string& command, const std::string& entries) {
  size_t next = 0;
  int standard[3] = {-1, -1, -1};
  for (int i = 0; i < 3; ++i)
    if ((h.standardFds & (1u << i)) != 0 && next < fds.size()) standard[i] = fds[next++];
  const int directory = next < fds.size() ? fds[next++] : -1;
  const int pipeEnd = next < fds.size() ? fds[next++] : -1;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (directory >= 0) posix_spawn_file_actions_addfchdir_np(&actions, directory);
  for (int i = 0; i < 3; ++i) {
    if (standard[i] >= 0) posix_spawn_file_actions_adddup2(&actions, standard[i], i);
    else posix_spawn_file_actions_addclose(&actions, i);
  }
  if (pipeEnd >= 0)
    posix_spawn_file_actions_adddup2(&actions, pipeEnd,
                                     h.kind == Request::kOpenReading ? 1 : 0);

  // An ignored signal stays ignored across the spawn only if it is ignored
  // here: the starter takes the guest's, for the moment of the spawn.
  sigset_t defaults, mask;
  sigemptyset(&defaults);
  sigemptyset(&mask);
  struct sigaction saved[65] = {};
  bool changed[65] = {};
  for (int sig = 1; sig <= 64; ++sig) {
    const uint64_t bit = uint64_t{1} << (sig - 1);
    if ((h.blocked & bit) != 0) sigaddset(&mask, sig);
    if ((h.ignored & bit) == 0) {
      sigaddset(&defaults, sig);
      continue;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    changed[sig] = sigaction(sig, &ignore, &saved[sig]) == 0;
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &mask);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  char* const argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                        const_cast<char*>(command.c_str()), nullptr};
  const std::vector<std::string> variables = Overlaid(entries);
  std::vector<char*> envp;
  for (const std::string& entry : variables) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, envp.data()) != 0) pid = -1;
  for (int sig = 1; sig <= 64; ++sig)
    if (changed[sig]) sigaction(sig, &saved[sig], nullptr);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int32_t WaitFor(pid_t pid) {
  int status = 0;
  return Retry([&] { return waitpid(pid, &status, 0); }) < 0 ? -1 : status;
}

// The starter's life: one request at a time, until the loader's end closes.
[[noreturn]] void Serve(int socket) {
  for (;;) {
    Header h{};
    std::vector<int> fds;
    if (!ReceiveHeader(socket, &h, &fds)) _exit(0);
    std::string command(h.commandLength, '\0');
    std::string entries(h.environmentLength, '\0');
    if (!ReadAll(socket, command.data(), command.size()) ||
        !ReadAll(socket, entries.data(), entries.size()))
      _exit(0);
    int32_t answer = -1;
    if (h.kind == Request::kWait) {
      answer = WaitFor(h.pid);
    } else {
      const pid_t pid = SpawnCommand(h, fds, command, entries);
      if (pid > 0) answer = h.kind == Request::kRun ? WaitFor(pid) : pid;
    }
    for (int fd : fds) close(fd);
    if (!WriteAll(socket, &answer, sizeof answer)) _exit(0);
  }
}

// One request and its answer; false when the starter is gone.
bool Ask(Request kind, const char* command, const StartingSignals& child,
         const EnvironmentEntries& environment, int pid, int pipeEnd, int32_t* answer) {
  std::string entries;
  for (const std::string& entry : environment) entries.append(entry.c_str(), entry.size() + 1);
  Header h{kind, pid, child.ignored, child.blocked,
           static_cast<uint32_t>(command != nullptr ? std::strlen(command) : 0),
           static_cast<uint32_t>(entries.size()), 0};
  std::vector<int> fds;
  int directory = -1;
  if (kind != Request::kWait) {
    for (int i = 0; i < 3; ++i) {
      if (fcntl(i, F_GETFD) == -1) continue;
      h.standardFds |= 1u << i;
      fds.push_back(i);
    }
    directory = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) fds.push_back(directory);
    if (pipeEnd >= 0) fds.push_back(pipeEnd);
  }
  const bool sent = SendHeader(g_starter, h, fds) &&
                    WriteAll(g_starter, command, h.commandLength) &&
                    WriteAll(g_starter, entries.data(), entries.size());
  if (directory >= 0) close(directory);
  return sent && ReadAll(g_starter, answer, sizeof *answer);
}

// popen's commands: our end of the pipe and the command's process.
struct StartedPipe {
  int fd;
  int32_t pid;
};
std::vector<StartedPipe*> g_pipes;

}  // namespace

namespace {

// The starter's socket is the loader's, not the guest's: moved high up the
// descriptor table (not to its very top, which would make the kernel grow
// the table to the limit), it leaves the guest's first open 3, as on Linux.
int OutOfTheWay(int fd) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return fd;
  for (int target = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 4096)) - 1;
       target > fd; --target) {
    if (fcntl(target, F_GETFD) != -1) continue;
    if (dup3(fd, target, O_CLOEXEC) != target) break;
    close(fd);
    return target;
  }
  return fd;
}

}  // namespace

void StartCommandStarter() {
  if (g_starter >= 0) return;
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  const pid_t pid = fork();
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    return;
  }
  if (pid == 0) {
    // Nothing of the loader's stays open here: a copy of a pipe's write end
    // would keep its reader from ever seeing the end.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    signal(SIGINT, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
    const int null = open("/dev/null", O_RDWR);
    for (int i = 0; i < 3; ++i) dup2(null, i);
    const int socket = dup2(ends[1], 3);
    fcntl(socket, F_SETFD, FD_CLOEXEC);
    closefrom(4);
    Serve(socket);
  }
  close(ends[1]);
  g_starter = OutOfTheWay(ends[0]);
}

int StartPipeCommand(const char* command, bool reading, const StartingSignals& signals,
                     const EnvironmentEntries& environment, int* fd, void** child) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return errno;
  const int ours = reading ? ends[0] : ends[1];
  const int theirs = reading ? ends[1] : ends[0];
  int32_t pid = -1;
  const bool asked = Ask(reading ? Request::kOpenReading : Request::kOpenWriting,
                         command, signals, environment, 0, theirs, &pid);
  close(theirs);
  if (!asked || pid <= 0) {
    close(ours);
    return EAGAIN;
  }
  g_pipes.push_back(new StartedPipe{ours, pid});
  *fd = ours;
  *child = g_pipes.back();
  return 0;
}

bool ClosePipeCommand(void* child, int32_t* status) {
  for (auto it = g_pipes.begin(); it != g_pipes.end(); ++it) {
    if (*it != child) continue;
    StartedPipe* pipe = *it;
    g_pipes.erase(it);
    close(pipe->fd);
    *status = -1;
    Ask(Request::kWait, nullptr, StartingSignals{}, {}, pipe->pid, -1, status);
    delete pipe;
    return true;
  }
  return false;
}

bool CommandStarterRunning() { return g_starter >= 0; }

// Without the starter (it could not be forked) the command gets the
// loader's environment as it is.
CommandResult RunCommand(const char* command, const StartingSignals& child,
                         const EnvironmentEntries& environment) {
  CommandResult result;
  int32_t answer = -1;
  int status = -1;
  if (g_starter >= 0) {
    if (Ask(Request::kRun, command, child, environment, 0, -1, &answer)) status = answer;
  } else {
    const ChildSignalScope scope(child);
    status = system(command);
  }
  if (status == -1) return result;
  result.started = true;
  result.signalled = WIFSIGNALED(status);
  result.code = result.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
  return result;
}

bool HasCommandInterpreter() { return access("/bin/sh", X_OK) == 0; }

void KeepBrokenPipesQuiet() { signal(SIGPIPE, SIG_IGN); }
bool LastWriteMetBrokenPipe() { return errno == EPIPE; }

}  // namespace platform
