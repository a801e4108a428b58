// Entries of the start-up 78 that a family file serves: the registration
// table in tblibc.cpp names them in their fixed places, the families
// implement them next to their kin.
#pragma once

#include <cstdint>

extern "C" {
// format.cpp
int tblibc_printf(const char* format, ...);
int tblibc_fprintf(void* stream, const char* format, ...);
int tblibc_vfprintf(void* stream, const char* format, uint32_t args);
int tblibc_snprintf(char* buffer, uint32_t size, const char* format, ...);
// streams.cpp
int tblibc_fflush(void* stream);
int tblibc_fputs(const char* text, void* stream);
int tblibc_puts(const char* text);
int tblibc_putc(int c, void* stream);
int tblibc_fputc(int c, void* stream);
uint32_t tblibc_fwrite(const void* data, uint32_t size, uint32_t count,
                       void* stream);
// files.cpp
int tblibc_futimesat(int32_t dirfd, const char* path, const void* times);
int tblibc_fxstat64(int32_t version, int32_t fd, void* buffer);
int tblibc_mkdir(const char* path, uint32_t mode);
int tblibc_open(const char* path, uint32_t flags, ...);
int tblibc_open64(const char* path, uint32_t flags, ...);
int tblibc_fcntl(int32_t fd, int32_t command, uint32_t arg);
// environment.cpp
char* tblibc_getenv(const char* name);
// ctype.cpp
uint32_t tblibc_ctype_get_mb_cur_max();
const uint16_t* const* tblibc_ctype_b_loc();
// sorting.cpp
void* tblibc_bsearch(const void* key, const void* base, uint32_t count,
                     uint32_t size, uint32_t compare);
// signals.cpp
uint32_t tblibc_signal(int32_t number, uint32_t handler);
int32_t tblibc_write(int32_t fd, const void* buffer, uint32_t count);
// tblibc.cpp: the at-exit list, which process.cpp registers names for
int tblibc_on_exit(void (*routine)(int32_t, void*), void* argument);
int tblibc_atexit(void (*routine)());
}
