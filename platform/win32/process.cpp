// The process on Windows: its command line as the system keeps it, its
// image, and the facts the process queries report.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <ntsecapi.h>
#include <tlhelp32.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cmdline.h"
#include "platform/process.h"
#include "platform/win32/host.h"
#include "platform/timers.h"

namespace platform {

// A Linux program's standard streams carry bytes: a compressor writing to a
// pipe or a file must not have each LF turned into CR LF, and a program
// reading a file must not lose its CRs or stop at a 0x1A. So the C runtime's
// descriptors 0, 1 and 2 (and the streams on them) are binary unless they
// are the console, where text mode still gives the guest LF line ends as a
// Linux terminal would, and LF reaches the screen as a new line.
void Init(int, char**) {
  for (int fd = 0; fd <= 2; ++fd) {
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode;
    if (h != INVALID_HANDLE_VALUE && !GetConsoleMode(h, &mode)) _setmode(fd, _O_BINARY);
  }
}

// The command line as the system keeps it, in UTF-16: every argument
// reaches the guest whole, in UTF-8, whatever the ANSI code page holds.
std::vector<std::string> CommandLine() { return SplitCommandLine(Utf8(GetCommandLineW())); }

std::string ModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {  // a cut name fills the buffer exactly
      path.resize(n);
      return Utf8(path);
    }
    path.resize(path.size() * 2);
  }
}

uintptr_t ModuleBase() { return reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)); }

// tblibc's DLL detach flushes the C runtime's streams on the way out.
void ExitProcess(uint32_t code) {
  StopTimers();  // no interruption of the guest thread from here on
  ::ExitProcess(code);
}

uint32_t RandomWord() {
  uint32_t word = 0;
  if (RtlGenRandom(&word, sizeof word)) return word;
  // No provider: different each run all the same.
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart) * 2654435761u ^
         (GetCurrentProcessId() << 16);
}

uint32_t ProcessId() { return GetCurrentProcessId(); }

uint32_t ParentProcessId() {
  const DWORD self = GetCurrentProcessId();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more;
       more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == self) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return parent;
}

uint32_t ProcessorCount() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

uint64_t PhysicalMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

uint64_t AvailableMemoryBytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

ProcessUsage Usage() {
  ProcessUsage usage;
  FILETIME creation, exit, kernel, user;
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
    // 100 ns units.
    auto micros = [](const FILETIME& t) {
      return ((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10;
    };
    usage.userMicros = micros(user);
    usage.systemMicros = micros(kernel);
  }
  return usage;
}

namespace {

// Names of the environment compare without case on Windows.
bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}
std::wstring_view NameOf(std::wstring_view entry) {
  // A leading '=' belongs to the name (cmd.exe's "=C:" entries).
  return entry.substr(0, entry.find(L'=', 1));
}

// The loader's environment block with the guest's entries set over it,
// as CreateProcessW takes it: each entry ended by a null, then one more.
std::wstring EnvironmentBlock(const EnvironmentEntries& environment) {
  std::vector<std::wstring> guest;
  for (const std::string& entry : environment) guest.push_back(Wide(entry));
  std::wstring block;
  if (wchar_t* own = GetEnvironmentStringsW()) {
    for (const wchar_t* p = own; *p != L'\0'; p += std::wcslen(p) + 1) {
      const std::wstring_view entry(p);
      bool replaced = false;
      for (const std::wstring& g : guest) replaced = replaced || SameName(NameOf(g), NameOf(entry));
      if (!replaced) block.append(entry).push_back(L'\0');
    }
    FreeEnvironmentStringsW(own);
  }
  for (const std::wstring& g : guest) block.append(g).push_back(L'\0');
  if (block.empty()) block.push_back(L'\0');  // an empty block is two nulls too
  block.push_back(L'\0');
  return block;
}

struct OwnedHandle {
  HANDLE h = nullptr;
  ~OwnedHandle() {
    if (h != nullptr) CloseHandle(h);
  }
};

}  // namespace

// As msvcrt's system and popen start it (%COMSPEC% /c and the command's
// text as it is), but with the environment the guest's commands get and
// only the handles given reaching the child as its standard ones.
HANDLE StartInterpreter(const char* command, const EnvironmentEntries& environment,
                        const HANDLE (&standard)[3], int* error) {
  std::wstring interpreter(MAX_PATH, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"COMSPEC", interpreter.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) interpreter = L"cmd.exe";
  else interpreter.resize(length);
  std::wstring line = L"\"" + interpreter + L"\" /c " + Wide(command);

  OwnedHandle inherited[3];
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  HANDLE* slots[3] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
  for (int i = 0; i < 3; ++i) {
    if (standard[i] == nullptr || standard[i] == INVALID_HANDLE_VALUE) continue;
    if (DuplicateHandle(GetCurrentProcess(), standard[i], GetCurrentProcess(), &inherited[i].h, 0,
                        TRUE, DUPLICATE_SAME_ACCESS))
      *slots[i] = inherited[i].h;
  }
  std::wstring block = EnvironmentBlock(environment);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, TRUE,
                      CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &start, &started)) {
    *error = LastLinuxErrno();
    return nullptr;
  }
  CloseHandle(started.hThread);
  return started.hProcess;
}

CommandResult RunCommand(const char* command, const StartingSignals&,
                         const EnvironmentEntries& environment) {
  CommandResult result;
  int error = 0;
  const HANDLE process = StartInterpreter(command, environment, {OsHandle(0), OsHandle(1), OsHandle(2)}, &error);
  if (process == nullptr) return result;
  DWORD code = 0;
  WaitForSingleObject(process, INFINITE);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  result.started = true;
  result.code = code & 0xFF;
  return result;
}

bool HasCommandInterpreter() { return _wsystem(nullptr) != 0; }

// Windows has no signal dispositions or mask for a parent to hand down.
StartingSignals InheritedSignals() { return {}; }

// `start /low`, `/belownormal` ... as the nice values that would rank a
// Linux process alike.
int32_t InheritedNice() {
  switch (GetPriorityClass(GetCurrentProcess())) {
    case IDLE_PRIORITY_CLASS: return 19;
    case BELOW_NORMAL_PRIORITY_CLASS: return 10;
    case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
    case HIGH_PRIORITY_CLASS: return -10;
    case REALTIME_PRIORITY_CLASS: return -20;
    default: return 0;
  }
}

void KeepBrokenPipesQuiet() {}

// msvcrt reports the Win32 error of a failed write in _doserrno: a pipe
// whose reader has gone is ERROR_NO_DATA on Windows and
// ERROR_PIPE_NOT_CONNECTED under Wine (both mapped to EINVAL), or
// ERROR_BROKEN_PIPE (EPIPE).
bool LastWriteMetBrokenPipe() {
  return _doserrno == ERROR_NO_DATA || _doserrno == ERROR_PIPE_NOT_CONNECTED ||
         _doserrno == ERROR_BROKEN_PIPE;
}

}  // namespace platform
