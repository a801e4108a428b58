// Streams: opening, reading, writing and positioning FILE*s.
//
// The guest's FILE* is the host C runtime's stream. Reading and writing
// calls whose host versions behave as the Linux C library's do on binary
// streams are bound straight to the host (they are the hot paths); opening,
// closing, flushing, positioning and the Linux extensions are ours, the
// same code on every port, over the platform's stream services.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "abi/linux.h"
#include "abi/streams.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/memstreams.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "libcbind/streams.h"
#include "platform/files.h"
#include "platform/streams.h"
#include "platform/time.h"
#include "process/process.h"

namespace tblibc {
namespace {

FILE* File(void* stream) { return static_cast<FILE*>(stream); }

// The failure branch of every write to a stream: Linux numbers in errno,
// and SIGPIPE when the stream is a pipe whose reader has gone.
void WriteFailed(void* stream) {
  TranslateErrno();
  AfterFailedWrite(Errno(), platform::StreamDescriptor(stream));
}

// ---- Mode strings -----------------------------------------------------------
//
// fopen's mode as the Linux C library reads it: 'r', 'w' or 'a', then up to
// six more characters of which '+' (update) and 'x' (exclusive creation)
// mean something here; 'b', 'e' (close-on-exec: one process, nothing to
// close), 'm', 'c' and unknown letters are passed over. ",ccs=" starts a
// character set name, which the "C" locale does not convert.
constexpr unsigned kModeInvalid = ~0u;

unsigned ParseMode(const char* mode) {
  if (mode == nullptr) return kModeInvalid;
  unsigned flags = 0;
  switch (mode[0]) {
    case 'r': flags = linux::kOpenRead; break;
    case 'w':
      flags = linux::kOpenWrite | linux::kOpenCreate | linux::kOpenTruncate;
      break;
    case 'a':
      flags = linux::kOpenWrite | linux::kOpenCreate | linux::kOpenAppend;
      break;
    default: return kModeInvalid;
  }
  for (int i = 1; i < 7 && mode[i] != '\0' && mode[i] != ','; ++i) {
    if (mode[i] == '+') flags |= linux::kOpenRead | linux::kOpenWrite;
    if (mode[i] == 'x') flags |= linux::kOpenExclusive;
  }
  if ((flags & linux::kOpenCreate) == 0) flags &= ~linux::kOpenExclusive;
  return flags;
}

// ---- Pipes ----------------------------------------------------------------
//
// Streams from popen: closing one waits for its command, whichever of
// fclose and pclose the guest calls.
std::vector<void*> gPipes;

bool TakePipe(void* stream) {
  auto it = std::find(gPipes.begin(), gPipes.end(), stream);
  if (it == gPipes.end()) return false;
  gPipes.erase(it);
  return true;
}

int ClosePipe(void* stream) {
  int32_t status = -1;
  if (const int e = platform::PipeClose(stream, &status)) SetErrno(e);
  return status;
}

// ---- Positions ------------------------------------------------------------

int Seek(void* stream, int64_t offset, int32_t whence) {
  if (stream == nullptr || whence < 0 || whence > 2) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  if (memstreams::Owns(stream)) return memstreams::Seek(stream, offset, whence);
  if (const int e = platform::StreamSeek(stream, offset, whence)) {
    SetErrno(e);
    return -1;
  }
  return 0;
}

int64_t Tell(void* stream) {
  if (stream == nullptr) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  int64_t position = -1;
  if (const int e = platform::StreamTell(stream, &position)) SetErrno(e);
  return position < 0 ? -1 : position;
}

// A position that a 32-bit result cannot hold is EOVERFLOW, as Linux says.
int32_t Tell32(void* stream) {
  const int64_t position = Tell(stream);
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

// ---- Line reading ---------------------------------------------------------

// A read that gave nothing without reaching the end or an error was made on
// a stream that cannot read (write-only or closed): Linux marks the stream
// and says EBADF, where msvcrt says nothing.
void NoteUnreadable(void* stream) {
  FILE* file = File(stream);
  if (std::feof(file) != 0 || std::ferror(file) != 0) return;
  platform::StreamSetError(stream);
  SetErrno(linux::kEBADF);
}

// The Linux C library's first line buffer for a guest that hands in none.
constexpr uint32_t kFirstLineBuffer = 120;

// The guest's buffer came from its malloc, the loader's heap: it grows
// with GuestRealloc, to twice its size or to what the line needs.
int32_t GetDelimited(char** line, uint32_t* capacity, int32_t delimiter,
                     void* stream) {
  if (line == nullptr || capacity == nullptr || stream == nullptr) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  if (*line == nullptr || *capacity == 0) {
    void* block = GuestRealloc(*line, kFirstLineBuffer);
    if (block == nullptr) return -1;
    *line = static_cast<char*>(block);
    *capacity = kFirstLineBuffer;
  }
  static std::string text;
  text.clear();
  FILE* file = File(stream);
  const int stop = static_cast<unsigned char>(delimiter);
  for (int c; (c = std::getc(file)) != EOF;) {
    text.push_back(static_cast<char>(c));
    if (c == stop) break;
  }
  if (text.empty()) {
    NoteUnreadable(stream);
    return -1;
  }
  if (text.size() > 0x7FFFFFFE) {
    SetErrno(linux::kEOVERFLOW);
    return -1;
  }
  const uint32_t needed = static_cast<uint32_t>(text.size()) + 1;
  if (needed > *capacity) {
    const uint32_t grown =
        std::max<uint64_t>(needed, uint64_t{*capacity} * 2) > 0xFFFFFFFFu
            ? needed
            : std::max(needed, *capacity * 2);
    void* block = GuestRealloc(*line, grown);
    if (block == nullptr) return -1;
    *line = static_cast<char*>(block);
    *capacity = grown;
  }
  std::memcpy(*line, text.data(), text.size());
  (*line)[text.size()] = '\0';
  return static_cast<int32_t>(text.size());
}

}  // namespace
}  // namespace tblibc

// ---- Entry points -----------------------------------------------------------

extern "C" {

using tblibc::File;
using tblibc::WriteFailed;

// ---- Opening and closing

void* tblibc_fopen(const char* path, const char* mode) {
  const unsigned flags = tblibc::ParseMode(mode);
  if (flags == tblibc::kModeInvalid) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (path == nullptr) {
    tblibc::SetErrno(linux::kEFAULT);
    return nullptr;
  }
  void* stream = nullptr;
  if (const int e = platform::StreamOpen(path, flags, &stream)) {
    tblibc::SetErrno(e);
    // Windows refuses to open a directory at all; Linux only to write it.
    if ((flags & linux::kOpenWrite) && platform::DirectoryExists(path))
      tblibc::SetErrno(linux::kEISDIR);
  }
  return stream;
}

int tblibc_fclose(void* stream) {
  using namespace tblibc;
  if (stream == nullptr) {
    SetErrno(linux::kEINVAL);
    return EOF;
  }
  if (memstreams::Owns(stream)) return memstreams::Close(stream);
  if (TakePipe(stream)) return ClosePipe(stream);
  // Only this close's own failure counts, as on Linux (msvcrt would also
  // report an earlier error of the stream).
  std::clearerr(File(stream));
  if (Address(stream) == process::HostStdin) {
    const int e = platform::StreamCloseKeepingDescriptor(stream);
    if (e == 0) return 0;
    SetErrno(e);
    AfterFailedWrite(e, platform::StreamDescriptor(stream));
    return EOF;
  }
  const int result = std::fclose(File(stream));
  if (result != 0) WriteFailed(stream);
  return result;
}

// A null path keeps the file and changes the mode: every stream is binary
// already, so what is left is to write out what the stream holds.
void* tblibc_freopen(const char* path, const char* mode, void* stream) {
  using namespace tblibc;
  const unsigned flags = ParseMode(mode);
  if (flags == kModeInvalid || stream == nullptr) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (memstreams::Owns(stream)) memstreams::Flush(stream);
  if (path == nullptr) {
    std::fflush(File(stream));
    return stream;
  }
  TakePipe(stream);
  // freopen cannot create exclusively; one process, so a look first does.
  if ((flags & linux::kOpenExclusive) &&
      (platform::FileExists(path) || platform::DirectoryExists(path))) {
    std::fclose(File(stream));
    SetErrno(linux::kEEXIST);
    return nullptr;
  }
  if (const int e = platform::StreamReopen(path, flags, stream)) {
    SetErrno(e);
    return nullptr;
  }
  return stream;
}

void* tblibc_fdopen(int32_t fd, const char* mode) {
  const unsigned flags = tblibc::ParseMode(mode);
  if (flags == tblibc::kModeInvalid) {
    tblibc::SetErrno(linux::kEINVAL);
    return nullptr;
  }
  void* stream = nullptr;
  if (const int e = platform::StreamFromDescriptor(
          fd, flags & ~(linux::kOpenCreate | linux::kOpenTruncate |
                        linux::kOpenExclusive),
          &stream))
    tblibc::SetErrno(e);
  return stream;
}

void* tblibc_tmpfile() {
  void* stream = nullptr;
  if (const int e = platform::TemporaryStream(
          nullptr, 0, linux::kOpenRead | linux::kOpenWrite, &stream))
    tblibc::SetErrno(e);
  return stream;
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
  void* stream = nullptr;
  if (const int e = platform::PipeOpen(command, reads == 1, ChildSignals(), &stream)) {
    SetErrno(e);
    return nullptr;
  }
  gPipes.push_back(stream);
  return stream;
}

// On a stream popen did not give, what fclose does.
int tblibc_pclose(void* stream) {
  if (tblibc::TakePipe(stream)) return tblibc::ClosePipe(stream);
  return tblibc_fclose(stream);
}

void* tblibc_fmemopen(void* buffer, uint32_t size, const char* mode) {
  const unsigned flags = tblibc::ParseMode(mode);
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
  using namespace tblibc;
  if (stream == nullptr) {
    int result = memstreams::FlushAll();
    // Standard output on its own first, the likely pipe: msvcrt's flush of
    // every stream answers 0 even when one of them failed.
    void* const out = reinterpret_cast<void*>(uintptr_t{process::HostStdout});
    if (std::fflush(File(out)) != 0) {
      WriteFailed(out);
      result = EOF;
    }
    if (std::fflush(nullptr) != 0) {
      TranslateErrno();
      result = EOF;
    }
    return result;
  }
  if (memstreams::Owns(stream)) return memstreams::Flush(stream);
  // A stream that is only reading keeps what it has read ahead: msvcrt
  // would drop it without moving the file back, losing input.
  if (platform::StreamReading(stream) && !platform::StreamWriting(stream))
    return 0;
  const int result = std::fflush(File(stream));
  if (result != 0) WriteFailed(stream);
  return result;
}

// Linux's mode numbers; an unknown one fails without touching errno.
int tblibc_setvbuf(void* stream, char* buffer, int32_t mode, uint32_t size) {
  using platform::Buffering;
  Buffering buffering;
  switch (mode) {
    case linux::k_IOFBF: buffering = Buffering::kFull; break;
    case linux::k_IOLBF: buffering = Buffering::kLine; break;
    case linux::k_IONBF: buffering = Buffering::kNone; break;
    default: return EOF;
  }
  if (stream == nullptr) return EOF;
  return platform::StreamSetBuffering(stream, buffer, buffering, size) == 0 ? 0
                                                                            : EOF;
}

void tblibc_setbuffer(void* stream, char* buffer, uint32_t size) {
  tblibc_setvbuf(stream, buffer, buffer != nullptr ? linux::k_IOFBF : linux::k_IONBF,
                 size);
}

void tblibc_setlinebuf(void* stream) {
  tblibc_setvbuf(stream, nullptr, linux::k_IOLBF, 0);
}

int tblibc_freading(void* stream) {
  return stream != nullptr && platform::StreamReading(stream) ? 1 : 0;
}

int tblibc_fwriting(void* stream) {
  return stream != nullptr && platform::StreamWriting(stream) ? 1 : 0;
}

void tblibc_fpurge(void* stream) {
  if (stream != nullptr) platform::StreamPurge(stream);
}

// The indicators as 0 or 1, as Linux answers (msvcrt gives its flag bits).
int tblibc_feof(void* stream) {
  return stream != nullptr && std::feof(File(stream)) != 0 ? 1 : 0;
}
int tblibc_ferror(void* stream) {
  return stream != nullptr && std::ferror(File(stream)) != 0 ? 1 : 0;
}

// One thread: there is nothing to wait for.
void tblibc_flockfile(void*) {}
int tblibc_ftrylockfile(void*) { return 0; }

int tblibc_fileno(void* stream) {
  if (stream == nullptr) {
    tblibc::SetErrno(linux::kEBADF);
    return -1;
  }
  const int fd = platform::StreamDescriptor(stream);
  if (fd < 0) tblibc::SetErrno(linux::kEBADF);
  return fd;
}

// ---- Characters and lines

// The writers are the host's with a check of the result: the failure
// branch alone pays for SIGPIPE. fputs and puts answer what the Linux C
// library answers (msvcrt's give 0).
int tblibc_fputs(const char* text, void* stream) {
  if (std::fputs(text, File(stream)) < 0) {
    WriteFailed(stream);
    return EOF;
  }
  return 1;
}

int tblibc_puts(const char* text) {
  void* out = reinterpret_cast<void*>(uintptr_t{process::HostStdout});
  if (std::puts(text) < 0) {
    WriteFailed(out);
    return EOF;
  }
  const size_t length = std::strlen(text);
  return length < 0x7fffffff ? static_cast<int>(length + 1) : 0x7fffffff;
}

int tblibc_fputc(int c, void* stream) {
  const int result = std::fputc(c, File(stream));
  if (result == EOF) WriteFailed(stream);
  return result;
}

int tblibc_putc(int c, void* stream) {
  const int result = std::putc(c, File(stream));
  if (result == EOF) WriteFailed(stream);
  return result;
}

int tblibc_putchar(int c) {
  return tblibc_putc(c, reinterpret_cast<void*>(uintptr_t{process::HostStdout}));
}

uint32_t tblibc_fwrite(const void* data, uint32_t size, uint32_t count,
                       void* stream) {
  const size_t result = std::fwrite(data, size, count, File(stream));
  if (result != count && size != 0) WriteFailed(stream);
  return static_cast<uint32_t>(result);
}

// fgets with room for the terminator only stores it, as Linux does; with
// no room at all it reads nothing. Everything else is the host's.
char* tblibc_fgets(char* buffer, int32_t count, void* stream) {
  if (count <= 1) {
    if (count <= 0) return nullptr;
    buffer[0] = '\0';
    return buffer;
  }
  char* result = std::fgets(buffer, count, File(stream));
  if (result == nullptr) tblibc::NoteUnreadable(stream);
  return result;
}

int32_t tblibc_getdelim(char** line, uint32_t* capacity, int32_t delimiter,
                        void* stream) {
  return tblibc::GetDelimited(line, capacity, delimiter, stream);
}

int32_t tblibc_getline(char** line, uint32_t* capacity, void* stream) {
  return tblibc::GetDelimited(line, capacity, '\n', stream);
}

// The fortified forms: `size` is what the compiler knows of the buffer. A
// read that would pass it ends the run as the Linux C library does.
[[noreturn]] void Overflow() {
  tblibc::FatalError("*** buffer overflow detected ***: terminated");
}

char* tblibc_fgets_chk(char* buffer, uint32_t size, int32_t count, void* stream) {
  if (count <= 0) return nullptr;
  if (static_cast<uint32_t>(count) <= size)
    return tblibc_fgets(buffer, count, stream);
  // More asked than fits: read what fits, and fail only when the line
  // really goes on.
  if (size == 0) {
    if (std::getc(File(stream)) == EOF) return nullptr;
    Overflow();
  }
  char* result = tblibc_fgets(buffer, static_cast<int32_t>(size), stream);
  if (result == nullptr) return nullptr;
  const size_t length = std::strlen(buffer);
  if (length + 1 == size && (length == 0 || buffer[length - 1] != '\n') &&
      std::getc(File(stream)) != EOF)
    Overflow();
  return result;
}

uint32_t tblibc_fread_chk(void* buffer, uint32_t size, uint32_t itemSize,
                          uint32_t count, void* stream) {
  if (uint64_t{itemSize} * count > size) Overflow();
  return static_cast<uint32_t>(std::fread(buffer, itemSize, count, File(stream)));
}

// ---- Positioning

int tblibc_fseek(void* stream, int32_t offset, int32_t whence) {
  return tblibc::Seek(stream, offset, whence);
}

int tblibc_fseeko64(void* stream, int64_t offset, int32_t whence) {
  return tblibc::Seek(stream, offset, whence);
}

int32_t tblibc_ftell(void* stream) { return tblibc::Tell32(stream); }

int64_t tblibc_ftello64(void* stream) { return tblibc::Tell(stream); }

void tblibc_rewind(void* stream) {
  if (stream == nullptr) return;
  tblibc::Seek(stream, 0, linux::kSEEK_SET);
  std::clearerr(File(stream));
}

int tblibc_fgetpos(void* stream, linux::FilePosition* position) {
  const int32_t offset = tblibc::Tell32(stream);
  if (offset < 0) return -1;
  *position = {offset, {0, 0}};
  return 0;
}

int tblibc_fsetpos(void* stream, const linux::FilePosition* position) {
  return tblibc::Seek(stream, position->position, linux::kSEEK_SET);
}

int tblibc_fgetpos64(void* stream, linux::FilePosition64* position) {
  const int64_t offset = tblibc::Tell(stream);
  if (offset < 0) return -1;
  const uint64_t bits = static_cast<uint64_t>(offset);
  *position = {static_cast<uint32_t>(bits),
               static_cast<int32_t>(bits >> 32), {0, 0}};
  return 0;
}

int tblibc_fsetpos64(void* stream, const linux::FilePosition64* position) {
  const uint64_t bits = (uint64_t{static_cast<uint32_t>(position->positionHigh)} << 32) |
                        position->positionLow;
  return tblibc::Seek(stream, static_cast<int64_t>(bits), linux::kSEEK_SET);
}

// ---- Errors and names

// "message: text" or, for a null or empty message, the text alone; errno
// stays as it was.
void tblibc_perror(const char* message) {
  const int32_t number = tblibc::Errno();
  std::string line;
  if (message != nullptr && *message != '\0') {
    line = message;
    line += ": ";
  }
  line += tblibc::ErrorText(number);
  line += '\n';
  FILE* error = reinterpret_cast<FILE*>(uintptr_t{process::HostStderr});
  std::fwrite(line.data(), 1, line.size(), error);
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


// What the start-up names answer for the C library's stream internals:
// every stream is the host's, so a stream never needs a refill of ours and
// nothing is pending in a buffer of ours; setbuf leaves the host's buffer.
int tblibc_overflow(void*, int) { return 1; }
int tblibc_fpending(void*) { return 0; }
void tblibc_setbuf_kept(void*, char*) {}

}  // extern "C"

namespace tblibc {

extern const Family kStreamsFamily;

namespace {

// Host calls that behave as Linux's on a binary stream, bound directly.
constexpr Export kExports[] = {
    // Opening and closing.
    Fn<&tblibc_fopen>("fopen"),
    Fn<&tblibc_fopen>("fopen64"),
    Fn<&tblibc_fdopen>("fdopen"),
    Fn<&tblibc_freopen>("freopen"),
    Fn<&tblibc_freopen>("freopen64"),
    Fn<&tblibc_fclose>("fclose"),
    Fn<&tblibc_tmpfile>("tmpfile"),
    Fn<&tblibc_tmpfile>("tmpfile64"),
    Fn<&tblibc_popen>("popen"),
    Fn<&tblibc_pclose>("pclose"),
    Fn<&tblibc_fmemopen>("fmemopen"),
    Fn<&tblibc_open_memstream>("open_memstream"),
    // Characters and lines.
    Fn<&std::fgetc>("fgetc"),
    Fn<&std::getc>("getc"),
    Fn<&std::getc>("_IO_getc"),
    Fn<&std::fgetc>("fgetc_unlocked"),
    Fn<&std::getc>("getc_unlocked"),
    Fn<&std::getchar>("getchar"),
    Fn<&std::getchar>("getchar_unlocked"),
    Fn<&std::ungetc>("ungetc"),
    Fn<&tblibc_fgets>("fgets"),
    Fn<&tblibc_fgets>("fgets_unlocked"),
    Fn<&tblibc_getline>("getline"),
    Fn<&tblibc_getdelim>("getdelim"),
    Fn<&tblibc_getdelim>("__getdelim"),
    Fn<&tblibc_putchar>("putchar"),
    Fn<&tblibc_putchar>("putchar_unlocked"),
    Fn<&tblibc_fputc>("fputc_unlocked"),
    Fn<&tblibc_putc>("putc_unlocked"),
    Fn<&tblibc_putc>("_IO_putc"),
    Fn<&tblibc_fwrite>("fwrite_unlocked"),
    Fn<&tblibc_fgets_chk>("__fgets_chk"),
    Fn<&tblibc_fgets_chk>("__fgets_unlocked_chk"),
    Fn<&tblibc_fread_chk>("__fread_chk"),
    Fn<&tblibc_fread_chk>("__fread_unlocked_chk"),
    // State and buffering.
    Fn<&tblibc_feof>("feof"),
    Fn<&tblibc_feof>("feof_unlocked"),
    Fn<&tblibc_ferror>("ferror"),
    Fn<&tblibc_ferror>("ferror_unlocked"),
    Fn<&std::clearerr>("clearerr"),
    Fn<&std::clearerr>("clearerr_unlocked"),
    Fn<&tblibc_fileno>("fileno_unlocked"),
    Fn<&tblibc_setvbuf>("setvbuf"),
    Fn<&tblibc_setbuffer>("setbuffer"),
    Fn<&tblibc_setlinebuf>("setlinebuf"),
    Fn<&tblibc_fflush>("fflush_unlocked"),
    Fn<&tblibc_freading>("__freading"),
    Fn<&tblibc_fwriting>("__fwriting"),
    Fn<&tblibc_fpurge>("__fpurge"),
    Fn<&tblibc_flockfile>("flockfile"),
    Fn<&tblibc_flockfile>("funlockfile"),
    Fn<&tblibc_ftrylockfile>("ftrylockfile"),
    // Positioning.
    Fn<&tblibc_fseek>("fseek"),
    Fn<&tblibc_ftell>("ftell"),
    Fn<&tblibc_fseek>("fseeko"),
    Fn<&tblibc_ftell>("ftello"),
    Fn<&tblibc_fseeko64>("fseeko64"),
    Fn<&tblibc_ftello64>("ftello64"),
    Fn<&tblibc_rewind>("rewind"),
    Fn<&tblibc_fgetpos>("fgetpos"),
    Fn<&tblibc_fsetpos>("fsetpos"),
    Fn<&tblibc_fgetpos64>("fgetpos64"),
    Fn<&tblibc_fsetpos64>("fsetpos64"),
    // Errors and names.
    Fn<&tblibc_perror>("perror"),
    Fn<&tblibc_remove>("remove"),
    Fn<&tblibc_rename>("rename"),
    Fn<&tblibc_tmpnam>("tmpnam"),
    Fn<&tblibc_tempnam>("tempnam"),
};

}  // namespace

const Family kStreamsFamily{"streams", kExports};

}  // namespace tblibc
