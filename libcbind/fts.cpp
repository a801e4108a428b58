// File-tree walks: fts_open, fts_read, fts_children, fts_set, fts_close,
// in glibc's three forms (plain, fts64_*, __fts64_*_time64), one
// implementation over the form's FTSENT (abi/fts.h).
//
// Everything the guest reads lives in guest memory from the loader's heap,
// laid out and linked as glibc links it: the FTS, every FTSENT with its
// name and its status record in the same block, the one path buffer that
// every entry's fts_path points into (so an entry's path reads right while
// it is the current one, and the buffer moves when it grows), the array the
// comparator sorts. Entries are freed when the walk leaves them, as glibc
// frees them: a sibling when the next one is read, a directory after its
// postorder visit; the rest by fts_close. The guest's comparator is called
// with the addresses of two FTSENT pointers, as qsort calls it.
//
// The walk never changes the process's directory. glibc changes into each
// directory unless FTS_NOCHDIR is given (FTS_LOGICAL sets it), and then
// gives an entry's fts_accpath relative to that directory (its name); here
// every walk goes as glibc's FTS_NOCHDIR walk goes, so fts_accpath is
// always the whole path (the same text as fts_path), which reaches the same
// file from the directory the process is still in. fts_options reads as
// glibc leaves it (FTS_NOCHDIR added for FTS_LOGICAL only); fts_rfd, the
// descriptor glibc keeps to come back to the starting directory, is -1, and
// no entry's fts_symfd is opened.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "abi/errno.h"
#include "abi/files.h"
#include "abi/fts.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "platform/files.h"
#include "runtime/heap.h"

namespace {

using linux::Fts;
using tblibc::Address;
using tblibc::SetErrno;

template <typename T>
T* At(uint32_t address) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}

void Free(uint32_t address) {
  if (address != 0) rtl::HeapFree(At<void>(address));
}

bool IsSet(const Fts* sp, int32_t option) { return (sp->fts_options & option) != 0; }

bool IsDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// fts_build's callers.
enum class Build { kChildren, kNames, kRead };

// The status record of the form: false (errno set) when the file's fields
// do not fit it.
bool Fill(const platform::FileStatus& s, linux::Stat* out) {
  if (tblibc::files::ToStat(s, out)) return true;
  SetErrno(linux::kEOVERFLOW);
  return false;
}
bool Fill(const platform::FileStatus& s, linux::Stat64* out) {
  tblibc::files::ToStat64(s, out);
  return true;
}
bool Fill(const platform::FileStatus& s, linux::StatTime64* out) {
  tblibc::files::ToStatTime64(s, out);
  return true;
}

template <typename Entry>
struct Walk {
  using Status = typename Entry::StatType;

  static Entry* Ent(uint32_t address) { return At<Entry>(address); }
  static char* Path(const Fts* sp) { return At<char>(sp->fts_path); }

  // An entry with its name and, unless FTS_NOSTAT, room for its status
  // record after the name, 4-aligned.
  static Entry* Alloc(Fts* sp, const char* name, size_t length) {
    size_t size = sizeof(Entry) + length;
    if (!IsSet(sp, linux::kFTS_NOSTAT)) size += sizeof(Status) + 3;
    auto* p = static_cast<Entry*>(tblibc::GuestAlloc(size));
    if (p == nullptr) return nullptr;
    std::memset(p, 0, sizeof(Entry));
    std::memcpy(p->fts_name, name, length);
    p->fts_name[length] = '\0';
    if (!IsSet(sp, linux::kFTS_NOSTAT))
      p->fts_statp = (Address(p->fts_name + length + 2) + 3) & ~uint32_t{3};
    p->fts_namelen = static_cast<uint16_t>(length);
    p->fts_path = sp->fts_path;
    p->fts_instr = linux::kFTS_NOINSTR;
    return p;
  }

  static void FreeList(uint32_t head) {
    while (head != 0) {
      const uint32_t next = Ent(head)->fts_link;
      Free(head);
      head = next;
    }
  }

  // The path buffer grown by `more` and 256 bytes; false with errno set
  // (and the buffer gone) when it cannot be, as glibc's fts_palloc.
  static bool GrowPath(Fts* sp, size_t more) {
    const int64_t wanted = int64_t{sp->fts_pathlen} + int64_t(more) + 256;
    if (wanted >= 0xFFFF) {
      Free(sp->fts_path);
      sp->fts_path = 0;
      SetErrno(linux::kENAMETOOLONG);
      return false;
    }
    sp->fts_pathlen = static_cast<int32_t>(wanted);
    void* grown = tblibc::GuestRealloc(At<void>(sp->fts_path), size_t(wanted));
    if (grown == nullptr) {
      Free(sp->fts_path);
      sp->fts_path = 0;
      return false;
    }
    sp->fts_path = Address(grown);
    return true;
  }

  // After the path buffer moved: every entry still reachable points at
  // the new one.
  static void AdjustPaths(Fts* sp, uint32_t head) {
    const uint32_t base = sp->fts_path;
    auto adjust = [base](Entry* p) {
      if (p->fts_accpath != Address(p->fts_name))
        p->fts_accpath = base + (p->fts_accpath - p->fts_path);
      p->fts_path = base;
    };
    for (uint32_t p = sp->fts_child; p != 0; p = Ent(p)->fts_link) adjust(Ent(p));
    for (uint32_t p = head; p != 0 && Ent(p)->fts_level >= linux::kFTS_ROOTLEVEL;) {
      adjust(Ent(p));
      p = Ent(p)->fts_link != 0 ? Ent(p)->fts_link : Ent(p)->fts_parent;
    }
  }

  // The length of p's path without a trailing slash of its own.
  static size_t PathEnd(const Entry* p) {
    return At<char>(p->fts_path)[p->fts_pathlen - 1] == '/' ? p->fts_pathlen - 1u
                                                            : p->fts_pathlen;
  }

  // Orders `count` entries linked from `head` with the guest's comparator,
  // through the stream's array, as glibc's fts_sort.
  static uint32_t Sort(Fts* sp, uint32_t head, int32_t count) {
    if (count > sp->fts_nitems) {
      const int32_t room = count + 40;
      void* array = tblibc::GuestRealloc(At<void>(sp->fts_array),
                                         size_t(room) * sizeof(uint32_t));
      if (array == nullptr) {
        Free(sp->fts_array);
        sp->fts_array = 0;
        sp->fts_nitems = 0;
        return head;
      }
      sp->fts_array = Address(array);
      sp->fts_nitems = room;
    }
    std::vector<uint32_t> items;
    for (uint32_t p = head; p != 0; p = Ent(p)->fts_link) items.push_back(p);
    tblibc::files::SortByGuest(&items, sp->fts_compar);
    uint32_t* array = At<uint32_t>(sp->fts_array);
    std::copy(items.begin(), items.end(), array);
    for (size_t i = 0; i + 1 < items.size(); ++i) Ent(items[i])->fts_link = items[i + 1];
    Ent(items.back())->fts_link = 0;
    return items.front();
  }

  // What the entry is, from its status (followed through a link on a
  // logical walk or when asked), with the status record filled.
  static uint16_t StatOf(Fts* sp, Entry* p, bool follow) {
    Status scratch;
    Status* record = IsSet(sp, linux::kFTS_NOSTAT) ? &scratch : At<Status>(p->fts_statp);
    const char* path = At<char>(p->fts_accpath);
    platform::FileStatus s;
    int code = 0;
    if (IsSet(sp, linux::kFTS_LOGICAL) || follow) {
      code = platform::PathStatus(path, true, &s);
      if (code != 0) {
        platform::FileStatus link;
        if (platform::PathStatus(path, false, &link) == 0 && Fill(link, record)) {
          SetErrno(0);
          return linux::kFTS_SLNONE;
        }
      }
    } else {
      code = platform::PathStatus(path, false, &s);
    }
    if (code == 0 && !Fill(s, record)) code = tblibc::Errno();
    if (code != 0) {
      p->fts_errno = code;
      std::memset(record, 0, sizeof *record);
      return linux::kFTS_NS;
    }
    if (s.kind == platform::FileKind::kDirectory) {
      p->fts_dev = record->st_dev;
      p->fts_ino = static_cast<decltype(p->fts_ino)>(record->st_ino);
      p->fts_nlink = record->st_nlink;
      if (IsDot(p->fts_name)) return linux::kFTS_DOT;
      for (uint32_t t = p->fts_parent;
           t != 0 && Ent(t)->fts_level >= linux::kFTS_ROOTLEVEL; t = Ent(t)->fts_parent) {
        if (Ent(t)->fts_ino == p->fts_ino && Ent(t)->fts_dev == p->fts_dev) {
          p->fts_cycle = t;
          return linux::kFTS_DC;
        }
      }
      return linux::kFTS_D;
    }
    if (s.kind == platform::FileKind::kSymlink) return linux::kFTS_SL;
    if (s.kind == platform::FileKind::kRegular) return linux::kFTS_F;
    return linux::kFTS_DEFAULT;
  }

  // The entries of the current directory, linked and sorted, as glibc's
  // fts_build reads them on a walk that does not change directory; null
  // with the directory's fts_info set (FTS_DNR, or FTS_DP when it is empty)
  // when fts_read asked.
  static uint32_t BuildList(Fts* sp, Build type) {
    Entry* cur = Ent(sp->fts_cur);
    std::vector<platform::DirectoryEntry> entries;
    const int listed = platform::ListDirectory(At<char>(cur->fts_accpath), &entries);
    if (listed != 0) {
      if (type == Build::kRead) {
        cur->fts_info = linux::kFTS_DNR;
        cur->fts_errno = listed;
      }
      SetErrno(listed);
      return 0;
    }
    // How many more directories there may be, when FTS_NOSTAT on a
    // physical walk lets the link count save status calls; 0 when no
    // status is wanted at all, -1 when every entry is looked at.
    int64_t links = -1;
    bool nostat = false;
    if (type == Build::kNames) {
      links = 0;
    } else if (IsSet(sp, linux::kFTS_NOSTAT) && IsSet(sp, linux::kFTS_PHYSICAL)) {
      links = int64_t{cur->fts_nlink} - (IsSet(sp, linux::kFTS_SEEDOT) ? 0 : 2);
      nostat = true;
    }
    size_t length = PathEnd(cur);
    uint32_t cursor = sp->fts_path + length;  // where a child's name goes
    *At<char>(cursor++) = '/';
    ++length;
    size_t room = size_t(sp->fts_pathlen) - length;
    const int16_t level = static_cast<int16_t>(cur->fts_level + 1);
    bool moved = false;
    uint32_t head = 0, tail = 0;
    int32_t count = 0;
    auto fail = [&](Entry* p, int32_t error) {
      if (p != nullptr) Free(Address(p));
      FreeList(head);
      cur->fts_info = linux::kFTS_ERR;
      sp->fts_options |= linux::kFTS_STOP;
      SetErrno(error);
      return uint32_t{0};
    };
    for (const platform::DirectoryEntry& d : entries) {
      if (!IsSet(sp, linux::kFTS_SEEDOT) && IsDot(d.name.c_str())) continue;
      const size_t nameLength = d.name.size();
      Entry* p = Alloc(sp, d.name.c_str(), nameLength);
      if (p == nullptr) return fail(nullptr, tblibc::Errno());
      if (nameLength >= room) {
        const uint32_t before = sp->fts_path;
        if (!GrowPath(sp, nameLength + length + 1)) return fail(p, tblibc::Errno());
        if (before != sp->fts_path) {
          moved = true;
          cursor = sp->fts_path + length;
        }
        room = size_t(sp->fts_pathlen) - length;
      }
      if (length + nameLength >= 0xFFFF) return fail(p, linux::kENAMETOOLONG);
      p->fts_level = level;
      p->fts_parent = sp->fts_cur;
      p->fts_pathlen = static_cast<uint16_t>(length + nameLength);
      p->fts_accpath = p->fts_path;
      const bool notDirectory = d.kind != platform::FileKind::kDirectory &&
                                d.kind != platform::FileKind::kUnknown;
      if (links == 0 || (nostat && notDirectory)) {
        p->fts_info = linux::kFTS_NSOK;
      } else {
        std::memmove(At<char>(cursor), p->fts_name, nameLength + 1);
        p->fts_info = StatOf(sp, p, false);
        if (links > 0 && (p->fts_info == linux::kFTS_D || p->fts_info == linux::kFTS_DC ||
                          p->fts_info == linux::kFTS_DOT))
          --links;
      }
      p->fts_link = 0;
      if (head == 0) head = Address(p);
      else Ent(tail)->fts_link = Address(p);
      tail = Address(p);
      ++count;
    }
    if (moved) AdjustPaths(sp, head);
    // The path back as it was: the directory's own.
    if (length == size_t(sp->fts_pathlen) || count == 0) --cursor;
    *At<char>(cursor) = '\0';
    if (count == 0) {
      if (type == Build::kRead) cur->fts_info = linux::kFTS_DP;
      return 0;
    }
    if (sp->fts_compar != 0 && count > 1) head = Sort(sp, head, count);
    return head;
  }

  // A root about to be visited: its whole name into the path buffer, its
  // fts_name cut to the last component.
  static void Load(Fts* sp, Entry* p) {
    size_t length = p->fts_namelen;
    p->fts_pathlen = p->fts_namelen;
    std::memmove(Path(sp), p->fts_name, length + 1);
    char* slash = std::strrchr(p->fts_name, '/');
    if (slash != nullptr && (slash != p->fts_name || slash[1] != '\0')) {
      ++slash;
      length = std::strlen(slash);
      std::memmove(p->fts_name, slash, length + 1);
      p->fts_namelen = static_cast<uint16_t>(length);
    }
    p->fts_accpath = p->fts_path = sp->fts_path;
    sp->fts_dev = p->fts_dev;
  }

  static Fts* Open(const uint32_t* argv, int32_t options, uint32_t compar) {
    if (options & ~linux::kFTS_OPTIONMASK) {
      SetErrno(linux::kEINVAL);
      return nullptr;
    }
    auto* sp = static_cast<Fts*>(tblibc::GuestAlloc(sizeof(Fts)));
    if (sp == nullptr) return nullptr;
    std::memset(sp, 0, sizeof *sp);
    sp->fts_compar = compar;
    sp->fts_options = options;
    sp->fts_rfd = -1;
    if (IsSet(sp, linux::kFTS_LOGICAL)) sp->fts_options |= linux::kFTS_NOCHDIR;
    size_t longest = 0;
    for (const uint32_t* a = argv; *a != 0; ++a)
      longest = std::max(longest, std::strlen(At<char>(*a)));
    if (!GrowPath(sp, std::max<size_t>(longest + 1, 1024))) {
      Free(Address(sp));
      return nullptr;
    }
    std::memset(Path(sp), 0, size_t(sp->fts_pathlen));
    Entry* parent = nullptr;
    uint32_t root = 0, tail = 0;
    auto undo = [&] {
      FreeList(root);
      if (parent != nullptr) Free(Address(parent));
      Free(sp->fts_path);
      Free(Address(sp));
      return nullptr;
    };
    if (*argv != 0) {
      parent = Alloc(sp, "", 0);
      if (parent == nullptr) return undo();
      parent->fts_level = linux::kFTS_ROOTPARENTLEVEL;
    }
    int32_t count = 0;
    for (const uint32_t* a = argv; *a != 0; ++a, ++count) {
      const char* name = At<char>(*a);
      const size_t length = std::strlen(name);
      if (length == 0) {
        SetErrno(linux::kENOENT);
        return undo();
      }
      Entry* p = Alloc(sp, name, length);
      if (p == nullptr) return undo();
      p->fts_level = linux::kFTS_ROOTLEVEL;
      p->fts_parent = Address(parent);
      p->fts_accpath = Address(p->fts_name);
      p->fts_info = StatOf(sp, p, IsSet(sp, linux::kFTS_COMFOLLOW));
      // A "." or ".." given is a directory like any other.
      if (p->fts_info == linux::kFTS_DOT) p->fts_info = linux::kFTS_D;
      if (compar != 0) {
        p->fts_link = root;
        root = Address(p);
      } else {
        if (root == 0) root = Address(p);
        else Ent(tail)->fts_link = Address(p);
        tail = Address(p);
      }
    }
    if (compar != 0 && count > 1) root = Sort(sp, root, count);
    // A node before the roots, as if just finished: fts_read goes on from it.
    Entry* start = Alloc(sp, "", 0);
    if (start == nullptr) return undo();
    start->fts_link = root;
    start->fts_parent = Address(parent);
    start->fts_info = linux::kFTS_INIT;
    sp->fts_cur = Address(start);
    return sp;
  }

  static Entry* Read(Fts* sp) {
    if (sp->fts_cur == 0 || IsSet(sp, linux::kFTS_STOP)) return nullptr;
    Entry* p = Ent(sp->fts_cur);
    const uint16_t instr = p->fts_instr;
    p->fts_instr = linux::kFTS_NOINSTR;

    if (instr == linux::kFTS_AGAIN) {
      p->fts_info = StatOf(sp, p, false);
      return p;
    }
    if (instr == linux::kFTS_FOLLOW &&
        (p->fts_info == linux::kFTS_SL || p->fts_info == linux::kFTS_SLNONE)) {
      p->fts_info = StatOf(sp, p, true);
      return p;
    }

    if (p->fts_info == linux::kFTS_D) {
      // Skipped, or across a mount point: straight to its postorder visit.
      if (instr == linux::kFTS_SKIP ||
          (IsSet(sp, linux::kFTS_XDEV) && p->fts_dev != sp->fts_dev)) {
        if (sp->fts_child != 0) {
          FreeList(sp->fts_child);
          sp->fts_child = 0;
        }
        p->fts_info = linux::kFTS_DP;
        return p;
      }
      // Names only were read (fts_children): read them again, whole.
      if (sp->fts_child != 0 && IsSet(sp, linux::kFTS_NAMEONLY)) {
        sp->fts_options &= ~linux::kFTS_NAMEONLY;
        FreeList(sp->fts_child);
        sp->fts_child = 0;
      }
      if (sp->fts_child == 0) {
        sp->fts_child = BuildList(sp, Build::kRead);
        if (sp->fts_child == 0) return IsSet(sp, linux::kFTS_STOP) ? nullptr : p;
      }
      p = Ent(sp->fts_child);
      sp->fts_child = 0;
      sp->fts_cur = Address(p);
      return Named(sp, p);
    }

    // The next entry of this level.
    for (;;) {
      Entry* left = p;
      if (p->fts_link == 0) break;
      p = Ent(p->fts_link);
      sp->fts_cur = Address(p);
      Free(Address(left));
      if (p->fts_level == linux::kFTS_ROOTLEVEL) {
        Load(sp, p);
        return p;
      }
      if (p->fts_instr == linux::kFTS_SKIP) continue;
      if (p->fts_instr == linux::kFTS_FOLLOW) {
        p->fts_info = StatOf(sp, p, true);
        p->fts_instr = linux::kFTS_NOINSTR;
      }
      return Named(sp, p);
    }

    // Up to the parent, for its postorder visit.
    Entry* left = p;
    sp->fts_cur = p->fts_parent;
    Free(Address(left));
    p = Ent(sp->fts_cur);
    if (p == nullptr || p->fts_level == linux::kFTS_ROOTPARENTLEVEL) {
      if (p != nullptr) Free(Address(p));
      SetErrno(0);
      sp->fts_cur = 0;
      return nullptr;
    }
    Path(sp)[p->fts_pathlen] = '\0';
    p->fts_info = p->fts_errno != 0 ? linux::kFTS_ERR : linux::kFTS_DP;
    return p;
  }

  // p's name after its parent's path in the buffer.
  static Entry* Named(Fts* sp, Entry* p) {
    char* t = Path(sp) + PathEnd(Ent(p->fts_parent));
    *t++ = '/';
    std::memmove(t, p->fts_name, size_t(p->fts_namelen) + 1);
    return p;
  }

  static Entry* Children(Fts* sp, int32_t instr) {
    if (instr != 0 && instr != linux::kFTS_NAMEONLY) {
      SetErrno(linux::kEINVAL);
      return nullptr;
    }
    Entry* p = Ent(sp->fts_cur);
    SetErrno(0);  // an empty directory told from a failure
    if (p == nullptr || IsSet(sp, linux::kFTS_STOP)) return nullptr;
    if (p->fts_info == linux::kFTS_INIT) return Ent(p->fts_link);
    if (p->fts_info != linux::kFTS_D) return nullptr;
    if (sp->fts_child != 0) FreeList(sp->fts_child);
    sp->fts_child = 0;
    Build type = Build::kChildren;
    if (instr == linux::kFTS_NAMEONLY) {
      sp->fts_options |= linux::kFTS_NAMEONLY;
      type = Build::kNames;
    }
    sp->fts_child = BuildList(sp, type);
    return Ent(sp->fts_child);
  }

  static int32_t Set(Entry* p, int32_t instr) {
    if (instr != 0 && instr != linux::kFTS_AGAIN && instr != linux::kFTS_FOLLOW &&
        instr != linux::kFTS_NOINSTR && instr != linux::kFTS_SKIP) {
      SetErrno(linux::kEINVAL);
      return 1;
    }
    p->fts_instr = static_cast<uint16_t>(instr);
    return 0;
  }

  static int32_t Close(Fts* sp) {
    if (sp->fts_cur != 0) {
      uint32_t p = sp->fts_cur;
      while (p != 0 && Ent(p)->fts_level >= linux::kFTS_ROOTLEVEL) {
        const uint32_t left = p;
        p = Ent(p)->fts_link != 0 ? Ent(p)->fts_link : Ent(p)->fts_parent;
        Free(left);
      }
      Free(p);
    }
    if (sp->fts_child != 0) FreeList(sp->fts_child);
    Free(sp->fts_array);
    Free(sp->fts_path);
    Free(Address(sp));
    return 0;
  }
};

using Plain = Walk<linux::FtsEnt>;
using Large = Walk<linux::FtsEnt64>;
using Time64 = Walk<linux::FtsEntTime64>;

}  // namespace

extern "C" {

Fts* tblibc_fts_open(const uint32_t* argv, int32_t options, uint32_t compar) {
  return Plain::Open(argv, options, compar);
}
linux::FtsEnt* tblibc_fts_read(Fts* sp) { return Plain::Read(sp); }
linux::FtsEnt* tblibc_fts_children(Fts* sp, int32_t instr) {
  return Plain::Children(sp, instr);
}
int32_t tblibc_fts_set(Fts*, linux::FtsEnt* p, int32_t instr) {
  return Plain::Set(p, instr);
}
int32_t tblibc_fts_close(Fts* sp) { return Plain::Close(sp); }

Fts* tblibc_fts64_open(const uint32_t* argv, int32_t options, uint32_t compar) {
  return Large::Open(argv, options, compar);
}
linux::FtsEnt64* tblibc_fts64_read(Fts* sp) { return Large::Read(sp); }
linux::FtsEnt64* tblibc_fts64_children(Fts* sp, int32_t instr) {
  return Large::Children(sp, instr);
}
int32_t tblibc_fts64_set(Fts*, linux::FtsEnt64* p, int32_t instr) {
  return Large::Set(p, instr);
}
int32_t tblibc_fts64_close(Fts* sp) { return Large::Close(sp); }

Fts* tblibc_fts64_open_time64(const uint32_t* argv, int32_t options, uint32_t compar) {
  return Time64::Open(argv, options, compar);
}
linux::FtsEntTime64* tblibc_fts64_read_time64(Fts* sp) { return Time64::Read(sp); }
linux::FtsEntTime64* tblibc_fts64_children_time64(Fts* sp, int32_t instr) {
  return Time64::Children(sp, instr);
}
int32_t tblibc_fts64_set_time64(Fts*, linux::FtsEntTime64* p, int32_t instr) {
  return Time64::Set(p, instr);
}
int32_t tblibc_fts64_close_time64(Fts* sp) { return Time64::Close(sp); }

}  // extern "C"

namespace tblibc {

extern const Family kFtsFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_fts_open>("fts_open"),
    Fn<&tblibc_fts_read>("fts_read"),
    Fn<&tblibc_fts_children>("fts_children"),
    Fn<&tblibc_fts_set>("fts_set"),
    Fn<&tblibc_fts_close>("fts_close"),
    Fn<&tblibc_fts64_open>("fts64_open"),
    Fn<&tblibc_fts64_read>("fts64_read"),
    Fn<&tblibc_fts64_children>("fts64_children"),
    Fn<&tblibc_fts64_set>("fts64_set"),
    Fn<&tblibc_fts64_close>("fts64_close"),
    Fn<&tblibc_fts64_open_time64>("__fts64_open_time64"),
    Fn<&tblibc_fts64_read_time64>("__fts64_read_time64"),
    Fn<&tblibc_fts64_children_time64>("__fts64_children_time64"),
    Fn<&tblibc_fts64_set_time64>("__fts64_set_time64"),
    Fn<&tblibc_fts64_close_time64>("__fts64_close_time64"),
};

const Family kFtsFamily{"fts", kExports};

}  // namespace tblibc
