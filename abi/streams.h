// The Linux i386 C library's stream constants and position records, as a
// guest compiled against its headers sees them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

// setvbuf() buffering modes.
constexpr int32_t k_IOFBF = 0;
constexpr int32_t k_IOLBF = 1;
constexpr int32_t k_IONBF = 2;

constexpr int32_t kEOF = -1;
constexpr uint32_t kBUFSIZ = 8192;
// The size a guest gives tmpnam's buffer, terminator included.
constexpr uint32_t kL_tmpnam = 20;

// A conversion state as mbstate_t keeps it: a count and a pending value.
struct MbState {
  int32_t count;
  uint32_t value;
};

// fpos_t: a 32-bit offset and the stream's conversion state.
struct FilePosition {
  int32_t position;
  MbState state;
};
static_assert(sizeof(FilePosition) == 12);
static_assert(offsetof(FilePosition, position) == 0);
static_assert(offsetof(FilePosition, state) == 4);

// fpos64_t: the same with a 64-bit offset, which i386 aligns to 4 bytes.
struct FilePosition64 {
  uint32_t positionLow;
  int32_t positionHigh;
  MbState state;
};
static_assert(sizeof(FilePosition64) == 16);
static_assert(offsetof(FilePosition64, positionLow) == 0);
static_assert(offsetof(FilePosition64, state) == 8);

}  // namespace linux

namespace linux {

// glibc's struct _IO_FILE on i386, which compiled code reads and writes
// itself: the inline getc/putc of <stdio.h> move the read and write
// pointers, feof/ferror test the flags word, and gnulib's stdio helpers
// (freadahead, fpending, fseterr, fpurge) look at the backup area and the
// offset cache. Every offset such code uses is checked below.
struct IoFile {
  uint32_t flags;  // kIoMagic in the high half, kIo* bits in the low
  char* readPtr;
  char* readEnd;
  char* readBase;
  char* writeBase;
  char* writePtr;
  char* writeEnd;
  char* bufBase;
  char* bufEnd;
  char* saveBase;    // the main read area's rest while in the backup area
  char* backupBase;
  char* saveEnd;
  void* markers;
  IoFile* chain;
  int32_t fileno;
  int32_t flags2;
  int32_t oldOffset;
  uint16_t curColumn;
  int8_t vtableOffset;
  char shortbuf[1];  // the one-byte buffer of an unbuffered stream
  void* lock;
  uint32_t offsetLow;  // the offset cache: where the file is, -1 unknown
  int32_t offsetHigh;
  void* codecvt;
  void* wideData;
  IoFile* freeresList;
  void* freeresBuf;
  uint32_t pad5;
  int32_t mode;  // orientation: <0 bytes, >0 wide characters, 0 not yet
  char unused2[40];
};
static_assert(sizeof(IoFile) == 148);
static_assert(offsetof(IoFile, readPtr) == 4);
static_assert(offsetof(IoFile, readEnd) == 8);
static_assert(offsetof(IoFile, readBase) == 12);
static_assert(offsetof(IoFile, writeBase) == 16);
static_assert(offsetof(IoFile, writePtr) == 20);
static_assert(offsetof(IoFile, writeEnd) == 24);
static_assert(offsetof(IoFile, bufBase) == 28);
static_assert(offsetof(IoFile, bufEnd) == 32);
static_assert(offsetof(IoFile, saveBase) == 36);
static_assert(offsetof(IoFile, backupBase) == 40);
static_assert(offsetof(IoFile, saveEnd) == 44);
static_assert(offsetof(IoFile, chain) == 52);
static_assert(offsetof(IoFile, fileno) == 56);
static_assert(offsetof(IoFile, flags2) == 60);
static_assert(offsetof(IoFile, oldOffset) == 64);
static_assert(offsetof(IoFile, curColumn) == 68);
static_assert(offsetof(IoFile, vtableOffset) == 70);
static_assert(offsetof(IoFile, shortbuf) == 71);
static_assert(offsetof(IoFile, lock) == 72);
static_assert(offsetof(IoFile, offsetLow) == 76);
static_assert(offsetof(IoFile, mode) == 104);

// _IO_FILE_plus: the object and its jump-table word, the size of glibc's
// _IO_2_1_stdin_ and kin.
struct IoFilePlus {
  IoFile file;
  const void* vtable;
};
static_assert(sizeof(IoFilePlus) == 152);
static_assert(offsetof(IoFilePlus, vtable) == 148);

// The flags word.
constexpr uint32_t kIoMagic = 0xFBAD0000;
constexpr uint32_t kIoMagicMask = 0xFFFF0000;
constexpr uint32_t kIoUserBuf = 0x0001;
constexpr uint32_t kIoUnbuffered = 0x0002;
constexpr uint32_t kIoNoReads = 0x0004;
constexpr uint32_t kIoNoWrites = 0x0008;
constexpr uint32_t kIoEofSeen = 0x0010;
constexpr uint32_t kIoErrSeen = 0x0020;
constexpr uint32_t kIoLinked = 0x0080;
constexpr uint32_t kIoInBackup = 0x0100;
constexpr uint32_t kIoLineBuf = 0x0200;
constexpr uint32_t kIoTiedPutGet = 0x0400;
constexpr uint32_t kIoCurrentlyPutting = 0x0800;
constexpr uint32_t kIoIsAppending = 0x1000;
constexpr uint32_t kIoIsFilebuf = 0x2000;
constexpr uint32_t kIoUserLock = 0x8000;

// __fsetlocking's answers and requests.
constexpr int32_t kFSETLOCKING_QUERY = 0;
constexpr int32_t kFSETLOCKING_INTERNAL = 1;
constexpr int32_t kFSETLOCKING_BYCALLER = 2;

}  // namespace linux
