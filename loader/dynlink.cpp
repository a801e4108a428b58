// The dynamic linker's interface, as glibc answers it: dlopen and its
// kin, the list of loaded objects for the unwinder, and the thread-local
// accessors. Handles are the objects' link maps in the guest's memory.
// Nothing is ever unloaded: dlclose only answers.
#include "loader/dynlink.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "abi/dlfcn.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/util.h"
#include "loader/elfload.h"
#include "loader/linker.h"
#include "platform/files.h"

namespace {

using linux::LinkMap;
using tblibc::Address;

template <typename T>
T* At(uint32_t address) {
  return reinterpret_cast<T*>(uintptr_t{address});
}

// ---- Handles ------------------------------------------------------------------

// The C library's own files answer with one handle of their own, whose
// lookups find what tumbex serves.
constexpr char kCLibraryName[] = "libc.so.6";
LinkMap gCLibrary{0, 0, 0, 0, 0};

// Every object gets its map, linked in load order, before any is handed out.
LinkMap* MapOf(linker::Object& object) {
  LinkMap* previous = nullptr;
  for (const auto& o : linker::Objects()) {
    if (o->map == 0) {
      auto* map = static_cast<LinkMap*>(tblibc::GuestAlloc(sizeof(LinkMap)));
      if (map == nullptr) return nullptr;
      map->l_addr = o->bias;
      map->l_name = Address(o->program ? "" : o->path.c_str());
      map->l_ld = o->dynamic;
      map->l_next = map->l_prev = 0;
      o->map = Address(map);
    }
    auto* map = At<LinkMap>(o->map);
    map->l_prev = Address(previous);
    if (previous != nullptr) previous->l_next = o->map;
    previous = map;
  }
  if (previous != nullptr) previous->l_next = 0;
  return At<LinkMap>(object.map);
}

// The object behind a handle; null for the C library's and for one that is
// no handle of ours.
linker::Object* ObjectOf(uint32_t handle) {
  for (const auto& o : linker::Objects())
    if (o->map != 0 && o->map == handle) return o.get();
  return nullptr;
}

bool IsCLibrary(uint32_t handle) { return handle == Address(&gCLibrary); }

// The files tumbex serves itself, whatever directory a path names.
bool IsServedName(std::string_view name) {
  const size_t slash = name.find_last_of('/');
  return IsServedLibrary(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

// ---- Errors ---------------------------------------------------------------------

std::string gError;
bool gFailed = false;
std::string gErrorShown;  // what the last dlerror handed out

void Fail(std::string text) {
  gError = std::move(text);
  gFailed = true;
}

// The name glibc puts before a lookup's error: the object's file, nothing
// for the program.
std::string NameForErrors(const linker::Object* o) {
  return o == nullptr || o->program ? std::string() : o->path + ": ";
}

// ---- Lookups --------------------------------------------------------------------

uint32_t FoundAddress(const linker::Found& f) {
  return f ? linker::AddressOf(f) : 0;
}

// An object and what it needs, breadth-first: a handle's own scope.
uint32_t LookupFrom(linker::Object& object, std::string_view name, std::string_view version) {
  std::vector<linker::Object*> scope{&object};
  for (size_t i = 0; i < scope.size(); ++i) {
    if (linker::Found f = linker::LookupIn(*scope[i], name, version, true))
      return FoundAddress(f);
    for (linker::Object* n : scope[i]->needed)
      if (std::find(scope.begin(), scope.end(), n) == scope.end()) scope.push_back(n);
  }
  return 0;
}

size_t IndexOf(const linker::Object* object) {
  auto& objects = linker::Objects();
  for (size_t i = 0; i < objects.size(); ++i)
    if (objects[i].get() == object) return i;
  return objects.size();
}

uint32_t Symbol(uint32_t handle, const char* name, const char* version, uint32_t caller) {
  const std::string_view wanted = version != nullptr ? version : "";
  uint32_t address = 0;
  const linker::Object* reporter = linker::ObjectAt(caller);
  if (handle == linux::kRTLD_DEFAULT) {
    address = FoundAddress(linker::Lookup(name, wanted, 0, nullptr, true));
  } else if (handle == linux::kRTLD_NEXT) {
    address = FoundAddress(linker::Lookup(name, wanted, IndexOf(reporter) + 1, nullptr, true));
  } else if (IsCLibrary(handle)) {
    reporter = nullptr;
  } else if (linker::Object* o = ObjectOf(handle)) {
    reporter = o;
    address = o->program ? FoundAddress(linker::Lookup(name, wanted, 0, nullptr, true))
                         : LookupFrom(*o, name, wanted);
  } else {
    Fail("invalid handle");
    return 0;
  }
  // The C library is in every scope, after the objects.
  if (address == 0) address = ServedAddress(name);
  if (address == 0) Fail(NameForErrors(reporter) + "undefined symbol: " + name);
  return address;
}

}  // namespace

// ---- Entries ----------------------------------------------------------------------

extern "C" {

uint32_t tumbex_dlopen(const char* name, int32_t flags) {
  linker::Object& program = *linker::Objects().front();
  if (name == nullptr) return Address(MapOf(program));
  if (IsServedName(name)) {
    gCLibrary.l_name = Address(kCLibraryName);
    return Address(&gCLibrary);
  }
  const bool global = (flags & linux::kRTLD_GLOBAL) != 0;
  if (flags & linux::kRTLD_NOLOAD) {
    // Only what is loaded, by name or by file; no error when it is not.
    const std::string_view wanted = name;
    for (const auto& o : linker::Objects())
      if (!o->program && (o->soname == wanted || o->path == wanted)) {
        if (global) o->global = true;
        return Address(MapOf(*o));
      }
    return 0;
  }
  if ((flags & (linux::kRTLD_LAZY | linux::kRTLD_NOW)) == 0) {
    Fail("invalid mode for dlopen(): Invalid argument");
    return 0;
  }
  std::vector<linker::Object*> fresh;
  std::string error;
  linker::Object* o =
      OpenLibrary(name, global, (flags & linux::kRTLD_NOW) != 0, &fresh, &error);
  if (o == nullptr) {
    Fail(error);
    return 0;
  }
  LinkMap* map = MapOf(*o);
  for (linker::Object* started : fresh) tblibc::RunConstructors(started->start);
  return Address(map);
}

uint32_t tumbex_dlsym(uint32_t handle, const char* name) {
  return Symbol(handle, name, nullptr, Address(__builtin_return_address(0)));
}

uint32_t tumbex_dlvsym(uint32_t handle, const char* name, const char* version) {
  return Symbol(handle, name, version, Address(__builtin_return_address(0)));
}

// Nothing is unloaded: its destructors run at exit.
int32_t tumbex_dlclose(uint32_t handle) {
  if (handle == 0 || (!IsCLibrary(handle) && ObjectOf(handle) == nullptr)) {
    Fail("shared object not open");
    return -1;
  }
  return 0;
}

const char* tumbex_dlerror() {
  if (!gFailed) return nullptr;
  gFailed = false;
  gErrorShown = gError;
  return gErrorShown.c_str();
}

// The object holding `address`, and the nearest symbol at or below it
// whose extent covers it.
int32_t tumbex_dladdr1(uint32_t address, linux::DlInfo* info, uint32_t* extra, int32_t flags) {
  const linker::Object* o = linker::ObjectAt(address);
  if (o == nullptr) return 0;
  info->dli_fname = Address(o->program ? process::GuestArgv[0] : o->path.c_str());
  info->dli_fbase = o->low;
  info->dli_sname = info->dli_saddr = 0;
  const std::string* best = nullptr;
  const linker::Definition* bestDefinition = nullptr;
  for (const auto& [name, definitions] : o->symbols)
    for (const linker::Definition& d : definitions) {
      if (d.type == 6 || d.value > address) continue;  // thread-local: no address
      if (!(address < d.value + d.size || (d.size == 0 && d.value == address))) continue;
      if (bestDefinition == nullptr || d.value > bestDefinition->value) {
        best = &name;
        bestDefinition = &d;
      }
    }
  if (best != nullptr) {
    info->dli_sname = Address(best->c_str());
    info->dli_saddr = bestDefinition->value;
  }
  if (extra != nullptr && flags == linux::kRTLD_DL_SYMENT)
    *extra = best != nullptr && o->dynsym != 0 ? o->dynsym + 16 * bestDefinition->index : 0;
  if (extra != nullptr && flags == linux::kRTLD_DL_LINKMAP)
    *extra = Address(MapOf(*const_cast<linker::Object*>(o)));
  return 1;
}

int32_t tumbex_dladdr(uint32_t address, linux::DlInfo* info) {
  return tumbex_dladdr1(address, info, nullptr, 0);
}

int32_t tumbex_dlinfo(uint32_t handle, int32_t request, void* argument) {
  linker::Object* o = ObjectOf(handle);
  if (o == nullptr) {
    Fail("invalid handle");
    return -1;
  }
  switch (request) {
    case linux::kRTLD_DI_LMID: *static_cast<uint32_t*>(argument) = 0; return 0;
    case linux::kRTLD_DI_LINKMAP: *static_cast<uint32_t*>(argument) = o->map; return 0;
    case linux::kRTLD_DI_ORIGIN: {
      std::string origin;
      if (platform::FullPath(o->directory.c_str(), &origin) != 0) origin = o->directory;
      std::memcpy(argument, origin.c_str(), origin.size() + 1);
      return 0;
    }
    case linux::kRTLD_DI_TLS_MODID: *static_cast<uint32_t*>(argument) = o->tlsModule; return 0;
    case linux::kRTLD_DI_TLS_DATA:
      *static_cast<uint32_t*>(argument) = o->tlsModule != 0 ? o->tlsBlock : 0;
      return 0;
  }
  Fail("unsupported dlinfo request");
  return -1;
}

// Every object with its program headers, the program first; a callback's
// nonzero answer ends the walk and is the answer.
int32_t tumbex_dl_iterate_phdr(uint32_t callback, uint32_t data) {
  auto& objects = linker::Objects();
  for (size_t i = 0; i < objects.size(); ++i) {
    const linker::Object& o = *objects[i];
    linux::DlPhdrInfo info{};
    info.dlpi_addr = o.bias;
    info.dlpi_name = Address(o.program ? "" : o.path.c_str());
    info.dlpi_phdr = o.phdr;
    info.dlpi_phnum = static_cast<uint16_t>(o.phdr != 0 ? o.phnum : 0);
    info.dlpi_adds[0] = static_cast<uint32_t>(objects.size());
    info.dlpi_tls_modid = o.tlsModule;
    info.dlpi_tls_data = o.tlsModule != 0 ? o.tlsBlock : 0;
    const auto answer = static_cast<int32_t>(
        tblibc::CallGuest(callback, {Address(&info), sizeof info, data}));
    if (answer != 0) return answer;
  }
  return 0;
}

// libgcc's unwinder finds a frame's object and its table of frames here.
int32_t tumbex_dl_find_object(uint32_t pc, linux::DlFindObject* result) {
  linker::Object* o = const_cast<linker::Object*>(linker::ObjectAt(pc));
  if (o == nullptr) return -1;
  std::memset(result, 0, sizeof *result);
  result->dlfo_map_start = o->low;
  result->dlfo_map_end = o->high;
  result->dlfo_link_map = Address(MapOf(*o));
  result->dlfo_eh_frame = o->ehFrame;
  result->dlfo_eh_dbase = o->got;
  return 0;
}

uint32_t tumbex_tls_get_addr(const linux::TlsIndex* index) {
  return linker::ThreadLocalAddress(index->module, index->offset);
}

// The GNU form takes its argument in %eax.
__attribute__((regparm(1))) uint32_t tumbex_gnu_tls_get_addr(const linux::TlsIndex* index) {
  return linker::ThreadLocalAddress(index->module, index->offset);
}

}  // extern "C"

namespace {

using tblibc::Fn;

constexpr tblibc::Export kExports[] = {
    Fn<&tumbex_dlopen>("dlopen"),
    Fn<&tumbex_dlsym>("dlsym"),
    Fn<&tumbex_dlvsym>("dlvsym"),
    Fn<&tumbex_dlclose>("dlclose"),
    Fn<&tumbex_dlerror>("dlerror"),
    Fn<&tumbex_dladdr>("dladdr"),
    Fn<&tumbex_dladdr1>("dladdr1"),
    Fn<&tumbex_dlinfo>("dlinfo"),
    Fn<&tumbex_dl_iterate_phdr>("dl_iterate_phdr"),
    Fn<&tumbex_dl_find_object>("_dl_find_object"),
    Fn<&tumbex_tls_get_addr>("__tls_get_addr"),
    Fn<&tumbex_gnu_tls_get_addr>("___tls_get_addr"),
};
static_assert(std::size(kExports) == 12);

}  // namespace

void RegisterLinkerNames() {
  for (const tblibc::Export& row : kExports) util::RegisterImport(row.name, row.entry());
}
