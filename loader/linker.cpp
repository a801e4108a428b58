// The run's objects and the lookup of names among them, with the Linux
// dynamic linker's rules; and the one thread's thread-local storage.
#include "loader/linker.h"

#include <algorithm>
#include <cstring>

#include "platform/memory.h"
#include "runtime/heap.h"

namespace linker {
namespace {

std::vector<std::unique_ptr<Object>> gObjects;

constexpr uint8_t STT_TLS = 6;

std::string_view VersionName(const Object& object, uint16_t index) {
  return index < object.versions.size() ? std::string_view(object.versions[index])
                                        : std::string_view();
}

// Module numbers from 1; the block of each, for __tls_get_addr.
std::vector<uint32_t> gBlocks{0};

// The static area of the program loaded last.
uint8_t* gArea = nullptr;
size_t gAreaSize = 0;

uint32_t RoundUp(uint32_t value, uint32_t align) {
  return (value + align - 1) & ~(align - 1);
}

}  // namespace

std::vector<std::unique_ptr<Object>>& Objects() { return gObjects; }

void Forget() {
  gObjects.clear();
  gBlocks.assign(1, 0);
  process::NoThreadLocals.canary = process::Thread->canary;
  process::Thread = &process::NoThreadLocals;
  if (gArea != nullptr) platform::FreePages(gArea, gAreaSize);
  gArea = nullptr;
}

Found LookupIn(const Object& object, std::string_view name, std::string_view version,
               bool newest) {
  const auto it = object.symbols.find(name);
  if (it == object.symbols.end()) return {};
  const bool versioned = !object.versions.empty();
  const Definition* only = nullptr;
  unsigned defaults = 0;
  for (const Definition& d : it->second) {
    if (!versioned) return {&object, &d};
    const std::string_view own = VersionName(object, d.version);
    if (!version.empty()) {
      // The version asked for, or an unversioned definition.
      if (own == version || (own.empty() && !d.hidden)) return {&object, &d};
      continue;
    }
    // Without a version: the unversioned, base or oldest definition; else
    // the single default version the object has.
    if (d.version < (newest ? 2 : 3)) return {&object, &d};
    if (!d.hidden && defaults++ == 0) only = &d;
  }
  if (defaults == 1) return {&object, only};
  return {};
}

Found Lookup(std::string_view name, std::string_view version, size_t first,
             const Object* skip, bool newest) {
  for (size_t i = first; i < gObjects.size(); ++i) {
    const Object& o = *gObjects[i];
    if (&o == skip || !o.global) continue;
    if (Found f = LookupIn(o, name, version, newest)) return f;
  }
  return {};
}

const Object* ObjectAt(uint32_t address) {
  for (const auto& o : gObjects)
    if (address >= o->low && address < o->high) return o.get();
  return nullptr;
}

uint32_t AddressOf(const Found& found) {
  if (found.definition->type == STT_TLS)
    return ThreadLocalAddress(found.object->tlsModule, found.definition->value);
  return found.definition->value;
}

// ---- Thread-local storage ---------------------------------------------------

bool LayOutThreadLocals() {
  // The Linux C library's layout: each block ends where the one before it
  // began, rounded so that its image keeps its alignment modulo its own.
  uint32_t offset = 0, align = alignof(process::ThreadControl);
  for (const auto& o : gObjects) {
    if (o->tlsMemSize == 0) continue;
    o->tlsModule = static_cast<uint32_t>(gBlocks.size());
    gBlocks.push_back(0);
    const uint32_t firstByte = (0u - o->tlsLink) & (o->tlsAlign - 1);
    offset = RoundUp(offset + o->tlsMemSize - firstByte, o->tlsAlign) + firstByte;
    o->tlsOffset = offset;
    align = std::max(align, o->tlsAlign);
  }
  const uint32_t blocks = RoundUp(offset, align);
  const size_t size = blocks + sizeof(process::ThreadControl) + align;
  auto* area = static_cast<uint8_t*>(platform::AllocatePages(size));
  if (area == nullptr) return false;
  gArea = area;
  gAreaSize = size;
  const uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(area));
  const uint32_t tp = RoundUp(base + blocks, align);
  for (const auto& o : gObjects)
    if (o->tlsModule != 0) gBlocks[o->tlsModule] = o->tlsBlock = tp - o->tlsOffset;
  auto* tcb = reinterpret_cast<process::ThreadControl*>(uintptr_t{tp});
  tcb->self = tcb->self2 = tp;
  tcb->canary = process::Thread->canary;
  process::Thread = tcb;
  return true;
}

bool AddThreadLocals(Object& o) {
  if (o.tlsMemSize == 0) return true;
  // Room for the image at its alignment, from the loader's heap: nothing
  // is unloaded, so it is never given back.
  auto* block = static_cast<uint8_t*>(rtl::HeapAlloc(o.tlsMemSize + 2 * o.tlsAlign));
  if (block == nullptr) return false;
  const uint32_t at = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block));
  const uint32_t firstByte = o.tlsLink & (o.tlsAlign - 1);
  o.tlsModule = static_cast<uint32_t>(gBlocks.size());
  o.tlsBlock = RoundUp(at, o.tlsAlign) + firstByte;
  gBlocks.push_back(o.tlsBlock);
  return true;
}

void FillThreadLocals(Object& o) {
  if (o.tlsModule == 0) return;
  auto* block = reinterpret_cast<uint8_t*>(uintptr_t{o.tlsBlock});
  std::memcpy(block, reinterpret_cast<const void*>(uintptr_t{o.tlsImage}), o.tlsFileSize);
  std::memset(block + o.tlsFileSize, 0, o.tlsMemSize - o.tlsFileSize);
}

uint32_t ThreadLocalAddress(uint32_t module, uint32_t offset) {
  if (module == 0 || module >= gBlocks.size()) return 0;
  return gBlocks[module] + offset;
}

}  // namespace linker
