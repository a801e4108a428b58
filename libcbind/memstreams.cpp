// Memory streams over temporary host streams (memstreams.h).
//
// What the guest sees of its buffer follows the Linux C library: the bytes
// arrive when the stream is flushed, positioned or closed, never before;
// fmemopen puts a NUL after the furthest byte written when there is room,
// and in the last byte when a write reached the end (unless appending);
// bytes beyond the buffer are dropped and the flush fails; open_memstream
// hands over a NUL-terminated block of the loader's heap whose size is the
// stream's position, the block the guest frees once the stream is closed.
//
// Known limits of carrying the bytes this way: an fmemopen stream reads
// the buffer as it was when opened; the stream's copy is what counts while
// it is open (bytes the guest stores into the buffer meanwhile are written
// over at the next flush); a write-only memory stream can be read; fileno
// gives the temporary file's descriptor where Linux gives -1.
#include "libcbind/memstreams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "abi/files.h"
#include "abi/linux.h"
#include "libcbind/guest.h"
#include "platform/streams.h"

namespace tblibc::memstreams {
namespace {

struct MemoryStream {
  void* host = nullptr;
  bool dynamic = false;
  // fmemopen: the buffer and what the stream may do with it.
  char* buffer = nullptr;
  std::vector<char> own;  // when the guest gave no buffer
  size_t size = 0;
  bool writable = false;
  bool append = false;
  int64_t carriedEnd = 0;  // the data's end at the last carry
  // open_memstream: where the guest wants the block and its size.
  char** text = nullptr;
  uint32_t* textSize = nullptr;
  char* block = nullptr;
};

std::vector<MemoryStream> gStreams;

MemoryStream* Find(void* stream) {
  for (MemoryStream& m : gStreams)
    if (m.host == stream) return &m;
  return nullptr;
}

FILE* File(void* stream) { return static_cast<FILE*>(stream); }

// The host file's position; -1 when the host cannot tell.
int64_t Tell(void* host) {
  int64_t position = -1;
  platform::StreamTell(host, &position);
  return position;
}

// The host file's length; the position is kept.
int64_t Length(void* host) {
  const int64_t position = Tell(host);
  platform::StreamSeek(host, 0, 2);
  const int64_t end = Tell(host);
  platform::StreamSeek(host, position, 0);
  return end;
}

void ReadBack(void* host, char* target, size_t count) {
  platform::StreamSeek(host, 0, 0);
  const size_t got = std::fread(target, 1, count, File(host));
  if (got < count) std::memset(target + got, 0, count - got);
}

int CarryToBuffer(MemoryStream& m) {
  if (!m.writable) return 0;
  int64_t position = Tell(m.host);
  int64_t end = Length(m.host);
  const int64_t size = static_cast<int64_t>(m.size);
  int result = 0;
  if (end > size) {
    // Linux's buffer takes what fits; the rest is lost and the flush fails.
    platform::StreamTruncate(m.host, size);
    platform::StreamSetError(m.host);
    end = size;
    position = std::min(position, size);
    result = EOF;
  }
  ReadBack(m.host, m.buffer, static_cast<size_t>(end));
  if (end > m.carriedEnd) {
    if (end < size) {
      m.buffer[end] = '\0';
    } else if (!m.append && size > 0) {
      m.buffer[size - 1] = '\0';
      platform::StreamSeek(m.host, size - 1, 0);
      std::fputc('\0', File(m.host));
      std::fflush(File(m.host));
    }
  }
  m.carriedEnd = end;
  platform::StreamSeek(m.host, position, 0);
  return result;
}

int CarryToBlock(MemoryStream& m) {
  const int64_t position = Tell(m.host);
  const int64_t end = Length(m.host);
  const int64_t extent = std::max(position, end);
  if (position < 0 || end < 0 || extent > 0x7FFFFFFE) {
    SetErrno(linux::kEOVERFLOW);
    return EOF;
  }
  void* grown = GuestRealloc(m.block, static_cast<size_t>(extent) + 1);
  if (grown == nullptr) return EOF;
  m.block = static_cast<char*>(grown);
  ReadBack(m.host, m.block, static_cast<size_t>(end));
  std::memset(m.block + end, 0, static_cast<size_t>(extent - end) + 1);
  platform::StreamSeek(m.host, position, 0);
  *m.text = m.block;
  *m.textSize = static_cast<uint32_t>(position);
  return 0;
}

int FlushOne(MemoryStream& m) {
  if (std::fflush(File(m.host)) != 0) {
    TranslateErrno();
    return EOF;
  }
  return m.dynamic ? CarryToBlock(m) : CarryToBuffer(m);
}

void* Register(MemoryStream m) {
  gStreams.push_back(std::move(m));
  return gStreams.back().host;
}

}  // namespace

void* OpenBuffer(void* buffer, size_t size, unsigned flags) {
  MemoryStream m;
  if (buffer == nullptr) {
    m.own.assign(size + 1, '\0');
    buffer = m.own.data();
  }
  m.buffer = static_cast<char*>(buffer);
  m.size = size;
  m.writable = (flags & linux::kOpenWrite) != 0;
  m.append = (flags & linux::kOpenAppend) != 0;
  // What the stream starts with: the whole buffer to read or update, none
  // of it after a truncating mode, the text up to its NUL to append to.
  size_t start = size;
  if (flags & linux::kOpenTruncate) {
    start = 0;
    if ((flags & linux::kOpenRead) && size > 0) m.buffer[0] = '\0';
  } else if (m.append) {
    start = static_cast<size_t>(
        std::find(m.buffer, m.buffer + size, '\0') - m.buffer);
  }
  unsigned access = linux::kOpenRead;
  if (m.writable) access |= linux::kOpenWrite;
  if (m.append) access |= linux::kOpenAppend;
  if (const int e = platform::TemporaryStream(m.buffer, start, access, &m.host)) {
    SetErrno(e);
    return nullptr;
  }
  if (m.append) platform::StreamSeek(m.host, 0, 2);
  m.carriedEnd = static_cast<int64_t>(start);
  return Register(std::move(m));
}

void* OpenDynamic(char** text, uint32_t* size) {
  MemoryStream m;
  m.dynamic = true;
  m.writable = true;
  m.text = text;
  m.textSize = size;
  if (const int e = platform::TemporaryStream(
          nullptr, 0, linux::kOpenRead | linux::kOpenWrite, &m.host)) {
    SetErrno(e);
    return nullptr;
  }
  return Register(std::move(m));
}

bool Owns(void* stream) { return !gStreams.empty() && Find(stream) != nullptr; }

int Flush(void* stream) { return FlushOne(*Find(stream)); }

int FlushAll() {
  int result = 0;
  for (MemoryStream& m : gStreams)
    if (FlushOne(m) != 0) result = EOF;
  return result;
}

int Close(void* stream) {
  MemoryStream* m = Find(stream);
  int result = FlushOne(*m);
  if (m->dynamic && m->block == nullptr && result == 0) result = CarryToBlock(*m);
  std::clearerr(File(stream));
  if (std::fclose(File(stream)) != 0) result = EOF;
  gStreams.erase(gStreams.begin() + (m - gStreams.data()));
  return result;
}

// fmemopen's positions stay within the buffer; open_memstream's may pass
// the end, which the next flush fills with zeros.
int Seek(void* stream, int64_t offset, int whence) {
  MemoryStream& m = *Find(stream);
  const int flushed = FlushOne(m);
  int64_t base = 0;
  if (whence == 1) base = Tell(m.host);
  // open_memstream's end is the size it last reported, which the flush
  // above has just made the position.
  if (whence == 2) base = m.dynamic ? *m.textSize : Length(m.host);
  const int64_t target = base + offset;
  if (target < 0 || (!m.dynamic && target > static_cast<int64_t>(m.size))) {
    SetErrno(linux::kEINVAL);
    return -1;
  }
  // A gap left by a position past the data keeps the buffer's own bytes.
  const int64_t end = m.dynamic || !m.writable ? target : Length(m.host);
  if (target > end) {
    platform::StreamSeek(m.host, end, 0);
    std::fwrite(m.buffer + end, 1, static_cast<size_t>(target - end), File(m.host));
    std::fflush(File(m.host));
    m.carriedEnd = target;
  }
  if (const int e = platform::StreamSeek(m.host, target, 0)) {
    SetErrno(e);
    return -1;
  }
  return flushed == 0 ? 0 : -1;
}

}  // namespace tblibc::memstreams
