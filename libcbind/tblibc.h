// The binding module `tblibc`: the host side of every C-library name a guest
// may import. Its start-up fetches the bridge library's InterfaceTable and
// registers the names; it holds the values the image loader writes into the
// guest and the variables guest start fills for the guest's main.
#pragma once

#include <cstdint>

namespace tblibc {

void Init();
void Finalise();

// i386 `struct passwd`.
struct UserRecord {
  const char* pw_name;
  const char* pw_passwd;
  uint32_t pw_uid;
  uint32_t pw_gid;
  const char* pw_gecos;
  const char* pw_dir;
  const char* pw_shell;
};
static_assert(sizeof(void*) != 4 || sizeof(UserRecord) == 28);

// Written into the guest by the image loader.
extern uint32_t HostStdin, HostStdout, HostStderr;
extern int32_t StdinUsedWord;

// Addresses of the guest's option-parser variables, 0 when it has none.
extern uint32_t GuestOptindAddress, GuestOptargAddress, GuestOptoptAddress,
    GuestOpterrAddress;

// Filled by guest start, read by __libc_start_main and getpwuid.
extern int32_t GuestArgc;
extern char** GuestArgv;
extern char** GuestEnvp;
extern UserRecord* UserTable;
extern uint32_t UserCount;

}  // namespace tblibc
