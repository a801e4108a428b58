// Memory and cookie streams (memstreams.h), by the Linux C library's rules:
// fmemopen puts a NUL after the furthest byte written when there is room,
// and in the last byte when a write reached the end (unless appending),
// fails a write that finds no room with ENOSPC, and positions within its
// buffer only; open_memstream hands over a NUL-terminated block of the
// loader's heap whose size is the stream's position, the block the guest
// frees once the stream is closed.
#include "libcbind/memstreams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "abi/errno.h"
#include "abi/files.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"

namespace tblibc::memstreams {
namespace {

// Where the new position would be, or -1 when it is before the start.
int64_t Target(int64_t offset, int whence, int64_t current, int64_t end) {
  const int64_t base = whence == 0 ? 0 : whence == 1 ? current : end;
  return base + offset;
}

// ---- fmemopen ---------------------------------------------------------------

struct Fixed {
  char* buffer;
  bool ownBuffer;
  bool append;
  uint32_t size;
  uint32_t position;
  uint32_t end;  // the furthest byte the stream holds
};

Fixed& FixedOf(io::Stream& s) { return *static_cast<Fixed*>(s.cookie); }

int FixedRead(io::Stream& s, char* out, uint32_t count, uint32_t* done) {
  Fixed& m = FixedOf(s);
  const uint32_t n = m.position < m.end ? std::min(count, m.end - m.position) : 0;
  std::memcpy(out, m.buffer + m.position, n);
  m.position += n;
  *done = n;
  return 0;
}

int FixedWrite(io::Stream& s, const char* data, uint32_t count, uint32_t* done) {
  Fixed& m = FixedOf(s);
  const uint32_t at = m.append ? m.end : m.position;
  const bool addNul = count == 0 || data[count - 1] != '\0';
  if (uint64_t{at} + count > m.size) {
    if (uint64_t{m.position} + addNul >= m.size) return linux::kENOSPC;
    count = m.size - at;
  }
  std::memcpy(m.buffer + at, data, count);
  m.position = at + count;
  if (m.position > m.end) {
    m.end = m.position;
    if (m.end < m.size && addNul) m.buffer[m.end] = '\0';
    else if (!m.append && addNul) m.buffer[m.size - 1] = '\0';
  }
  *done = count;
  return 0;
}

int FixedSeek(io::Stream& s, int64_t offset, int whence, int64_t* position) {
  Fixed& m = FixedOf(s);
  const int64_t target = Target(offset, whence, m.position, m.end);
  if (target < 0 || target > m.size) return linux::kEINVAL;
  m.position = static_cast<uint32_t>(target);
  *position = target;
  return 0;
}

int FixedClose(io::Stream& s, int32_t*) {
  Fixed* m = &FixedOf(s);
  if (m->ownBuffer) std::free(m->buffer);
  delete m;
  return 0;
}

constexpr io::Backend kFixed{&FixedRead, &FixedWrite, &FixedSeek, &FixedClose};

// ---- open_memstream -------------------------------------------------------------

struct Dynamic {
  char** text;
  uint32_t* textSize;
  uint32_t unit = 1;  // 4 under open_wmemstream: sizes count wide characters
  char* block = nullptr;  // of the loader's heap: the guest frees it
  uint32_t capacity = 0;
  uint32_t position = 0;
  uint32_t end = 0;
};

Dynamic& DynamicOf(io::Stream& s) { return *static_cast<Dynamic*>(s.cookie); }

// The block holds the bytes up to the furthest of end and position, zeros
// in a gap a seek left, and a NUL (a unit of them) after them.
bool Reserve(Dynamic& m, uint64_t bytes) {
  if (bytes > 0x7FFFFFFE - m.unit) {
    SetErrno(linux::kEOVERFLOW);
    return false;
  }
  if (bytes + m.unit <= m.capacity) return true;
  const uint32_t grown = static_cast<uint32_t>(std::max<uint64_t>(
      bytes + m.unit, std::min<uint64_t>(uint64_t{m.capacity} * 2, 0x7FFFFFFF)));
  void* block = GuestRealloc(m.block, grown);
  if (block == nullptr) return false;
  m.block = static_cast<char*>(block);
  std::memset(m.block + m.capacity, 0, grown - m.capacity);
  m.capacity = grown;
  return true;
}

bool Publish(Dynamic& m) {
  const uint32_t end = std::max(m.end, m.position);
  if (!Reserve(m, end)) return false;
  std::memset(m.block + end, 0, m.unit);
  *m.text = m.block;
  *m.textSize = m.position / m.unit;
  return true;
}

int DynamicRead(io::Stream&, char*, uint32_t, uint32_t* done) {
  *done = 0;
  return 0;
}

int DynamicWrite(io::Stream& s, const char* data, uint32_t count, uint32_t* done) {
  Dynamic& m = DynamicOf(s);
  if (!Reserve(m, uint64_t{m.position} + count)) return Errno();
  std::memcpy(m.block + m.position, data, count);
  m.position += count;
  m.end = std::max(m.end, m.position);
  *done = count;
  return Publish(m) ? 0 : Errno();
}

// The end is the size last handed over, which the write-out before every
// seek has just made the position.
int DynamicSeek(io::Stream& s, int64_t offset, int whence, int64_t* position) {
  Dynamic& m = DynamicOf(s);
  const int64_t target = Target(offset, whence, m.position, m.position);
  if (target < 0 || target > 0x7FFFFFFE) return linux::kEINVAL;
  m.position = static_cast<uint32_t>(target);
  if (!Publish(m)) return Errno();
  *position = target;
  return 0;
}

// What a seek left behind the position is cut off with the terminator,
// as glibc's close does.
int DynamicClose(io::Stream& s, int32_t*) {
  Dynamic* m = &DynamicOf(s);
  m->end = m->position;
  const int result = Publish(*m) ? 0 : Errno();
  delete m;
  return result;
}

constexpr io::Backend kDynamic{&DynamicRead, &DynamicWrite, &DynamicSeek, &DynamicClose};

// ---- fopencookie -------------------------------------------------------------------
//
// The guest's four functions, any of them null: without read the stream
// reads nothing, without write it fails writes, without seek it cannot be
// positioned.

struct Cookie {
  uint32_t cookie, read, write, seek, close;
};

Cookie& CookieOf(io::Stream& s) { return *static_cast<Cookie*>(s.cookie); }

int GuestFailure() { return Errno() != 0 ? Errno() : linux::kEIO; }

int CookieRead(io::Stream& s, char* out, uint32_t count, uint32_t* done) {
  const Cookie& c = CookieOf(s);
  *done = 0;
  if (c.read == 0) return linux::kEBADF;
  const auto n = static_cast<int32_t>(CallGuest(c.read, {c.cookie, Address(out), count}));
  if (n < 0) return GuestFailure();
  *done = static_cast<uint32_t>(n);
  return 0;
}

int CookieWrite(io::Stream& s, const char* data, uint32_t count, uint32_t* done) {
  const Cookie& c = CookieOf(s);
  *done = 0;
  if (c.write == 0) return linux::kEBADF;
  const auto n = static_cast<int32_t>(CallGuest(c.write, {c.cookie, Address(data), count}));
  if (n <= 0) return GuestFailure();
  *done = static_cast<uint32_t>(n);
  return 0;
}

int CookieSeek(io::Stream& s, int64_t offset, int whence, int64_t* position) {
  const Cookie& c = CookieOf(s);
  if (c.seek == 0) return linux::kESPIPE;
  int64_t where = offset;
  if (static_cast<int32_t>(CallGuest(c.seek, {c.cookie, Address(&where),
                                              static_cast<uint32_t>(whence)})) != 0)
    return GuestFailure();
  *position = where;
  return 0;
}

int CookieClose(io::Stream& s, int32_t*) {
  Cookie* c = &CookieOf(s);
  const Cookie copy = *c;
  delete c;
  if (copy.close == 0) return 0;
  return static_cast<int32_t>(CallGuest(copy.close, {copy.cookie})) == 0 ? 0 : GuestFailure();
}

constexpr io::Backend kCookie{&CookieRead, &CookieWrite, &CookieSeek, &CookieClose};

// A cookie that the stream could not be made for goes back.
// These streams carry bytes only, as glibc's do, but for open_wmemstream's,
// wide-oriented from the start.
template <typename T>
void* Attach(const io::Backend& backend, T* cookie, unsigned meanings,
             int32_t orientation = -1) {
  if (cookie == nullptr) {
    SetErrno(linux::kENOMEM);
    return nullptr;
  }
  io::IoFile* f = io::Open(backend, cookie, -1, meanings);
  if (f == nullptr) delete cookie;
  else f->mode = orientation;
  return f;
}

}  // namespace

// What the stream starts with: the whole buffer to read or update, none of
// it after "w+", the text up to its NUL to append to.
void* OpenBuffer(void* buffer, uint32_t size, uint32_t flags) {
  const unsigned meanings = linux::OpenMeanings(flags);
  if (meanings == 0 || (buffer != nullptr && uint64_t{Address(buffer)} + size > 0x100000000ull)) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  auto* m = new (std::nothrow) Fixed{};
  if (m == nullptr) {
    SetErrno(linux::kENOMEM);
    return nullptr;
  }
  m->size = size;
  m->append = (flags & linux::kO_APPEND) != 0;
  if (buffer == nullptr) {
    m->buffer = static_cast<char*>(std::calloc(size + 1, 1));
    m->ownBuffer = true;
    if (m->buffer == nullptr) {
      delete m;
      SetErrno(linux::kENOMEM);
      return nullptr;
    }
  } else {
    m->buffer = static_cast<char*>(buffer);
    if ((flags & linux::kO_TRUNC) && (meanings & linux::kOpenRead) && size > 0)
      m->buffer[0] = '\0';
  }
  if (m->append)
    m->end = static_cast<uint32_t>(std::find(m->buffer, m->buffer + size, '\0') - m->buffer);
  else if ((flags & linux::kO_TRUNC) == 0)
    m->end = size;
  m->position = m->append ? m->end : 0;
  char* const own = m->ownBuffer ? m->buffer : nullptr;
  void* f = Attach(kFixed, m, meanings);
  if (f == nullptr) std::free(own);
  return f;
}

void* OpenDynamic(char** text, uint32_t* size) {
  // The guest's words are left alone until the stream first writes out.
  auto* m = new (std::nothrow) Dynamic{text, size};
  return Attach(kDynamic, m, linux::kOpenWrite);
}

void* OpenWideDynamic(uint32_t** text, uint32_t* size) {
  auto* m = new (std::nothrow) Dynamic{reinterpret_cast<char**>(text), size, 4};
  io::IoFile* f = static_cast<io::IoFile*>(Attach(kDynamic, m, linux::kOpenWrite, 1));
  if (f != nullptr) io::Of(f)->unit = 4;
  return f;
}

}  // namespace tblibc::memstreams

extern "C" void* tblibc_fopencookie(void* cookie, const char* mode, uint32_t read,
                                    uint32_t write, uint32_t seek, uint32_t close) {
  using namespace tblibc;
  unsigned meanings = 0;
  if (mode != nullptr) {
    switch (mode[0]) {
      case 'r': meanings = linux::kOpenRead; break;
      case 'w': meanings = linux::kOpenWrite; break;
      case 'a': meanings = linux::kOpenWrite | linux::kOpenAppend; break;
    }
    if (meanings != 0 && std::strchr(mode, '+') != nullptr)
      meanings |= linux::kOpenRead | linux::kOpenWrite;
  }
  if (meanings == 0) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return memstreams::Attach(memstreams::kCookie,
                            new (std::nothrow) memstreams::Cookie{Address(cookie), read, write,
                                                                  seek, close},
                            meanings);
}
