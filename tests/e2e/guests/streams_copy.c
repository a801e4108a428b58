/* Copying a file with every way of reading and writing a stream: bytes of
   every value, lines longer than any buffer, no line end at the end. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *input = "copy.in";
static long input_size;

static void make_input(void)
{
    FILE *f = fopen(input, "wb");
    long i;
    for (i = 0; i < 256; i++) putc((int)i, f);
    fputs("\nshort\n\n", f);
    for (i = 0; i < 20000; i++) fputc('a' + (int)(i % 26), f);
    fputc('\n', f);
    for (i = 0; i < 70000; i++) fputc(i % 1000 == 999 ? '\n' : 'A' + (int)(i % 7), f);
    fputs("tail without a line end", f);
    input_size = ftell(f);
    fclose(f);
}

/* 1 when `path` holds exactly what the input holds. */
static int same_as_input(const char *path)
{
    FILE *a = fopen(input, "rb"), *b = fopen(path, "rb");
    int same = a != NULL && b != NULL, ca, cb;
    while (same) {
        ca = getc(a);
        cb = getc(b);
        if (ca != cb) same = 0;
        if (ca == EOF) break;
    }
    if (a) fclose(a);
    if (b) fclose(b);
    return same;
}

static void report(const char *style, const char *path, FILE *out)
{
    int closed = fclose(out);
    printf("%-16s close %d same %d\n", style, closed, same_as_input(path));
    remove(path);
}

int main(void)
{
    FILE *in, *out;
    int c;
    char line[7], big[4096];
    size_t n;
    char *text = NULL;
    size_t cap = 0;
    ssize_t got;
    /* Through pointers: optimised code would expand these names inline,
       reading the stream record of the Linux C library. */
    int (*volatile get_unlocked)(FILE *) = getc_unlocked;
    int (*volatile put_unlocked)(int, FILE *) = putc_unlocked;
    int (*volatile fget_unlocked)(FILE *) = fgetc_unlocked;
    int (*volatile fput_unlocked)(int, FILE *) = fputc_unlocked;

    make_input();
    printf("input %ld bytes\n", input_size);

    in = fopen(input, "rb"); out = fopen("copy.1", "wb");
    while ((c = getc(in)) != EOF) putc(c, out);
    printf("getc eof %d error %d\n", feof(in), ferror(in));
    fclose(in); report("getc/putc", "copy.1", out);

    in = fopen(input, "r"); out = fopen("copy.2", "w");
    while ((c = fgetc(in)) != EOF) fputc(c, out);
    fclose(in); report("fgetc/fputc", "copy.2", out);

    in = fopen(input, "r"); out = fopen("copy.3", "w");
    while ((c = get_unlocked(in)) != EOF) put_unlocked(c, out);
    fclose(in); report("unlocked", "copy.3", out);

    in = fopen(input, "r"); out = fopen("copy.4", "w");
    while ((c = fget_unlocked(in)) != EOF) fput_unlocked(c, out);
    fclose(in); report("fgetc_unlocked", "copy.4", out);

    /* Bytes of value 0 end fgets' text early: copy the bytes fgets
       stored, found by the line end or the read's end. */
    in = fopen(input, "r"); out = fopen("copy.5", "w");
    for (;;) {
        long before = ftell(in);
        if (fgets(line, sizeof line, in) == NULL) break;
        fwrite(line, 1, (size_t)(ftell(in) - before), out);
    }
    fclose(in); report("fgets/fwrite", "copy.5", out);

    in = fopen(input, "r"); out = fopen("copy.6", "w");
    while ((n = fread(big, 1, 1000, in)) > 0) fwrite(big, 1, n, out);
    fclose(in); report("fread/fwrite", "copy.6", out);

    in = fopen(input, "r"); out = fopen("copy.7", "w");
    /* The input is a whole number of 16-byte items. */
    while ((n = fread(big, 16, 5, in)) > 0) fwrite_unlocked(big, 16, n, out);
    fclose(in); report("fread items", "copy.7", out);

    in = fopen(input, "r"); out = fopen("copy.8", "w");
    while ((got = getline(&text, &cap, in)) > 0) fwrite(text, 1, (size_t)got, out);
    fclose(in); report("getline", "copy.8", out);

    in = fopen(input, "r"); out = fopen("copy.9", "w");
    while ((got = getdelim(&text, &cap, 'q', in)) > 0) fwrite(text, 1, (size_t)got, out);
    fclose(in); report("getdelim", "copy.9", out);
    free(text);

    in = fopen(input, "r"); out = fopen("copy.10", "w");
    for (;;) {
        long before = ftell(in);
        if (fgets_unlocked(big, sizeof big, in) == NULL) break;
        fwrite(big, 1, (size_t)(ftell(in) - before), out);
    }
    fclose(in); report("fgets_unlocked", "copy.10", out);

    /* Through a temporary file, and back to the start with rewind. */
    in = fopen(input, "r"); out = tmpfile();
    while ((n = fread(big, 1, sizeof big, in)) > 0) fwrite(big, 1, n, out);
    rewind(out);
    fclose(in);
    in = out; out = fopen("copy.11", "w");
    while ((n = fread(big, 1, 333, in)) > 0) fwrite(big, 1, n, out);
    fclose(in); report("tmpfile", "copy.11", out);

    /* Appending in two halves. */
    in = fopen(input, "r"); out = fopen("copy.12", "w");
    n = fread(big, 1, 100, in); fwrite(big, 1, n, out); fclose(out);
    out = fopen("copy.12", "a");
    while ((n = fread(big, 1, sizeof big, in)) > 0) fwrite(big, 1, n, out);
    fclose(in); report("append", "copy.12", out);

    remove(input);
    return 0;
}
