// What every family's host code leans on (guest.h): the guest's errno in
// Linux numbers, translated from the host C runtime's numbers by the
// platform, with the Linux C library's texts;
// guest memory from the loader's heap; calls back into guest code.
#include <cerrno>
#include <cstdio>
#include <iterator>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "platform/errors.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

char gUnknown[32];

}  // namespace

int32_t LinuxErrno(int hostErrno) { return platform::LinuxErrnoOfCrt(hostErrno); }

void SetErrno(int32_t linuxErrno) { errno = linuxErrno; }
int32_t Errno() { return errno; }
void TranslateErrno() { errno = LinuxErrno(errno); }

std::string_view ErrorText(int32_t linuxErrno) {
  if (linuxErrno >= 0 &&
      static_cast<size_t>(linuxErrno) < std::size(linux::kErrnoTable)) {
    return linux::kErrnoTable[linuxErrno].text;
  }
  const int n = std::snprintf(gUnknown, sizeof gUnknown, "Unknown error %d",
                              static_cast<int>(linuxErrno));
  return {gUnknown, static_cast<size_t>(n)};
}

// ---- Guest memory -----------------------------------------------------------

void* GuestAlloc(size_t size) {
  void* block = rtl::HeapTryAlloc(size == 0 ? 1 : size);
  if (block == nullptr) SetErrno(linux::kENOMEM);
  return block;
}

void* GuestRealloc(void* block, size_t size) {
  if (block == nullptr) return GuestAlloc(size);
  void* moved = rtl::HeapTryRealloc(block, size == 0 ? 1 : size);
  if (moved == nullptr) SetErrno(linux::kENOMEM);
  return moved;
}

char* GuestStrdup(std::string_view text) {
  auto* copy = static_cast<char*>(GuestAlloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = '\0';
  return copy;
}

// ---- Calls into guest code ----------------------------------------------------

}  // namespace tblibc

extern "C" uint64_t tumbex_CallGuest(uint32_t entry, const uint32_t* args,
                                     uint32_t count);

namespace tblibc {

uint64_t CallGuest(uint32_t entry, std::initializer_list<uint32_t> args) {
  return tumbex_CallGuest(entry, args.begin(),
                          static_cast<uint32_t>(args.size()));
}

}  // namespace tblibc
