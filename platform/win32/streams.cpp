// The C runtime's streams on Windows: msvcrt's. Its stream record is
// public (the _iob layout its own macros read), which is what the stdio_ext
// answers below look at.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/streams.h"

namespace platform {

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

}  // namespace platform
