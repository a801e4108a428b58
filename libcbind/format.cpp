// The printf family: one formatter of ours (printf_engine.cpp) behind every
// name, to a host stream, a buffer, a descriptor or a block of the loader's
// heap. The guest's arguments are read from its stack: a variadic entry
// takes their address from va_start (an i386 va_list is a plain pointer into
// the stack, on both hosts), a guest va_list is that same pointer.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/format.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/printf_engine.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "platform/files.h"

namespace tblibc {

namespace {

using format::Format;
using format::Output;

static_assert(std::is_same_v<va_list, char*>,
              "the guest's arguments are read through an i386 va_list");

const uint8_t* Stack(va_list args) { return reinterpret_cast<const uint8_t*>(args); }
const uint8_t* GuestList(uint32_t args) {
  return reinterpret_cast<const uint8_t*>(uintptr_t{args});
}
unsigned ModeOf(int32_t flag) { return flag > 0 ? format::kFortify : 0; }

[[noreturn]] void BufferOverflow() {
  FatalError("*** buffer overflow detected ***: terminated");
}

// ---- To a stream --------------------------------------------------------------

// The text is gathered in a chunk and copied into the stream's buffer, so
// that an unbuffered stream (standard error) writes a call's text at once,
// as glibc's helper buffer does. Longer text goes out in the helper's
// pieces, BUFSIZ bytes each.
constexpr size_t kChunk = 1024;
constexpr size_t kStreamChunk = linux::kBUFSIZ;

bool DrainStream(Output& o) {
  const auto used = static_cast<uint32_t>(o.used);
  if (io::Write(static_cast<io::IoFile*>(o.target), o.buffer, used) != used) return false;
  o.used = 0;
  return true;
}

int ToStream(void* stream, const char* fmt, const uint8_t* args, unsigned mode) {
  // The Linux C library faults on a null stream; a clear error instead.
  if (stream == nullptr) {
    SetErrno(linux::kEBADF);
    return -1;
  }
  // A wide-oriented stream takes the wprintf family only.
  if (!io::ByteOriented(static_cast<io::IoFile*>(stream))) return -1;
  char chunk[kStreamChunk];
  Output o{chunk, sizeof chunk, 0, false, &DrainStream, stream};
  const int n = Format(o, fmt, args, mode);
  // What came before a failed conversion is written, as Linux does.
  if (o.used != 0 && !DrainStream(o)) return -1;
  return n;
}

void* GuestStdout() { return io::Current(1); }

// ---- To a buffer ---------------------------------------------------------------

bool DrainDiscard(Output& o) {
  o.discard = true;
  return true;
}

bool DrainOverflow(Output&) { BufferOverflow(); }

// sprintf knows no end of its buffer.
constexpr size_t kUnbounded = 0x7fffffff;

// At most size - 1 bytes and the NUL (nothing when size is 0); returns the
// full length.
int ToBuffer(char* s, size_t size, const char* fmt, const uint8_t* args,
             unsigned mode, bool (*full)(Output&) = &DrainDiscard) {
  Output o;
  o.drain = full;
  if (size == 0 || s == nullptr) {
    o.discard = true;
  } else {
    o.buffer = s;
    o.capacity = std::min(size - 1, kUnbounded);
  }
  const int n = Format(o, fmt, args, mode);
  if (o.buffer != nullptr) s[o.used] = '\0';
  return n;
}

// The fortified sprintf: the object holds `slen` bytes, (size_t)-1 when the
// compiler did not know.
int ToCheckedBuffer(char* s, uint32_t slen, const char* fmt, const uint8_t* args,
                    unsigned mode) {
  if (slen == 0) BufferOverflow();
  if (slen == 0xffffffffu) return ToBuffer(s, kUnbounded + 1, fmt, args, mode);
  return ToBuffer(s, slen, fmt, args, mode, &DrainOverflow);
}

// ---- To a descriptor -------------------------------------------------------------

bool DrainDescriptor(Output& o) {
  const int32_t fd = static_cast<int32_t>(reinterpret_cast<uintptr_t>(o.target));
  size_t done = 0;
  while (done < o.used) {
    uint32_t n = 0;
    const int e = platform::DescriptorWrite(fd, o.buffer + done,
                                            static_cast<uint32_t>(o.used - done), &n);
    if (e != 0 || n == 0) {
      if (e != 0) SetErrno(e);
      AfterFailedWrite(Errno(), fd);
      return false;
    }
    done += n;
  }
  o.used = 0;
  return true;
}

int ToDescriptor(int32_t fd, const char* fmt, const uint8_t* args, unsigned mode) {
  char chunk[kChunk];
  Output o{chunk, sizeof chunk, 0, false, &DrainDescriptor,
           reinterpret_cast<void*>(static_cast<uintptr_t>(fd))};
  const int n = Format(o, fmt, args, mode);
  if (o.used != 0 && !DrainDescriptor(o)) return -1;
  return n;
}

// ---- Into a block of the loader's heap -----------------------------------------

struct GuestBlock {
  char* block = nullptr;
  size_t length = 0, capacity = 0;
};

bool DrainGuest(Output& o) {
  GuestBlock& g = *static_cast<GuestBlock*>(o.target);
  const size_t need = g.length + o.used + 1;
  if (need > g.capacity) {
    const size_t capacity = std::max(need, 2 * g.capacity);
    void* grown = GuestRealloc(g.block, capacity);
    if (grown == nullptr) return false;  // ENOMEM set
    g.block = static_cast<char*>(grown);
    g.capacity = capacity;
  }
  std::memcpy(g.block + g.length, o.buffer, o.used);
  g.length += o.used;
  o.used = 0;
  return true;
}

// The result is a block the guest frees; on failure -1 and *result as it
// was, as the Linux C library leaves it.
int ToGuestBlock(char** result, const char* fmt, const uint8_t* args, unsigned mode) {
  char chunk[kChunk];
  GuestBlock g;
  Output o{chunk, sizeof chunk, 0, false, &DrainGuest, &g};
  const int n = Format(o, fmt, args, mode);
  if (n < 0 || !DrainGuest(o)) return -1;
  g.block[g.length] = '\0';
  *result = g.block;
  return n;
}

}  // namespace

}  // namespace tblibc

using tblibc::GuestList;
using tblibc::ModeOf;
using tblibc::Stack;

extern "C" {

// ---- The start-up names ------------------------------------------------------

int tblibc_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = tblibc::ToStream(tblibc::GuestStdout(), format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_fprintf(void* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = tblibc::ToStream(stream, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vfprintf(void* stream, const char* format, uint32_t args) {
  return tblibc::ToStream(stream, format, GuestList(args), 0);
}

int tblibc_snprintf(char* buffer, uint32_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = tblibc::ToBuffer(buffer, size, format, Stack(args), 0);
  va_end(args);
  return n;
}

}  // extern "C"

using tblibc::GuestStdout;
using tblibc::kUnbounded;
using tblibc::ToBuffer;
using tblibc::ToCheckedBuffer;
using tblibc::ToDescriptor;
using tblibc::ToGuestBlock;
using tblibc::ToStream;

extern "C" {

int tblibc_vprintf(const char* format, uint32_t args) {
  return ToStream(GuestStdout(), format, GuestList(args), 0);
}

int tblibc_sprintf(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToBuffer(buffer, kUnbounded + 1, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vsprintf(char* buffer, const char* format, uint32_t args) {
  return ToBuffer(buffer, kUnbounded + 1, format, GuestList(args), 0);
}

int tblibc_vsnprintf(char* buffer, uint32_t size, const char* format, uint32_t args) {
  return ToBuffer(buffer, size, format, GuestList(args), 0);
}

int tblibc_dprintf(int32_t fd, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToDescriptor(fd, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vdprintf(int32_t fd, const char* format, uint32_t args) {
  return ToDescriptor(fd, format, GuestList(args), 0);
}

int tblibc_asprintf(char** result, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToGuestBlock(result, format, Stack(args), 0);
  va_end(args);
  return n;
}

int tblibc_vasprintf(char** result, const char* format, uint32_t args) {
  return ToGuestBlock(result, format, GuestList(args), 0);
}

// ---- The fortified forms (_FORTIFY_SOURCE) ---------------------------------------
//
// flag > 0 asks for the stricter checks; slen is the size of the object the
// compiler knew, (size_t)-1 when it did not.

int tblibc_printf_chk(int32_t flag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToStream(GuestStdout(), format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_fprintf_chk(void* stream, int32_t flag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToStream(stream, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vprintf_chk(int32_t flag, const char* format, uint32_t args) {
  return ToStream(GuestStdout(), format, GuestList(args), ModeOf(flag));
}

int tblibc_vfprintf_chk(void* stream, int32_t flag, const char* format, uint32_t args) {
  return ToStream(stream, format, GuestList(args), ModeOf(flag));
}

int tblibc_sprintf_chk(char* buffer, int32_t flag, uint32_t slen,
                       const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToCheckedBuffer(buffer, slen, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vsprintf_chk(char* buffer, int32_t flag, uint32_t slen, const char* format,
                        uint32_t args) {
  return ToCheckedBuffer(buffer, slen, format, GuestList(args), ModeOf(flag));
}

int tblibc_snprintf_chk(char* buffer, uint32_t size, int32_t flag, uint32_t slen,
                        const char* format, ...) {
  if (slen < size) tblibc::BufferOverflow();
  va_list args;
  va_start(args, format);
  const int n = ToBuffer(buffer, size, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vsnprintf_chk(char* buffer, uint32_t size, int32_t flag, uint32_t slen,
                         const char* format, uint32_t args) {
  if (slen < size) tblibc::BufferOverflow();
  return ToBuffer(buffer, size, format, GuestList(args), ModeOf(flag));
}

int tblibc_dprintf_chk(int32_t fd, int32_t flag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToDescriptor(fd, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vdprintf_chk(int32_t fd, int32_t flag, const char* format, uint32_t args) {
  return ToDescriptor(fd, format, GuestList(args), ModeOf(flag));
}

int tblibc_asprintf_chk(char** result, int32_t flag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = ToGuestBlock(result, format, Stack(args), ModeOf(flag));
  va_end(args);
  return n;
}

int tblibc_vasprintf_chk(char** result, int32_t flag, const char* format, uint32_t args) {
  return ToGuestBlock(result, format, GuestList(args), ModeOf(flag));
}

}  // extern "C"

namespace tblibc {

namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_sprintf>("sprintf"),
    Fn<&tblibc_vsprintf>("vsprintf"),
    Fn<&tblibc_vsnprintf>("vsnprintf"),
    Fn<&tblibc_vprintf>("vprintf"),
    Fn<&tblibc_dprintf>("dprintf"),
    Fn<&tblibc_vdprintf>("vdprintf"),
    Fn<&tblibc_asprintf>("asprintf"),
    Fn<&tblibc_asprintf>("__asprintf"),
    Fn<&tblibc_vasprintf>("vasprintf"),
    Fn<&tblibc_printf_chk>("__printf_chk"),
    Fn<&tblibc_fprintf_chk>("__fprintf_chk"),
    Fn<&tblibc_vprintf_chk>("__vprintf_chk"),
    Fn<&tblibc_vfprintf_chk>("__vfprintf_chk"),
    Fn<&tblibc_sprintf_chk>("__sprintf_chk"),
    Fn<&tblibc_vsprintf_chk>("__vsprintf_chk"),
    Fn<&tblibc_snprintf_chk>("__snprintf_chk"),
    Fn<&tblibc_vsnprintf_chk>("__vsnprintf_chk"),
    Fn<&tblibc_dprintf_chk>("__dprintf_chk"),
    Fn<&tblibc_vdprintf_chk>("__vdprintf_chk"),
    Fn<&tblibc_asprintf_chk>("__asprintf_chk"),
    Fn<&tblibc_vasprintf_chk>("__vasprintf_chk"),
};

}  // namespace

extern const Family kFormatFamily;
const Family kFormatFamily{"format", kExports};

}  // namespace tblibc
