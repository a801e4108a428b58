// The stream machinery (iofile.h), after the Linux C library's own rules:
// when a buffer is made and how big, when it is written out, how reads and
// writes change places, what the offset cache and the backup area hold.
// Where the guest can see the difference (the bytes of each write, the
// answers of ftell, fflush and fclose, the fields its inline code reads),
// this does what glibc does.
#include "libcbind/iofile.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "abi/errno.h"
#include "abi/files.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"
#include "platform/files.h"

namespace tblibc::io {
namespace {

using namespace linux;

constexpr int kEof = -1;
constexpr int64_t kUnknown = -1;

int64_t Offset(const IoFile* f) {
  return static_cast<int64_t>((uint64_t{static_cast<uint32_t>(f->offsetHigh)} << 32) |
                              f->offsetLow);
}
void SetOffset(IoFile* f, int64_t offset) {
  f->offsetLow = static_cast<uint32_t>(offset);
  f->offsetHigh = static_cast<int32_t>(static_cast<uint64_t>(offset) >> 32);
}

Stream* gStreams;  // newest first

// A stream's object and its host record in one block (the standard three
// are static).
struct Block {
  IoFilePlus plus;
  Stream stream;
};

// glibc points `_lock` at a lock record; ours is never taken, one thread.
uint32_t gLockRecord[3];

void Link(Stream& s) {
  s.next = gStreams;
  gStreams = &s;
  s.file->chain = s.next != nullptr ? s.next->file : nullptr;
  s.file->flags |= kIoLinked;
}

void Unlink(Stream& s) {
  for (Stream** p = &gStreams; *p != nullptr; p = &(*p)->next) {
    if (*p != &s) continue;
    *p = s.next;
    // The object before it in glibc's chain now skips it.
    for (Stream* q = gStreams; q != nullptr; q = q->next)
      if (q->file->chain == s.file) q->file->chain = s.next != nullptr ? s.next->file : nullptr;
    break;
  }
  s.next = nullptr;
  s.file->flags &= ~kIoLinked;
}

void Prepare(IoFile* f, Stream& s, int32_t fd, unsigned meanings) {
  auto* plus = reinterpret_cast<IoFilePlus*>(f);
  std::memset(plus, 0, sizeof *plus);
  plus->vtable = &s;
  f->flags = kIoMagic | kIoIsFilebuf;
  if ((meanings & kOpenRead) == 0) f->flags |= kIoNoReads;
  if ((meanings & kOpenWrite) == 0) f->flags |= kIoNoWrites;
  if (meanings & kOpenAppend) f->flags |= kIoIsAppending;
  f->fileno = fd;
  f->oldOffset = -1;
  f->lock = gLockRecord;
  SetOffset(f, kUnknown);
  s.file = f;
  s.mainReadBase = nullptr;
}

// ---- Buffers ------------------------------------------------------------------

bool Putting(const IoFile* f) { return (f->flags & kIoCurrentlyPutting) != 0; }
bool InBackup(const IoFile* f) { return (f->flags & kIoInBackup) != 0; }
bool Owned(const IoFile* f) {
  return f->bufBase != nullptr && (f->flags & kIoUserBuf) == 0;
}

void SetBase(IoFile* f, char* base, char* end, bool ours) {
  if (Owned(f)) std::free(f->bufBase);
  f->bufBase = base;
  f->bufEnd = end;
  if (ours) f->flags &= ~kIoUserBuf;
  else f->flags |= kIoUserBuf;
}

// An empty read area and a write area that sends the first byte to
// Overflow, at the buffer's start.
void ResetAreas(IoFile* f) {
  f->readBase = f->readPtr = f->readEnd = f->bufBase;
  f->writeBase = f->writePtr = f->writeEnd = f->bufBase;
  Of(f)->wideExcess = 0;
}

// The write area of a stream that is putting: a line-buffered or
// unbuffered one sends every byte through Overflow.
char* WriteEnd(const IoFile* f) {
  return (f->flags & (kIoLineBuf | kIoUnbuffered)) != 0 && f->mode <= 0 ? f->bufBase
                                                                        : f->bufEnd;
}

// glibc's size: the file's block size, at most BUFSIZ; a terminal makes
// the stream line-buffered.
void Allocate(Stream& s) {
  IoFile* f = s.file;
  if (f->bufBase != nullptr) return;
  if ((f->flags & kIoUnbuffered) == 0) {
    uint32_t size = kBUFSIZ;
    if (f->fileno >= 0) {
      platform::FileStatus status;
      if (platform::DescriptorStatus(f->fileno, &status) == 0) {
        if (status.kind == platform::FileKind::kCharDevice &&
            platform::DescriptorIsTerminal(f->fileno))
          f->flags |= kIoLineBuf;
        if (status.blockSize > 0 && status.blockSize < size) size = status.blockSize;
      }
    }
    if (char* buffer = static_cast<char*>(std::malloc(size))) {
      SetBase(f, buffer, buffer + size, true);
      return;
    }
  }
  SetBase(f, f->shortbuf, f->shortbuf + 1, false);
}

// ---- The backup area ------------------------------------------------------------
//
// Bytes pushed back that are not the ones just read go to a backup area;
// while the stream reads from it, the main area's unread rest is kept in
// saveBase..saveEnd, where gnulib's freadahead looks for it.

void SwitchToMain(Stream& s) {
  IoFile* f = s.file;
  f->flags &= ~kIoInBackup;
  f->readBase = s.mainReadBase;
  f->readPtr = f->saveBase;
  f->readEnd = f->saveEnd;
  f->saveBase = f->saveEnd = nullptr;
}

void DropBackup(Stream& s) {
  if (InBackup(s.file)) SwitchToMain(s);
  s.wideBackupCount = 0;
}

uint32_t Unread(const IoFile* f) {
  uint32_t n = static_cast<uint32_t>(f->readEnd - f->readPtr);
  if (InBackup(f)) n += static_cast<uint32_t>(f->saveEnd - f->saveBase);
  return n;
}

// What the file has given beyond the guest's position: a wide character
// pushed back stands for the byte it came from.
uint32_t Unread(const Stream& s) { return Unread(s.file) + s.wideBackupCount; }

void FreeWideBackup(Stream& s) {
  std::free(s.wideBackup);
  s.wideBackup = nullptr;
  s.wideBackupCount = s.wideBackupSize = 0;
}

bool PushBack(Stream& s, char c) {
  IoFile* f = s.file;
  if (!InBackup(f)) {
    if (s.backup == nullptr) {
      s.backup = static_cast<char*>(std::malloc(16));
      if (s.backup == nullptr) return false;
      s.backupSize = 16;
    }
    s.mainReadBase = f->readBase;
    f->saveBase = f->readPtr;
    f->saveEnd = f->readEnd;
    f->readBase = f->backupBase = s.backup;
    f->readPtr = f->readEnd = s.backup + s.backupSize;
    f->flags |= kIoInBackup;
  }
  if (f->readPtr == f->readBase) {
    const uint32_t used = static_cast<uint32_t>(f->readEnd - f->readPtr);
    const uint32_t size = s.backupSize * 2;
    char* grown = static_cast<char*>(std::malloc(size));
    if (grown == nullptr) return false;
    std::memcpy(grown + size - used, f->readPtr, used);
    std::free(s.backup);
    s.backup = grown;
    s.backupSize = size;
    f->readBase = f->backupBase = grown;
    f->readEnd = grown + size;
    f->readPtr = f->readEnd - used;
  }
  *--f->readPtr = c;
  return true;
}

// ---- Writing out -------------------------------------------------------------------

// Every byte to the backend, as glibc's write loop does.
uint32_t WriteOut(Stream& s, const char* data, uint32_t count, int* error) {
  IoFile* f = s.file;
  uint32_t done = 0;
  *error = 0;
  while (done < count) {
    uint32_t n = 0;
    *error = s.backend->write(s, data + done, count - done, &n);
    if (*error == 0 && n == 0) *error = kENOSPC;
    if (*error != 0) break;
    done += n;
  }
  if (f->flags & kIoIsAppending) SetOffset(f, kUnknown);
  else if (Offset(f) >= 0) SetOffset(f, Offset(f) + done);
  return done;
}

// What glibc's new_do_write does with bytes outside the buffer: out they
// go, and the buffer starts empty. Bytes that fail are dropped, as glibc
// drops them; the stream is left consistent before a failure can become
// SIGPIPE, whose default action writes every stream out on the way.
uint32_t WriteDirect(Stream& s, const char* data, uint32_t count) {
  IoFile* f = s.file;
  int error = 0;
  const uint32_t done = WriteOut(s, data, count, &error);
  ResetAreas(f);
  if (Putting(f)) f->writeEnd = WriteEnd(f);
  if (error != 0) {
    f->flags |= kIoErrSeen;
    SetErrno(error);
    if (f->fileno >= 0) AfterFailedWrite(error, f->fileno);
  }
  return done;
}

int FlushWrites(Stream& s) {
  IoFile* f = s.file;
  const uint32_t count = static_cast<uint32_t>(f->writePtr - f->writeBase);
  if (count == 0) return 0;
  return WriteDirect(s, f->writeBase, count) == count ? 0 : kEof;
}

// The stream becomes a writer: what it had read ahead goes back to the
// file (glibc does the same seek before its next write).
int SwitchToPut(Stream& s) {
  IoFile* f = s.file;
  Allocate(s);
  const uint32_t unread = Unread(s);
  DropBackup(s);
  if (unread != 0 && (f->flags & kIoIsAppending) == 0) {
    int64_t position = 0;
    if (const int e = s.backend->seek(s, -static_cast<int64_t>(unread), 1, &position)) {
      f->flags |= kIoErrSeen;
      SetErrno(e);
      return kEof;
    }
    SetOffset(f, position);
  }
  ResetAreas(f);
  f->flags |= kIoCurrentlyPutting;
  f->writeEnd = WriteEnd(f);
  return 0;
}

int SwitchToGet(Stream& s) {
  IoFile* f = s.file;
  const int result = FlushWrites(s);
  f->flags &= ~kIoCurrentlyPutting;
  ResetAreas(f);
  return result;
}

// Reading a terminal or an unbuffered stream first shows a line-buffered
// standard output, as glibc does for prompts.
void ShowPrompt(const IoFile* f) {
  if ((f->flags & (kIoLineBuf | kIoUnbuffered)) == 0) return;
  IoFile* out = Current(1);
  if (out != nullptr && out != f && (out->flags & (kIoLinked | kIoNoWrites | kIoLineBuf)) ==
                      (kIoLinked | kIoLineBuf))
    Overflow(out, kEof);
}

int Fill(Stream& s) {
  IoFile* f = s.file;
  if (f->flags & kIoEofSeen) return kEof;
  if (f->flags & kIoNoReads) {
    f->flags |= kIoErrSeen;
    SetErrno(kEBADF);
    return kEof;
  }
  Allocate(s);
  ShowPrompt(f);
  ResetAreas(f);
  uint32_t done = 0;
  if (const int e = s.backend->read(s, f->bufBase,
                                    static_cast<uint32_t>(f->bufEnd - f->bufBase), &done)) {
    f->flags |= kIoErrSeen;
    SetErrno(e);
    return kEof;
  }
  if (done == 0) {
    f->flags |= kIoEofSeen;
    SetOffset(f, kUnknown);
    return kEof;
  }
  f->readEnd += done;
  if (Offset(f) >= 0) SetOffset(f, Offset(f) + done);
  return static_cast<unsigned char>(*f->readPtr);
}

// The unread bytes go back to the file by a seek; on a pipe they stay.
int SyncReads(Stream& s) {
  IoFile* f = s.file;
  const uint32_t unread = Unread(s);
  if (unread == 0) return 0;
  int64_t position = 0;
  const int e = s.backend->seek(s, -static_cast<int64_t>(unread), 1, &position);
  if (e == 0) {
    DropBackup(s);
    f->readEnd = f->readPtr;
    return 0;
  }
  if (e == kESPIPE) return 0;
  SetErrno(e);
  return kEof;
}

// ---- The standard three -------------------------------------------------------------

Block gStandard[3];
IoFile* gStandardAt[3];
std::vector<uint32_t> gStandardWords[3];

}  // namespace

Stream* Of(IoFile* f) {
  return static_cast<Stream*>(const_cast<void*>(reinterpret_cast<IoFilePlus*>(f)->vtable));
}

IoFile* File(void* stream) { return static_cast<IoFile*>(stream); }

bool IsOpen(const IoFile* f) {
  return f != nullptr && (f->flags & kIoMagicMask) == kIoMagic &&
         (f->flags & (kIoNoReads | kIoNoWrites)) != (kIoNoReads | kIoNoWrites);
}

IoFile* Open(const Backend& backend, void* cookie, int32_t fd, unsigned meanings) {
  auto* block = new (std::nothrow) Block;
  if (block == nullptr) {
    SetErrno(kENOMEM);
    return nullptr;
  }
  Stream& s = block->stream;
  s.backend = &backend;
  s.cookie = cookie;
  Prepare(&block->plus.file, s, fd, meanings);
  Link(s);
  IoFile* f = s.file;
  if ((f->flags & (kIoIsAppending | kIoNoReads)) == (kIoIsAppending | kIoNoReads)) {
    int64_t position = 0;
    if (backend.seek(s, 0, 2, &position) == 0) SetOffset(f, position);
  }
  return f;
}

void Reopen(IoFile* f, const Backend& backend, void* cookie, int32_t fd,
            unsigned meanings) {
  Stream& s = *Of(f);
  if (IsOpen(f)) {
    if (Putting(f)) FlushWrites(s);
    int32_t status = 0;
    s.backend->close(s, &status);
  }
  SetBase(f, nullptr, nullptr, true);
  std::free(s.backup);
  s.backup = nullptr;
  s.backupSize = 0;
  FreeWideBackup(s);
  Unlink(s);
  s.backend = &backend;
  s.cookie = cookie;
  Prepare(f, s, fd, meanings);
  Link(s);
}

int32_t Close(IoFile* f) {
  Stream& s = *Of(f);
  int32_t result = 0;
  if (Putting(f) && FlushWrites(s) != 0) result = kEof;
  int32_t status = 0;
  if (const int e = s.backend->close(s, &status)) {
    SetErrno(e);
    result = kEof;
  } else if (status != 0) {
    result = status;
  }
  Unlink(s);
  SetBase(f, nullptr, nullptr, true);
  std::free(s.backup);
  s.backup = nullptr;
  FreeWideBackup(s);
  if (s.standard) {
    // The object stays, closed as glibc leaves it: every later use fails.
    f->flags = kIoMagic | kIoIsFilebuf | kIoNoReads | kIoNoWrites | kIoTiedPutGet;
    f->fileno = -1;
    SetOffset(f, kUnknown);
    ResetAreas(f);
  } else {
    f->flags = 0;
    delete reinterpret_cast<Block*>(reinterpret_cast<char*>(&s) - offsetof(Block, stream));
  }
  return result;
}

// ---- Reading and writing ------------------------------------------------------------

int WideUnderflow(IoFile* f) {
  Stream& s = *Of(f);
  if (Putting(f) && SwitchToGet(s) != 0) return kEof;
  if (f->readPtr < f->readEnd) return static_cast<unsigned char>(*f->readPtr);
  if (InBackup(f)) {
    SwitchToMain(s);
    if (f->readPtr < f->readEnd) return static_cast<unsigned char>(*f->readPtr);
  }
  return Fill(s);
}

int Underflow(IoFile* f) {
  if (f->mode == 0) f->mode = -1;
  else if (f->mode > 0) return kEof;
  return WideUnderflow(f);
}

int Uflow(IoFile* f) {
  const int c = Underflow(f);
  if (c != kEof) ++f->readPtr;
  return c;
}

int Overflow(IoFile* f, int c) {
  Stream& s = *Of(f);
  if (f->flags & kIoNoWrites) {
    f->flags |= kIoErrSeen;
    SetErrno(kEBADF);
    return kEof;
  }
  if (f->mode == 0) f->mode = -1;
  if ((!Putting(f) || f->writeBase == nullptr) && SwitchToPut(s) != 0) return kEof;
  if (c == kEof) return FlushWrites(s);
  if (f->writePtr == f->bufEnd && FlushWrites(s) != 0) return kEof;
  *f->writePtr++ = static_cast<char>(c);
  if ((f->flags & kIoUnbuffered) != 0 || ((f->flags & kIoLineBuf) != 0 && c == '\n'))
    if (FlushWrites(s) != 0) return kEof;
  return static_cast<unsigned char>(c);
}

namespace {

// Through the buffer, a byte at a time where it is full.
uint32_t WriteBuffered(IoFile* f, const char* data, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    if (f->writePtr < f->writeEnd) {
      const uint32_t n = std::min<uint32_t>(count - done,
                                            static_cast<uint32_t>(f->writeEnd - f->writePtr));
      std::memcpy(f->writePtr, data + done, n);
      f->writePtr += n;
      done += n;
    } else if (Overflow(f, static_cast<unsigned char>(data[done])) == kEof) {
      break;
    } else {
      ++done;
    }
  }
  return done;
}

}  // namespace

// glibc's xsputn: fill the buffer; a line-buffered stream takes up to its
// last newline and writes out; what is left is written in whole blocks
// straight from the caller, and the rest buffered.
uint32_t Write(IoFile* f, const void* data, uint32_t count) {
  if (count == 0) return 0;
  const char* p = static_cast<const char*>(data);
  uint32_t todo = count, room = 0;
  bool mustFlush = false;
  if ((f->flags & kIoLineBuf) != 0 && Putting(f)) {
    room = static_cast<uint32_t>(f->bufEnd - f->writePtr);
    if (room >= todo) {
      for (const char* q = p + todo; q > p;) {
        if (*--q == '\n') {
          room = static_cast<uint32_t>(q - p) + 1;
          mustFlush = true;
          break;
        }
      }
    }
  } else if (f->writeEnd > f->writePtr) {
    room = static_cast<uint32_t>(f->writeEnd - f->writePtr);
  }
  if (room > 0) {
    room = std::min(room, todo);
    std::memcpy(f->writePtr, p, room);
    f->writePtr += room;
    p += room;
    todo -= room;
  }
  if (todo > 0 || mustFlush) {
    if (Overflow(f, kEof) == kEof) return todo == 0 ? kWriteFlushFailed : count - todo;
    const uint32_t block = static_cast<uint32_t>(f->bufEnd - f->bufBase);
    const uint32_t direct = todo - (block >= 128 ? todo % block : 0);
    if (direct > 0) {
      const uint32_t done = WriteDirect(*Of(f), p, direct);
      todo -= done;
      if (done < direct) return count - todo;
      p += direct;
    }
    if (todo > 0) todo -= WriteBuffered(f, p, todo);
  }
  return count - todo;
}

// glibc's xsgetn: from the buffer, then whole blocks straight into the
// caller's, the rest through the buffer.
uint32_t Read(IoFile* f, void* buffer, uint32_t count) {
  Stream& s = *Of(f);
  char* out = static_cast<char*>(buffer);
  uint32_t want = count;
  if (f->mode == 0) f->mode = -1;
  else if (f->mode > 0) return 0;
  if (Putting(f) && SwitchToGet(s) != 0) return 0;
  if (f->bufBase == nullptr) Allocate(s);
  while (want > 0) {
    const uint32_t have = static_cast<uint32_t>(f->readEnd - f->readPtr);
    if (want <= have) {
      std::memcpy(out, f->readPtr, want);
      f->readPtr += want;
      want = 0;
      break;
    }
    if (have > 0) {
      std::memcpy(out, f->readPtr, have);
      out += have;
      want -= have;
      f->readPtr += have;
    }
    if (InBackup(f)) {
      SwitchToMain(s);
      continue;
    }
    const uint32_t size = static_cast<uint32_t>(f->bufEnd - f->bufBase);
    if (want < size) {
      if (Fill(s) == kEof) break;
      continue;
    }
    if (f->flags & kIoEofSeen) break;
    if (f->flags & kIoNoReads) {
      f->flags |= kIoErrSeen;
      SetErrno(kEBADF);
      break;
    }
    ShowPrompt(f);
    ResetAreas(f);
    uint32_t n = want;
    if (size >= 128) n -= want % size;
    uint32_t done = 0;
    if (const int e = s.backend->read(s, out, n, &done)) {
      f->flags |= kIoErrSeen;
      SetErrno(e);
      break;
    }
    if (done == 0) {
      f->flags |= kIoEofSeen;
      break;
    }
    out += done;
    want -= done;
    if (Offset(f) >= 0) SetOffset(f, Offset(f) + done);
  }
  return count - want;
}

int Unget(int c, IoFile* f) {
  if (c == kEof) return kEof;
  Stream& s = *Of(f);
  if (Putting(f) && SwitchToGet(s) != 0) return kEof;
  if (f->readPtr > f->readBase && static_cast<unsigned char>(f->readPtr[-1]) ==
                                      static_cast<unsigned char>(c)) {
    --f->readPtr;
  } else if (!PushBack(s, static_cast<char>(c))) {
    return kEof;
  }
  f->flags &= ~kIoEofSeen;
  return static_cast<unsigned char>(c);
}

bool PushWide(IoFile* f, uint32_t wc) {
  Stream& s = *Of(f);
  if (Putting(f) && SwitchToGet(s) != 0) return false;
  if (s.wideBackupCount == s.wideBackupSize) {
    const uint32_t size = s.wideBackupSize != 0 ? 2 * s.wideBackupSize : 4;
    void* grown = std::realloc(s.wideBackup, size * sizeof(uint32_t));
    if (grown == nullptr) return false;
    s.wideBackup = static_cast<uint32_t*>(grown);
    s.wideBackupSize = size;
  }
  s.wideBackup[s.wideBackupCount++] = wc;
  f->flags &= ~kIoEofSeen;
  return true;
}

bool PendingWide(IoFile* f, uint32_t* wc, bool take) {
  Stream& s = *Of(f);
  if (s.wideBackupCount == 0) return false;
  *wc = s.wideBackup[s.wideBackupCount - 1];
  if (take) --s.wideBackupCount;
  return true;
}

// ---- Flushing and positions ---------------------------------------------------------

int Flush(IoFile* f) {
  Stream& s = *Of(f);
  if (!IsOpen(f)) {
    SetErrno(kEBADF);
    return kEof;
  }
  if (Putting(f) && FlushWrites(s) != 0) return kEof;
  if (SyncReads(s) != 0) return kEof;
  SetOffset(f, kUnknown);
  return 0;
}

int FlushAll() {
  int result = 0;
  for (Stream* s = gStreams; s != nullptr; s = s->next) {
    IoFile* f = s->file;
    if (Putting(f) && f->writePtr > f->writeBase && FlushWrites(*s) != 0) result = kEof;
  }
  return result;
}

int EndAll() {
  const int result = FlushAll();
  for (Stream* s = gStreams; s != nullptr; s = s->next) {
    const IoFile* f = s->file;
    if ((f->flags & kIoUnbuffered) == 0 && f->mode != 0 && !Putting(f)) SyncReads(*s);
  }
  return result;
}

void FlushLineBuffered() {
  for (Stream* s = gStreams; s != nullptr; s = s->next)
    if ((s->file->flags & kIoLineBuf) != 0 && Putting(s->file)) FlushWrites(*s);
}

int64_t Tell(IoFile* f) {
  Stream& s = *Of(f);
  if (!IsOpen(f)) {
    SetErrno(kEBADF);
    return -1;
  }
  if (s.wideBackupCount != 0) {
    SetErrno(kEINVAL);
    return -1;
  }
  const bool writing = f->writePtr > f->writeBase || Putting(f);
  // Bytes waiting on an appending stream ("a" or "a+") will land at the
  // end, wherever reading had got to: glibc asks the file for its end.
  const bool toEnd = f->writePtr > f->writeBase && (f->flags & kIoIsAppending) != 0;
  int64_t position = Offset(f);
  if (toEnd || position < 0) {
    if (const int e = s.backend->seek(s, 0, toEnd ? 2 : 1, &position)) {
      SetErrno(e);
      return -1;
    }
  }
  // Before its buffer exists a stream has nothing of its own to count,
  // and glibc leaves out even bytes pushed back: ungetc on a fresh stream
  // still reads 0 from ftell.
  if (f->bufBase != nullptr) {
    if (writing) position += f->writePtr - f->writeBase - s.wideExcess;
    else position -= Unread(f);
  }
  if (position < 0) {
    SetErrno(kEINVAL);
    return -1;
  }
  return position / s.unit;
}

int Seek(IoFile* f, int64_t offset, int whence) {
  Stream& s = *Of(f);
  if (whence < 0 || whence > 2) {
    SetErrno(kEINVAL);
    return -1;
  }
  if (!IsOpen(f)) {
    SetErrno(kEBADF);
    return -1;
  }
  if (Putting(f) && FlushWrites(s) != 0) return -1;
  offset *= s.unit;
  if (whence == 1) offset -= Unread(s);
  int64_t position = 0;
  if (const int e = s.backend->seek(s, offset, whence, &position)) {
    SetErrno(e);
    return -1;
  }
  DropBackup(s);
  f->flags &= ~(kIoEofSeen | kIoCurrentlyPutting);
  ResetAreas(f);
  SetOffset(f, position);
  return 0;
}

// ---- Buffering ----------------------------------------------------------------------

namespace {

// glibc's setbuf of a file stream: written out, then the new buffer (or
// the one-byte one), empty.
int Rebuffer(IoFile* f, char* buffer, uint32_t size) {
  Stream& s = *Of(f);
  if (Putting(f) && FlushWrites(s) != 0) return kEof;
  if (SyncReads(s) != 0) return kEof;
  DropBackup(s);
  if (buffer == nullptr || size == 0) {
    f->flags |= kIoUnbuffered;
    SetBase(f, f->shortbuf, f->shortbuf + 1, false);
  } else {
    f->flags &= ~kIoUnbuffered;
    SetBase(f, buffer, buffer + size, false);
  }
  // The write area stays empty even on a writer, as glibc leaves it: until
  // the next write-out every byte goes through Overflow, and the first
  // block write sends those bytes out before the block.
  ResetAreas(f);
  return 0;
}

}  // namespace

int SetBuffering(IoFile* f, char* buffer, int32_t mode, uint32_t size) {
  switch (mode) {
    case k_IOFBF:
      f->flags &= ~(kIoLineBuf | kIoUnbuffered);
      if (buffer == nullptr) {
        // Asked for now, so that a terminal's default cannot make it
        // line-buffered later.
        if (f->bufBase == nullptr) {
          Allocate(*Of(f));
          f->flags &= ~kIoLineBuf;
        }
        return 0;
      }
      break;
    case k_IOLBF:
      f->flags &= ~kIoUnbuffered;
      f->flags |= kIoLineBuf;
      if (buffer == nullptr) return 0;
      break;
    case k_IONBF:
      f->flags &= ~kIoLineBuf;
      f->flags |= kIoUnbuffered;
      buffer = nullptr;
      size = 0;
      break;
    default:
      return kEof;
  }
  return Rebuffer(f, buffer, size);
}

void SetBuffer(IoFile* f, char* buffer, uint32_t size) {
  f->flags &= ~kIoLineBuf;
  Rebuffer(f, buffer, buffer != nullptr ? size : 0);
}

uint32_t BufferSize(IoFile* f) { return static_cast<uint32_t>(f->bufEnd - f->bufBase); }
uint32_t Pending(IoFile* f) { return static_cast<uint32_t>(f->writePtr - f->writeBase); }
uint32_t ReadAhead(IoFile* f) { return Putting(f) ? 0 : Unread(f); }

void Purge(IoFile* f) {
  DropBackup(*Of(f));
  ResetAreas(f);
  if (Putting(f)) f->writeEnd = WriteEnd(f);
}

bool Reading(const IoFile* f) {
  return (f->flags & kIoNoWrites) != 0 ||
         ((f->flags & (kIoCurrentlyPutting | kIoNoReads)) == 0 && f->readBase != nullptr);
}

bool Writing(const IoFile* f) {
  return (f->flags & (kIoNoReads | kIoCurrentlyPutting)) != 0;
}

// ---- The standard streams --------------------------------------------------------------

IoFile* Standard(int fd) { return gStandardAt[fd]; }

IoFile* Current(int fd) {
  if (gStandardWords[fd].empty()) return gStandardAt[fd];
  uint32_t value;
  std::memcpy(&value, reinterpret_cast<const void*>(uintptr_t{gStandardWords[fd].front()}), 4);
  return reinterpret_cast<IoFile*>(uintptr_t{value});
}

// glibc's chain runs stderr, stdout, stdin; standard error is unbuffered.
void StartStandardStreams(const Backend& descriptors) {
  static constexpr unsigned kMeanings[] = {kOpenRead, kOpenWrite, kOpenWrite};
  gStreams = nullptr;
  for (int fd = 0; fd < 3; ++fd) {
    Stream& s = gStandard[fd].stream;
    s = Stream{};
    s.backend = &descriptors;
    s.standard = true;
    Prepare(&gStandard[fd].plus.file, s, fd, kMeanings[fd]);
    gStandardAt[fd] = s.file;
    gStandardWords[fd].clear();
    Link(s);
  }
  gStandard[2].plus.file.flags |= kIoUnbuffered;
}

void BindStandardWord(int fd, uint32_t address) {
  const uint32_t value = Address(gStandardAt[fd]);
  std::memcpy(reinterpret_cast<void*>(uintptr_t{address}), &value, 4);
  gStandardWords[fd].push_back(address);
}

// Only a copy that can hold the whole object takes the stream.
void BindStandardObject(int fd, uint32_t address, uint32_t size) {
  if (size < sizeof(IoFilePlus)) return;
  auto* target = reinterpret_cast<IoFile*>(uintptr_t{address});
  IoFile* current = gStandardAt[fd];
  if (target == current) return;
  std::memcpy(target, current, sizeof(IoFilePlus));
  if (current->bufBase == current->shortbuf) {
    target->bufBase = target->shortbuf;
    target->bufEnd = target->shortbuf + 1;
    ResetAreas(target);
  }
  Stream& s = gStandard[fd].stream;
  s.file = target;
  for (Stream* q = gStreams; q != nullptr; q = q->next)
    if (q->file->chain == current) q->file->chain = target;
  gStandardAt[fd] = target;
  for (const uint32_t word : gStandardWords[fd]) {
    const uint32_t value = address;
    std::memcpy(reinterpret_cast<void*>(uintptr_t{word}), &value, 4);
  }
}

}  // namespace tblibc::io
