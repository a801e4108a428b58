// What every family's host code needs when it serves a guest: memory from
// the loader's heap, the guest's errno in Linux numbers, and calls back into
// guest code (comparators, handlers, callbacks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace tblibc {

// ---- Guest memory ---------------------------------------------------------
//
// Blocks the guest may free or grow come from the loader's heap, never the
// host C runtime's. Null with errno ENOMEM when the heap cannot give the
// block, as the Linux C library answers; the run goes on.
void* GuestAlloc(size_t size);
void* GuestRealloc(void* block, size_t size);  // block null: GuestAlloc
char* GuestStrdup(std::string_view text);      // NUL-terminated copy

// ---- errno ----------------------------------------------------------------
//
// The guest and the host C runtime share one errno cell (the one
// `__errno_location` hands out), and what the guest reads there is always a
// Linux number. Host calls bound directly leave the host's number, which is
// Linux's for every error they give (1 to 34 agree on every host); code of
// ours that calls the host translates before it returns.

// The Linux number for a host C runtime errno value (EINVAL for one with
// no Linux counterpart).
int32_t LinuxErrno(int hostErrno);
void SetErrno(int32_t linuxErrno);
int32_t Errno();
// errno = LinuxErrno(errno): after a host call, before returning to the guest.
void TranslateErrno();

// The Linux C library's text for a Linux error number: "Unknown error N"
// for one it does not name. The view stays valid until the next call with
// an unknown number.
std::string_view ErrorText(int32_t linuxErrno);

// ---- Calls into guest code ------------------------------------------------
//
// Calls the guest function at `entry` with 32-bit arguments, the i386
// System V way a Linux caller makes the call: arguments on a stack aligned
// to 16 bytes at the call, EBX, ESI, EDI and EBP preserved across it.
// Returns EDX:EAX.
uint64_t CallGuest(uint32_t entry, std::initializer_list<uint32_t> args);

inline uint32_t Address(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace tblibc
