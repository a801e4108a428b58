// The Linux i386 C library's dynamic-linking records, as the guest sees
// them: <dlfcn.h> and <link.h>.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

constexpr int32_t kRTLD_LAZY = 1, kRTLD_NOW = 2, kRTLD_NOLOAD = 4, kRTLD_GLOBAL = 0x100;
constexpr uint32_t kRTLD_DEFAULT = 0, kRTLD_NEXT = 0xFFFFFFFF;
// dlinfo's requests, dladdr1's.
constexpr int32_t kRTLD_DI_LMID = 1, kRTLD_DI_LINKMAP = 2, kRTLD_DI_ORIGIN = 6,
                  kRTLD_DI_TLS_MODID = 9, kRTLD_DI_TLS_DATA = 10;
constexpr int32_t kRTLD_DL_SYMENT = 1, kRTLD_DL_LINKMAP = 2;

// struct link_map's public part; a handle is its address.
struct LinkMap {
  uint32_t l_addr;  // the load bias
  uint32_t l_name;  // char*
  uint32_t l_ld;    // the dynamic section
  uint32_t l_next, l_prev;
};
static_assert(sizeof(LinkMap) == 20 && offsetof(LinkMap, l_prev) == 16);

struct DlInfo {
  uint32_t dli_fname, dli_fbase, dli_sname, dli_saddr;
};
static_assert(sizeof(DlInfo) == 16);

struct DlPhdrInfo {
  uint32_t dlpi_addr, dlpi_name, dlpi_phdr;
  uint16_t dlpi_phnum, pad;
  uint32_t dlpi_adds[2], dlpi_subs[2];  // unsigned long long, 4-aligned on i386
  uint32_t dlpi_tls_modid, dlpi_tls_data;
};
static_assert(sizeof(DlPhdrInfo) == 40 && offsetof(DlPhdrInfo, dlpi_adds) == 16 &&
              offsetof(DlPhdrInfo, dlpi_tls_modid) == 32);

struct DlFindObject {
  uint32_t dlfo_flags[2];
  uint32_t dlfo_map_start, dlfo_map_end, dlfo_link_map, dlfo_eh_frame, dlfo_eh_dbase;
  uint32_t reserved[15];
};
static_assert(sizeof(DlFindObject) == 88 && offsetof(DlFindObject, dlfo_eh_dbase) == 24);

// __tls_get_addr's argument: a module and an offset in its block.
struct TlsIndex {
  uint32_t module, offset;
};

}  // namespace linux
