// Directories: listing, patterns and tree walks.
//
// A directory stream is the listing the host gave when it was opened (or
// rewound), read out entry by entry: telldir and seekdir are positions in
// it. Blocks the guest frees (scandir's arrays, glob's list) come from the
// loader's heap; callbacks and comparators run in guest code.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "abi/files.h"
#include "abi/linux.h"
#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "libcbind/match.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc::files {

// A merge sort: it tolerates any comparator the guest brings, consistent
// or not, and keeps equal entries in listing order.
void SortByGuest(std::vector<uint32_t>* items, uint32_t compare) {
  std::vector<uint32_t> scratch(items->size());
  for (size_t width = 1; width < items->size(); width *= 2) {
    for (size_t lo = 0; lo < items->size(); lo += 2 * width) {
      const size_t mid = std::min(lo + width, items->size());
      const size_t hi = std::min(lo + 2 * width, items->size());
      size_t a = lo, b = mid, out = lo;
      while (a < mid && b < hi) {
        const int32_t order = static_cast<int32_t>(
            CallGuest(compare, {Address(&(*items)[b]), Address(&(*items)[a])}));
        scratch[out++] = order < 0 ? (*items)[b++] : (*items)[a++];
      }
      while (a < mid) scratch[out++] = (*items)[a++];
      while (b < hi) scratch[out++] = (*items)[b++];
    }
    items->swap(scratch);
  }
}

}  // namespace tblibc::files

namespace {

using namespace tblibc::files;
using tblibc::Address;
using tblibc::CallGuest;
using tblibc::SetErrno;

struct DirStream {
  uint32_t magic = kMagic;
  std::string path;
  int32_t fd = -1;
  std::vector<platform::DirectoryEntry> entries;
  size_t next = 0;
  linux::Dirent entry{};
  linux::Dirent64 entry64{};
  static constexpr uint32_t kMagic = 0x44495253;  // marks a live stream
};

int List(const std::string& path, std::vector<platform::DirectoryEntry>* out) {
  out->clear();
  return platform::ListDirectory(path.c_str(), out);
}

DirStream* Open(std::string path, int32_t fd) {
  auto* dir = new DirStream;
  dir->path = std::move(path);
  const int code = List(dir->path, &dir->entries);
  if (code != 0) {
    delete dir;
    FailWith(code);
    return nullptr;
  }
  dir->fd = fd;
  return dir;
}

bool Live(DirStream* dir) {
  if (dir != nullptr && dir->magic == DirStream::kMagic) return true;
  SetErrno(linux::kEBADF);
  return false;
}

uint16_t RecordLength(size_t nameOffset, size_t nameLength) {
  return static_cast<uint16_t>((nameOffset + nameLength + 1 + 3) & ~size_t{3});
}

template <typename Entry>
void Fill(const platform::DirectoryEntry& from, size_t position, Entry* to) {
  std::memset(to, 0, sizeof *to);
  to->d_ino = static_cast<decltype(to->d_ino)>(from.inode);
  to->d_off = static_cast<decltype(to->d_off)>(position + 1);
  to->d_type = DirentType(from.kind);
  const size_t n = std::min(from.name.size(), sizeof to->d_name - 1);
  std::memcpy(to->d_name, from.name.data(), n);
  to->d_reclen = RecordLength(offsetof(Entry, d_name), n);
}

// ---- scandir ------------------------------------------------------------------

template <typename Entry>
int32_t ScanDirectory(const char* path, uint32_t* namelist, uint32_t filter,
                      uint32_t compare) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  std::vector<platform::DirectoryEntry> entries;
  const int code = List(path, &entries);
  if (code != 0) return FailWith(code);
  std::vector<uint32_t> kept;
  auto release = [&kept] {
    for (uint32_t block : kept) rtl::HeapFree(reinterpret_cast<void*>(uintptr_t{block}));
  };
  Entry scratch;
  for (size_t i = 0; i < entries.size(); ++i) {
    Fill(entries[i], i, &scratch);
    if (filter != 0 &&
        static_cast<int32_t>(CallGuest(filter, {Address(&scratch)})) == 0)
      continue;
    auto* copy = static_cast<Entry*>(tblibc::GuestAlloc(sizeof(Entry)));
    if (copy == nullptr) {
      release();
      return -1;
    }
    *copy = scratch;
    kept.push_back(Address(copy));
  }
  if (compare != 0) SortByGuest(&kept, compare);
  auto* array = static_cast<uint32_t*>(
      tblibc::GuestAlloc((kept.size() == 0 ? 1 : kept.size()) * sizeof(uint32_t)));
  if (array == nullptr) {
    release();
    return -1;
  }
  std::copy(kept.begin(), kept.end(), array);
  *namelist = Address(array);
  return static_cast<int32_t>(kept.size());
}

// ---- glob -----------------------------------------------------------------------

struct GlobState {
  int32_t flags;
  uint32_t errfunc;
  std::vector<std::string> found;
  bool aborted = false;
};

bool IsDirectory(const std::string& path) {
  platform::FileStatus s;
  return platform::PathStatus(path.c_str(), true, &s) == 0 &&
         s.kind == platform::FileKind::kDirectory;
}

bool Exists(const std::string& path) {
  platform::FileStatus s;
  return platform::PathStatus(path.c_str(), false, &s) == 0;
}

// The component without its escapes, for a name matched literally.
std::string Unescape(std::string_view part, bool noEscape) {
  std::string out;
  for (size_t i = 0; i < part.size(); ++i) {
    if (part[i] == '\\' && !noEscape && i + 1 < part.size()) ++i;
    out += part[i];
  }
  return out;
}

void Expand(GlobState* state, const std::string& prefix,
            const std::vector<std::string>& parts, size_t index) {
  if (state->aborted) return;
  const bool noEscape = (state->flags & linux::kGLOB_NOESCAPE) != 0;
  if (index == parts.size()) {
    if (!Exists(prefix.empty() ? "." : prefix)) return;
    std::string name = prefix;
    if ((state->flags & linux::kGLOB_MARK) && IsDirectory(name) &&
        (name.empty() || name.back() != '/'))
      name += '/';
    state->found.push_back(name);
    return;
  }
  const std::string& part = parts[index];
  auto join = [&prefix](const std::string& name) {
    if (prefix.empty()) return name;
    if (prefix.back() == '/') return prefix + name;
    return prefix + "/" + name;
  };
  if (!tblibc::match::HasMagic(part, noEscape)) {
    const std::string next = join(Unescape(part, noEscape));
    if (index + 1 < parts.size() && !IsDirectory(next)) return;
    Expand(state, next, parts, index + 1);
    return;
  }
  const std::string directory = prefix.empty() ? "." : prefix;
  std::vector<platform::DirectoryEntry> entries;
  const int code = List(directory, &entries);
  if (code != 0) {
    bool stop = (state->flags & linux::kGLOB_ERR) != 0;
    if (state->errfunc != 0) {
      SetErrno(code);
      const int32_t answer = static_cast<int32_t>(CallGuest(
          state->errfunc, {Address(directory.c_str()),
                           static_cast<uint32_t>(code)}));
      stop = stop || answer != 0;
    }
    state->aborted = stop;
    return;
  }
  int32_t matchFlags = noEscape ? linux::kFNM_NOESCAPE : 0;
  if ((state->flags & linux::kGLOB_PERIOD) == 0) matchFlags |= linux::kFNM_PERIOD;
  std::vector<std::string> names;
  for (const platform::DirectoryEntry& entry : entries) {
    if (tblibc::match::Fnmatch(part, entry.name, matchFlags) == 0)
      names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string next = join(name);
    if (index + 1 < parts.size() && !IsDirectory(next)) continue;
    Expand(state, next, parts, index + 1);
  }
}

std::vector<std::string> SplitComponents(const std::string& pattern,
                                         std::string* root) {
  std::vector<std::string> parts;
  size_t start = 0;
  root->clear();
  while (start < pattern.size() && pattern[start] == '/') {
    *root += '/';
    ++start;
  }
  while (start < pattern.size()) {
    size_t slash = pattern.find('/', start);
    if (slash == std::string::npos) slash = pattern.size();
    if (slash > start) parts.push_back(pattern.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

std::string ExpandTilde(const std::string& pattern) {
  if (pattern.empty() || pattern[0] != '~') return pattern;
  const size_t slash = pattern.find('/');
  if (slash != 1 && !(slash == std::string::npos && pattern.size() == 1))
    return pattern;  // ~user: no user table to look in
  const char* home = tblibc_getenv("HOME");
  if (home == nullptr) return pattern;
  return std::string(home) + pattern.substr(1);
}

// glob's list of pointers: gl_offs null slots (with GLOB_DOOFFS), the
// names, a null. Every block from the loader's heap.
int32_t Publish(linux::Glob* g, const std::vector<std::string>& names,
                int32_t flags) {
  const uint32_t offs = (flags & linux::kGLOB_DOOFFS) ? g->gl_offs : 0;
  const bool append = (flags & linux::kGLOB_APPEND) != 0 && g->gl_pathv != 0;
  const uint32_t old = append ? g->gl_pathc : 0;
  const size_t total = offs + old + names.size() + 1;
  auto* vector = static_cast<uint32_t*>(tblibc::GuestRealloc(
      append ? reinterpret_cast<void*>(uintptr_t{g->gl_pathv}) : nullptr,
      total * sizeof(uint32_t)));
  if (vector == nullptr) return linux::kGLOB_NOSPACE;
  if (!append)
    for (uint32_t i = 0; i < offs; ++i) vector[i] = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    char* copy = tblibc::GuestStrdup(names[i]);
    if (copy == nullptr) {
      vector[offs + old + i] = 0;
      g->gl_pathv = Address(vector);
      g->gl_pathc = old + static_cast<uint32_t>(i);
      return linux::kGLOB_NOSPACE;
    }
    vector[offs + old + i] = Address(copy);
  }
  vector[offs + old + names.size()] = 0;
  g->gl_pathv = Address(vector);
  g->gl_pathc = old + static_cast<uint32_t>(names.size());
  return 0;
}

int32_t Glob(const char* pattern, int32_t flags, uint32_t errfunc,
             linux::Glob* g) {
  if (pattern == nullptr || g == nullptr) {
    SetErrno(linux::kEINVAL);
    return linux::kGLOB_NOSPACE;
  }
  if ((flags & linux::kGLOB_APPEND) == 0) {
    g->gl_pathc = 0;
    g->gl_pathv = 0;
    if ((flags & linux::kGLOB_DOOFFS) == 0) g->gl_offs = 0;
  }
  GlobState state{flags, errfunc, {}};
  std::vector<std::string> patterns = (flags & linux::kGLOB_BRACE)
                                          ? tblibc::match::ExpandBraces(pattern)
                                          : std::vector<std::string>{pattern};
  const bool noEscape = (flags & linux::kGLOB_NOESCAPE) != 0;
  bool magic = false;
  for (std::string& one : patterns) {
    if (flags & (linux::kGLOB_TILDE | linux::kGLOB_TILDE_CHECK))
      one = ExpandTilde(one);
    magic = magic || tblibc::match::HasMagic(one, noEscape);
    std::string root;
    const std::vector<std::string> parts = SplitComponents(one, &root);
    const size_t before = state.found.size();
    if (parts.empty()) {
      if (!root.empty()) state.found.push_back(root);
    } else {
      Expand(&state, root, parts, 0);
    }
    if (state.aborted) break;
    if ((flags & linux::kGLOB_NOSORT) == 0)
      std::sort(state.found.begin() + static_cast<ptrdiff_t>(before),
                state.found.end());
  }
  if (state.aborted) {
    Publish(g, state.found, flags);
    return linux::kGLOB_ABORTED;
  }
  if (state.found.empty()) {
    const bool check = (flags & linux::kGLOB_NOCHECK) != 0 ||
                       ((flags & linux::kGLOB_NOMAGIC) != 0 && !magic);
    if (!check) return linux::kGLOB_NOMATCH;
    state.found.push_back(pattern);
  }
  g->gl_flags = flags | (magic ? linux::kGLOB_MAGCHAR : 0);
  return Publish(g, state.found, flags);
}

void GlobFree(linux::Glob* g) {
  if (g == nullptr || g->gl_pathv == 0) return;
  auto* vector = reinterpret_cast<uint32_t*>(uintptr_t{g->gl_pathv});
  for (uint32_t i = 0; i < g->gl_pathc; ++i) {
    void* name = reinterpret_cast<void*>(uintptr_t{vector[g->gl_offs + i]});
    if (name != nullptr && rtl::HeapIsLive(name)) rtl::HeapFree(name);
  }
  if (rtl::HeapIsLive(vector)) rtl::HeapFree(vector);
  g->gl_pathv = 0;
  g->gl_pathc = 0;
}

// ---- ftw and nftw ------------------------------------------------------------

enum class StatLayout { kStat, kStat64, kTime64 };

struct Walk {
  uint32_t callback;
  int32_t flags;
  StatLayout layout;
  bool classic;  // ftw: no FTW record, no FTW_DP or FTW_SL distinctions
  uint64_t device = 0;
  std::string origin;  // FTW_CHDIR: where the walk started, to come back to
};

// A name the walk was given, usable whatever the current directory is.
std::string Anchored(const Walk& walk, const std::string& path) {
  if (platform::IsAbsolutePath(path) || path[0] == '/') return path;
  return walk.origin + "/" + path;
}

enum class Next { kGo, kSkipSubtree, kSkipSiblings, kStop };

struct Visit {
  int32_t result = 0;
  Next next = Next::kGo;
};

Visit Call(Walk* walk, const std::string& path, const platform::FileStatus& s,
           bool haveStatus, int32_t kind, int32_t level) {
  linux::StatTime64 time64{};
  linux::Stat64 wide{};
  linux::Stat narrow{};
  uint32_t statAddress = walk->layout == StatLayout::kTime64   ? Address(&time64)
                         : walk->layout == StatLayout::kStat64 ? Address(&wide)
                                                               : Address(&narrow);
  if (haveStatus) {
    if (walk->layout == StatLayout::kTime64) ToStatTime64(s, &time64);
    else if (walk->layout == StatLayout::kStat64) ToStat64(s, &wide);
    else if (!ToStat(s, &narrow)) std::memset(&narrow, 0, sizeof narrow);
  }
  const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  linux::Ftw record{static_cast<int32_t>(slash == std::string::npos ? 0 : slash + 1),
                    level};
  const int32_t r = static_cast<int32_t>(
      walk->classic
          ? CallGuest(walk->callback, {Address(path.c_str()), statAddress,
                                       static_cast<uint32_t>(kind)})
          : CallGuest(walk->callback, {Address(path.c_str()), statAddress,
                                       static_cast<uint32_t>(kind),
                                       Address(&record)}));
  Visit v;
  if (walk->flags & linux::kFTW_ACTIONRETVAL) {
    switch (r) {
      case linux::kFTW_CONTINUE: break;
      case linux::kFTW_SKIP_SUBTREE: v.next = Next::kSkipSubtree; break;
      case linux::kFTW_SKIP_SIBLINGS: v.next = Next::kSkipSiblings; break;
      default:
        v.next = Next::kStop;
        v.result = r;
    }
  } else if (r != 0) {
    v.next = Next::kStop;
    v.result = r;
  }
  return v;
}

Visit WalkTree(Walk* walk, const std::string& path, int32_t level) {
  const bool physical = (walk->flags & linux::kFTW_PHYS) != 0;
  // With FTW_CHDIR the current directory moves; the host is given names
  // that do not depend on it.
  const std::string host = walk->origin.empty() ? path : Anchored(*walk, path);
  platform::FileStatus s;
  int code = platform::PathStatus(host.c_str(), !physical, &s);
  int32_t kind = linux::kFTW_F;
  bool haveStatus = code == 0;
  if (!haveStatus) {
    // A link whose target is gone.
    if (!physical && platform::PathStatus(host.c_str(), false, &s) == 0 &&
        s.kind == platform::FileKind::kSymlink) {
      haveStatus = true;
      kind = walk->classic ? linux::kFTW_NS : linux::kFTW_SLN;
    } else {
      if (level == 0) {
        FailWith(code);
        return {-1, Next::kStop};
      }
      kind = linux::kFTW_NS;
    }
  } else if (s.kind == platform::FileKind::kSymlink) {
    kind = walk->classic ? linux::kFTW_F : linux::kFTW_SL;
  }
  if (level == 0 && haveStatus) walk->device = s.device;
  if (!haveStatus || s.kind != platform::FileKind::kDirectory)
    return Call(walk, path, s, haveStatus, kind, level);
  if ((walk->flags & linux::kFTW_MOUNT) && s.device != walk->device) return {};

  std::vector<platform::DirectoryEntry> entries;
  const bool readable = List(host, &entries) == 0;
  const bool depthFirst = (walk->flags & linux::kFTW_DEPTH) != 0;
  if (!readable) return Call(walk, path, s, true, linux::kFTW_DNR, level);
  if (!depthFirst) {
    const Visit v = Call(walk, path, s, true, linux::kFTW_D, level);
    if (v.next == Next::kStop) return v;
    if (v.next == Next::kSkipSubtree) return {};
    if (v.next == Next::kSkipSiblings) return v;
  }
  const bool changeDir = (walk->flags & linux::kFTW_CHDIR) != 0;
  for (const platform::DirectoryEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string child =
        path.back() == '/' ? path + entry.name : path + "/" + entry.name;
    // The callback runs in the directory that holds its entry.
    if (changeDir) platform::ChangeDirectory(Anchored(*walk, path).c_str());
    const Visit v = WalkTree(walk, child, level + 1);
    if (v.next == Next::kStop) return v;
    if (v.next == Next::kSkipSiblings) break;
  }
  if (depthFirst) {
    const Visit v = Call(walk, path, s, true,
                         walk->classic ? linux::kFTW_D : linux::kFTW_DP, level);
    if (v.next == Next::kStop) return v;
  }
  return {};
}

int32_t TreeWalk(const char* path, uint32_t callback, int32_t flags, StatLayout layout,
                 bool classic) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  if (path[0] == '\0') return FailWith(linux::kENOENT);
  Walk walk{callback, flags, layout, classic, 0, {}};
  if (flags & linux::kFTW_CHDIR) walk.origin = platform::CurrentDirectory();
  const int32_t result = WalkTree(&walk, path, 0).result;
  if (flags & linux::kFTW_CHDIR) platform::ChangeDirectory(walk.origin.c_str());
  return result;
}

}  // namespace

extern "C" {

// The strings family's.
int tblibc_strverscmp(const char* a, const char* b);

void* tblibc_opendir(const char* path) {
  if (path == nullptr) {
    SetErrno(linux::kEFAULT);
    return nullptr;
  }
  if (path[0] == '\0') {
    SetErrno(linux::kENOENT);
    return nullptr;
  }
  platform::FileStatus s;
  const int code = platform::PathStatus(path, true, &s);
  if (code != 0) {
    FailWith(code);
    return nullptr;
  }
  if (s.kind != platform::FileKind::kDirectory) {
    SetErrno(linux::kENOTDIR);
    return nullptr;
  }
  const int32_t fd = OpenDirectoryDescriptor(path);
  DirStream* dir = Open(path, fd);
  if (dir == nullptr && fd >= 0) {
    platform::DescriptorClose(fd);
    ForgetDescriptor(fd);
  }
  return dir;
}

void* tblibc_fdopendir(int32_t fd) {
  std::string path;
  if (!platform::DescriptorIsOpen(fd)) {
    SetErrno(linux::kEBADF);
    return nullptr;
  }
  if (!AtPath(fd, "", &path)) return nullptr;
  return Open(path, fd);
}

int32_t tblibc_closedir(DirStream* dir) {
  if (!Live(dir)) return -1;
  if (dir->fd >= 0) {
    platform::DescriptorClose(dir->fd);
    ForgetDescriptor(dir->fd);
  }
  dir->magic = 0;
  delete dir;
  return 0;
}

linux::Dirent* tblibc_readdir(DirStream* dir) {
  if (!Live(dir)) return nullptr;
  while (dir->next < dir->entries.size()) {
    const size_t position = dir->next++;
    const platform::DirectoryEntry& e = dir->entries[position];
    if (e.inode > UINT32_MAX) {
      SetErrno(linux::kEOVERFLOW);
      return nullptr;
    }
    Fill(e, position, &dir->entry);
    return &dir->entry;
  }
  return nullptr;
}

linux::Dirent64* tblibc_readdir64(DirStream* dir) {
  if (!Live(dir)) return nullptr;
  if (dir->next >= dir->entries.size()) return nullptr;
  const size_t position = dir->next++;
  Fill(dir->entries[position], position, &dir->entry64);
  return &dir->entry64;
}

int32_t tblibc_readdir_r(DirStream* dir, linux::Dirent* entry,
                         linux::Dirent** result) {
  *result = nullptr;
  if (!Live(dir)) return linux::kEBADF;
  const int32_t saved = tblibc::Errno();
  SetErrno(0);
  linux::Dirent* next = tblibc_readdir(dir);
  const int32_t e = tblibc::Errno();
  SetErrno(saved);
  if (next == nullptr) return e;
  std::memcpy(entry, next, sizeof *entry);
  *result = entry;
  return 0;
}

int32_t tblibc_readdir64_r(DirStream* dir, linux::Dirent64* entry,
                           linux::Dirent64** result) {
  *result = nullptr;
  if (!Live(dir)) return linux::kEBADF;
  linux::Dirent64* next = tblibc_readdir64(dir);
  if (next == nullptr) return 0;
  std::memcpy(entry, next, sizeof *entry);
  *result = entry;
  return 0;
}

// Linux sees entries made since the stream was opened.
void tblibc_rewinddir(DirStream* dir) {
  if (!Live(dir)) return;
  std::vector<platform::DirectoryEntry> fresh;
  if (List(dir->path, &fresh) == 0) dir->entries.swap(fresh);
  dir->next = 0;
}

int32_t tblibc_dirfd(DirStream* dir) {
  if (!Live(dir)) return -1;
  if (dir->fd < 0) return FailWith(linux::kENOTSUP);
  return dir->fd;
}

int32_t tblibc_telldir(DirStream* dir) {
  if (!Live(dir)) return -1;
  return static_cast<int32_t>(dir->next);
}

void tblibc_seekdir(DirStream* dir, int32_t position) {
  if (!Live(dir) || position < 0) return;
  dir->next = std::min(static_cast<size_t>(position), dir->entries.size());
}

int32_t tblibc_scandir(const char* path, uint32_t* namelist, uint32_t filter,
                       uint32_t compare) {
  return ScanDirectory<linux::Dirent>(path, namelist, filter, compare);
}
int32_t tblibc_scandir64(const char* path, uint32_t* namelist, uint32_t filter,
                         uint32_t compare) {
  return ScanDirectory<linux::Dirent64>(path, namelist, filter, compare);
}

int32_t tblibc_scandirat(int32_t dirfd, const char* path, uint32_t* namelist,
                         uint32_t filter, uint32_t compare) {
  std::string resolved;
  if (!AtPath(dirfd, path, &resolved)) return -1;
  return ScanDirectory<linux::Dirent>(resolved.c_str(), namelist, filter, compare);
}
int32_t tblibc_scandirat64(int32_t dirfd, const char* path, uint32_t* namelist,
                           uint32_t filter, uint32_t compare) {
  std::string resolved;
  if (!AtPath(dirfd, path, &resolved)) return -1;
  return ScanDirectory<linux::Dirent64>(resolved.c_str(), namelist, filter,
                                        compare);
}

int32_t tblibc_versionsort(const linux::Dirent* const* a,
                           const linux::Dirent* const* b) {
  return tblibc_strverscmp((*a)->d_name, (*b)->d_name);
}
int32_t tblibc_versionsort64(const linux::Dirent64* const* a,
                             const linux::Dirent64* const* b) {
  return tblibc_strverscmp((*a)->d_name, (*b)->d_name);
}

// The "C" locale collates by byte.
int32_t tblibc_alphasort(const linux::Dirent* const* a,
                         const linux::Dirent* const* b) {
  return std::strcmp((*a)->d_name, (*b)->d_name);
}
int32_t tblibc_alphasort64(const linux::Dirent64* const* a,
                           const linux::Dirent64* const* b) {
  return std::strcmp((*a)->d_name, (*b)->d_name);
}

int32_t tblibc_fnmatch(const char* pattern, const char* text, int32_t flags) {
  if (pattern == nullptr || text == nullptr) return linux::kFNM_NOMATCH;
  return tblibc::match::Fnmatch(pattern, text, flags);
}

int32_t tblibc_glob(const char* pattern, int32_t flags, uint32_t errfunc,
                    linux::Glob* g) {
  return Glob(pattern, flags, errfunc, g);
}
void tblibc_globfree(linux::Glob* g) { GlobFree(g); }

int32_t tblibc_ftw(const char* path, uint32_t callback, int32_t) {
  return TreeWalk(path, callback, 0, StatLayout::kStat, true);
}
int32_t tblibc_ftw64(const char* path, uint32_t callback, int32_t) {
  return TreeWalk(path, callback, 0, StatLayout::kStat64, true);
}
int32_t tblibc_ftw64_time64(const char* path, uint32_t callback, int32_t) {
  return TreeWalk(path, callback, 0, StatLayout::kTime64, true);
}
int32_t tblibc_nftw(const char* path, uint32_t callback, int32_t, int32_t flags) {
  return TreeWalk(path, callback, flags, StatLayout::kStat, false);
}
int32_t tblibc_nftw64(const char* path, uint32_t callback, int32_t,
                      int32_t flags) {
  return TreeWalk(path, callback, flags, StatLayout::kStat64, false);
}
int32_t tblibc_nftw64_time64(const char* path, uint32_t callback, int32_t,
                             int32_t flags) {
  return TreeWalk(path, callback, flags, StatLayout::kTime64, false);
}

}  // extern "C"

namespace tblibc {

extern const Family kDirectoriesFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_opendir>("opendir"),
    Fn<&tblibc_fdopendir>("fdopendir"),
    Fn<&tblibc_closedir>("closedir"),
    Fn<&tblibc_readdir>("readdir"),
    Fn<&tblibc_readdir64>("readdir64"),
    Fn<&tblibc_readdir_r>("readdir_r"),
    Fn<&tblibc_readdir64_r>("readdir64_r"),
    Fn<&tblibc_rewinddir>("rewinddir"),
    Fn<&tblibc_dirfd>("dirfd"),
    Fn<&tblibc_telldir>("telldir"),
    Fn<&tblibc_seekdir>("seekdir"),
    Fn<&tblibc_scandir>("scandir"),
    Fn<&tblibc_scandir64>("scandir64"),
    Fn<&tblibc_alphasort>("alphasort"),
    Fn<&tblibc_alphasort64>("alphasort64"),
    Fn<&tblibc_scandirat>("scandirat"),
    Fn<&tblibc_scandirat64>("scandirat64"),
    Fn<&tblibc_versionsort>("versionsort"),
    Fn<&tblibc_versionsort64>("versionsort64"),
    Fn<&tblibc_fnmatch>("fnmatch"),
    Fn<&tblibc_glob>("glob"),
    Fn<&tblibc_glob>("glob64"),
    Fn<&tblibc_globfree>("globfree"),
    Fn<&tblibc_globfree>("globfree64"),
    // GLOB_ALTDIRFUNC's stat hooks are never called, so the 64-bit-time
    // glob_t is the same.
    Fn<&tblibc_glob>("__glob64_time64"),
    Fn<&tblibc_globfree>("__globfree64_time64"),
    Fn<&tblibc_ftw>("ftw"),
    Fn<&tblibc_ftw64>("ftw64"),
    Fn<&tblibc_nftw>("nftw"),
    Fn<&tblibc_nftw64>("nftw64"),
    Fn<&tblibc_ftw64_time64>("__ftw64_time64"),
    Fn<&tblibc_nftw64_time64>("__nftw64_time64"),
};

const Family kDirectoriesFamily{"directories", kExports};

}  // namespace tblibc
