// The streams family's entries among the start-up names, and its start-up:
// the standard streams exist before the image is bound, because the guest's
// `stdout` words are given their addresses as it is.
#pragma once

#include <cstdint>

namespace tblibc {
void StartStreams();
}

extern "C" {
int tblibc_fflush(void* stream);
int tblibc_fputs(const char* text, void* stream);
int tblibc_puts(const char* text);
int tblibc_putc(int c, void* stream);
int tblibc_fputc(int c, void* stream);
int tblibc_fileno(void* stream);
uint32_t tblibc_fread(void* buffer, uint32_t size, uint32_t count, void* stream);
uint32_t tblibc_fwrite(const void* data, uint32_t size, uint32_t count,
                       void* stream);
int tblibc_overflow(void* stream, int c);
uint32_t tblibc_fpending(void* stream);
void tblibc_setbuf(void* stream, char* buffer);
}
