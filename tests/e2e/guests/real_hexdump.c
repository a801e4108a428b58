/* A hex dumper and binary copier: standard input copied byte for byte to a
 * file, dumped from there with seeks, and written back to standard output. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void dump(FILE *f, long from, long length) {
    unsigned char row[16];
    if (fseek(f, from, SEEK_SET) != 0) { printf("seek: %s\n", strerror(errno)); return; }
    while (length > 0) {
        size_t want = length < 16 ? (size_t)length : 16;
        size_t got = fread(row, 1, want, f);
        if (!got) break;
        printf("%08lx ", from);
        for (size_t i = 0; i < 16; i++) {
            if (i < got) printf(" %02x", row[i]); else printf("   ");
            if (i == 7) putchar(' ');
        }
        printf("  |");
        for (size_t i = 0; i < got; i++) putchar(row[i] >= 32 && row[i] < 127 ? row[i] : '.');
        printf("|\n");
        from += got;
        length -= got;
    }
}

int main(int argc, char **argv) {
    const char *name = argc > 1 ? argv[1] : "hexdump.scratch";
    FILE *out = fopen(name, "wb+");
    if (!out) { printf("open: %s\n", strerror(errno)); return 1; }
    char buf[7];
    size_t n, total = 0;
    while ((n = fread(buf, 1, sizeof buf, stdin)) > 0) {
        fwrite(buf, 1, n, out);
        total += n;
    }
    for (int b = 0; b < 256; b++) fputc(b, out);
    fflush(out);
    long size = ftell(out);
    printf("copied %zu bytes, file %ld\n", total, size);
    dump(out, 0, 40);
    dump(out, size - 48, 100);
    if (fseek(out, -10, SEEK_END) == 0) printf("10 before end: %ld\n", ftell(out));
    rewind(out);
    int c, zeros = 0, lines = 0;
    while ((c = getc(out)) != EOF) { zeros += c == 0; lines += c == '\n'; }
    printf("zeros %d newlines %d eof %d error %d\n", zeros, lines, feof(out), ferror(out));
    fseek(out, -256, SEEK_END);
    unsigned char all[256];
    if (fread(all, 1, 256, out) != 256) printf("short read\n");
    fclose(out);
    remove(name);
    fflush(stdout);
    fwrite(all, 1, sizeof all, stdout);
    return 0;
}
