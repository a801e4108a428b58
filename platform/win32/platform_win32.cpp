// The platform services on Windows, the system's home. Mostly a thin
// pass-through: the interface speaks Win32 already (error numbers, exception
// codes, the register context), so this file only adapts the shapes.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

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

// (end of process)

// ---- Streams and the C runtime's descriptors (the streams family) ----
//
// msvcrt's streams. Its stream record is public (the _iob layout its own
// macros read), which is what the stdio_ext answers below look at.

namespace {

int OpenFlagsOf(unsigned flags) {
  int oflags = _O_BINARY | _O_RDONLY;
  if ((flags & kOpenWrite) != 0)
    oflags = _O_BINARY | ((flags & kOpenRead) != 0 ? _O_RDWR : _O_WRONLY);
  if (flags & kOpenCreate) oflags |= _O_CREAT;
  if (flags & kOpenTruncate) oflags |= _O_TRUNC;
  if (flags & kOpenExclusive) oflags |= _O_EXCL;
  if (flags & kOpenAppend) oflags |= _O_APPEND;
  return oflags;
}

const char* ModeOf(unsigned flags) {
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  if (flags & kOpenAppend) return read ? "a+b" : "ab";
  if (read && write) return "r+b";
  return write ? "wb" : "rb";
}

void* StreamOnDescriptor(int fd, unsigned flags) {
  if (fd < 0) return nullptr;
  FILE* stream = _fdopen(fd, ModeOf(flags));
  if (stream == nullptr) {
    const int saved = errno;
    _close(fd);
    errno = saved;
  }
  return stream;
}

FILE* File(void* stream) { return static_cast<FILE*>(stream); }

struct Win32ErrnoRow {
  DWORD error;
  int hostErrno;
};

// What a failed file-system call of Win32 means to a C program.
constexpr Win32ErrnoRow kWin32Errno[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},     {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},       {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},      {ERROR_SHARING_VIOLATION, EACCES},
    {ERROR_LOCK_VIOLATION, EACCES},     {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_FILE_EXISTS, EEXIST},        {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_NOT_SAME_DEVICE, EXDEV},     {ERROR_DISK_FULL, ENOSPC},
    {ERROR_WRITE_PROTECT, EROFS},       {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
};

int Win32Failure() {
  const DWORD error = GetLastError();
  errno = EIO;
  for (const Win32ErrnoRow& row : kWin32Errno)
    if (row.error == error) errno = row.hostErrno;
  return -1;
}

}  // namespace

void* StreamOpen(const char* path, unsigned flags) {
  return StreamOnDescriptor(_open(path, OpenFlagsOf(flags), _S_IREAD | _S_IWRITE),
                            flags);
}

void* StreamReopen(const char* path, unsigned flags, void* stream) {
  static constexpr const char* kModes[] = {"rb", "wb", "ab", "r+b", "w+b", "a+b"};
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  int index = (flags & kOpenAppend) ? 2 : (flags & kOpenTruncate) ? 1 : 0;
  if (read && write) index += 3;
  return freopen(path, kModes[index], File(stream));
}

void* StreamFromDescriptor(int fd, unsigned flags) {
  return _fdopen(fd, ModeOf(flags));
}

int StreamDescriptor(void* stream) { return _fileno(File(stream)); }

// msvcrt's fclose would close the descriptor's handle, and no duplicate
// brings that handle back: the stream is written out, its buffer given back
// and its record marked free, as fclose leaves it, with the descriptor open.
int StreamCloseKeepingDescriptor(void* stream) {
  FILE* file = File(stream);
  if ((file->_flag & (_IOREAD | _IOWRT | _IORW)) == 0) return EOF;
  const int result = fflush(file);
  setvbuf(file, nullptr, _IONBF, 0);
  file->_flag = 0;
  file->_cnt = 0;
  return result;
}

// msvcrt's own tmpfile creates its file in the root of the drive, which an
// ordinary user may not write to.
void* TemporaryStream(const void* contents, size_t size, unsigned flags) {
  char directory[MAX_PATH + 1];
  char name[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  if (length == 0 || length > MAX_PATH ||
      GetTempFileNameA(directory, "tbx", 0, name) == 0) {
    errno = EACCES;
    return nullptr;
  }
  // _O_TEMPORARY: the file goes when its last descriptor is closed.
  const int fd = _open(name, _O_RDWR | _O_BINARY | _O_TEMPORARY |
                               ((flags & kOpenAppend) ? _O_APPEND : 0));
  if (fd < 0) {
    DeleteFileA(name);
    return nullptr;
  }
  const char* p = static_cast<const char*>(contents);
  for (size_t done = 0; done < size;) {
    const int n = _write(fd, p + done, static_cast<unsigned>(size - done));
    if (n <= 0) {
      _close(fd);
      errno = ENOSPC;
      return nullptr;
    }
    done += static_cast<size_t>(n);
  }
  _lseek(fd, 0, SEEK_SET);
  return StreamOnDescriptor(fd, flags);
}

std::string TemporaryDirectory() {
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  std::string path = length == 0 || length > MAX_PATH ? "." : directory;
  for (char& c : path)
    if (c == '\\') c = '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// cmd.exe by way of msvcrt, in binary so that the command's bytes arrive
// as it wrote them.
void* PipeOpen(const char* command, bool reading) {
  return _popen(command, reading ? "rb" : "wb");
}

int32_t PipeClose(void* stream) {
  const int status = _pclose(File(stream));
  if (status == -1) return -1;
  return static_cast<int32_t>((static_cast<uint32_t>(status) & 0xFF) << 8);
}

int StreamSeek(void* stream, int64_t offset, int whence) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) {
    errno = EINVAL;
    return -1;
  }
  return _fseeki64(File(stream), offset, kWhence[whence]);
}

int64_t StreamTell(void* stream) { return _ftelli64(File(stream)); }

int StreamTruncate(void* stream, int64_t size) {
  if (size < 0 || size > 0x7FFFFFFF) {
    errno = EINVAL;
    return -1;
  }
  return _chsize(_fileno(File(stream)), static_cast<long>(size));
}

// msvcrt takes line buffering for full buffering. What a user needs of a
// line-buffered stream is that a console shows each line as it is
// written: there it is unbuffered; elsewhere only the timing differs, and
// full buffering keeps the bytes the same.
int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size) {
  FILE* file = File(stream);
  if (mode == Buffering::kLine)
    mode = _isatty(_fileno(file)) ? Buffering::kNone : Buffering::kFull;
  if (mode == Buffering::kNone) return setvbuf(file, nullptr, _IONBF, 0);
  if (size < 2) {
    // msvcrt wants two bytes at least; a one-byte buffer writes through.
    if (buffer != nullptr) return setvbuf(file, nullptr, _IONBF, 0);
    size = 4096;
  }
  if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
  return setvbuf(file, buffer, _IOFBF, size);
}

bool StreamReading(void* stream) { return (File(stream)->_flag & _IOREAD) != 0; }
bool StreamWriting(void* stream) { return (File(stream)->_flag & _IOWRT) != 0; }

void StreamPurge(void* stream) {
  FILE* file = File(stream);
  file->_ptr = file->_base;
  file->_cnt = 0;
}

void StreamSetError(void* stream) { File(stream)->_flag |= _IOERR; }

int ReplacePath(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    return 0;
  return Win32Failure();
}

int DeletePath(const char* path, bool directory) {
  return directory ? _rmdir(path) : _unlink(path);
}

// (end of streams)

}  // namespace platform
