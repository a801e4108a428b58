// The objects of a run, as the Linux dynamic linker keeps them: the program
// and the libraries it needs, in the order of the global scope, what each
// defines, and the one thread's thread-local storage. The image loader
// fills it; binding, the dynamic linker's interface and the thread-local
// accessors read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "process/process.h"

namespace linker {

// A symbol an object defines, as binding needs it.
struct Definition {
  uint32_t value = 0;  // guest address; a thread-local one's offset in its block
  uint32_t size = 0;
  uint16_t version = 0;  // index into the object's version names; 0 or 1: none
  uint32_t index = 0;    // in the object's symbol table
  uint8_t type = 0;      // STT_*
  bool hidden = false;   // an older version, found only by a request naming it
  bool weak = false;
};

// Looked up by string_view, without a copy of the name per lookup.
struct NameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

struct Object {
  std::string soname;     // DT_SONAME, else the name it was asked for by
  std::string path;       // the file as opened
  std::string directory;  // what $ORIGIN stands for
  std::string identity;   // the file's full path: one file is one object
  uint32_t bias = 0;      // link address + bias = guest address
  uint32_t low = 0, high = 0;  // the memory its segments take
  uint32_t phdr = 0, phnum = 0, dynamic = 0;
  bool program = false;
  bool global = true;  // in the global scope (RTLD_LOCAL: only its own)
  std::vector<std::string> versions;  // by version index; "" where none
  std::unordered_map<std::string, std::vector<Definition>, NameHash, std::equal_to<>> symbols;
  std::vector<Object*> needed;  // the objects its DT_NEEDED named
  std::string runPath;  // DT_RUNPATH, else DT_RPATH
  uint32_t ehFrame = 0, got = 0, dynsym = 0;  // guest addresses, 0: none
  uint32_t map = 0;  // the guest's view of it (struct link_map), once asked for
  process::GuestStartTables start;
  bool started = false;  // its constructors have been handed to the start
  // Thread-local storage: module number (0: none), the initial image at its
  // guest address, and where its block lies.
  uint32_t tlsModule = 0, tlsImage = 0, tlsFileSize = 0, tlsMemSize = 0;
  uint32_t tlsAlign = 1, tlsLink = 0, tlsOffset = 0, tlsBlock = 0;
};

// Load order; the program first.
std::vector<std::unique_ptr<Object>>& Objects();
// A new program load starts with no objects.
void Forget();

struct Found {
  const Object* object = nullptr;
  const Definition* definition = nullptr;
  explicit operator bool() const { return object != nullptr; }
};

// The definition a reference to `name` binds to in `object`: the one of the
// requested version (any of that name, hidden or not), or for a request
// without a version the unversioned or base one, else the only default
// version there is. Exactly the Linux dynamic linker's matching rules.
// `newest`: dlsym's way, the default version before the oldest.
Found LookupIn(const Object& object, std::string_view name, std::string_view version,
               bool newest = false);

// The first definition in the global scope, from object `first` on,
// passing over `skip` (a copy relocation looks past the program).
Found Lookup(std::string_view name, std::string_view version, size_t first = 0,
             const Object* skip = nullptr, bool newest = false);

// The object whose segments hold `address`, or null.
const Object* ObjectAt(uint32_t address);

// The guest address of a symbol's value: a thread-local one's is its
// object's block plus its offset.
uint32_t AddressOf(const Found& found);

// ---- Thread-local storage ---------------------------------------------------
//
// One thread: every object loaded with the program gets its block in one
// static area below the thread control block (i386's variant II: the
// thread pointer points at the control block, whose first word is the
// pointer itself); a library opened later gets a block of its own.

// Numbers the objects with thread-local storage and lays out the area;
// points process::Thread at its control block. False: no memory.
bool LayOutThreadLocals();
// Gives a later object (dlopen) its module number and block.
bool AddThreadLocals(Object& object);
// Copies each object's initial image into its block, once relocated.
void FillThreadLocals(Object& object);
// __tls_get_addr's answer for a module and an offset; 0 for no module.
uint32_t ThreadLocalAddress(uint32_t module, uint32_t offset);

}  // namespace linker
