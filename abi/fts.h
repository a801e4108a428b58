// The Linux i386 C library's file-tree walk (<fts.h>): the stream FTS and
// the entry FTSENT in glibc's three forms. A plain build's FTSENT has a
// 32-bit inode and points at a struct stat; _FILE_OFFSET_BITS=64 gives the
// 64-bit inode and a struct stat64 (fts64_*); _TIME_BITS=64 keeps that
// layout and points at the 64-bit-time struct stat (__fts64_*_time64).
// The stream is the same in all three. Offsets are checked below against a
// native i386 build of each form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/files.h"

namespace linux {

#pragma pack(push, 4)

// FTS; every pointer is a guest address.
struct Fts {
  uint32_t fts_cur;     // FTSENT*
  uint32_t fts_child;   // FTSENT*
  uint32_t fts_array;   // FTSENT**
  uint64_t fts_dev;
  uint32_t fts_path;    // char*
  int32_t fts_rfd;
  int32_t fts_pathlen;
  int32_t fts_nitems;
  uint32_t fts_compar;  // int (*)(const FTSENT**, const FTSENT**)
  int32_t fts_options;
};

// FTSENT, its name running on past the end of the record. `Ino` is the
// width of fts_ino, `Status` what fts_statp points at.
template <typename Ino, typename Status>
struct FtsEntry {
  using StatType = Status;
  uint32_t fts_cycle;    // FTSENT*
  uint32_t fts_parent;   // FTSENT*
  uint32_t fts_link;     // FTSENT*
  int32_t fts_number;
  uint32_t fts_pointer;  // void*
  uint32_t fts_accpath;  // char*
  uint32_t fts_path;     // char*
  int32_t fts_errno;
  int32_t fts_symfd;
  uint16_t fts_pathlen;
  uint16_t fts_namelen;
  Ino fts_ino;
  uint64_t fts_dev;
  uint32_t fts_nlink;
  int16_t fts_level;
  uint16_t fts_info;
  uint16_t fts_flags;
  uint16_t fts_instr;
  uint32_t fts_statp;    // Status*
  char fts_name[1];
};

using FtsEnt = FtsEntry<uint32_t, Stat>;          // fts_*
using FtsEnt64 = FtsEntry<uint64_t, Stat64>;      // fts64_*
using FtsEntTime64 = FtsEntry<uint64_t, StatTime64>;  // __fts64_*_time64

#pragma pack(pop)

static_assert(sizeof(Fts) == 44 && offsetof(Fts, fts_dev) == 12 &&
              offsetof(Fts, fts_path) == 20 && offsetof(Fts, fts_rfd) == 24 &&
              offsetof(Fts, fts_pathlen) == 28 &&
              offsetof(Fts, fts_nitems) == 32 &&
              offsetof(Fts, fts_compar) == 36 &&
              offsetof(Fts, fts_options) == 40);
static_assert(sizeof(FtsEnt) == 72 && offsetof(FtsEnt, fts_number) == 12 &&
              offsetof(FtsEnt, fts_accpath) == 20 &&
              offsetof(FtsEnt, fts_path) == 24 &&
              offsetof(FtsEnt, fts_errno) == 28 &&
              offsetof(FtsEnt, fts_symfd) == 32 &&
              offsetof(FtsEnt, fts_pathlen) == 36 &&
              offsetof(FtsEnt, fts_namelen) == 38 &&
              offsetof(FtsEnt, fts_ino) == 40 && offsetof(FtsEnt, fts_dev) == 44 &&
              offsetof(FtsEnt, fts_nlink) == 52 &&
              offsetof(FtsEnt, fts_level) == 56 &&
              offsetof(FtsEnt, fts_info) == 58 &&
              offsetof(FtsEnt, fts_flags) == 60 &&
              offsetof(FtsEnt, fts_instr) == 62 &&
              offsetof(FtsEnt, fts_statp) == 64 &&
              offsetof(FtsEnt, fts_name) == 68);
static_assert(sizeof(FtsEnt64) == 76 && offsetof(FtsEnt64, fts_pathlen) == 36 &&
              offsetof(FtsEnt64, fts_ino) == 40 &&
              offsetof(FtsEnt64, fts_dev) == 48 &&
              offsetof(FtsEnt64, fts_nlink) == 56 &&
              offsetof(FtsEnt64, fts_level) == 60 &&
              offsetof(FtsEnt64, fts_info) == 62 &&
              offsetof(FtsEnt64, fts_flags) == 64 &&
              offsetof(FtsEnt64, fts_instr) == 66 &&
              offsetof(FtsEnt64, fts_statp) == 68 &&
              offsetof(FtsEnt64, fts_name) == 72);
static_assert(sizeof(FtsEntTime64) == 76 &&
              offsetof(FtsEntTime64, fts_statp) == 68 &&
              offsetof(FtsEntTime64, fts_name) == 72);

// fts_open() options.
constexpr int32_t kFTS_COMFOLLOW = 0x0001;
constexpr int32_t kFTS_LOGICAL = 0x0002;
constexpr int32_t kFTS_NOCHDIR = 0x0004;
constexpr int32_t kFTS_NOSTAT = 0x0008;
constexpr int32_t kFTS_PHYSICAL = 0x0010;
constexpr int32_t kFTS_SEEDOT = 0x0020;
constexpr int32_t kFTS_XDEV = 0x0040;
constexpr int32_t kFTS_WHITEOUT = 0x0080;
constexpr int32_t kFTS_OPTIONMASK = 0x00ff;
constexpr int32_t kFTS_NAMEONLY = 0x0100;  // private: fts_children(FTS_NAMEONLY)
constexpr int32_t kFTS_STOP = 0x0200;      // private: an unrecoverable error

constexpr int16_t kFTS_ROOTPARENTLEVEL = -1;
constexpr int16_t kFTS_ROOTLEVEL = 0;

// fts_info.
constexpr uint16_t kFTS_D = 1, kFTS_DC = 2, kFTS_DEFAULT = 3, kFTS_DNR = 4,
                   kFTS_DOT = 5, kFTS_DP = 6, kFTS_ERR = 7, kFTS_F = 8,
                   kFTS_INIT = 9, kFTS_NS = 10, kFTS_NSOK = 11, kFTS_SL = 12,
                   kFTS_SLNONE = 13, kFTS_W = 14;
// fts_flags.
constexpr uint16_t kFTS_DONTCHDIR = 0x01, kFTS_SYMFOLLOW = 0x02;
// fts_instr, fts_set().
constexpr uint16_t kFTS_AGAIN = 1, kFTS_FOLLOW = 2, kFTS_NOINSTR = 3,
                   kFTS_SKIP = 4;

}  // namespace linux
