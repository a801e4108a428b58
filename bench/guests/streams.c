/* streams: reading a 50 MB file with getc (-DREAD_GETC), fgets
   (-DREAD_FGETS) or fread in 64 KiB blocks (-DREAD_FREAD), copying it
   through the inline getc_unlocked and putc_unlocked of <stdio.h>
   (-DCOPY_INLINE), or writing ten million short lines with fputs
   (-DWRITE_FPUTS) or five million with fprintf (-DWRITE_FPRINTF). The
   input is made once, by the first run that misses it; each run prints a
   checksum of what it read or wrote. */
#include <stdio.h>
#include <string.h>

enum { INPUT_BYTES = 50 * 1000 * 1000, LINES = 10 * 1000 * 1000 };

static const char *const input = "streams-50mb.txt";

/* Lines of 1 to 120 characters from a fixed generator. */
static void make_input(void)
{
    static char block[1 << 16];
    unsigned x = 0x2545f491u;
    long written = 0;
    FILE *f = fopen(input, "rb");
    if (f != NULL) {
        fseek(f, 0, SEEK_END);
        written = ftell(f);
        fclose(f);
        if (written == INPUT_BYTES) return;
    }
    f = fopen(input, "wb");
    for (written = 0; written < INPUT_BYTES;) {
        size_t n = 0;
        while (n < sizeof block) {
            x = x * 1664525u + 1013904223u;
            block[n++] = (x >> 24) % 121 == 0 ? '\n' : (char)('a' + (x >> 27));
        }
        if (written + (long)n > INPUT_BYTES) n = (size_t)(INPUT_BYTES - written);
        fwrite(block, 1, n, f);
        written += (long)n;
    }
    fclose(f);
}

int main(void)
{
    unsigned sum = 0;
#if defined(WRITE_FPUTS)
    static const char *const lines[] = { "alpha\n", "beta 2\n", "gamma three\n", "d\n",
                                         "epsilon 5 five\n", "zeta\n", "eta 7\n", "theta!\n" };
    FILE *out = fopen("streams-lines.out", "wb");
    for (int i = 0; i < LINES; i++) {
        fputs(lines[i & 7], out);
        sum += (unsigned)i & 7;
    }
    printf("fputs %u bytes %ld\n", sum, ftell(out));
    fclose(out);
    remove("streams-lines.out");
#elif defined(WRITE_FPRINTF)
    FILE *out = fopen("streams-printf.out", "wb");
    for (int i = 0; i < LINES / 2; i++) {
        fprintf(out, "%s %d\n", i & 1 ? "odd" : "even", i);
        sum += (unsigned)i & 7;
    }
    printf("fprintf %u bytes %ld\n", sum, ftell(out));
    fclose(out);
    remove("streams-printf.out");
#else
    FILE *in;
    make_input();
    in = fopen(input, "rb");
#if defined(READ_GETC)
    for (int c; (c = getc(in)) != EOF;) sum = sum * 31 + (unsigned)c;
    printf("getc %u\n", sum);
#elif defined(READ_FGETS)
    static char line[256];
    unsigned lines = 0;
    while (fgets(line, sizeof line, in) != NULL) {
        sum = sum * 31 + (unsigned)line[0];
        lines++;
    }
    printf("fgets %u lines %u\n", sum, lines);
#elif defined(READ_FREAD)
    static unsigned char block[1 << 16];
    size_t n;
    long total = 0;
    while ((n = fread(block, 1, sizeof block, in)) > 0) {
        sum = sum * 31 + block[n - 1];
        total += (long)n;
    }
    printf("fread %u bytes %ld\n", sum, total);
#elif defined(COPY_INLINE)
    FILE *out = fopen("streams-copy.out", "wb");
    for (int c; (c = getc_unlocked(in)) != EOF;) {
        putc_unlocked(c, out);
        sum = sum * 31 + (unsigned)c;
    }
    printf("copy %u bytes %ld\n", sum, ftell(out));
    fclose(out);
    remove("streams-copy.out");
#endif
    fclose(in);
#endif
    return 0;
}
