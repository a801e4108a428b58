// The dynamic linker's interface the guest calls: dlopen, dlsym and their
// kin, dl_iterate_phdr, _dl_find_object, __tls_get_addr.
#pragma once

// Registers its names, after the C library's families.
void RegisterLinkerNames();
