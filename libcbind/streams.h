// The streams family's entries among the start-up names; everything else
// of the family is reached through its table.
#pragma once

#include <cstdint>

extern "C" {
int tblibc_fflush(void* stream);
int tblibc_fputs(const char* text, void* stream);
int tblibc_puts(const char* text);
int tblibc_putc(int c, void* stream);
int tblibc_fputc(int c, void* stream);
uint32_t tblibc_fwrite(const void* data, uint32_t size, uint32_t count,
                       void* stream);
int tblibc_overflow(void* stream, int c);
int tblibc_fpending(void* stream);
void tblibc_setbuf_kept(void* stream, char* buffer);
}
