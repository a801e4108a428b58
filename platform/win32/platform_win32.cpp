// The platform services on Windows, the system's home. Mostly a thin
// pass-through: the interface speaks Win32 already (error numbers, exception
// codes, the register context), so this file only adapts the shapes.
#include <windows.h>
#include <tlhelp32.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <array>
#include <cstring>

#include "platform/platform.h"
#include "runtime/cmdline.h"

namespace platform {
namespace {

uint32_t g_regionBase = 0;
uint32_t g_regionEnd = 0;

ExceptionHandler g_handler = nullptr;

uint64_t RoundUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) & ~(unit - 1);
}

HANDLE Native(Handle h) { return reinterpret_cast<HANDLE>(h); }

// The handler sees the shared Context, not the CONTEXT of this OS; what it
// leaves there is copied back for the thread to resume with.
LONG CALLBACK Adapter(EXCEPTION_POINTERS* info) {
  CONTEXT* native = info->ContextRecord;
  Context c{};
  c.Edi = native->Edi;
  c.Esi = native->Esi;
  c.Ebx = native->Ebx;
  c.Edx = native->Edx;
  c.Ecx = native->Ecx;
  c.Eax = native->Eax;
  c.Ebp = native->Ebp;
  c.Eip = native->Eip;
  c.EFlags = native->EFlags;
  c.Esp = native->Esp;
  ExceptionPointers pointers{info->ExceptionRecord->ExceptionCode, &c};
  const LONG result = g_handler(&pointers);
  native->Edi = c.Edi;
  native->Esi = c.Esi;
  native->Ebx = c.Ebx;
  native->Edx = c.Edx;
  native->Ecx = c.Ecx;
  native->Eax = c.Eax;
  native->Ebp = c.Ebp;
  native->Eip = c.Eip;
  native->EFlags = c.EFlags;
  native->Esp = c.Esp;
  return result;
}

// PAGE_* for each combination of kRead | kWrite | kExecute. Windows has no
// write-only pages; writing implies reading.
constexpr std::array<DWORD, 8> kPageProtection{
    PAGE_NOACCESS,          // none
    PAGE_READONLY,          // r
    PAGE_READWRITE,         // w
    PAGE_READWRITE,         // rw
    PAGE_EXECUTE,           // x
    PAGE_EXECUTE_READ,      // rx
    PAGE_EXECUTE_READWRITE, // wx
    PAGE_EXECUTE_READWRITE, // rwx
};
static_assert(kPageProtection.size() == 8);

constexpr DWORD kReadableProtection = PAGE_READONLY | PAGE_READWRITE |
                                      PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                      PAGE_EXECUTE_READWRITE |
                                      PAGE_EXECUTE_WRITECOPY;

}  // namespace

// ---- Exceptions ---------------------------------------------------------------

void AddVectoredExceptionHandler(ExceptionHandler handler) {
  const bool first = g_handler == nullptr;
  g_handler = handler;
  if (first) ::AddVectoredExceptionHandler(999, Adapter);
}

bool ExceptionHandlerInstalled() { return g_handler != nullptr; }

void RaiseException(uint32_t code) {
  if (g_handler == nullptr) return;
  ::RaiseException(code, 0, 0, nullptr);
}

// ---- Memory -------------------------------------------------------------------

void* ReserveRegion(uint32_t address, uint32_t size) {
  // The reservation's start is rounded down to the allocation granularity
  // by the kernel; the base it returns is that rounded address.
  void* base = VirtualAlloc(reinterpret_cast<void*>(static_cast<uintptr_t>(address)),
                            size, MEM_COMMIT | MEM_RESERVE,
                            PAGE_EXECUTE_READWRITE);
  if (base == nullptr) return nullptr;
  g_regionBase = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base));
  g_regionEnd = static_cast<uint32_t>(RoundUp(uint64_t{address} + size, kPageSize));
  return base;
}

void GuestRegion(uint32_t* base, uint32_t* end) {
  *base = g_regionBase;
  *end = g_regionEnd;
}

bool Protect(uint32_t address, uint32_t size, unsigned protection) {
  DWORD old = 0;
  return VirtualProtect(reinterpret_cast<void*>(static_cast<uintptr_t>(address)),
                        size, kPageProtection[protection & 7], &old) != 0;
}

bool IsReadable(uint32_t address, uint32_t size) {
  if (size == 0) return true;
  const uint64_t end = uint64_t{address} + size;
  if (end > 0x100000000ull) return false;
  uint64_t at = address;
  while (at < end) {
    MEMORY_BASIC_INFORMATION mbi{};
    if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(at)), &mbi,
                     sizeof mbi) == 0)
      return false;
    if (mbi.State != MEM_COMMIT || (mbi.Protect & PAGE_GUARD) != 0 ||
        (mbi.Protect & kReadableProtection) == 0)
      return false;
    at = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  }
  return true;
}

void* AllocatePages(size_t size) {
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreePages(void* pages, size_t) { VirtualFree(pages, 0, MEM_RELEASE); }

// ---- Process ----------------------------------------------------------------

void Init(int, char**) {}

std::vector<std::string> CommandLine() { return SplitCommandLine(GetCommandLineA()); }

std::string ModuleFileName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {  // a cut name fills the buffer exactly
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

uintptr_t ModuleBase() { return reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)); }

char DirectorySeparator() { return '\\'; }

// Drive-rooted ("C:\", "C:/") or rooted on the current drive ("\x", "/x");
// Wine hands us Unix paths, which are rooted.
bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string CurrentDirectory() {
  DWORD need = GetCurrentDirectoryA(0, nullptr);
  if (need == 0) return std::string();
  std::string dir(need, '\0');
  DWORD n = GetCurrentDirectoryA(need, dir.data());
  dir.resize(n < need ? n : 0);
  return dir;
}

std::string_view LineEnd() { return "\r\n"; }

// tblibc's DLL detach flushes the C runtime's streams on the way out.
void ExitProcess(uint32_t code) {
  ::ExitProcess(code);
}

// ---- Time -------------------------------------------------------------------

uint32_t TickCount() { return GetTickCount(); }

void TimeOfDay(int64_t* seconds, uint32_t* microseconds) {
  constexpr uint64_t kUnixEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks =
      ((uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime) - kUnixEpoch;
  *seconds = static_cast<int64_t>(ticks / 10000000u);
  *microseconds = static_cast<uint32_t>(ticks % 10000000u / 10u);
}

// ---- Console and files ----------------------------------------------------------

Handle StdInput() { return reinterpret_cast<Handle>(GetStdHandle(STD_INPUT_HANDLE)); }
Handle StdOutput() { return reinterpret_cast<Handle>(GetStdHandle(STD_OUTPUT_HANDLE)); }
Handle StdError() { return reinterpret_cast<Handle>(GetStdHandle(STD_ERROR_HANDLE)); }

bool IsConsole(Handle h) {
  DWORD mode = 0;
  return GetConsoleMode(Native(h), &mode) != 0;
}

uint32_t FileOpen(const char* path, unsigned flags, unsigned permission,
                  Handle* handle) {
  *handle = kInvalidHandle;
  // A directory is no file; Windows would refuse it only for want of
  // backup semantics, and Wine not always.
  if (DirectoryExists(path)) return err::kAccessDenied;
  DWORD access = 0;
  if (flags & kOpenRead) access |= GENERIC_READ;
  if (flags & kOpenWrite) {
    // Append: the handle may only add data, so every write lands at the end.
    access |= (flags & kOpenAppend) != 0
                  ? (FILE_GENERIC_WRITE & ~FILE_WRITE_DATA)
                  : GENERIC_WRITE;
  }
  if (access == 0) access = GENERIC_READ;

  const bool create = (flags & kOpenCreate) != 0;
  const bool truncate = (flags & kOpenTruncate) != 0;
  DWORD disposition = OPEN_EXISTING;
  if (create && (flags & kOpenExclusive) != 0)
    disposition = CREATE_NEW;
  else if (create)
    disposition = truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
  else if (truncate)
    disposition = TRUNCATE_EXISTING;
  const bool cutsData = disposition == TRUNCATE_EXISTING ||
                        (disposition == CREATE_ALWAYS && FileExists(path));
  if (cutsData && (access & FILE_WRITE_DATA) == 0) {
    // Cutting a file needs write access, which an append handle lacks:
    // truncate through a handle of its own first.
    HANDLE cut = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (cut == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(cut);
    disposition = OPEN_EXISTING;
  }

  const DWORD attributes =
      (permission & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  *handle = reinterpret_cast<Handle>(h);
  return err::kSuccess;
}

uint32_t FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  *done = 0;
  if (!ReadFile(Native(h), buffer, count, &n, nullptr)) {
    DWORD e = GetLastError();
    return e == ERROR_BROKEN_PIPE ? err::kSuccess : e;  // writer gone: end of file
  }
  *done = n;
  return err::kSuccess;
}

uint32_t FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (*done < count) {
    DWORD n = 0;
    if (!WriteFile(Native(h), p + *done, count - *done, &n, nullptr))
      return GetLastError();
    if (n == 0) return err::kDiskFull;
    *done += n;
  }
  return err::kSuccess;
}

uint32_t FileSeek(Handle h, int64_t offset, int whence, int64_t* position) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER result{};
  if (!SetFilePointerEx(Native(h), distance, &result, kMethod[whence]))
    return GetLastError();
  if (position != nullptr) *position = result.QuadPart;
  return err::kSuccess;
}

uint32_t FileSize(Handle h, int64_t* size) {
  LARGE_INTEGER result{};
  if (!GetFileSizeEx(Native(h), &result)) return GetLastError();
  *size = result.QuadPart;
  return err::kSuccess;
}

uint32_t FileClose(Handle h) {
  return CloseHandle(Native(h)) ? err::kSuccess : GetLastError();
}

bool FileExists(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// ---- Files, directories and their status (the files family) ----

// (end of files)

// ---- Memory mappings (the mappings family) ----

// (end of mappings)

// ---- Clocks and time zones (the time family) ----

// (end of time)

// ---- The process and its signals (the process and signals families) ----

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

CommandResult RunCommand(const char* command) {
  CommandResult result;
  errno = 0;
  const int code = system(command);
  if (code == -1 && errno != 0) return result;
  result.started = true;
  result.code = static_cast<uint32_t>(code) & 0xFF;
  return result;
}

bool HasCommandInterpreter() { return system(nullptr) != 0; }

void KeepBrokenPipesQuiet() {}

// msvcrt reports the Win32 error of a failed write in _doserrno: a pipe
// whose reader has gone is ERROR_NO_DATA on Windows and
// ERROR_PIPE_NOT_CONNECTED under Wine (both mapped to EINVAL), or
// ERROR_BROKEN_PIPE (EPIPE).
bool LastWriteMetBrokenPipe() {
  return _doserrno == ERROR_NO_DATA || _doserrno == ERROR_PIPE_NOT_CONNECTED ||
         _doserrno == ERROR_BROKEN_PIPE;
}

// (end of process)

// ---- Streams and the C runtime's descriptors (the streams family) ----

// (end of streams)

}  // namespace platform
