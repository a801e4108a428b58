// The platform services on Windows, the system's home. Mostly a thin
// pass-through: the interface speaks Win32 already (error numbers, exception
// codes, the register context), so this file only adapts the shapes.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <ntsecapi.h>
#include <tlhelp32.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// ---- Images and guest start (the image loader) ----

uint32_t RandomWord() {
  uint32_t word = 0;
  if (RtlGenRandom(&word, sizeof word)) return word;
  // No provider: different each run all the same.
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart) * 2654435761u ^
         (GetCurrentProcessId() << 16);
}

// ---- Files, directories and their status (the files family) ----

}  // namespace platform

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

namespace platform {
namespace {

// 100-ns ticks from 1601 to 1970.
constexpr uint64_t kEpochTicks = 116444736000000000ull;

FileTime FromFileTime(const FILETIME& ft) {
  const uint64_t ticks = (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
  const int64_t since = static_cast<int64_t>(ticks - kEpochTicks);
  int64_t seconds = since / 10000000;
  int64_t rest = since % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  return {seconds, static_cast<uint32_t>(rest * 100)};
}

FILETIME ToFileTime(const FileTime& t) {
  const uint64_t ticks = static_cast<uint64_t>(
      static_cast<int64_t>(kEpochTicks) + t.seconds * 10000000 +
      t.nanoseconds / 100);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// Windows keeps one permission bit, read-only. Everything may be read;
// programs (by their extension) and directories may be entered or run.
bool IsProgramName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string ext(name.substr(dot + 1));
  for (char& c : ext) c = static_cast<char>(c | 0x20);
  return ext == "exe" || ext == "com" || ext == "bat" || ext == "cmd";
}

void FromAttributes(DWORD attributes, std::string_view name,
                    FileStatus* status) {
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    status->kind = FileKind::kDirectory;
    status->permissions = 0755;
  } else {
    status->kind = FileKind::kRegular;
    status->permissions = readOnly ? 0444 : 0644;
    if (IsProgramName(name)) status->permissions |= 0111;
  }
}

uint32_t FromHandle(HANDLE h, std::string_view name, FileStatus* status) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return GetLastError();
  FromAttributes(info.dwFileAttributes, name, status);
  status->size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // The file index's top 16 bits count reuses of the record, not the file:
  // left out, the number stays that of the file as long as it lives.
  status->inode =
      (uint64_t{info.nFileIndexHigh & 0xFFFF} << 32) | info.nFileIndexLow;
  status->device = info.dwVolumeSerialNumber;
  status->links = info.nNumberOfLinks;
  status->blocks = (status->size + 4095) / 4096 * 8;
  status->access = FromFileTime(info.ftLastAccessTime);
  status->modify = FromFileTime(info.ftLastWriteTime);
  status->change = status->modify;
  return err::kSuccess;
}

// A handle for the file itself (directories too), enough to read or set its
// attributes and times.
HANDLE OpenForAttributes(const char* path, DWORD access, bool followLinks) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!followLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return CreateFileA(path, access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

HANDLE OsHandle(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// msvcrt's errno after one of its descriptor calls, as a Win32 code.
uint32_t CrtError() {
  switch (errno) {
    case EBADF: return err::kInvalidHandle;
    case ENOENT: return err::kFileNotFound;
    case EACCES: return err::kAccessDenied;
    case EEXIST: return err::kFileExists;
    case EMFILE: return err::kTooManyOpenFiles;
    case ENOSPC: return err::kDiskFull;
    case ENOMEM: return err::kNotEnoughMemory;
    case EPIPE: return err::kBrokenPipe;
    default: return err::kInvalidParameter;
  }
}

uint32_t Ok(BOOL done) { return done ? err::kSuccess : GetLastError(); }

// The services answer with their return code alone: msvcrt's errno (the
// guest's cell) is left as the caller had it.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

// Windows says "not found" where a name on the way is a file; Linux says
// ENOTDIR, and programs tell the two apart.
uint32_t Missing(const char* path, uint32_t code) {
  if (code != ERROR_PATH_NOT_FOUND && code != ERROR_FILE_NOT_FOUND &&
      code != ERROR_INVALID_NAME)
    return code;
  const std::string name(path);
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] != '/' && name[i] != '\\') continue;
    const DWORD a = GetFileAttributesA(name.substr(0, i).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return err::kDirectory;
  }
  return code;
}

uint32_t Missing(const char* path) { return Missing(path, GetLastError()); }

}  // namespace

uint32_t PathStatus(const char* path, bool followLinks, FileStatus* status) {
  HANDLE h = OpenForAttributes(path, 0, followLinks);
  if (h != INVALID_HANDLE_VALUE) {
    const uint32_t result = FromHandle(h, path, status);
    CloseHandle(h);
    return result;
  }
  // A file some other process holds without sharing still has attributes.
  const DWORD openError = GetLastError();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
    return Missing(path, openError);
  FromAttributes(data.dwFileAttributes, path, status);
  status->size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  status->blocks = (status->size + 4095) / 4096 * 8;
  status->access = FromFileTime(data.ftLastAccessTime);
  status->modify = FromFileTime(data.ftLastWriteTime);
  status->change = status->modify;
  return err::kSuccess;
}

uint32_t DescriptorStatus(int fd, FileStatus* status) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  switch (GetFileType(h)) {
    case FILE_TYPE_CHAR:
      status->kind = FileKind::kCharDevice;
      status->permissions = 0620;
      status->blockSize = 1024;
      return err::kSuccess;
    case FILE_TYPE_PIPE:
      status->kind = FileKind::kFifo;
      status->permissions = 0600;
      return err::kSuccess;
    default:
      return FromHandle(h, "", status);
  }
}

uint32_t PathVolumeStatus(const char* path, VolumeStatus* status) {
  // The volume's serial number is the device number stat gives.
  FileStatus file;
  const uint32_t missing = PathStatus(path, true, &file);
  if (missing != err::kSuccess) return missing;
  char root[MAX_PATH];
  if (!GetVolumePathNameA(path, root, sizeof root)) return GetLastError();
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0,
        clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector,
                         &freeClusters, &clusters))
    return GetLastError();
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(root, &available, &total, &free))
    return GetLastError();
  const uint32_t block = sectorsPerCluster * bytesPerSector;
  status->blockSize = block == 0 ? 4096 : block;
  status->blocks = total.QuadPart / status->blockSize;
  status->freeBlocks = free.QuadPart / status->blockSize;
  status->availableBlocks = available.QuadPart / status->blockSize;
  // Asking the volume for its name limits makes Wine complain on the
  // console; every file system Windows runs on takes 255.
  status->id = static_cast<uint32_t>(file.device);
  status->nameMax = 255;
  return err::kSuccess;
}

bool DescriptorIsOpen(int fd) {
  return fd >= 0 && OsHandle(fd) != INVALID_HANDLE_VALUE;
}

uint32_t DescriptorOpen(const char* path, unsigned flags, unsigned permission,
                        int* fd) {
  const KeepErrno keep;
  *fd = -1;
  if (DirectoryExists(path))
    return (flags & kOpenWrite) ? err::kIsADirectory : err::kAccessDenied;
  int oflags = _O_BINARY | _O_RDONLY;
  if (flags & kOpenWrite)
    oflags = _O_BINARY | ((flags & kOpenRead) ? _O_RDWR : _O_WRONLY);
  if (flags & kOpenCreate) oflags |= _O_CREAT;
  if (flags & kOpenExclusive) oflags |= _O_EXCL;
  if (flags & kOpenTruncate) oflags |= _O_TRUNC;
  if (flags & kOpenAppend) oflags |= _O_APPEND;
  const int mode = (permission & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
  *fd = _open(path, oflags, mode);
  if (*fd >= 0) return err::kSuccess;
  const uint32_t code = CrtError();
  return code == err::kFileNotFound ? Missing(path, code) : code;
}

uint32_t DescriptorOpenDirectory(const char* path, int* fd) {
  const KeepErrno keep;
  *fd = -1;
  if (!DirectoryExists(path)) {
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES
               ? err::kFileNotFound
               : err::kDirectory;
  }
  HANDLE h = OpenForAttributes(path, FILE_READ_ATTRIBUTES, true);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  *fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
  if (*fd < 0) {
    CloseHandle(h);
    return err::kTooManyOpenFiles;
  }
  return err::kSuccess;
}

uint32_t DescriptorDirectoryPath(int fd, std::string* path) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return GetLastError();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return err::kDirectory;
  char name[MAX_PATH * 4];
  const DWORD n = GetFinalPathNameByHandleA(h, name, sizeof name, 0);
  if (n == 0 || n >= sizeof name) return GetLastError();
  std::string full(name, n);
  if (full.rfind("\\\\?\\", 0) == 0) full.erase(0, 4);
  *path = full;
  return err::kSuccess;
}

uint32_t DescriptorClose(int fd) {
  const KeepErrno keep;
  return _close(fd) == 0 ? err::kSuccess : CrtError();
}

uint32_t DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position) {
  const KeepErrno keep;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  if (GetFileType(h) != FILE_TYPE_DISK) return err::kSeekOnDevice;
  const int64_t r = _lseeki64(fd, offset, kWhence[whence]);
  if (r < 0) return errno == EINVAL ? err::kNegativeSeek : CrtError();
  *position = r;
  return err::kSuccess;
}

uint32_t DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done) {
  const KeepErrno keep;
  const int n = _read(fd, buffer, count);
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return n < 0 ? CrtError() : err::kSuccess;
}

uint32_t DescriptorWrite(int fd, const void* buffer, uint32_t count,
                         uint32_t* done) {
  const KeepErrno keep;
  const int n = _write(fd, buffer, count);
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return n < 0 ? CrtError() : err::kSuccess;
}

uint32_t DescriptorDuplicate(int fd, int* copy) {
  const KeepErrno keep;
  *copy = _dup(fd);
  return *copy < 0 ? CrtError() : err::kSuccess;
}

uint32_t DescriptorDuplicateTo(int fd, int target) {
  const KeepErrno keep;
  return _dup2(fd, target) < 0 ? CrtError() : err::kSuccess;
}

uint32_t DescriptorPipe(int fds[2]) {
  const KeepErrno keep;
  return _pipe(fds, 65536, _O_BINARY) < 0 ? CrtError() : err::kSuccess;
}

uint32_t DescriptorSync(int fd) {
  const KeepErrno keep;
  return _commit(fd) < 0 ? CrtError() : err::kSuccess;
}

// The descriptor's position stays where it was, as ftruncate leaves it.
uint32_t DescriptorTruncate(int fd, int64_t length) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  LARGE_INTEGER zero{}, here{}, target{};
  if (!SetFilePointerEx(h, zero, &here, FILE_CURRENT)) return GetLastError();
  target.QuadPart = length;
  uint32_t result = Ok(SetFilePointerEx(h, target, nullptr, FILE_BEGIN));
  if (result == err::kSuccess) result = Ok(SetEndOfFile(h));
  SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
  return result;
}

uint32_t DescriptorSetTimes(int fd, const FileTime* access,
                            const FileTime* modify) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  FILETIME a{}, m{};
  if (access != nullptr) a = ToFileTime(*access);
  if (modify != nullptr) m = ToFileTime(*modify);
  return Ok(SetFileTime(h, nullptr, access ? &a : nullptr,
                        modify ? &m : nullptr));
}

uint32_t DescriptorSetPermissions(int fd, unsigned mode) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info))
    return GetLastError();
  if (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return err::kSuccess;
  info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY |
                                             FILE_ATTRIBUTE_NORMAL);
  if ((mode & 0200) == 0) info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return Ok(SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info));
}

uint32_t DescriptorAccess(int fd, bool* readable, bool* writable) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  // The access the handle was opened with is known only to the kernel.
  struct AccessInformation {
    ACCESS_MASK flags;
  } info{};
  struct IoStatus {
    void* status;
    ULONG_PTR information;
  } io{};
  using Query = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
  static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
  constexpr int kFileAccessInformation = 8;
  if (query != nullptr &&
      query(h, &io, &info, sizeof info, kFileAccessInformation) == 0) {
    *readable = (info.flags & (FILE_READ_DATA | GENERIC_READ)) != 0;
    *writable = (info.flags & (FILE_WRITE_DATA | FILE_APPEND_DATA |
                               GENERIC_WRITE)) != 0;
    return err::kSuccess;
  }
  *readable = true;
  *writable = true;
  return err::kSuccess;
}

bool DescriptorIsTerminal(int fd) {
  HANDLE h = OsHandle(fd);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

uint32_t DescriptorTerminalName(int fd, std::string* name) {
  if (!DescriptorIsOpen(fd)) return err::kInvalidHandle;
  if (!DescriptorIsTerminal(fd)) return err::kNotSupported;
  *name = "/dev/tty";
  return err::kSuccess;
}

// Linux removes a read-only file from a writable directory; Windows wants
// the attribute off first.
uint32_t RemoveFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return err::kIsADirectory;
  if (DeleteFileA(path)) return err::kSuccess;
  const DWORD e = GetLastError();
  if (e == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (DeleteFileA(path)) return err::kSuccess;
    const DWORD again = GetLastError();
    SetFileAttributesA(path, attributes);
    return again;
  }
  return e;
}

uint32_t RemoveDir(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return err::kDirectory;
  return Ok(RemoveDirectoryA(path));
}

uint32_t MakeDirectory(const char* path, unsigned) {
  return Ok(CreateDirectoryA(path, nullptr));
}

// Linux replaces a target, and an empty directory by a directory.
uint32_t RenamePath(const char* from, const char* to) {
  const DWORD source = GetFileAttributesA(from);
  const DWORD target = GetFileAttributesA(to);
  if (source != INVALID_FILE_ATTRIBUTES && target != INVALID_FILE_ATTRIBUTES) {
    const bool fromDir = (source & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool toDir = (target & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (fromDir && !toDir) return err::kDirectory;
    if (!fromDir && toDir) return err::kIsADirectory;
    if (toDir && !RemoveDirectoryA(to)) return GetLastError();
  }
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return err::kSuccess;
  const DWORD e = GetLastError();
  return e == ERROR_NOT_SAME_DEVICE ? err::kNotSameDevice : e;
}

uint32_t HardLink(const char* existing, const char* path) {
  return Ok(CreateHardLinkA(path, existing, nullptr));
}

uint32_t SymbolicLink(const char* target, const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
    return err::kAlreadyExists;
  using Create = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
  static const auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
  if (create == nullptr) return err::kPrivilegeNotHeld;
  constexpr DWORD kUnprivileged = 2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  // Wine may answer yes and make nothing: the link counts once it is there.
  if (create(path, target, kUnprivileged) || create(path, target, 0)) {
    WIN32_FIND_DATAA data{};
    HANDLE found = FindFirstFileA(path, &data);
    if (found != INVALID_HANDLE_VALUE) {
      FindClose(found);
      return err::kSuccess;
    }
  }
  return err::kPrivilegeNotHeld;
}

// Links are followed by every other call here; what is left is Linux's
// answer for a name that exists but is no link.
uint32_t ReadLink(const char* path, std::string*) {
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return GetLastError();
  return err::kNotAReparsePoint;
}

uint32_t ChangeDirectory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return err::kDirectory;
  return Ok(SetCurrentDirectoryA(path));
}

uint32_t FullPath(const char* path, std::string* resolved) {
  const DWORD need = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (need == 0) return GetLastError();
  std::string full(need, '\0');
  const DWORD n = GetFullPathNameA(path, need, full.data(), nullptr);
  if (n == 0 || n >= need) return GetLastError();
  full.resize(n);
  // Every component must exist, as Linux's realpath wants.
  if (GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES)
    return GetLastError();
  if (full.size() > 3 && (full.back() == '\\' || full.back() == '/'))
    full.pop_back();
  *resolved = full;
  return err::kSuccess;
}

uint32_t SetPermissions(const char* path, unsigned mode) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return err::kSuccess;
  DWORD next = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY |
                                                FILE_ATTRIBUTE_NORMAL);
  if ((mode & 0200) == 0) next |= FILE_ATTRIBUTE_READONLY;
  if (next == 0) next = FILE_ATTRIBUTE_NORMAL;
  return Ok(SetFileAttributesA(path, next));
}

uint32_t SetTimes(const char* path, const FileTime* access,
                  const FileTime* modify) {
  HANDLE h = OpenForAttributes(path, FILE_WRITE_ATTRIBUTES, true);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  FILETIME a{}, m{};
  if (access != nullptr) a = ToFileTime(*access);
  if (modify != nullptr) m = ToFileTime(*modify);
  const uint32_t result =
      Ok(SetFileTime(h, nullptr, access ? &a : nullptr, modify ? &m : nullptr));
  CloseHandle(h);
  return result;
}

uint32_t TruncatePath(const char* path, int64_t length) {
  if (DirectoryExists(path)) return err::kIsADirectory;
  HANDLE h = CreateFileA(path, GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  LARGE_INTEGER target{};
  target.QuadPart = length;
  uint32_t result = Ok(SetFilePointerEx(h, target, nullptr, FILE_BEGIN));
  if (result == err::kSuccess) result = Ok(SetEndOfFile(h));
  CloseHandle(h);
  return result;
}

uint32_t CheckAccess(const char* path, int mode) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((mode & 2) && !directory && (attributes & FILE_ATTRIBUTE_READONLY))
    return err::kAccessDenied;
  if ((mode & 1) && !directory && !IsProgramName(path))
    return err::kAccessDenied;
  return err::kSuccess;
}

unsigned SetCreationMask(unsigned mask) {
  const KeepErrno keep;
  static unsigned current = 022;
  const unsigned previous = current;
  current = mask & 0777;
  _umask((current & 0200) ? _S_IWRITE : 0);
  return previous;
}

uint32_t ListDirectory(const char* path, std::vector<DirectoryEntry>* entries) {
  std::string base(path);
  if (base.empty()) return err::kFileNotFound;
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return err::kDirectory;
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return GetLastError();
  bool dot = false, dotDot = false;
  std::vector<DirectoryEntry> found;
  do {
    DirectoryEntry entry;
    entry.name = data.cFileName;
    dot = dot || entry.name == ".";
    dotDot = dotDot || entry.name == "..";
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        data.dwReserved0 == IO_REPARSE_TAG_SYMLINK)
      entry.kind = FileKind::kSymlink;
    else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      entry.kind = FileKind::kDirectory;
    else
      entry.kind = FileKind::kRegular;
    FileStatus status;
    if (PathStatus((base + entry.name).c_str(), false, &status) ==
        err::kSuccess)
      entry.inode = status.inode;
    found.push_back(std::move(entry));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  // A drive's root lists neither; Linux lists both everywhere.
  if (!dotDot) found.insert(found.begin(), {"..", FileKind::kDirectory, 0});
  if (!dot) found.insert(found.begin(), {".", FileKind::kDirectory, 0});
  for (DirectoryEntry& entry : found) {
    if (entry.inode == 0) entry.inode = 1;
    entries->push_back(std::move(entry));
  }
  return err::kSuccess;
}

// ---- Memory mappings (the mappings family) ----

// Views start at multiples of the allocation granularity (64 KiB), Linux
// offsets at any page: the view starts lower and the guest gets the page
// it asked for. The section is the file's current length, never more:
// Windows would grow the file to the section, Linux never does.
uint32_t MapShared(int fd, int64_t offset, uint32_t size, bool writable,
                   void** address) {
  HANDLE file = OsHandle(fd);
  if (file == INVALID_HANDLE_VALUE) return err::kInvalidHandle;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length)) return GetLastError();
  if (length.QuadPart <= offset) return err::kInvalidParameter;
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const uint64_t start = static_cast<uint64_t>(offset) &
                         ~static_cast<uint64_t>(info.dwAllocationGranularity - 1);
  const uint64_t lead = static_cast<uint64_t>(offset) - start;
  const uint64_t available = static_cast<uint64_t>(length.QuadPart) - start;
  const uint64_t wanted = lead + size;
  const SIZE_T viewSize = static_cast<SIZE_T>(wanted < available ? wanted : available);
  HANDLE section = CreateFileMappingA(
      file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0, nullptr);
  if (section == nullptr) return GetLastError();
  void* view = MapViewOfFile(section, writable ? FILE_MAP_WRITE : FILE_MAP_READ,
                             static_cast<DWORD>(start >> 32),
                             static_cast<DWORD>(start), viewSize);
  const DWORD e = GetLastError();
  CloseHandle(section);  // the view keeps the section alive
  if (view == nullptr) return e;
  *address = static_cast<char*>(view) + lead;
  return err::kSuccess;
}

uint32_t UnmapShared(void* address, uint32_t) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(address, &info, sizeof info) == 0) return GetLastError();
  return Ok(UnmapViewOfFile(info.AllocationBase));
}

uint32_t FlushShared(void* address, uint32_t size) {
  return Ok(FlushViewOfFile(address, size));
}

// ---- Clocks and time zones (the time family) ----

namespace {

constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970 in 100 ns since 1601

uint64_t Ticks(const FILETIME& ft) {
  return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

void Split(uint64_t ticks, int64_t* seconds, int32_t* nanoseconds) {
  *seconds = static_cast<int64_t>(ticks / 10000000u);
  *nanoseconds = static_cast<int32_t>(ticks % 10000000u * 100u);
}

int64_t PerformanceFrequency() {
  static int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? static_cast<int64_t>(f.QuadPart) : int64_t{1};
  }();
  return frequency;
}

// The abbreviations the zone database gives the Windows zones most used;
// any other zone is named by its offset ("<+0530>"), as the database
// names zones without a customary abbreviation.
struct ZoneNames {
  const wchar_t* windowsName;  // the standard name, without " Standard Time"
  const char* standard;
  const char* daylight;
};
constexpr ZoneNames kZoneNames[] = {
    {L"Eastern", "EST", "EDT"},          {L"Central", "CST", "CDT"},
    {L"Mountain", "MST", "MDT"},         {L"US Mountain", "MST", "MDT"},
    {L"Pacific", "PST", "PDT"},          {L"Alaskan", "AKST", "AKDT"},
    {L"Hawaiian", "HST", "HDT"},         {L"Atlantic", "AST", "ADT"},
    {L"Newfoundland", "NST", "NDT"},     {L"GMT", "GMT", "BST"},
    {L"Greenwich", "GMT", "GMT"},        {L"W. Europe", "CET", "CEST"},
    {L"Central Europe", "CET", "CEST"},  {L"Central European", "CET", "CEST"},
    {L"Romance", "CET", "CEST"},         {L"E. Europe", "EET", "EEST"},
    {L"FLE", "EET", "EEST"},             {L"GTB", "EET", "EEST"},
    {L"Russian", "MSK", "MSD"},          {L"Israel", "IST", "IDT"},
    {L"South Africa", "SAST", "SAST"},   {L"India", "IST", "IST"},
    {L"China", "CST", "CST"},            {L"Tokyo", "JST", "JDT"},
    {L"Korea", "KST", "KDT"},            {L"AUS Eastern", "AEST", "AEDT"},
    {L"E. Australia", "AEST", "AEDT"},   {L"Cen. Australia", "ACST", "ACDT"},
    {L"AUS Central", "ACST", "ACDT"},    {L"W. Australia", "AWST", "AWDT"},
    {L"New Zealand", "NZST", "NZDT"},    {L"Coordinated Universal Time", "UTC", "UTC"},
    {L"UTC", "UTC", "UTC"},
};

// The offset east of UTC of a bias (minutes west) as a name, "<+01>".
std::string OffsetName(LONG bias) {
  const LONG east = -bias;
  const LONG a = east < 0 ? -east : east;
  char text[16];
  if (a % 60 == 0) snprintf(text, sizeof text, "<%c%02ld>", east < 0 ? '-' : '+', a / 60);
  else snprintf(text, sizeof text, "<%c%02ld%02ld>", east < 0 ? '-' : '+', a / 60, a % 60);
  return text;
}

std::string Abbreviation(const WCHAR* standardName, bool daylight, LONG bias) {
  const std::wstring name(standardName);
  for (const ZoneNames& z : kZoneNames) {
    const std::wstring known(z.windowsName);
    if (name == known || name == known + L" Standard Time")
      return daylight ? z.daylight : z.standard;
  }
  return OffsetName(bias);
}

// Bias in minutes, west positive, as POSIX offsets are.
std::string Offset(LONG minutes) {
  std::string text;
  if (minutes < 0) {
    text.push_back('-');
    minutes = -minutes;
  }
  text += std::to_string(minutes / 60);
  if (minutes % 60 != 0) text += ":" + std::to_string(minutes % 60);
  return text;
}

// A transition date of TIME_ZONE_INFORMATION (the wDay-th wDayOfWeek of
// wMonth, 5 meaning the last) as a POSIX Mm.w.d/time rule.
std::string Transition(const SYSTEMTIME& t) {
  std::string rule = ",M" + std::to_string(t.wMonth) + "." + std::to_string(t.wDay) + "." +
                     std::to_string(t.wDayOfWeek);
  const int seconds = t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
  if (seconds != 7200) {
    rule += "/" + std::to_string(seconds / 3600);
    if (seconds % 3600 != 0) rule += ":" + std::to_string(seconds % 3600 / 60);
  }
  return rule;
}

}  // namespace

void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds) {
  FILETIME ft{}, created{}, ended{}, kernel{}, user{};
  switch (clock) {
    case ClockKind::kRealtime:
      GetSystemTimeAsFileTime(&ft);
      Split(Ticks(ft) - kUnixEpochTicks, seconds, nanoseconds);
      return;
    case ClockKind::kMonotonic: {
      LARGE_INTEGER count{};
      QueryPerformanceCounter(&count);
      const int64_t f = PerformanceFrequency();
      *seconds = count.QuadPart / f;
      *nanoseconds = static_cast<int32_t>(count.QuadPart % f * 1000000000 / f);
      return;
    }
    case ClockKind::kProcessCpu:
      GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
      Split(Ticks(kernel) + Ticks(user), seconds, nanoseconds);
      return;
    case ClockKind::kThreadCpu:
      GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
      Split(Ticks(kernel) + Ticks(user), seconds, nanoseconds);
      return;
  }
}

int64_t ClockStep(ClockKind clock) {
  if (clock == ClockKind::kMonotonic) {
    const int64_t step = 1000000000 / PerformanceFrequency();
    return step > 0 ? step : 1;
  }
  return 100;
}

void ProcessTimes(int64_t* userNs, int64_t* systemNs) {
  FILETIME created{}, ended{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  *userNs = static_cast<int64_t>(Ticks(user) * 100);
  *systemNs = static_cast<int64_t>(Ticks(kernel) * 100);
}

void SleepFor(int64_t nanoseconds) {
  int64_t ms = (nanoseconds + 999999) / 1000000;
  while (ms > 0) {
    const DWORD part = ms > 0x7ffffffe ? 0x7ffffffe : static_cast<DWORD>(ms);
    Sleep(part);
    ms -= part;
  }
}

std::string LocalZoneRule() {
  TIME_ZONE_INFORMATION tz{};
  const DWORD kind = GetTimeZoneInformation(&tz);
  if (kind == TIME_ZONE_ID_INVALID) return {};
  if (tz.Bias == 0 && (tz.StandardDate.wMonth == 0 || tz.DaylightBias == 0)) return "UTC0";
  std::string rule = Abbreviation(tz.StandardName, false, tz.Bias + tz.StandardBias) +
                     Offset(tz.Bias + tz.StandardBias);
  if (tz.StandardDate.wMonth != 0 && tz.DaylightDate.wMonth != 0) {
    rule += Abbreviation(tz.StandardName, true, tz.Bias + tz.DaylightBias);
    if (tz.DaylightBias != -60) rule += Offset(tz.Bias + tz.DaylightBias);
    rule += Transition(tz.DaylightDate) + Transition(tz.StandardDate);
  }
  return rule;
}

std::string NamedZoneRule(std::string_view) { return {}; }

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

CommandResult RunCommand(const char* command, const StartingSignals&) {
  CommandResult result;
  errno = 0;
  const int code = system(command);
  if (code == -1 && errno != 0) return result;
  result.started = true;
  result.code = static_cast<uint32_t>(code) & 0xFF;
  return result;
}

bool HasCommandInterpreter() { return system(nullptr) != 0; }

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
void* PipeOpen(const char* command, bool reading, const StartingSignals&) {
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

// ---- Writes to the C runtime's descriptors (the format family) ----

int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size) {
  return ::_write(fd, data, size);
}

bool IsWritable(uint32_t address) {
  MEMORY_BASIC_INFORMATION mbi{};
  if (VirtualQuery(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), &mbi,
                   sizeof mbi) == 0)
    return false;
  constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return mbi.State == MEM_COMMIT && (mbi.Protect & kWritable) != 0;
}

}  // namespace platform
