// Files on Windows: msvcrt's descriptors over Win32 handles, and the Win32
// file calls, shaped to answer as Linux does.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <ntsecapi.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/errno.h"
#include "abi/files.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32/host.h"

namespace platform {

char DirectorySeparator() { return '\\'; }

// Drive-rooted ("C:\", "C:/") or rooted on the current drive ("\x", "/x");
// Wine hands us Unix paths, which are rooted.
bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string CurrentDirectory() {
  DWORD need = GetCurrentDirectoryW(0, nullptr);
  if (need == 0) return std::string();
  std::wstring dir(need, L'\0');
  DWORD n = GetCurrentDirectoryW(need, dir.data());
  dir.resize(n < need ? n : 0);
  std::string name = Utf8(dir);
  if (name.rfind("\\\\?\\", 0) == 0) name.erase(0, 4);
  return name;
}

namespace {

DWORD Attributes(const char* path) { return GetFileAttributesW(HostPath(path).c_str()); }

}  // namespace

bool FileExists(const char* path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const char* path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

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

int FromHandle(HANDLE h, std::string_view name, FileStatus* status) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return LastLinuxErrno();
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
  return 0;
}

// A handle for the file itself (directories too), enough to read or set its
// attributes and times.
HANDLE OpenForAttributes(const char* path, DWORD access, bool followLinks) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!followLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return CreateFileW(HostPath(path).c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, flags, nullptr);
}

// msvcrt's errno after one of its descriptor calls, as the answer. Its
// table of descriptors is the process's own (2048 of them), so a full one
// is what Linux calls EMFILE, whatever number the runtime chose.
int CrtError() {
  const int e = LinuxErrnoOfCrt(errno);
  return e == linux::kENFILE ? linux::kEMFILE : e;
}

// Windows says "not found" where a name on the way is a file; Linux says
// ENOTDIR, and programs tell the two apart.
int Missing(const char* path, DWORD code) {
  if (code != ERROR_PATH_NOT_FOUND && code != ERROR_FILE_NOT_FOUND &&
      code != ERROR_INVALID_NAME)
    return LinuxErrnoOfWin32(code);
  const std::string name(path);
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] != '/' && name[i] != '\\') continue;
    const DWORD a = Attributes(name.substr(0, i).c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return linux::kENOTDIR;
  }
  return LinuxErrnoOfWin32(code);
}

int Missing(const char* path) { return Missing(path, GetLastError()); }

}  // namespace

int PathStatus(const char* path, bool followLinks, FileStatus* status) {
  HANDLE h = OpenForAttributes(path, 0, followLinks);
  if (h != INVALID_HANDLE_VALUE) {
    // A device (NUL, the console) has no file record to ask. Asked only
    // then: under Wine GetFileType reads a file, which moves its access
    // time.
    int result = FromHandle(h, path, status);
    if (result != 0 && GetFileType(h) == FILE_TYPE_CHAR) {
      *status = FileStatus{};
      status->kind = FileKind::kCharDevice;
      status->permissions = 0666;
      result = 0;
    }
    CloseHandle(h);
    return result;
  }
  // A file some other process holds without sharing still has attributes.
  const DWORD openError = GetLastError();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(HostPath(path).c_str(), GetFileExInfoStandard, &data))
    return Missing(path, openError);
  FromAttributes(data.dwFileAttributes, path, status);
  status->size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  status->blocks = (status->size + 4095) / 4096 * 8;
  status->access = FromFileTime(data.ftLastAccessTime);
  status->modify = FromFileTime(data.ftLastWriteTime);
  status->change = status->modify;
  return 0;
}

int DescriptorStatus(int fd, FileStatus* status) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  switch (GetFileType(h)) {
    case FILE_TYPE_CHAR:
      status->kind = FileKind::kCharDevice;
      status->permissions = 0620;
      status->blockSize = 1024;
      return 0;
    case FILE_TYPE_PIPE:
      status->kind = FileKind::kFifo;
      status->permissions = 0600;
      return 0;
    default:
      break;
  }
  const int code = FromHandle(h, "", status);
  if (code == 0) return 0;
  // Wine makes the standard handles it inherits from Unix files objects
  // that answer no query for the file's identity; their times and size
  // still come, and a regular file they are.
  FILETIME access{}, modify{};
  LARGE_INTEGER size{};
  if (!GetFileTime(h, nullptr, &access, &modify) || !GetFileSizeEx(h, &size)) return code;
  *status = FileStatus{};
  status->kind = FileKind::kRegular;
  status->permissions = 0644;
  status->size = static_cast<uint64_t>(size.QuadPart);
  status->blocks = (status->size + 4095) / 4096 * 8;
  status->access = FromFileTime(access);
  status->modify = status->change = FromFileTime(modify);
  return 0;
}

int PathVolumeStatus(const char* path, VolumeStatus* status) {
  // The volume's serial number is the device number stat gives.
  FileStatus file;
  const int missing = PathStatus(path, true, &file);
  if (missing != 0) return missing;
  wchar_t root[MAX_PATH];
  if (!GetVolumePathNameW(HostPath(path).c_str(), root, MAX_PATH)) return LastLinuxErrno();
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0,
        clusters = 0;
  if (!GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector,
                         &freeClusters, &clusters))
    return LastLinuxErrno();
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExW(root, &available, &total, &free))
    return LastLinuxErrno();
  const uint32_t block = sectorsPerCluster * bytesPerSector;
  status->blockSize = block == 0 ? 4096 : block;
  status->blocks = total.QuadPart / status->blockSize;
  status->freeBlocks = free.QuadPart / status->blockSize;
  status->availableBlocks = available.QuadPart / status->blockSize;
  // Windows file systems keep no fixed number of file records; each file
  // takes at least a block, so the blocks bound how many more fit. Zero
  // would read as a full table to programs that check it.
  status->files = status->blocks;
  status->freeFiles = status->availableBlocks;
  // Asking the volume for its name limits makes Wine complain on the
  // console; every file system Windows runs on takes 255.
  status->id = static_cast<uint32_t>(file.device);
  status->nameMax = 255;
  return 0;
}

// The C runtime's table holds 2048, however many the program asks for.
void AllowDescriptors(uint32_t) {}

namespace {

unsigned gCreationMask = 022;  // the guest's umask

// Devices of Linux that Windows has no file for: their descriptors are NUL
// underneath, and what a read or write of them gives is made here.
enum class Device { kZero, kFull, kRandom };
struct DeviceName {
  std::string_view name;
  Device device;
};
constexpr DeviceName kDevices[] = {
    {"/dev/zero", Device::kZero},
    {"/dev/full", Device::kFull},
    {"/dev/random", Device::kRandom},
    {"/dev/urandom", Device::kRandom},
};
std::map<int, Device> gDevices;  // by descriptor

const Device* DeviceOf(int fd) {
  const auto found = gDevices.find(fd);
  return found != gDevices.end() ? &found->second : nullptr;
}

// The standard streams and the terminal by their Linux names: the
// descriptor the name stands for, duplicated, or the console.
int OpenStandard(std::string_view name, unsigned flags, int* fd, bool* handled) {
  *handled = true;
  int number = -1;
  if (name == "/dev/stdin") number = 0;
  if (name == "/dev/stdout") number = 1;
  if (name == "/dev/stderr") number = 2;
  if (name.substr(0, 8) == "/dev/fd/" && name.size() > 8 && name.size() < 13) {
    number = 0;
    for (char c : name.substr(8)) {
      if (c < '0' || c > '9') return linux::kENOENT;
      number = number * 10 + (c - '0');
    }
  }
  if (number >= 0) {
    *fd = _dup(number);
    return *fd >= 0 ? 0 : linux::kENOENT;
  }
  if (name == "/dev/tty") {
    const bool reading = (flags & linux::kOpenWrite) == 0;
    HANDLE h = CreateFileW(reading ? L"CONIN$" : L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    // No console: the process has no controlling terminal.
    if (h == INVALID_HANDLE_VALUE) return linux::kENXIO;
    *fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), reading ? _O_RDONLY : _O_WRONLY);
    if (*fd < 0) {
      CloseHandle(h);
      return linux::kEMFILE;
    }
    return 0;
  }
  *handled = false;
  return 0;
}

}  // namespace

bool DescriptorIsOpen(int fd) {
  return fd >= 0 && OsHandle(fd) != INVALID_HANDLE_VALUE;
}

int DescriptorOpen(const char* path, unsigned flags, unsigned permission,
                   int* fd) {
  const KeepErrno keep;
  *fd = -1;
  bool handled = false;
  const int standard = OpenStandard(path, flags, fd, &handled);
  if (handled) return standard;
  if (DirectoryExists(path))
    return (flags & linux::kOpenWrite) ? linux::kEISDIR : linux::kEACCES;
  // Opened with every sharing mode, delete included, so that the file can
  // be renamed or removed while it is open, as Linux programs expect of
  // their temporary files; msvcrt's own _open shares no deletion.
  const bool writing = (flags & linux::kOpenWrite) != 0;
  DWORD access = GENERIC_READ;
  int oflags = _O_BINARY | _O_RDONLY;
  if (writing) {
    access = (flags & linux::kOpenRead) ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
    oflags = _O_BINARY | ((flags & linux::kOpenRead) ? _O_RDWR : _O_WRONLY);
  }
  if (flags & linux::kOpenAppend) oflags |= _O_APPEND;
  const bool create = (flags & linux::kOpenCreate) != 0;
  const bool truncate = (flags & linux::kOpenTruncate) != 0 && writing;
  DWORD disposition = OPEN_EXISTING;
  if (create && (flags & linux::kOpenExclusive))
    disposition = CREATE_NEW;
  else if (create)
    disposition = truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
  else if (truncate)
    disposition = TRUNCATE_EXISTING;
  const DWORD attributes =
      (permission & ~gCreationMask & 0200) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  // CREATE_ALWAYS on an existing file would take the new attributes and
  // clear its others; Linux leaves an existing file's mode alone.
  const std::wstring host = HostPath(path);
  if (disposition == CREATE_ALWAYS &&
      GetFileAttributesW(host.c_str()) != INVALID_FILE_ATTRIBUTES)
    disposition = TRUNCATE_EXISTING;
  HANDLE h = CreateFileW(host.c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Missing(path, code)
                                                                        : LinuxErrnoOfWin32(code);
  }
  *fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), oflags);
  if (*fd < 0) {
    CloseHandle(h);
    return linux::kEMFILE;
  }
  for (const DeviceName& d : kDevices)
    if (d.name == path) gDevices[*fd] = d.device;
  return 0;
}

int DescriptorOpenDirectory(const char* path, int* fd) {
  const KeepErrno keep;
  *fd = -1;
  if (!DirectoryExists(path)) {
    return Attributes(path) == INVALID_FILE_ATTRIBUTES
               ? linux::kENOENT
               : linux::kENOTDIR;
  }
  HANDLE h = OpenForAttributes(path, FILE_READ_ATTRIBUTES, true);
  if (h == INVALID_HANDLE_VALUE) return LastLinuxErrno();
  *fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY);
  if (*fd < 0) {
    CloseHandle(h);
    return linux::kEMFILE;
  }
  return 0;
}

int DescriptorDirectoryPath(int fd, std::string* path) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return LastLinuxErrno();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    return linux::kENOTDIR;
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h, name.data(), static_cast<DWORD>(name.size()), 0);
    if (n == 0) return LastLinuxErrno();
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    name.resize(n + 1);
  }
  std::string full = Utf8(name);
  if (full.rfind("\\\\?\\UNC\\", 0) == 0) {
    full = "\\\\" + full.substr(8);
  } else if (full.rfind("\\\\?\\", 0) == 0) {
    full.erase(0, 4);
  }
  *path = full;
  return 0;
}

int DescriptorClose(int fd) {
  const KeepErrno keep;
  gDevices.erase(fd);
  return _close(fd) == 0 ? 0 : CrtError();
}

int DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position) {
  const KeepErrno keep;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return linux::kEINVAL;
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  if (GetFileType(h) != FILE_TYPE_DISK) return linux::kESPIPE;
  const int64_t r = _lseeki64(fd, offset, kWhence[whence]);
  if (r < 0) return CrtError();
  *position = r;
  return 0;
}

// A file or a pipe is read through its handle: the C runtime's _read
// remembers having met the end of a file and answers 0 from then on, even
// after another writer has added to it, where Linux reads what is there
// now. A console keeps the runtime's text-mode reading.
int DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done) {
  const KeepErrno keep;
  *done = 0;
  if (const Device* device = DeviceOf(fd)) {
    if (*device == Device::kRandom) {
      if (!RtlGenRandom(buffer, count)) return linux::kEIO;
    } else {
      std::memset(buffer, 0, count);
    }
    *done = count;
    return 0;
  }
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  const DWORD type = GetFileType(h);
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    DWORD n = 0;
    if (ReadFile(h, buffer, count, &n, nullptr)) {
      *done = n;
      return 0;
    }
    const DWORD e = GetLastError();
    return e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF ? 0 : LinuxErrnoOfWin32(e);
  }
  const int n = _read(fd, buffer, count);
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return n < 0 ? CrtError() : 0;
}

namespace {

// msvcrt's own record says whether a descriptor is a character device at
// no cost; only those are asked whether they are a console, so that a
// write to a file or a pipe makes no extra call.
bool ConsoleWrite(int fd, const void* buffer, uint32_t count) {
  return _isatty(fd) && WriteConsoleText(OsHandle(fd), buffer, count);
}

}  // namespace

int DescriptorWrite(int fd, const void* buffer, uint32_t count,
                    uint32_t* done) {
  const KeepErrno keep;
  if (const Device* device = DeviceOf(fd); device != nullptr && *device == Device::kFull) {
    *done = 0;
    return linux::kENOSPC;
  }
  if (ConsoleWrite(fd, buffer, count)) {
    *done = count;
    return 0;
  }
  const int n = _write(fd, buffer, count);
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return n < 0 ? CrtError() : 0;
}

int DescriptorDuplicate(int fd, int* copy) {
  const KeepErrno keep;
  *copy = _dup(fd);
  if (*copy >= 0) {
    gDevices.erase(*copy);
    if (const Device* device = DeviceOf(fd)) gDevices[*copy] = *device;
  }
  return *copy < 0 ? CrtError() : 0;
}

int DescriptorDuplicateTo(int fd, int target) {
  const KeepErrno keep;
  const Device* device = DeviceOf(fd);
  const std::optional<Device> kept = device ? std::optional(*device) : std::nullopt;
  if (_dup2(fd, target) < 0) return CrtError();
  gDevices.erase(target);
  if (kept) gDevices[target] = *kept;
  return 0;
}

int DescriptorPipe(int fds[2]) {
  const KeepErrno keep;
  return _pipe(fds, 65536, _O_BINARY) < 0 ? CrtError() : 0;
}

int DescriptorSync(int fd) {
  const KeepErrno keep;
  return _commit(fd) < 0 ? CrtError() : 0;
}

// The descriptor's position stays where it was, as ftruncate leaves it.
int DescriptorTruncate(int fd, int64_t length) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  LARGE_INTEGER zero{}, here{}, target{};
  if (!SetFilePointerEx(h, zero, &here, FILE_CURRENT)) return LastLinuxErrno();
  target.QuadPart = length;
  int result = Ok(SetFilePointerEx(h, target, nullptr, FILE_BEGIN));
  if (result == 0) result = Ok(SetEndOfFile(h));
  SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
  return result;
}

int DescriptorSetTimes(int fd, const FileTime* access,
                       const FileTime* modify) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  FILETIME a{}, m{};
  if (access != nullptr) a = ToFileTime(*access);
  if (modify != nullptr) m = ToFileTime(*modify);
  return Ok(SetFileTime(h, nullptr, access ? &a : nullptr,
                        modify ? &m : nullptr));
}

int DescriptorSetPermissions(int fd, unsigned mode) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info))
    return LastLinuxErrno();
  if (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY |
                                             FILE_ATTRIBUTE_NORMAL);
  if ((mode & 0200) == 0) info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return Ok(SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info));
}

int DescriptorAccess(int fd, bool* readable, bool* writable) {
  HANDLE h = OsHandle(fd);
  if (h == INVALID_HANDLE_VALUE) return linux::kEBADF;
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
    return 0;
  }
  *readable = true;
  *writable = true;
  return 0;
}

bool DescriptorIsTerminal(int fd) {
  HANDLE h = OsHandle(fd);
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

int DescriptorTerminalName(int fd, std::string* name) {
  if (!DescriptorIsOpen(fd)) return linux::kEBADF;
  if (!DescriptorIsTerminal(fd)) return linux::kEOPNOTSUPP;
  *name = "/dev/tty";
  return 0;
}

// Linux removes a read-only file from a writable directory; Windows wants
// the attribute off first.
int RemoveFile(const char* path) {
  const std::wstring host = HostPath(path);
  const DWORD attributes = GetFileAttributesW(host.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return linux::kEISDIR;
  if (DeleteFileW(host.c_str())) return 0;
  const DWORD e = GetLastError();
  if (e == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(host.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (DeleteFileW(host.c_str())) return 0;
    const DWORD again = GetLastError();
    SetFileAttributesW(host.c_str(), attributes);
    return LinuxErrnoOfWin32(again);
  }
  return LinuxErrnoOfWin32(e);
}

int RemoveDir(const char* path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return linux::kENOTDIR;
  return Ok(RemoveDirectoryW(HostPath(path).c_str()));
}

int MakeDirectory(const char* path, unsigned) {
  return Ok(CreateDirectoryW(HostPath(path).c_str(), nullptr));
}

// Linux replaces a target, and an empty directory by a directory.
int RenamePath(const char* from, const char* to) {
  const std::wstring source = HostPath(from), target = HostPath(to);
  const DWORD was = GetFileAttributesW(source.c_str());
  const DWORD there = GetFileAttributesW(target.c_str());
  if (was != INVALID_FILE_ATTRIBUTES && there != INVALID_FILE_ATTRIBUTES) {
    const bool fromDir = (was & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool toDir = (there & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (fromDir && !toDir) return linux::kENOTDIR;
    if (!fromDir && toDir) return linux::kEISDIR;
    if (toDir && !RemoveDirectoryW(target.c_str())) return LastLinuxErrno();
  }
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
  return LastLinuxErrno();
}

int HardLink(const char* existing, const char* path) {
  return Ok(CreateHardLinkW(HostPath(path).c_str(), HostPath(existing).c_str(), nullptr));
}

int SymbolicLink(const char* target, const char* path) {
  const std::wstring link = HostPath(path);
  if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES)
    return linux::kEEXIST;
  using Create = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  static const auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkW")));
  if (create == nullptr) return linux::kEPERM;
  constexpr DWORD kUnprivileged = 2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  // The link's text is the target as given, in the host's spelling.
  const std::wstring to = HostPath(target);
  // Wine may answer yes and make nothing: the link counts once it is there.
  if (create(link.c_str(), to.c_str(), kUnprivileged) || create(link.c_str(), to.c_str(), 0)) {
    WIN32_FIND_DATAW data{};
    HANDLE found = FindFirstFileW(link.c_str(), &data);
    if (found != INVALID_HANDLE_VALUE) {
      FindClose(found);
      return 0;
    }
  }
  return linux::kEPERM;
}

// Links are followed by every other call here; what is left is Linux's
// answer for a name that exists but is no link.
int ReadLink(const char* path, std::string*) {
  if (Attributes(path) == INVALID_FILE_ATTRIBUTES) return LastLinuxErrno();
  return linux::kEINVAL;
}

int ChangeDirectory(const char* path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return linux::kENOTDIR;
  return Ok(SetCurrentDirectoryW(HostPath(path).c_str()));
}

int FullPath(const char* path, std::string* resolved) {
  const std::wstring host = HostPath(path);
  const DWORD need = GetFullPathNameW(host.c_str(), 0, nullptr, nullptr);
  if (need == 0) return LastLinuxErrno();
  std::wstring full(need, L'\0');
  const DWORD n = GetFullPathNameW(host.c_str(), need, full.data(), nullptr);
  if (n == 0 || n >= need) return LastLinuxErrno();
  full.resize(n);
  // Every component must exist, as Linux's realpath wants.
  if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES)
    return LastLinuxErrno();
  std::string name = Utf8(full);
  if (name.rfind("\\\\?\\", 0) == 0) name.erase(0, 4);
  if (name.size() > 3 && (name.back() == '\\' || name.back() == '/'))
    name.pop_back();
  *resolved = name;
  return 0;
}

int SetPermissions(const char* path, unsigned mode) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  DWORD next = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY |
                                                FILE_ATTRIBUTE_NORMAL);
  if ((mode & 0200) == 0) next |= FILE_ATTRIBUTE_READONLY;
  if (next == 0) next = FILE_ATTRIBUTE_NORMAL;
  return Ok(SetFileAttributesW(HostPath(path).c_str(), next));
}

int SetTimes(const char* path, const FileTime* access,
             const FileTime* modify, bool followLinks) {
  HANDLE h = OpenForAttributes(path, FILE_WRITE_ATTRIBUTES, followLinks);
  if (h == INVALID_HANDLE_VALUE) return LastLinuxErrno();
  FILETIME a{}, m{};
  if (access != nullptr) a = ToFileTime(*access);
  if (modify != nullptr) m = ToFileTime(*modify);
  const int result =
      Ok(SetFileTime(h, nullptr, access ? &a : nullptr, modify ? &m : nullptr));
  CloseHandle(h);
  return result;
}

int TruncatePath(const char* path, int64_t length) {
  if (DirectoryExists(path)) return linux::kEISDIR;
  HANDLE h = CreateFileW(HostPath(path).c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastLinuxErrno();
  LARGE_INTEGER target{};
  target.QuadPart = length;
  int result = Ok(SetFilePointerEx(h, target, nullptr, FILE_BEGIN));
  if (result == 0) result = Ok(SetEndOfFile(h));
  CloseHandle(h);
  return result;
}

int CheckAccess(const char* path, int mode) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((mode & 2) && !directory && (attributes & FILE_ATTRIBUTE_READONLY))
    return linux::kEACCES;
  if ((mode & 1) && !directory && !IsProgramName(path))
    return linux::kEACCES;
  return 0;
}

unsigned SetCreationMask(unsigned mask) {
  const KeepErrno keep;
  const unsigned previous = gCreationMask;
  gCreationMask = mask & 0777;
  _umask((gCreationMask & 0200) ? _S_IWRITE : 0);
  return previous;
}

int ListDirectory(const char* path, std::vector<DirectoryEntry>* entries) {
  std::string base(path);
  if (base.empty()) return linux::kENOENT;
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return Missing(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return linux::kENOTDIR;
  if (base.back() != '\\' && base.back() != '/') base += '/';
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW(HostPath(base + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return LastLinuxErrno();
  bool dot = false, dotDot = false;
  std::vector<DirectoryEntry> found;
  do {
    DirectoryEntry entry;
    entry.name = Utf8(data.cFileName);
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
        0)
      entry.inode = status.inode;
    found.push_back(std::move(entry));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  // A drive's root lists neither; Linux lists both everywhere.
  if (!dotDot) found.insert(found.begin(), {"..", FileKind::kDirectory, 0});
  if (!dot) found.insert(found.begin(), {".", FileKind::kDirectory, 0});
  for (DirectoryEntry& entry : found) {
    if (entry.inode == 0) entry.inode = 1;
    entries->push_back(std::move(entry));
  }
  return 0;
}

// ---- Writes to the C runtime's descriptors (the format family) ----

int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size) {
  if (ConsoleWrite(fd, data, size)) return static_cast<int32_t>(size);
  return ::_write(fd, data, size);
}

}  // namespace platform
