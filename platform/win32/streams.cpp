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

#include "abi/errno.h"
#include "abi/files.h"
#include "platform/errors.h"
#include "platform/streams.h"
#include "platform/win32/host.h"

namespace platform {

namespace {

int OpenFlagsOf(unsigned flags) {
  int oflags = _O_BINARY | _O_RDONLY;
  if ((flags & linux::kOpenWrite) != 0)
    oflags = _O_BINARY | ((flags & linux::kOpenRead) != 0 ? _O_RDWR : _O_WRONLY);
  if (flags & linux::kOpenCreate) oflags |= _O_CREAT;
  if (flags & linux::kOpenTruncate) oflags |= _O_TRUNC;
  if (flags & linux::kOpenExclusive) oflags |= _O_EXCL;
  if (flags & linux::kOpenAppend) oflags |= _O_APPEND;
  return oflags;
}

const char* ModeOf(unsigned flags) {
  const bool read = (flags & linux::kOpenRead) != 0, write = (flags & linux::kOpenWrite) != 0;
  if (flags & linux::kOpenAppend) return read ? "a+b" : "ab";
  if (read && write) return "r+b";
  return write ? "wb" : "rb";
}

FILE* File(void* stream) { return static_cast<FILE*>(stream); }

// msvcrt's errno after a failed call, as the answer; a failure that left
// no number is an I/O error.
int CrtFailure() {
  const int e = LinuxErrnoOfCrt(errno);
  return e != 0 ? e : linux::kEIO;
}

int Done(int result) { return result == 0 ? 0 : CrtFailure(); }
int Done(FILE* file) { return file != nullptr ? 0 : CrtFailure(); }

// Takes `fd`: on failure it is closed.
int StreamOnDescriptor(int fd, unsigned flags, void** stream) {
  if (fd < 0) return CrtFailure();
  FILE* file = _fdopen(fd, ModeOf(flags));
  if (file == nullptr) {
    const int e = CrtFailure();
    _close(fd);
    return e;
  }
  *stream = file;
  return 0;
}

// setvbuf refuses only what it cannot take, and says no more.
int Setvbuf(FILE* file, char* buffer, int mode, size_t size) {
  return setvbuf(file, buffer, mode, size) == 0 ? 0 : linux::kEINVAL;
}

}  // namespace

int StreamOpen(const char* path, unsigned flags, void** stream) {
  return StreamOnDescriptor(_open(path, OpenFlagsOf(flags), _S_IREAD | _S_IWRITE),
                            flags, stream);
}

int StreamReopen(const char* path, unsigned flags, void* stream) {
  static constexpr const char* kModes[] = {"rb", "wb", "ab", "r+b", "w+b", "a+b"};
  const bool read = (flags & linux::kOpenRead) != 0, write = (flags & linux::kOpenWrite) != 0;
  int index = (flags & linux::kOpenAppend) ? 2 : (flags & linux::kOpenTruncate) ? 1 : 0;
  if (read && write) index += 3;
  return Done(freopen(path, kModes[index], File(stream)));
}

int StreamFromDescriptor(int fd, unsigned flags, void** stream) {
  FILE* file = _fdopen(fd, ModeOf(flags));
  *stream = file;
  return Done(file);
}

int StreamDescriptor(void* stream) { return _fileno(File(stream)); }

// msvcrt's fclose would close the descriptor's handle, and no duplicate
// brings that handle back: the stream is written out, its buffer given back
// and its record marked free, as fclose leaves it, with the descriptor open.
int StreamCloseKeepingDescriptor(void* stream) {
  FILE* file = File(stream);
  if ((file->_flag & (_IOREAD | _IOWRT | _IORW)) == 0) return linux::kEBADF;
  const int result = Done(fflush(file));
  setvbuf(file, nullptr, _IONBF, 0);
  file->_flag = 0;
  file->_cnt = 0;
  return result;
}

// msvcrt's own tmpfile creates its file in the root of the drive, which an
// ordinary user may not write to.
int TemporaryStream(const void* contents, size_t size, unsigned flags,
                    void** stream) {
  char directory[MAX_PATH + 1];
  char name[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  if (length == 0 || length > MAX_PATH ||
      GetTempFileNameA(directory, "tbx", 0, name) == 0) {
    return linux::kEACCES;
  }
  // _O_TEMPORARY: the file goes when its last descriptor is closed.
  const int fd = _open(name, _O_RDWR | _O_BINARY | _O_TEMPORARY |
                               ((flags & linux::kOpenAppend) ? _O_APPEND : 0));
  if (fd < 0) {
    const int e = CrtFailure();
    DeleteFileA(name);
    return e;
  }
  const char* p = static_cast<const char*>(contents);
  for (size_t done = 0; done < size;) {
    const int n = _write(fd, p + done, static_cast<unsigned>(size - done));
    if (n <= 0) {
      _close(fd);
      return linux::kENOSPC;
    }
    done += static_cast<size_t>(n);
  }
  _lseek(fd, 0, SEEK_SET);
  return StreamOnDescriptor(fd, flags, stream);
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
int PipeOpen(const char* command, bool reading, const StartingSignals&,
             void** stream) {
  FILE* pipe = _popen(command, reading ? "rb" : "wb");
  *stream = pipe;
  return Done(pipe);
}

int PipeClose(void* stream, int32_t* status) {
  const int code = _pclose(File(stream));
  if (code == -1) return CrtFailure();
  *status = static_cast<int32_t>((static_cast<uint32_t>(code) & 0xFF) << 8);
  return 0;
}

int StreamSeek(void* stream, int64_t offset, int whence) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return linux::kEINVAL;
  return Done(_fseeki64(File(stream), offset, kWhence[whence]));
}

int StreamTell(void* stream, int64_t* position) {
  *position = _ftelli64(File(stream));
  return *position < 0 ? CrtFailure() : 0;
}

int StreamTruncate(void* stream, int64_t size) {
  if (size < 0 || size > 0x7FFFFFFF) return linux::kEINVAL;
  return Done(_chsize(_fileno(File(stream)), static_cast<long>(size)));
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
  if (mode == Buffering::kNone) return Setvbuf(file, nullptr, _IONBF, 0);
  if (size < 2) {
    // msvcrt wants two bytes at least; a one-byte buffer writes through.
    if (buffer != nullptr) return Setvbuf(file, nullptr, _IONBF, 0);
    size = 4096;
  }
  if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
  return Setvbuf(file, buffer, _IOFBF, size);
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
  return LastLinuxErrno();
}

int DeletePath(const char* path, bool directory) {
  return Done(directory ? _rmdir(path) : _unlink(path));
}

}  // namespace platform
