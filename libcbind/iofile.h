// The guest's FILE objects: glibc's struct _IO_FILE in its i386 layout
// (abi/streams.h), with buffers, positions and orientation kept as glibc
// keeps them, so that the inline getc/putc of <stdio.h> and gnulib's
// helpers that read the fields work on them. Every family that takes a
// FILE* (streams, printf, scanf, wide characters, errors) goes through here;
// what lies under a stream (a descriptor, memory, a command's pipe) is its
// backend.
//
// Failures leave the Linux errno in the guest's errno and set the stream's
// error indicator, as the Linux C library does.
#pragma once

#include <cstdint>

#include "abi/streams.h"

namespace tblibc::io {

using linux::IoFile;

struct Stream;

// Where a stream's bytes come from and go to. Each answers 0 or the Linux
// errno of its failure.
struct Backend {
  int (*read)(Stream& s, char* buffer, uint32_t count, uint32_t* done);
  int (*write)(Stream& s, const char* data, uint32_t count, uint32_t* done);
  // whence 0, 1, 2 as lseek's; the new position in *position.
  int (*seek)(Stream& s, int64_t offset, int whence, int64_t* position);
  // Ends what lies under the stream. *status is what fclose answers when
  // it is not 0 (a command's wait status).
  int (*close)(Stream& s, int32_t* status);
};

// The host side of a stream, found through the object's jump-table word.
struct Stream {
  IoFile* file = nullptr;  // where the guest's object lies
  const Backend* backend = nullptr;
  void* cookie = nullptr;  // the backend's own
  char* mainReadBase = nullptr;  // the main read area's base while in backup
  char* backup = nullptr;        // ungetc's area, filled from its end
  uint32_t backupSize = 0;
  Stream* next = nullptr;  // every open stream, newest first
  bool standard = false;   // stdin, stdout or stderr: never freed
  // ungetwc's characters that no byte can hold, the last pushed at the end.
  uint32_t* wideBackup = nullptr;
  uint32_t wideBackupCount = 0, wideBackupSize = 0;
  // Bytes per position: 4 under open_wmemstream, whose backend takes the
  // guest's wide characters whole and whose positions count them.
  uint32_t unit = 1;
  // Bytes in the write buffer beyond one for each wide character they were
  // written for: glibc's ftell counts a wide stream's pending characters,
  // not the bytes they become.
  int32_t wideExcess = 0;
};

// A new stream, linked in; `meanings` are linux::OpenMeaning bits; null
// with ENOMEM. An append-only stream starts
// at the end of its file.
IoFile* Open(const Backend& backend, void* cookie, int32_t fd,
             unsigned meanings);
// freopen's part: `f` writes out and ends what it had (errors ignored, as
// glibc does) and starts again on the new backend, in the same object.
void Reopen(IoFile* f, const Backend& backend, void* cookie, int32_t fd,
            unsigned meanings);
// fclose: 0, EOF, or the backend's status; `f` is gone after it (the
// standard three stay, closed).
int32_t Close(IoFile* f);

Stream* Of(IoFile* f);
IoFile* File(void* stream);
bool IsOpen(const IoFile* f);

// glibc's __underflow (the next byte, left in place), __uflow (taken) and
// __overflow (c stored, or with EOF what is buffered written out). The
// first two answer EOF on a wide-oriented stream, whose bytes are for the
// wide calls only, as glibc's do.
int Underflow(IoFile* f);
int Uflow(IoFile* f);
int Overflow(IoFile* f, int c);
// The wide calls' way to the bytes beneath: the next byte, left in place,
// whatever the orientation.
int WideUnderflow(IoFile* f);

// glibc's _IO_fwide(f, -1) == -1, asked by the byte calls that refuse a
// wide-oriented stream (fputs, fwrite, printf, scanf): an undecided stream
// becomes byte-oriented.
inline bool ByteOriented(IoFile* f) {
  if (f->mode == 0) f->mode = -1;
  return f->mode < 0;
}

// A wide character pushed back that is not the byte just read: read before
// the bytes, counted as one byte not yet read, dropped where the byte
// backup area is. While one waits the position is unknown: Tell fails
// with EINVAL, as glibc's does. False without memory.
bool PushWide(IoFile* f, uint32_t wc);
// The last pushed back, taken or left; false when none waits.
bool PendingWide(IoFile* f, uint32_t* wc, bool take);

inline int Getc(IoFile* f) {
  if (f->readPtr < f->readEnd) return static_cast<unsigned char>(*f->readPtr++);
  return Uflow(f);
}
inline int Putc(int c, IoFile* f) {
  if (f->writePtr < f->writeEnd)
    return static_cast<unsigned char>(*f->writePtr++ = static_cast<char>(c));
  return Overflow(f, static_cast<unsigned char>(c));
}

// How much of `count` bytes went in. kWriteFlushFailed: every byte was
// taken but writing them out failed (fwrite counts them, fputs fails).
constexpr uint32_t kWriteFlushFailed = 0xFFFFFFFF;
uint32_t Write(IoFile* f, const void* data, uint32_t count);
uint32_t Read(IoFile* f, void* buffer, uint32_t count);
int Unget(int c, IoFile* f);

int Flush(IoFile* f);    // fflush of one stream
int FlushAll();          // fflush(NULL): every writer
// At exit: every writer written out, and every buffered stream that was
// used gives back what it read ahead, as glibc's exit does, so that the
// next reader of a shared file (`{ prog; cat; } < file`) starts where the
// program stopped.
int EndAll();
void FlushLineBuffered();
// 0, or -1 with errno.
int Seek(IoFile* f, int64_t offset, int whence);
int64_t Tell(IoFile* f);

// setvbuf's mode (linux::k_IO*); EOF for an unknown one.
int SetBuffering(IoFile* f, char* buffer, int32_t mode, uint32_t size);
void SetBuffer(IoFile* f, char* buffer, uint32_t size);  // setbuffer
uint32_t BufferSize(IoFile* f);
uint32_t Pending(IoFile* f);
uint32_t ReadAhead(IoFile* f);
void Purge(IoFile* f);
bool Reading(const IoFile* f);
bool Writing(const IoFile* f);

// The standard streams, 0 to 2: where each object lies now.
IoFile* Standard(int fd);
// What the guest's `stdin`, `stdout` or `stderr` holds now: printf and its
// kin follow a program that points `stdout` at another stream, as glibc's
// do.
IoFile* Current(int fd);
// Start-up: the three objects, fresh; and the places that bind them. A
// guest's word holding the address (`stdout`) is kept, so that when the
// guest's image holds its own copy of the object (`_IO_2_1_stdout_`) the
// stream moves there and every word follows.
void StartStandardStreams(const Backend& descriptors);
void BindStandardWord(int fd, uint32_t address);
void BindStandardObject(int fd, uint32_t address, uint32_t size);

}  // namespace tblibc::io
