// The run-time's console and files on Windows: handles are Win32 handles.
#include <windows.h>

#include "abi/errno.h"
#include "abi/files.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/win32/host.h"

namespace platform {
namespace {

HANDLE Native(Handle h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

Handle StdInput() { return reinterpret_cast<Handle>(GetStdHandle(STD_INPUT_HANDLE)); }
Handle StdOutput() { return reinterpret_cast<Handle>(GetStdHandle(STD_OUTPUT_HANDLE)); }
Handle StdError() { return reinterpret_cast<Handle>(GetStdHandle(STD_ERROR_HANDLE)); }

bool IsConsole(Handle h) {
  DWORD mode = 0;
  return GetConsoleMode(Native(h), &mode) != 0;
}

Handle KeepConsoleInput(Handle input) {
  if (!IsConsole(input)) return input;
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), Native(input), GetCurrentProcess(), &own, 0,
                       FALSE, DUPLICATE_SAME_ACCESS))
    return input;
  return reinterpret_cast<Handle>(own);
}

int FileOpen(const char* path, unsigned flags, unsigned permission,
             Handle* handle) {
  *handle = kInvalidHandle;
  // A directory is no file; Windows would refuse it only for want of
  // backup semantics, and Wine not always.
  if (DirectoryExists(path)) return linux::kEACCES;
  DWORD access = 0;
  if (flags & linux::kOpenRead) access |= GENERIC_READ;
  if (flags & linux::kOpenWrite) {
    // Append: the handle may only add data, so every write lands at the end.
    access |= (flags & linux::kOpenAppend) != 0
                  ? (FILE_GENERIC_WRITE & ~FILE_WRITE_DATA)
                  : GENERIC_WRITE;
  }
  if (access == 0) access = GENERIC_READ;

  const bool create = (flags & linux::kOpenCreate) != 0;
  const bool truncate = (flags & linux::kOpenTruncate) != 0;
  DWORD disposition = OPEN_EXISTING;
  if (create && (flags & linux::kOpenExclusive) != 0)
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
    HANDLE cut = CreateFileW(HostPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (cut == INVALID_HANDLE_VALUE) return LastLinuxErrno();
    CloseHandle(cut);
    disposition = OPEN_EXISTING;
  }

  const DWORD attributes =
      (permission & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
  HANDLE h = CreateFileW(HostPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastLinuxErrno();
  *handle = reinterpret_cast<Handle>(h);
  return 0;
}

int FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done) {
  DWORD n = 0;
  *done = 0;
  if (!ReadFile(Native(h), buffer, count, &n, nullptr)) {
    // The writer gone, or the end met by a handle that says so: the end.
    const DWORD e = GetLastError();
    return e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF ? 0 : LinuxErrnoOfWin32(e);
  }
  *done = n;
  return 0;
}

int FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  if (WriteConsoleText(Native(h), buffer, count)) {
    *done = count;
    return 0;
  }
  const char* p = static_cast<const char*>(buffer);
  while (*done < count) {
    DWORD n = 0;
    if (!WriteFile(Native(h), p + *done, count - *done, &n, nullptr))
      return LastLinuxErrno();
    if (n == 0) return linux::kENOSPC;
    *done += n;
  }
  return 0;
}

int FileSeek(Handle h, int64_t offset, int whence, int64_t* position) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (whence < 0 || whence > 2) return linux::kEINVAL;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER result{};
  if (!SetFilePointerEx(Native(h), distance, &result, kMethod[whence]))
    return LastLinuxErrno();
  if (position != nullptr) *position = result.QuadPart;
  return 0;
}

int FileSize(Handle h, int64_t* size) {
  LARGE_INTEGER result{};
  if (!GetFileSizeEx(Native(h), &result)) return LastLinuxErrno();
  *size = result.QuadPart;
  return 0;
}

int FileClose(Handle h) {
  return Ok(CloseHandle(Native(h)));
}

std::string_view LineEnd() { return "\r\n"; }

}  // namespace platform
