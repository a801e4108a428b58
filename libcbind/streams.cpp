// Streams: opening, reading, writing and positioning the guest's FILE*s.
//
// The guest's FILE is ours, in the Linux C library's layout (iofile.h), on
// every port: the inline getc and putc that <stdio.h> compiles into a
// program move its pointers themselves and call __uflow and __overflow
// here when a buffer runs out. Under a stream lies a descriptor of the
// files family, a command's pipe, or memory (memstreams.cpp).
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>

#include "abi/files.h"
#include "abi/linux.h"
#include "abi/streams.h"
#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/memstreams.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "libcbind/streams.h"
#include "platform/files.h"
#include "platform/streams.h"
#include "platform/time.h"

namespace tblibc {
namespace {

using io::IoFile;

constexpr int EOF_ = -1;

IoFile* F(void* stream) { return static_cast<IoFile*>(stream); }

// ---- What lies under a stream ----------------------------------------------
//
// A descriptor: the files family's, so that its close forgets what the
// family knew of the number.

int DescriptorRead(io::Stream& s, char* buffer, uint32_t count, uint32_t* done) {
  return platform::DescriptorRead(s.file->fileno, buffer, count, done);
}
int DescriptorWrite(io::Stream& s, const char* data, uint32_t count, uint32_t* done) {
  return platform::DescriptorWrite(s.file->fileno, data, count, done);
}
int DescriptorSeek(io::Stream& s, int64_t offset, int whence, int64_t* position) {
  return platform::DescriptorSeek(s.file->fileno, offset, whence, position);
}
int DescriptorClose(io::Stream& s, int32_t*) {
  if (tblibc_close(s.file->fileno) == 0) return 0;
  return Errno();
}

constexpr io::Backend kDescriptors{&DescriptorRead, &DescriptorWrite,
                                   &DescriptorSeek, &DescriptorClose};

// A command's pipe: closing it, by fclose or pclose, waits for the command
// and answers its status.
int PipeSeek(io::Stream&, int64_t, int, int64_t*) { return linux::kESPIPE; }
int PipeClose(io::Stream& s, int32_t* status) {
  *status = -1;
  return platform::PipeClose(s.cookie, status);
}

constexpr io::Backend kPipes{&DescriptorRead, &DescriptorWrite, &PipeSeek,
                             &PipeClose};

// ---- Mode strings -----------------------------------------------------------
//
// fopen's mode as the Linux C library reads it: 'r', 'w' or 'a', then up to
// six more characters of which '+' (update), 'x' (exclusive creation) and
// 'e' (close-on-exec) mean something; 'b', 'm', 'c' and unknown letters are
// passed over. ",ccs=" starts a character set name, which the "C" locale
// does not convert. The answer is open(2)'s flags; 0 when invalid.
constexpr uint32_t kModeInvalid = ~0u;

uint32_t ParseMode(const char* mode) {
  if (mode == nullptr) return kModeInvalid;
  uint32_t flags = 0;
  switch (mode[0]) {
    case 'r': flags = linux::kO_RDONLY; break;
    case 'w': flags = linux::kO_WRONLY | linux::kO_CREAT | linux::kO_TRUNC; break;
    case 'a': flags = linux::kO_WRONLY | linux::kO_CREAT | linux::kO_APPEND; break;
    default: return kModeInvalid;
  }
  for (int i = 1; i < 7 && mode[i] != '\0' && mode[i] != ','; ++i) {
    if (mode[i] == '+') flags = (flags & ~linux::kO_ACCMODE) | linux::kO_RDWR;
    if (mode[i] == 'x') flags |= linux::kO_EXCL;
    if (mode[i] == 'e') flags |= linux::kO_CLOEXEC;
  }
  if ((flags & linux::kO_CREAT) == 0) flags &= ~linux::kO_EXCL;
  return flags;
}

IoFile* OpenPath(const char* path, uint32_t flags) {
  const int32_t fd = tblibc_open64(path, flags | linux::kO_LARGEFILE, 0666);
  if (fd < 0) return nullptr;
  IoFile* f = io::Open(kDescriptors, nullptr, fd, linux::OpenMeanings(flags));
  if (f == nullptr) tblibc_close(fd);
  return f;
}

// ---- Positions ------------------------------------------------------------

// A position that a 32-bit result cannot hold is EOVERFLOW, as Linux says.
int32_t Tell32(IoFile* f) {
  const int64_t position = io::Tell(f);
  if (position > 0x7FFFFFFF) {
    SetErrno(linux::kEOVERFLOW);
    return -1;
  }
  return static_cast<int32_t>(position);
}


// ---- Temporary names ------------------------------------------------------
//
// Six letters or digits after the prefix, as the Linux C library makes
// them, from a generator of our own; a name that exists is never given.
constexpr char kNameLetters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
uint64_t gNameState;

std::string UniqueName(const std::string& directory, std::string_view prefix) {
  if (gNameState == 0) {
    int64_t seconds = 0;
    uint32_t microseconds = 0;
    platform::TimeOfDay(&seconds, &microseconds);
    gNameState = (static_cast<uint64_t>(seconds) << 20) ^ microseconds ^
                 0x9E3779B97F4A7C15ull;
  }
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string name = directory + "/" + std::string(prefix);
    for (int i = 0; i < 6; ++i) {
      gNameState ^= gNameState << 13;
      gNameState ^= gNameState >> 7;
      gNameState ^= gNameState << 17;
      name += kNameLetters[gNameState % (sizeof kNameLetters - 1)];
    }
    if (!platform::FileExists(name.c_str()) &&
        !platform::DirectoryExists(name.c_str()))
      return name;
  }
  return {};
}

char gTmpName[512];

// ---- Lines -------------------------------------------------------------------

// Up to `limit` bytes of `f` to `out`, through the delimiter when it comes
// first: glibc's _IO_getline. The count; `out` is not terminated.
uint32_t ReadLine(IoFile* f, char* out, uint32_t limit, int delimiter) {
  uint32_t done = 0;
  while (done < limit) {
    if (f->readPtr >= f->readEnd && io::Underflow(f) == EOF_) break;
    const uint32_t have = std::min<uint32_t>(limit - done,
                                             static_cast<uint32_t>(f->readEnd - f->readPtr));
    const void* at = std::memchr(f->readPtr, delimiter, have);
    const uint32_t n = at != nullptr
                           ? static_cast<uint32_t>(static_cast<const char*>(at) - f->readPtr) + 1
                           : have;
    std::memcpy(out + done, f->readPtr, n);
    f->readPtr += n;
    done += n;
    if (at != nullptr) break;
  }
  return done;
}

// The Linux C library's first line buffer for a guest that hands in none.
constexpr uint32_t kFirstLineBuffer = 120;

// The guest's buffer came from its malloc, the loader's heap: it grows
// with GuestRealloc, to twice its size or to what the line needs.
int32_t GetDelimited(char** line, uint32_t* capacity, int32_t delimiter, IoFile* f) {
  if (line == nullptr || capacity == nullptr || f == nullptr) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  if (*line == nullptr || *capacity == 0) {
    void* block = GuestRealloc(*line, kFirstLineBuffer);
    if (block == nullptr) return -1;
    *line = static_cast<char*>(block);
    *capacity = kFirstLineBuffer;
  }
  if (io::Underflow(f) == EOF_) return -1;
  const int stop = static_cast<unsigned char>(delimiter);
  uint32_t used = 0;
  for (;;) {
    const uint32_t have = static_cast<uint32_t>(f->readEnd - f->readPtr);
    const void* at = std::memchr(f->readPtr, stop, have);
    const uint32_t n = at != nullptr
                           ? static_cast<uint32_t>(static_cast<const char*>(at) - f->readPtr) + 1
                           : have;
    if (uint64_t{used} + n >= 0x7FFFFFFF) {
      SetErrno(linux::kEOVERFLOW);
      return -1;
    }
    const uint32_t needed = used + n + 1;
    if (needed > *capacity) {
      const uint32_t grown = std::max(needed, *capacity < 0x40000000 ? *capacity * 2 : needed);
      void* block = GuestRealloc(*line, grown);
      if (block == nullptr) return -1;
      *line = static_cast<char*>(block);
      *capacity = grown;
    }
    std::memcpy(*line + used, f->readPtr, n);
    f->readPtr += n;
    used += n;
    if (at != nullptr || io::Underflow(f) == EOF_) break;
  }
  (*line)[used] = '\0';
  return static_cast<int32_t>(used);
}

IoFile* StandardOut() { return io::Current(1); }

[[noreturn]] void Overflow() {
  FatalError("*** buffer overflow detected ***: terminated");
}

}  // namespace
}  // namespace tblibc

// ---- Entry points -----------------------------------------------------------

extern "C" {

using tblibc::F;
using tblibc::io::IoFile;
namespace io = tblibc::io;

// ---- Opening and closing

void* tblibc_fopen(const char* path, const char* mode) {
  const uint32_t flags = tblibc::ParseMode(mode);
  if (flags == tblibc::kModeInvalid) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (path == nullptr) {
    tblibc::SetErrno(linux::kEFAULT);
    return nullptr;
  }
  return tblibc::OpenPath(path, flags);
}

int tblibc_fclose(void* stream) {
  if (stream == nullptr || !io::IsOpen(F(stream))) {
    tblibc::SetErrno(linux::kEBADF);
    return tblibc::EOF_;
  }
  return io::Close(F(stream));
}

// The Linux C library's fcloseall writes out every stream and closes none.
int tblibc_fcloseall() { return io::FlushAll(); }

// A null path keeps the file and changes the mode: the stream is written
// out and the descriptor's access must allow the new mode.
void* tblibc_freopen(const char* path, const char* mode, void* stream) {
  using namespace tblibc;
  const uint32_t flags = ParseMode(mode);
  if (flags == kModeInvalid || stream == nullptr) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  IoFile* f = F(stream);
  if (path == nullptr) {
    io::Flush(f);
    return stream;
  }
  const int32_t fd = tblibc_open64(path, flags | linux::kO_LARGEFILE, 0666);
  if (fd < 0) {
    const int32_t e = Errno();
    io::Close(f);
    SetErrno(e);
    return nullptr;
  }
  // The stream keeps its descriptor's number, as glibc's dup3 does.
  const int32_t old = f->fileno;
  io::Reopen(f, kDescriptors, nullptr, fd, linux::OpenMeanings(flags));
  if (old >= 0 && fd != old && platform::DescriptorDuplicateTo(fd, old) == 0) {
    tblibc_close(fd);
    f->fileno = old;
  }
  return stream;
}

void* tblibc_fdopen(int32_t fd, const char* mode) {
  using namespace tblibc;
  const uint32_t flags = ParseMode(mode);
  if (flags == kModeInvalid) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  bool readable = false, writable = false;
  if (fd < 0 || !platform::DescriptorIsOpen(fd) ||
      platform::DescriptorAccess(fd, &readable, &writable) != 0) {
    SetErrno(linux::kEBADF);
    return nullptr;
  }
  const unsigned meanings = linux::OpenMeanings(flags);
  if (((meanings & linux::kOpenRead) && !readable) ||
      ((meanings & linux::kOpenWrite) && !writable)) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return io::Open(kDescriptors, nullptr, fd,
                  meanings & (linux::kOpenRead | linux::kOpenWrite | linux::kOpenAppend));
}

void* tblibc_tmpfile() {
  int fd = -1;
  if (const int e = platform::TemporaryFile(&fd)) {
    tblibc::SetErrno(e);
    return nullptr;
  }
  return io::Open(tblibc::kDescriptors, nullptr, fd, linux::kOpenRead | linux::kOpenWrite);
}

// popen's mode: 'r' or 'w', once, and 'e'; anything else is EINVAL.
void* tblibc_popen(const char* command, const char* mode) {
  using namespace tblibc;
  int reads = 0, writes = 0;
  bool valid = command != nullptr && mode != nullptr;
  for (const char* p = mode; valid && *p != '\0'; ++p) {
    if (*p == 'r') ++reads;
    else if (*p == 'w') ++writes;
    else if (*p != 'e') valid = false;
  }
  if (!valid || reads + writes != 1) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  int fd = -1;
  void* child = nullptr;
  if (const int e = platform::PipeOpen(command, reads == 1, ChildSignals(), ChildEnvironment(),
                                       &fd, &child)) {
    SetErrno(e);
    return nullptr;
  }
  IoFile* f = io::Open(kPipes, child, fd, reads == 1 ? linux::kOpenRead : linux::kOpenWrite);
  // A command's pipe carries bytes only, as glibc's does.
  if (f != nullptr) f->mode = -1;
  return f;
}

// On a stream popen did not give, what fclose does.
int tblibc_pclose(void* stream) { return tblibc_fclose(stream); }

void* tblibc_fmemopen(void* buffer, uint32_t size, const char* mode) {
  const uint32_t flags = tblibc::ParseMode(mode);
  if (flags == tblibc::kModeInvalid) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return tblibc::memstreams::OpenBuffer(buffer, size, flags);
}

void* tblibc_open_memstream(char** text, uint32_t* size) {
  if (text == nullptr || size == nullptr) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return tblibc::memstreams::OpenDynamic(text, size);
}

// ---- Flushing and buffering

int tblibc_fflush(void* stream) {
  return stream == nullptr ? io::FlushAll() : io::Flush(F(stream));
}

int tblibc_setvbuf(void* stream, char* buffer, int32_t mode, uint32_t size) {
  if (stream == nullptr) return tblibc::EOF_;
  return io::SetBuffering(F(stream), buffer, mode, size);
}

void tblibc_setbuffer(void* stream, char* buffer, uint32_t size) {
  io::SetBuffer(F(stream), buffer, size);
}

void tblibc_setbuf(void* stream, char* buffer) {
  io::SetBuffer(F(stream), buffer, linux::kBUFSIZ);
}

void tblibc_setlinebuf(void* stream) {
  io::SetBuffering(F(stream), nullptr, linux::k_IOLBF, 0);
}

int tblibc_overflow(void* stream, int c) { return io::Overflow(F(stream), c); }
int tblibc_uflow(void* stream) { return io::Uflow(F(stream)); }
int tblibc_underflow(void* stream) { return io::Underflow(F(stream)); }

uint32_t tblibc_fpending(void* stream) { return io::Pending(F(stream)); }
uint32_t tblibc_fbufsize(void* stream) { return io::BufferSize(F(stream)); }
int tblibc_flbf(void* stream) { return (F(stream)->flags & linux::kIoLineBuf) != 0; }
int tblibc_freadable(void* stream) { return (F(stream)->flags & linux::kIoNoReads) == 0; }
int tblibc_fwritable(void* stream) { return (F(stream)->flags & linux::kIoNoWrites) == 0; }
int tblibc_freading(void* stream) { return io::Reading(F(stream)); }
int tblibc_fwriting(void* stream) { return io::Writing(F(stream)); }
void tblibc_fpurge(void* stream) { io::Purge(F(stream)); }
void tblibc_flushlbf() { io::FlushLineBuffered(); }

// One thread: locking is the caller's already, whatever is asked.
int tblibc_fsetlocking(void* stream, int32_t type) {
  IoFile* f = F(stream);
  const int result = (f->flags & linux::kIoUserLock) != 0 ? linux::kFSETLOCKING_BYCALLER
                                                          : linux::kFSETLOCKING_INTERNAL;
  if (type == linux::kFSETLOCKING_BYCALLER) f->flags |= linux::kIoUserLock;
  else if (type == linux::kFSETLOCKING_INTERNAL) f->flags &= ~linux::kIoUserLock;
  return result;
}

// The indicators as 0 or 1, as Linux answers.
int tblibc_feof(void* stream) { return (F(stream)->flags & linux::kIoEofSeen) != 0; }
int tblibc_ferror(void* stream) { return (F(stream)->flags & linux::kIoErrSeen) != 0; }
void tblibc_clearerr(void* stream) {
  F(stream)->flags &= ~(linux::kIoEofSeen | linux::kIoErrSeen);
}

// One thread: there is nothing to wait for.
void tblibc_flockfile(void*) {}
int tblibc_ftrylockfile(void*) { return 0; }

int tblibc_fileno(void* stream) {
  IoFile* f = F(stream);
  if (f == nullptr || !io::IsOpen(f) || f->fileno < 0) {
    tblibc::SetErrno(linux::kEBADF);
    return -1;
  }
  return f->fileno;
}

// ---- Characters and lines

// The bytes of a wide-oriented stream are the wide calls' (glibc's
// fgetc finds them taken into its wide buffer): EOF, no indicator set.
int tblibc_fgetc(void* stream) {
  IoFile* f = F(stream);
  return f->mode > 0 ? tblibc::EOF_ : io::Getc(f);
}
int tblibc_getchar() { return tblibc_fgetc(io::Current(0)); }
int tblibc_ungetc(int c, void* stream) { return io::Unget(c, F(stream)); }

// glibc's internal pushback takes the stream first.
int tblibc_sputbackc(void* stream, int c) { return io::Unget(c, F(stream)); }

// _IO_peekc_locked: the next byte, left to be read.
int tblibc_peekc(void* stream) {
  IoFile* f = F(stream);
  if (f->readPtr < f->readEnd) return static_cast<unsigned char>(*f->readPtr);
  return io::Underflow(f);
}

int tblibc_fputc(int c, void* stream) { return io::Putc(c, F(stream)); }
int tblibc_putc(int c, void* stream) { return io::Putc(c, F(stream)); }
int tblibc_putchar(int c) { return io::Putc(c, tblibc::StandardOut()); }

// fputs and puts answer what the Linux C library answers.
// Neither writes to a wide-oriented stream.
int tblibc_fputs(const char* text, void* stream) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (!io::ByteOriented(F(stream))) return tblibc::EOF_;
  return io::Write(F(stream), text, length) == length ? 1 : tblibc::EOF_;
}

int tblibc_puts(const char* text) {
  IoFile* out = tblibc::StandardOut();
  const size_t length = std::strlen(text);
  if (!io::ByteOriented(out) ||
      io::Write(out, text, static_cast<uint32_t>(length)) != length ||
      io::Putc('\n', out) == tblibc::EOF_)
    return tblibc::EOF_;
  return length < 0x7fffffff ? static_cast<int>(length + 1) : 0x7fffffff;
}

uint32_t tblibc_fwrite(const void* data, uint32_t size, uint32_t count, void* stream) {
  const uint64_t request = uint64_t{size} * count;
  if (request == 0) return 0;
  if (request > 0xFFFFFFFEu) {
    tblibc::SetErrno(linux::kEINVAL);
    return 0;
  }
  if (!io::ByteOriented(F(stream))) return 0;
  const uint32_t written = io::Write(F(stream), data, static_cast<uint32_t>(request));
  if (written == request || written == io::kWriteFlushFailed) return count;
  return written / size;
}

uint32_t tblibc_fread(void* buffer, uint32_t size, uint32_t count, void* stream) {
  const uint64_t request = uint64_t{size} * count;
  if (request == 0) return 0;
  if (request > 0xFFFFFFFEu) {
    tblibc::SetErrno(linux::kEINVAL);
    return 0;
  }
  const uint32_t got = io::Read(F(stream), buffer, static_cast<uint32_t>(request));
  return got == request ? count : got / size;
}

// A line of standard input without its newline, into a buffer of a size
// nobody knows: glibc still exports it for old programs.
char* tblibc_gets(char* buffer) {
  IoFile* f = io::Current(0);
  if (f->mode > 0) return nullptr;
  const int first = io::Getc(f);
  if (first == tblibc::EOF_) return nullptr;
  uint32_t n = 0;
  if (first != '\n') {
    // Only an error of this call makes it fail.
    const uint32_t earlier = f->flags & linux::kIoErrSeen;
    f->flags &= ~linux::kIoErrSeen;
    buffer[0] = static_cast<char>(first);
    n = 1 + tblibc::ReadLine(f, buffer + 1, 0x7FFFFFFE, '\n');
    if (f->flags & linux::kIoErrSeen) return nullptr;
    f->flags |= earlier;
    if (buffer[n - 1] == '\n') --n;
  }
  buffer[n] = '\0';
  return buffer;
}

// The fortified gets: a line that does not fit `size` with its terminator
// ends the run before a byte is stored past it.
char* tblibc_gets_chk(char* buffer, uint32_t size) {
  IoFile* f = io::Current(0);
  if (f->mode > 0) return nullptr;
  const uint32_t earlier = f->flags & linux::kIoErrSeen;
  f->flags &= ~linux::kIoErrSeen;
  uint32_t n = 0;
  for (int c; (c = io::Getc(f)) != '\n';) {
    if (c == tblibc::EOF_) {
      if (n == 0 || (f->flags & linux::kIoErrSeen)) return nullptr;
      break;
    }
    if (n + 1 >= size) tblibc::FatalError("*** buffer overflow detected ***: terminated");
    buffer[n++] = static_cast<char>(c);
  }
  f->flags |= earlier;
  if (size == 0) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  buffer[n] = '\0';
  return buffer;
}

// The old word-at-a-time pair.
int32_t tblibc_getw(void* stream) {
  int32_t word;
  return tblibc_fread(&word, 4, 1, stream) == 1 ? word : tblibc::EOF_;
}
int tblibc_putw(int32_t word, void* stream) {
  return tblibc_fwrite(&word, 4, 1, stream) == 1 ? 0 : tblibc::EOF_;
}

// fgets with room for the terminator only stores it, as Linux does; with
// no room at all it reads nothing. An error of this call alone makes it
// fail; the stream's earlier one stays set.
char* tblibc_fgets(char* buffer, int32_t count, void* stream) {
  if (count <= 0) return nullptr;
  if (count == 1) {
    buffer[0] = '\0';
    return buffer;
  }
  IoFile* f = F(stream);
  if (f->mode > 0) return nullptr;
  const uint32_t earlier = f->flags & linux::kIoErrSeen;
  f->flags &= ~linux::kIoErrSeen;
  const uint32_t n = tblibc::ReadLine(f, buffer, static_cast<uint32_t>(count - 1), '\n');
  char* result = buffer;
  if (n == 0 || ((f->flags & linux::kIoErrSeen) != 0 && tblibc::Errno() != linux::kEAGAIN))
    result = nullptr;
  else
    buffer[n] = '\0';
  f->flags |= earlier;
  return result;
}

int32_t tblibc_getdelim(char** line, uint32_t* capacity, int32_t delimiter, void* stream) {
  return tblibc::GetDelimited(line, capacity, delimiter, F(stream));
}

int32_t tblibc_getline(char** line, uint32_t* capacity, void* stream) {
  return tblibc::GetDelimited(line, capacity, '\n', F(stream));
}

// The fortified forms: `size` is what the compiler knows of the buffer. A
// read that would pass it ends the run as the Linux C library does.
char* tblibc_fgets_chk(char* buffer, uint32_t size, int32_t count, void* stream) {
  if (count <= 0) return nullptr;
  if (static_cast<uint32_t>(count) <= size) return tblibc_fgets(buffer, count, stream);
  // More asked than fits: read what fits, and fail only when the line
  // really goes on.
  if (size == 0) {
    if (io::Getc(F(stream)) == tblibc::EOF_) return nullptr;
    tblibc::Overflow();
  }
  char* result = tblibc_fgets(buffer, static_cast<int32_t>(size), stream);
  if (result == nullptr) return nullptr;
  const size_t length = std::strlen(buffer);
  if (length + 1 == size && (length == 0 || buffer[length - 1] != '\n') &&
      tblibc_peekc(stream) != tblibc::EOF_)
    tblibc::Overflow();
  return result;
}

uint32_t tblibc_fread_chk(void* buffer, uint32_t size, uint32_t itemSize,
                          uint32_t count, void* stream) {
  if (uint64_t{itemSize} * count > size) tblibc::Overflow();
  return tblibc_fread(buffer, itemSize, count, stream);
}

// ---- Positioning

int tblibc_fseek(void* stream, int32_t offset, int32_t whence) {
  return io::Seek(F(stream), offset, whence);
}

int tblibc_fseeko64(void* stream, int64_t offset, int32_t whence) {
  return io::Seek(F(stream), offset, whence);
}

int32_t tblibc_ftell(void* stream) { return tblibc::Tell32(F(stream)); }

int64_t tblibc_ftello64(void* stream) { return io::Tell(F(stream)); }

void tblibc_rewind(void* stream) {
  io::Seek(F(stream), 0, linux::kSEEK_SET);
  tblibc_clearerr(stream);
}

int tblibc_fgetpos(void* stream, linux::FilePosition* position) {
  const int32_t offset = tblibc::Tell32(F(stream));
  if (offset < 0) return -1;
  *position = {offset, {0, 0}};
  return 0;
}

int tblibc_fsetpos(void* stream, const linux::FilePosition* position) {
  return io::Seek(F(stream), position->position, linux::kSEEK_SET);
}

int tblibc_fgetpos64(void* stream, linux::FilePosition64* position) {
  const int64_t offset = io::Tell(F(stream));
  if (offset < 0) return -1;
  const uint64_t bits = static_cast<uint64_t>(offset);
  *position = {static_cast<uint32_t>(bits), static_cast<int32_t>(bits >> 32), {0, 0}};
  return 0;
}

int tblibc_fsetpos64(void* stream, const linux::FilePosition64* position) {
  const uint64_t bits =
      (uint64_t{static_cast<uint32_t>(position->positionHigh)} << 32) | position->positionLow;
  return io::Seek(F(stream), static_cast<int64_t>(bits), linux::kSEEK_SET);
}

// ---- Errors and names

// "message: text" or, for a null or empty message, the text alone, to
// standard error in one piece; errno stays as it was.
void tblibc_perror(const char* message) {
  const int32_t number = tblibc::Errno();
  std::string line;
  if (message != nullptr && *message != '\0') {
    line = message;
    line += ": ";
  }
  line += tblibc::ErrorText(number);
  line += '\n';
  io::Write(io::Current(2), line.data(), static_cast<uint32_t>(line.size()));
  tblibc::SetErrno(number);
}


// A file, or an empty directory (with the EISDIR that Linux's unlink left
// in errno on the way).
int tblibc_remove(const char* path) {
  if (path == nullptr) {
    tblibc::SetErrno(linux::kEFAULT);
    return -1;
  }
  const bool directory = platform::DirectoryExists(path);
  if (directory) tblibc::SetErrno(linux::kEISDIR);
  if (const int e = platform::DeletePath(path, directory)) {
    tblibc::SetErrno(e);
    return -1;
  }
  return 0;
}

// Linux's rules, checked here so that every host keeps them: a file
// replaces a file, a directory an empty directory; never one for the other.
int tblibc_rename(const char* from, const char* to) {
  using namespace tblibc;
  if (from == nullptr || to == nullptr) {
    SetErrno(linux::kEFAULT);
    return -1;
  }
  const bool fromDirectory = platform::DirectoryExists(from);
  const bool fromFile = !fromDirectory && platform::FileExists(from);
  const bool toDirectory = platform::DirectoryExists(to);
  const bool toFile = !toDirectory && platform::FileExists(to);
  if ((fromFile || fromDirectory) && std::strcmp(from, to) == 0) return 0;
  if (fromFile && toDirectory) {
    SetErrno(linux::kEISDIR);
    return -1;
  }
  if (fromDirectory && toFile) {
    SetErrno(linux::kENOTDIR);
    return -1;
  }
  if (fromDirectory && toDirectory) {
    if (const int e = platform::DeletePath(to, true)) {
      SetErrno(e);
      return -1;
    }
  }
  if (const int e = platform::ReplacePath(from, to)) {
    SetErrno(e);
    return -1;
  }
  return 0;
}

// With a buffer the guest's (L_tmpnam bytes): when the host's temporary
// directory makes the name too long for it, the name is one in the
// current directory.
char* tblibc_tmpnam(char* buffer) {
  using namespace tblibc;
  std::string name = UniqueName(platform::TemporaryDirectory(), "file");
  if (buffer != nullptr && name.size() + 1 > linux::kL_tmpnam)
    name = UniqueName(".", "file");
  if (name.empty() || name.size() + 1 > sizeof gTmpName) return nullptr;
  char* target = buffer != nullptr ? buffer : gTmpName;
  std::memcpy(target, name.c_str(), name.size() + 1);
  return target;
}

// Only into the guest's buffer.
char* tblibc_tmpnam_r(char* buffer) {
  return buffer != nullptr ? tblibc_tmpnam(buffer) : nullptr;
}

// The directory: TMPDIR, else the guest's, else the host's temporary
// directory, the first that exists; at most five letters of the prefix.
// The name is the guest's to free.
char* tblibc_tempnam(const char* directory, const char* prefix) {
  using namespace tblibc;
  std::string chosen;
  const char* environment = std::getenv("TMPDIR");
  if (environment != nullptr && platform::DirectoryExists(environment))
    chosen = environment;
  else if (directory != nullptr && platform::DirectoryExists(directory))
    chosen = directory;
  else
    chosen = platform::TemporaryDirectory();
  while (chosen.size() > 1 && chosen.back() == '/') chosen.pop_back();
  const std::string_view letters = prefix != nullptr ? prefix : "file";
  const std::string name = UniqueName(chosen, letters.substr(0, 5));
  if (name.empty()) {
    SetErrno(linux::kEEXIST);
    return nullptr;
  }
  return GuestStrdup(name);
}


}  // extern "C"

namespace tblibc {

extern const Family kStreamsFamily;

namespace {

constexpr Export kExports[] = {
    // Opening and closing.
    Fn<&tblibc_fopen>("fopen"),
    Fn<&tblibc_fopen>("fopen64"),
    Fn<&tblibc_fopen>("_IO_fopen"),
    Fn<&tblibc_fdopen>("fdopen"),
    Fn<&tblibc_fdopen>("_IO_fdopen"),
    Fn<&tblibc_freopen>("freopen"),
    Fn<&tblibc_freopen>("freopen64"),
    Fn<&tblibc_fclose>("fclose"),
    Fn<&tblibc_fclose>("_IO_fclose"),
    Fn<&tblibc_fcloseall>("fcloseall"),
    Fn<&tblibc_tmpfile>("tmpfile"),
    Fn<&tblibc_tmpfile>("tmpfile64"),
    Fn<&tblibc_popen>("popen"),
    Fn<&tblibc_popen>("_IO_popen"),
    Fn<&tblibc_pclose>("pclose"),
    Fn<&tblibc_fmemopen>("fmemopen"),
    Fn<&tblibc_open_memstream>("open_memstream"),
    Fn<&tblibc_fopencookie>("fopencookie"),
    // Characters and lines.
    Fn<&tblibc_fgetc>("fgetc"),
    Fn<&tblibc_fgetc>("getc"),
    Fn<&tblibc_fgetc>("_IO_getc"),
    Fn<&tblibc_fgetc>("fgetc_unlocked"),
    Fn<&tblibc_fgetc>("getc_unlocked"),
    Fn<&tblibc_getchar>("getchar"),
    Fn<&tblibc_getchar>("getchar_unlocked"),
    Fn<&tblibc_ungetc>("ungetc"),
    Fn<&tblibc_ungetc>("_IO_ungetc"),
    Fn<&tblibc_sputbackc>("_IO_sputbackc"),
    Fn<&tblibc_peekc>("_IO_peekc_locked"),
    Fn<&tblibc_fgets>("fgets"),
    Fn<&tblibc_fgets>("fgets_unlocked"),
    Fn<&tblibc_fgets>("_IO_fgets"),
    Fn<&tblibc_gets>("gets"),
    Fn<&tblibc_gets_chk>("__gets_chk"),
    Fn<&tblibc_gets>("_IO_gets"),
    Fn<&tblibc_getline>("getline"),
    Fn<&tblibc_getdelim>("getdelim"),
    Fn<&tblibc_getdelim>("__getdelim"),
    Fn<&tblibc_getw>("getw"),
    Fn<&tblibc_putw>("putw"),
    Fn<&tblibc_putchar>("putchar"),
    Fn<&tblibc_putchar>("putchar_unlocked"),
    Fn<&tblibc_fputc>("fputc_unlocked"),
    Fn<&tblibc_putc>("putc_unlocked"),
    Fn<&tblibc_putc>("_IO_putc"),
    Fn<&tblibc_fputs>("_IO_fputs"),
    Fn<&tblibc_puts>("_IO_puts"),
    Fn<&tblibc_fwrite>("fwrite_unlocked"),
    Fn<&tblibc_fwrite>("_IO_fwrite"),
    Fn<&tblibc_fread>("_IO_fread"),
    Fn<&tblibc_fgets_chk>("__fgets_chk"),
    Fn<&tblibc_fgets_chk>("__fgets_unlocked_chk"),
    Fn<&tblibc_fread_chk>("__fread_chk"),
    Fn<&tblibc_fread_chk>("__fread_unlocked_chk"),
    // The buffer's edges, reached from the inline macros.
    Fn<&tblibc_uflow>("__uflow"),
    Fn<&tblibc_underflow>("__underflow"),
    // State and buffering.
    Fn<&tblibc_feof>("feof"),
    Fn<&tblibc_feof>("feof_unlocked"),
    Fn<&tblibc_feof>("_IO_feof"),
    Fn<&tblibc_ferror>("ferror"),
    Fn<&tblibc_ferror>("ferror_unlocked"),
    Fn<&tblibc_ferror>("_IO_ferror"),
    Fn<&tblibc_clearerr>("clearerr"),
    Fn<&tblibc_clearerr>("clearerr_unlocked"),
    Fn<&tblibc_fileno>("fileno_unlocked"),
    Fn<&tblibc_setvbuf>("setvbuf"),
    Fn<&tblibc_setvbuf>("_IO_setvbuf"),
    Fn<&tblibc_setbuffer>("setbuffer"),
    Fn<&tblibc_setbuffer>("_IO_setbuffer"),
    Fn<&tblibc_setlinebuf>("setlinebuf"),
    Fn<&tblibc_fflush>("fflush_unlocked"),
    Fn<&tblibc_fflush>("_IO_fflush"),
    Fn<&tblibc_fcloseall>("_IO_flush_all"),
    Fn<&tblibc_flushlbf>("_IO_flush_all_linebuffered"),
    Fn<&tblibc_flushlbf>("_flushlbf"),
    Fn<&tblibc_fbufsize>("__fbufsize"),
    Fn<&tblibc_flbf>("__flbf"),
    Fn<&tblibc_freadable>("__freadable"),
    Fn<&tblibc_fwritable>("__fwritable"),
    Fn<&tblibc_freading>("__freading"),
    Fn<&tblibc_fwriting>("__fwriting"),
    Fn<&tblibc_fpurge>("__fpurge"),
    Fn<&tblibc_fsetlocking>("__fsetlocking"),
    Fn<&tblibc_flockfile>("flockfile"),
    Fn<&tblibc_flockfile>("funlockfile"),
    Fn<&tblibc_flockfile>("_IO_flockfile"),
    Fn<&tblibc_flockfile>("_IO_funlockfile"),
    Fn<&tblibc_ftrylockfile>("ftrylockfile"),
    Fn<&tblibc_ftrylockfile>("_IO_ftrylockfile"),
    // Positioning.
    Fn<&tblibc_fseek>("fseek"),
    Fn<&tblibc_ftell>("ftell"),
    Fn<&tblibc_ftell>("_IO_ftell"),
    Fn<&tblibc_fseek>("fseeko"),
    Fn<&tblibc_ftell>("ftello"),
    Fn<&tblibc_fseeko64>("fseeko64"),
    Fn<&tblibc_fseeko64>("__fseeko64"),
    Fn<&tblibc_ftello64>("ftello64"),
    Fn<&tblibc_ftello64>("__ftello64"),
    Fn<&tblibc_rewind>("rewind"),
    Fn<&tblibc_fgetpos>("fgetpos"),
    Fn<&tblibc_fgetpos>("_IO_fgetpos"),
    Fn<&tblibc_fsetpos>("fsetpos"),
    Fn<&tblibc_fsetpos>("_IO_fsetpos"),
    Fn<&tblibc_fgetpos64>("fgetpos64"),
    Fn<&tblibc_fgetpos64>("_IO_fgetpos64"),
    Fn<&tblibc_fsetpos64>("fsetpos64"),
    Fn<&tblibc_fsetpos64>("_IO_fsetpos64"),
    // Errors and names.
    Fn<&tblibc_perror>("perror"),
    Fn<&tblibc_remove>("remove"),
    Fn<&tblibc_rename>("rename"),
    Fn<&tblibc_tmpnam>("tmpnam"),
    Fn<&tblibc_tmpnam_r>("tmpnam_r"),
    Fn<&tblibc_tempnam>("tempnam"),
};

// The standard streams' objects: the words that point at them and glibc's
// own names for the objects themselves.
template <int Fd>
void BindWord(uint32_t address, uint32_t) { io::BindStandardWord(Fd, address); }
template <int Fd>
void BindObject(uint32_t address, uint32_t size) { io::BindStandardObject(Fd, address, size); }

constexpr DataExport kObjects[] = {
    {"_IO_2_1_stdin_", &BindObject<0>},
    {"_IO_2_1_stdout_", &BindObject<1>},
    {"_IO_2_1_stderr_", &BindObject<2>},
};

}  // namespace

void StartStreams() { io::StartStandardStreams(kDescriptors); }

const Family kStreamsFamily{"streams", kExports, kObjects};

}  // namespace tblibc
